// Feeds arbitrary text to the filter language against the book table's columns. Every input must end in a
// filter or a German error message, never in a crash or a hang.
#include "core/EngineError.h"
#include "core/FilterExpr.h"
#include "core/LibraryTables.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QList<lesaro::ColumnDef> columns = lesaro::LibraryTables::bookColumns();
    static const QStringList lookups{QStringLiteral("BuchTitel")};
    static lesaro::RowStore rows = [] {
        lesaro::RowStore s(columns);
        std::vector<lesaro::Value> v(size_t(columns.size()));
        s.appendValues(v.data(), lesaro::SlotStatus::Inserted);
        v[0] = lesaro::Value::integer(1);
        v[2] = lesaro::Value::text("Meier");
        v[12] = lesaro::Value::money(12.5);
        v[14] = lesaro::Value::boolean(true);
        v[15] = lesaro::Value::text("");
        s.appendValues(v.data(), lesaro::SlotStatus::Inserted);
        return s;
    }();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int options = 0; options < 4; ++options) {
        try {
            const auto expr = lesaro::FilterExpr::parse(columns, lookups, text, lesaro::FilterOptions(options));
            for (qsizetype slot = 0; slot < rows.slotCount(); ++slot)
                expr->passes(lesaro::RowRef(rows, slot));
        } catch (const lesaro::EngineError&) {
        }
    }
    return 0;
}
