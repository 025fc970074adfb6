#pragma once

#include "printing/PrintOptionsDialog.h"

namespace lesaro {

class LibraryHandle;

// Options of the printed loan and overdue lists.
class TDruckerDialogAusleihlisteF : public PrintOptionsDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogAusleihlisteF(LibraryHandle& library, QWidget* parent = nullptr);
};

} // namespace lesaro
