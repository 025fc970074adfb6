#include "maintenance/TComboBoxenLoeschenF.h"

#include "ui/Library.h"

namespace lesaro {

TComboBoxenLoeschenF::TComboBoxenLoeschenF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ComboBoxenLoeschenF"));
    setWindowTitle(QStringLiteral("Ordnung schaffen"));
}

} // namespace lesaro
