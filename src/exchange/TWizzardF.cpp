#include "exchange/TWizzardF.h"

#include "ui/Library.h"

namespace lesaro {

TWizzardF::TWizzardF(Library& library, QWidget* parent)
    : ImportWizard(library.DataBuecher(), bookImportTargets(), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("WizzardF"));
    setWindowTitle(QStringLiteral("Importassistent für Bücherdaten"));
}

} // namespace lesaro
