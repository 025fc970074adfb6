#include "exchange/TAccessFormF.h"

#include "ui/LibraryHandle.h"

namespace lesaro {

TAccessFormF::TAccessFormF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AccessFormF"));
    setWindowTitle(QStringLiteral("Tabelle wählen"));
}

} // namespace lesaro
