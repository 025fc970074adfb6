#pragma once

#include "core/Table.h"

namespace lesaro {

// Switches a table's filter off for a scope and back on at its end, also when an engine error ends the work.
class FilterPause {
public:
    explicit FilterPause(Table& table)
        : m_table(table)
        , m_was(table.Filtered()) {
        if (m_was)
            m_table.setFiltered(false);
    }
    ~FilterPause() {
        if (m_was && !m_table.Filtered()) {
            try {
                m_table.setFiltered(true);
            } catch (...) {
                // The text was valid when it was switched off; nothing sensible is left to do here.
            }
        }
    }
    FilterPause(const FilterPause&) = delete;
    FilterPause& operator=(const FilterPause&) = delete;

private:
    Table& m_table;
    bool m_was;
};

} // namespace lesaro
