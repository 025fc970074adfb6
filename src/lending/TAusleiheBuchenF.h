#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Lends one book to one reader at a time.
class TAusleiheBuchenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAusleiheBuchenF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
