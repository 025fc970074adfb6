#pragma once

#include "exchange/ExportWindow.h"

namespace lesaro {

class Library;

// Writes the readers to a file for other programs.
class TExportLeserF : public ExportWindow {
    Q_OBJECT
public:
    explicit TExportLeserF(Library& library, QWidget* parent = nullptr);

    // The ten reader check boxes in window order, with the fixed header texts of their columns.
    static QList<FieldChoice> fieldChoices();

private:
    Library& m_library;
};

} // namespace lesaro
