#include "maintenance/TOptionenF.h"

#include "ui/Library.h"

namespace lesaro {

TOptionenF::TOptionenF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("OptionenF"));
    setWindowTitle(QStringLiteral("Optionen"));
}

} // namespace lesaro
