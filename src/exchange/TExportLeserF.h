#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Writes the readers to a file for other programs.
class TExportLeserF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TExportLeserF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
