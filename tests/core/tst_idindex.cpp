// The key index beside a plain model: for every key the live rows in the order they were added. Random adds and
// removals over keys that are small and shared, far beyond the table's size, negative and empty, with fixed
// seeds; after every step each key's rows and its single row agree with the model.

#include "core/IdIndex.h"
#include "core/Value.h"

#include <QtTest>

#include <map>
#include <random>
#include <vector>

using namespace lesaro;

namespace {

constexpr int kKeyColumn = 1;

RowStore keyStore() {
    return RowStore({ColumnDef::make(QStringLiteral("Name"), FieldKind::Integer),
                     ColumnDef::make(QStringLiteral("ID"), FieldKind::Integer)});
}

quint32 append(RowStore& store, std::optional<qint32> key, quint8 status = SlotStatus::Inserted) {
    const Value values[2] = {Value::integer(7), key ? Value::integer(*key) : Value()};
    return quint32(store.appendValues(values, status));
}

} // namespace

class TestIdIndex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void agreesWithPlainModel_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 17u, 4242u})
            QTest::addRow("seed %u", seed) << seed;
    }

    void agreesWithPlainModel() {
        QFETCH(quint32, seed);
        std::mt19937 rng(seed);
        RowStore store = keyStore();
        std::map<qint32, std::vector<quint32>> model; // key -> live slots, in the order they were added
        std::vector<std::pair<quint32, std::optional<qint32>>> live;

        // Small keys shared by several rows, keys far beyond the dense bound, negative keys and empty values.
        const auto randomKey = [&]() -> std::optional<qint32> {
            switch (rng() % 6) {
            case 0:
                return std::nullopt;
            case 1:
                return qint32(2000000 + rng() % 5);
            case 2:
                return -qint32(rng() % 5) - 1;
            default:
                return qint32(rng() % 40);
            }
        };
        const auto addRow = [&](IdIndex* index) {
            const std::optional<qint32> key = randomKey();
            const quint32 slot = append(store, key);
            if (index)
                index->add(store, slot);
            if (key)
                model[*key].push_back(slot);
            live.emplace_back(slot, key);
        };
        for (int i = 0; i < 60; ++i)
            addRow(nullptr);
        // Rows no longer live stay out of an index built on the store.
        append(store, 3, SlotStatus::Deleted);
        append(store, 2000001, SlotStatus::Superseded);
        IdIndex index(store, kKeyColumn);

        const auto check = [&](int step) {
            for (qint32 key = -6; key < 45; ++key) {
                for (qint32 k : {key, key + 2000000 + 6}) {
                    const std::vector<quint32>& rows = model[k];
                    const QList<quint32> expected(rows.rbegin(), rows.rend());
                    const qint64 unique = rows.empty() ? -1 : rows.size() == 1 ? qint64(rows.front()) : -2;
                    if (index.find(k) != expected || index.findUnique(k) != unique)
                        QFAIL(qPrintable(QStringLiteral("seed %1, step %2, key %3: %4 rows expected, found %5")
                                             .arg(seed)
                                             .arg(step)
                                             .arg(k)
                                             .arg(rows.size())
                                             .arg(index.find(k).size())));
                }
            }
        };
        check(0);
        for (int step = 1; step <= 2000; ++step) {
            if (live.empty() || rng() % 2 == 0) {
                addRow(&index);
            } else {
                const size_t at = rng() % live.size();
                const auto [slot, key] = live[at];
                live.erase(live.begin() + qsizetype(at));
                index.remove(store, slot);
                store.setStatus(slot, SlotStatus::Deleted);
                if (key)
                    std::erase(model[*key], slot);
            }
            if (step % 10 == 0)
                check(step);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_APPLESS_MAIN(TestIdIndex)
#include "tst_idindex.moc"
