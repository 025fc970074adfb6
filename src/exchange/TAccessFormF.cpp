#include "exchange/TAccessFormF.h"

#include "ui/Library.h"

namespace lesaro {

TAccessFormF::TAccessFormF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AccessFormF"));
    setWindowTitle(QStringLiteral("Tabelle wählen"));
}

} // namespace lesaro
