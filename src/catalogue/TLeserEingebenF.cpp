#include "catalogue/TLeserEingebenF.h"

#include "ui/Library.h"

namespace lesaro {

TLeserEingebenF::TLeserEingebenF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("LeserEingebenF"));
    setWindowTitle(QStringLiteral("Leserverwaltung"));
}

bool TLeserEingebenF::FormCloseQuery() {
    // Until its inputs exist the window cannot show a row being typed, so none is kept behind.
    Table& table = m_library.ClientLeser();
    if (table.State() == TableState::Edit || table.State() == TableState::Insert)
        table.Cancel();
    return true;
}

} // namespace lesaro
