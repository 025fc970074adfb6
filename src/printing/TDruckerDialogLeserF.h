#pragma once

#include "printing/PrintOptionsDialog.h"

namespace lesaro {

class LibraryHandle;

// Options of the printed reader list.
class TDruckerDialogLeserF : public PrintOptionsDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogLeserF(LibraryHandle& library, QWidget* parent = nullptr);
};

} // namespace lesaro
