#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// The book field captions and the standard loan period.
class TOptionenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TOptionenF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
