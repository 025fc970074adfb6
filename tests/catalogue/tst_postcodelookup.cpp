#include "PostcodeFixture.h"
#include "catalogue/rules/PostcodeLookup.h"
#include "core/GermanLocale.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

// The towns of a postcode, looked up through a hash, against the document's own way of finding them: the
// postcode table narrowed by the filter "PLZ = '…'".
class PostcodeLookupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PostcodeFixture> m_fx;

    QStringList byFilter(const QString& plz) {
        Table& t = m_fx->postcodes();
        t.setFilter(QStringLiteral("PLZ = '") + plz + QStringLiteral("'"));
        t.setFiltered(true);
        QStringList towns;
        for (t.First(); !t.Eof(); t.Next())
            towns << text(t, "Ort");
        t.setFiltered(false);
        return towns;
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_fx = std::make_unique<PostcodeFixture>(); }
    void cleanup() { m_fx.reset(); }

    void towns_data() {
        QTest::addColumn<QString>("plz");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one town") << "12345" << QStringList{"Adorf"};
        QTest::newRow("three, in table order") << "54321" << QStringList{"Cdorf", "Adorf", "Bdorf"};
        QTest::newRow("unknown") << "99999" << QStringList{};
        QTest::newRow("empty text") << "" << QStringList{};
        QTest::newRow("prefix is not a match") << "5432" << QStringList{};
        QTest::newRow("blank around it") << " 12345" << QStringList{};
        QTest::newRow("star is a character") << "5432*" << QStringList{};
        QTest::newRow("quote is a character") << "12'45" << QStringList{};
    }
    void towns() {
        QFETCH(QString, plz);
        QFETCH(QStringList, expected);
        m_fx->usePostcodes(
            {{"54321", "Cdorf"}, {"12345", "Adorf"}, {"54321", "Adorf"}, {"54322", "Xdorf"}, {"54321", "Bdorf"}});
        PostcodeLookup lookup(m_fx->postcodes());
        QCOMPARE(lookup.towns(plz), expected);
        QVERIFY(!m_fx->postcodes().Filtered()); // nothing else is narrowed by a lookup
    }

    void builtInListHasEveryPlaceOfAPostcode() {
        // 15848 has dozens of places; the drop-down list must offer all of them, in table order.
        PostcodeLookup lookup(m_fx->postcodes());
        const QStringList towns = lookup.towns(QStringLiteral("15848"));
        QVERIFY2(towns.size() > 50, qPrintable(QString::number(towns.size())));
        QCOMPARE(towns, byFilter(QStringLiteral("15848")));
        QCOMPARE(lookup.towns(QStringLiteral("10115")), byFilter(QStringLiteral("10115")));
        QVERIFY(!lookup.towns(QStringLiteral("10115")).isEmpty());
    }

    void followsChangedRows() {
        m_fx->usePostcodes({{"12345", "Adorf"}});
        PostcodeLookup lookup(m_fx->postcodes());
        QCOMPARE(lookup.towns(QStringLiteral("12345")), QStringList{QStringLiteral("Adorf")});
        m_fx->usePostcodes({{"12345", "Bdorf"}, {"12345", "Cdorf"}}); // a restore reloads the table
        QCOMPARE(lookup.towns(QStringLiteral("12345")),
                 (QStringList{QStringLiteral("Bdorf"), QStringLiteral("Cdorf")}));
        Table& t = m_fx->postcodes();
        t.First();
        t.Delete();
        QCOMPARE(lookup.towns(QStringLiteral("12345")), QStringList{QStringLiteral("Cdorf")});
    }

    // Random tables and random changes between lookups. The model is the plain list of rows in table order;
    // now and then the filter's answer is taken as well. Filtering resets the table's view, which would hide
    // a hash that misses plain row changes, so most lookups go without it.
    void modelCheck() {
        for (quint32 seed : {1u, 7u, 42u, 2022u}) {
            QRandomGenerator rng(seed);
            auto code = [&] { return QString::number(rng.bounded(30) + 100); }; // few codes, many repeats
            QList<std::pair<QString, QString>> model;
            for (int i = 0; i < 60; ++i)
                model.append({code(), QStringLiteral("Ort %1").arg(i)});
            m_fx->usePostcodes(model);
            Table& t = m_fx->postcodes();
            PostcodeLookup lookup(t);
            QStringList ops;
            int next = 60;
            for (int step = 0; step < 600; ++step) {
                const int what = int(rng.bounded(10));
                if (what < 2 && !model.isEmpty()) {
                    const int pos = int(rng.bounded(model.size()));
                    t.MoveTo(pos);
                    t.Delete();
                    ops << QStringLiteral("delete %1 %2").arg(model[pos].first, model[pos].second);
                    model.removeAt(pos);
                } else if (what < 4) {
                    const std::pair<QString, QString> row{code(), QStringLiteral("Ort %1").arg(next++)};
                    t.Append();
                    t.FieldByName(QStringLiteral("PLZ")).setAsString(row.first);
                    t.FieldByName(QStringLiteral("Ort")).setAsString(row.second);
                    t.Post();
                    model.append(row);
                    ops << QStringLiteral("append %1 %2").arg(row.first, row.second);
                } else {
                    const QString plz = what == 9 ? QStringLiteral("999") : code();
                    QStringList want;
                    for (const auto& [p, o] : std::as_const(model)) {
                        if (p == plz)
                            want << o;
                    }
                    const bool withFilter = step % 25 == 0;
                    ops << QStringLiteral("lookup %1%2").arg(plz, withFilter ? QStringLiteral(" (filter)") : QString());
                    const QStringList got = lookup.towns(plz);
                    const QStringList filtered = withFilter ? byFilter(plz) : want;
                    if (got != want || filtered != want) {
                        QFAIL(qPrintable(QStringLiteral("seed %1, step %2: got %3, model %4, filter %5; last: %6")
                                             .arg(seed)
                                             .arg(step)
                                             .arg(got.join(u','), want.join(u','), filtered.join(u','),
                                                  ops.mid(ops.size() - 8).join(u"; "))));
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(PostcodeLookupTest)
#include "tst_postcodelookup.moc"
