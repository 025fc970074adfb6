#include "exchange/TExportLeserF.h"

#include "ui/Library.h"

namespace lesaro {

TExportLeserF::TExportLeserF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ExportLeserF"));
    setWindowTitle(QStringLiteral("Leser exportieren"));
}

} // namespace lesaro
