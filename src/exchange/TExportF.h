#pragma once

#include "exchange/ExportWindow.h"

namespace lesaro {

class LibraryHandle;

// Writes the books to a file for other programs.
class TExportF : public ExportWindow {
    Q_OBJECT
public:
    explicit TExportF(LibraryHandle& library, QWidget* parent = nullptr);

    // The 23 book check boxes; the file's columns come in the same order.
    static QList<FieldChoice> fieldChoices();

private:
    LibraryHandle& m_library;
};

} // namespace lesaro
