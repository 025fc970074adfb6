#include "maintenance/TDatenSichernF.h"

#include "ui/Library.h"

namespace lesaro {

TDatenSichernF::TDatenSichernF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DatenSichernF"));
    setWindowTitle(QStringLiteral("Datenbank sichern"));
}

} // namespace lesaro
