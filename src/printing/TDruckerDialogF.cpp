#include "printing/TDruckerDialogF.h"

#include "ui/Library.h"
#include <utility>

namespace lesaro {

TDruckerDialogF::TDruckerDialogF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DruckerDialogF"));
    setWindowTitle(QStringLiteral("Bücherdaten drucken"));
}

bool TDruckerDialogF::takeNarrowRequest() {
    return std::exchange(m_narrowRequested, false);
}

} // namespace lesaro
