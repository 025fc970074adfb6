#pragma once

#include "printing/PrintOptionsDialog.h"

namespace lesaro {

class Library;

// Options of the printed reader list.
class TDruckerDialogLeserF : public PrintOptionsDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogLeserF(Library& library, QWidget* parent = nullptr);
};

} // namespace lesaro
