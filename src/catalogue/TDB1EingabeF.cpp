#include "catalogue/TDB1EingabeF.h"

#include "ui/Library.h"

namespace lesaro {

TDB1EingabeF::TDB1EingabeF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DB1EingabeF"));
    setWindowTitle(QStringLiteral("Bücher eingeben"));
}

void TDB1EingabeF::LoadRememberedValues() {
    m_library.ClientBuecher().First();
}

bool TDB1EingabeF::FormCloseQuery() {
    // Until its inputs exist the window cannot show a row being typed, so none is kept behind.
    Table& table = m_library.ClientBuecher();
    if (table.State() == TableState::Edit || table.State() == TableState::Insert)
        table.Cancel();
    return true;
}

} // namespace lesaro
