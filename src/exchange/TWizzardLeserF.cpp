#include "exchange/TWizzardLeserF.h"

#include "ui/LibraryHandle.h"

namespace lesaro {

TWizzardLeserF::TWizzardLeserF(LibraryHandle& library, QWidget* parent)
    : ImportWizard(library.DataLeser(), readerImportTargets(), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("WizzardLeserF"));
    setWindowTitle(QStringLiteral("Importassistent für Leserdaten"));
}

} // namespace lesaro
