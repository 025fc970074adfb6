#include "printing/TDruckerDialogAusleihlisteF.h"

#include "ui/Library.h"

namespace lesaro {

TDruckerDialogAusleihlisteF::TDruckerDialogAusleihlisteF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DruckerDialogAusleihlisteF"));
    setWindowTitle(QStringLiteral("Ausleihliste"));
}

} // namespace lesaro
