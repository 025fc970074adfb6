#include "library/CurrentRowKeeper.h"

#include "core/EngineError.h"
#include "core/Table.h"

namespace lesaro {

CurrentRowKeeper::CurrentRowKeeper(Table& table)
    : m_table(table) {
    if (m_table.Active() && m_table.RecordCount() > 0 && m_table.State() == TableState::Browse)
        m_id = m_table.FieldByName(QStringLiteral("ID")).AsVariant();
}

CurrentRowKeeper::~CurrentRowKeeper() {
    if (!m_id.isValid() || !m_table.Active())
        return;
    try {
        // A row that no longer passes the filter cannot be current; then the table stays where it is.
        m_table.Locate(QStringLiteral("ID"), {m_id});
    } catch (const EngineError&) {
        // The rule's own failure is what the user hears about; going back is only a courtesy.
    }
}

} // namespace lesaro
