#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Every loan of one book, past and present.
class TAusleihhistorieF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAusleihhistorieF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
