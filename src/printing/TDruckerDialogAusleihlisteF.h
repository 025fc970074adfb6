#pragma once

#include "printing/PrintOptionsDialog.h"

namespace lesaro {

class Library;

// Options of the printed loan and overdue lists.
class TDruckerDialogAusleihlisteF : public PrintOptionsDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogAusleihlisteF(Library& library, QWidget* parent = nullptr);
};

} // namespace lesaro
