#include "exchange/TExportF.h"

#include "ui/Library.h"

namespace lesaro {

TExportF::TExportF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ExportF"));
    setWindowTitle(QStringLiteral("Bücher exportieren"));
}

} // namespace lesaro
