#include "LendingFixture.h"
#include "core/EngineError.h"
#include "lending/rules/LoanFilters.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace lesaro;
using namespace lendingtest;

class LoanFiltersTest : public QObject {
    Q_OBJECT

    // The readers whose last name passes the reader filter built from text.
    static QStringList narrowed(Fixture<>& f, const QString& text) {
        Table& t = f.readers();
        LoanFilters::applyNarrowing(t, LoanFilters::readerFilter(QStringLiteral("Nachname"), text));
        QStringList names;
        const int field = t.fieldIndex(QStringLiteral("Nachname"));
        for (int p = 0; p < t.viewCount(); ++p)
            names << t.stringAt(p, field);
        names.sort();
        return names;
    }

private Q_SLOTS:
    void initTestCase() { setUpProcess(); }

    void texts_data() {
        QTest::addColumn<int>("kind"); // 0: reader filter, 1: lendable books, 2: lent books
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("reader, empty box: no narrowing") << 0 << "Vorname"
                                                         << ""
                                                         << "";
        QTest::newRow("reader, prefix") << 0 << "Nachname"
                                        << "mei"
                                        << "Nachname ='mei*'";
        QTest::newRow("reader, quote doubled") << 0 << "Nachname"
                                               << "O'Brien"
                                               << "Nachname ='O''Brien*'";
        QTest::newRow("reader, lone quote") << 0 << "Vorname"
                                            << "'"
                                            << "Vorname ='''*'";
        QTest::newRow("reader, blanks kept") << 0 << "Vorname"
                                             << " Anna "
                                             << "Vorname =' Anna *'";
        QTest::newRow("lendable, empty box keeps the flag") << 1 << "Verfasser"
                                                            << ""
                                                            << "ausgeliehen = 'false'";
        QTest::newRow("lendable, author") << 1 << "Verfasser"
                                          << "Kä"
                                          << "ausgeliehen = 'false' AND Verfasser ='Kä*'";
        QTest::newRow("lendable, two quotes") << 1 << "Titel"
                                              << "''"
                                              << "ausgeliehen = 'false' AND Titel ='''''*'";
        QTest::newRow("lent, empty box keeps the flag") << 2 << "Titel"
                                                        << ""
                                                        << "ausgeliehen = 'true'";
        QTest::newRow("lent, title with a star") << 2 << "Titel"
                                                 << "C*"
                                                 << "ausgeliehen = 'true' AND Titel ='C**'";
    }
    void texts() {
        QFETCH(int, kind);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString built =
            kind == 0 ? LoanFilters::readerFilter(field, text) : LoanFilters::bookFilter(kind == 2, field, text);
        QCOMPARE(built, expected);
    }

    // What the texts select once the table engine reads them.
    void selects_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("any case") << "mei" << QStringList{"MEISTER", "Meier"};
        QTest::newRow("quote in the name") << "O'Brien" << QStringList{"O'Brien"};
        QTest::newRow("quote alone") << "'" << QStringList{"'t Hooft"};
        QTest::newRow("no match") << "Xyz" << QStringList{};
        QTest::newRow("empty: everybody")
            << "" << QStringList{"'t Hooft", "MEISTER", "Meier", "Obermann", "O'Brien", "Ömer"};
    }
    void selects() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        Fixture<> f;
        for (const char* name : {"Meier", "MEISTER", "O'Brien", "Obermann", "'t Hooft", "Ömer"})
            f.addReader(QStringLiteral("A"), QString::fromUtf8(name));
        QStringList got = narrowed(f, text);
        std::sort(expected.begin(), expected.end());
        QCOMPARE(got, expected);
    }

    // A keystroke narrows the list once; an empty box takes the narrowing off.
    void narrowingFiltersOnce() {
        Fixture<> f;
        f.addReader(QStringLiteral("A"), QStringLiteral("Meier"));
        f.addReader(QStringLiteral("A"), QStringLiteral("Müller"));
        Table& t = f.readers();
        QSignalSpy resets(&t, &Table::viewReset);
        for (const QString& text : {QStringLiteral("m"), QStringLiteral("mü"), QStringLiteral("m")}) {
            resets.clear();
            LoanFilters::applyNarrowing(t, LoanFilters::readerFilter(QStringLiteral("Nachname"), text));
            QCOMPARE(resets.count(), 1);
            QCOMPARE(t.filterOptions(), FilterOptions(FilterOption::CaseInsensitive));
        }
        QCOMPARE(t.RecordCount(), 2);
        LoanFilters::applyNarrowing(t, QString());
        QVERIFY(!t.Filtered());
        QCOMPARE(t.RecordCount(), 2);
    }

    void dueDate_data() {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<int>("days");
        QTest::addColumn<QDate>("due");
        QTest::newRow("over a month end") << QDate(2023, 1, 31) << 30 << QDate(2023, 3, 2);
        QTest::newRow("leap year") << QDate(2024, 1, 31) << 30 << QDate(2024, 3, 1);
        QTest::newRow("over 29 February") << QDate(2024, 2, 15) << 14 << QDate(2024, 2, 29);
        QTest::newRow("over the year end") << QDate(2023, 12, 20) << 21 << QDate(2024, 1, 10);
        QTest::newRow("setting missing: same day") << QDate(2024, 5, 5) << 0 << QDate(2024, 5, 5);
    }
    void dueDate() {
        QFETCH(QDate, from);
        QFETCH(int, days);
        QFETCH(QDate, due);
        QCOMPARE(LoanFilters::dueDate(from, days), due);
    }

    // Beside the cases: random names and typed texts full of quotes and blanks. Whatever is typed, the filter
    // must parse and select exactly the names that begin with the text, in any case.
    void randomTextsSelectByPrefix() {
        const quint32 seed = 20261210;
        QRandomGenerator rng(seed);
        const QString alphabet = QStringLiteral("aAbB'o O");
        const auto randomText = [&](int maxLength) {
            QString s;
            const int n = rng.bounded(1, maxLength + 1);
            for (int i = 0; i < n; ++i)
                s += alphabet[rng.bounded(int(alphabet.size()))];
            return s;
        };
        Fixture<> f;
        for (int i = 0; i < 60; ++i)
            f.addReader(QStringLiteral("A"), randomText(6));
        // The model works on the names as stored (a text field keeps no trailing blanks).
        const QStringList names = narrowed(f, QString());
        QStringList typed;
        for (int step = 0; step < 400; ++step) {
            const QString text = randomText(4);
            typed << text;
            QStringList expected;
            for (const QString& n : std::as_const(names)) {
                if (n.startsWith(text, Qt::CaseInsensitive))
                    expected << n;
            }
            expected.sort();
            QStringList got;
            try {
                got = narrowed(f, text);
            } catch (const EngineError& e) {
                QFAIL(qPrintable(
                    QStringLiteral("seed %1, step %2, text [%3]: %4").arg(seed).arg(step).arg(text, e.message())));
            }
            if (got != expected) {
                qWarning() << "seed" << seed << "step" << step << "last texts" << typed.mid(typed.size() - 5);
                QCOMPARE(got, expected);
            }
        }
    }
};

QTEST_GUILESS_MAIN(LoanFiltersTest)
#include "tst_loanfilters.moc"
