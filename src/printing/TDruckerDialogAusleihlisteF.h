#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Options of the printed loan and overdue lists.
class TDruckerDialogAusleihlisteF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogAusleihlisteF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
