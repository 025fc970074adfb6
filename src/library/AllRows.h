#pragma once

#include "core/Table.h"
#include "library/CurrentRowKeeper.h"
#include "library/FilterPause.h"

namespace lesaro {

// Calls fn(position) for every row of a table, also those a list's filter hides at the moment; the filter
// and the current row are put back afterwards. For work that must see the whole library whatever a window
// is showing (letters, lists for mail merge).
template <typename Fn>
void forAllRows(Table& table, Fn fn) {
    if (!table.Active())
        return;
    CurrentRowKeeper keep(table);
    const FilterPause pause(table);
    const int count = table.viewCount();
    for (int row = 0; row < count; ++row)
        fn(row);
}

} // namespace lesaro
