#include "printing/TDruckerDialogLeserF.h"

#include "ui/Library.h"

namespace lesaro {

TDruckerDialogLeserF::TDruckerDialogLeserF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DruckerDialogLeserF"));
    setWindowTitle(QStringLiteral("Leserdaten drucken"));
}

} // namespace lesaro
