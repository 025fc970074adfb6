#include "lending/TAusleiheBuchenF.h"

#include "ui/Library.h"

namespace lesaro {

TAusleiheBuchenF::TAusleiheBuchenF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AusleiheBuchenF"));
    setWindowTitle(QStringLiteral("Ausleihe buchen"));
}

} // namespace lesaro
