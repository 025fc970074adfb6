#include "exchange/TWizzardLeserF.h"

#include "ui/Library.h"

namespace lesaro {

TWizzardLeserF::TWizzardLeserF(Library& library, QWidget* parent)
    : ImportWizard(library.DataLeser(), readerImportTargets(), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("WizzardLeserF"));
    setWindowTitle(QStringLiteral("Importassistent für Leserdaten"));
}

} // namespace lesaro
