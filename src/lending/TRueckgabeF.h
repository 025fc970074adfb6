#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Books the return of a lent book.
class TRueckgabeF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TRueckgabeF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
