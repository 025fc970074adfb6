#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Options of the printed reader list.
class TDruckerDialogLeserF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogLeserF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
