#include "lending/TAusleihhistorieF.h"

#include "ui/Library.h"

namespace lesaro {

TAusleihhistorieF::TAusleihhistorieF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AusleihhistorieF"));
    setWindowTitle(QStringLiteral("Ausleihhistorie"));
}

} // namespace lesaro
