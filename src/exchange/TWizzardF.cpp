#include "exchange/TWizzardF.h"

#include "ui/LibraryHandle.h"

namespace lesaro {

TWizzardF::TWizzardF(LibraryHandle& library, QWidget* parent)
    : ImportWizard(library.DataBuecher(), bookImportTargets(), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("WizzardF"));
    setWindowTitle(QStringLiteral("Importassistent für Bücherdaten"));
}

} // namespace lesaro
