#pragma once

#include "exchange/ExportWindow.h"

namespace lesaro {

class LibraryHandle;

// Writes the readers to a file for other programs.
class TExportLeserF : public ExportWindow {
    Q_OBJECT
public:
    explicit TExportLeserF(LibraryHandle& library, QWidget* parent = nullptr);

    // The ten reader check boxes in window order, with the fixed header texts of their columns.
    static QList<FieldChoice> fieldChoices();

private:
    LibraryHandle& m_library;
};

} // namespace lesaro
