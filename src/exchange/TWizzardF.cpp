#include "exchange/TWizzardF.h"

#include "ui/Library.h"

namespace lesaro {

TWizzardF::TWizzardF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("WizzardF"));
    setWindowTitle(QStringLiteral("Importassistent für Bücherdaten"));
}

} // namespace lesaro
