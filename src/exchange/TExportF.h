#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Writes the books to a file for other programs.
class TExportF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TExportF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
