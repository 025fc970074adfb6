#include "search/TAuswertenF.h"

#include "ui/Library.h"

namespace lesaro {

TAuswertenF::TAuswertenF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AuswertenF"));
    setWindowTitle(QStringLiteral("Auswerten"));
}

} // namespace lesaro
