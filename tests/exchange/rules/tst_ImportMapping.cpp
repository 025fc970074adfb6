// The rules of the import's " Abschluss" on a preview: which columns become rows, what each target fills,
// what a field refuses, and how the rows are numbered.
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "exchange/ExchangeRows.h"
#include "exchange/rules/ImportMapping.h"
#include "settings/INI.h"
#include "support/RulesLibrary.h"

#include <QtTest>
#include <memory>

using namespace lesaro;

namespace {

// Target rows of the book wizard.
constexpr int kVerfasser = 0;
constexpr int kTitel = 1;
constexpr int kPreis = 11;

QList<int> noAssignment(int n) {
    return QList<int>(n, -1);
}

} // namespace

class tst_ImportMapping : public QObject {
    Q_OBJECT
    std::unique_ptr<testing::RulesLibrary> m_lib;

    Table& books() { return m_lib->books(); }
    Table& readers() { return m_lib->readers(); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_lib = std::make_unique<testing::RulesLibrary>(); }
    void cleanup() { m_lib.reset(); }

    void previewGridReadsMissingCellsAsEmpty() {
        const PreviewGrid initial;
        QCOMPARE(initial.columnCount(), 2);
        QCOMPARE(initial.rowCount(), 5);
        const PreviewGrid grid = PreviewGrid::fromRecords({{"a", "b", "c"}, {"d"}});
        QCOMPARE(grid.columnCount(), 2);
        QCOMPARE(grid.rowCount(), 3); // the longest line
        QCOMPARE(grid.cell(1, 0), QStringLiteral("d"));
        QCOMPARE(grid.cell(1, 2), QString());
        QCOMPARE(grid.cell(5, 0), QString());
        QCOMPARE(grid.cell(0, -1), QString());
    }

    // " Abschluss" on a preview: which columns become books and what they hold.
    void finishAppendsOneBookPerColumn_data() {
        QTest::addColumn<QList<QStringList>>("records");
        QTest::addColumn<bool>("titleRow");
        QTest::addColumn<QList<int>>("assignment");
        QTest::addColumn<QStringList>("titles"); // Titel of the new books, in order
        QList<int> titleFromField1 = noAssignment(23);
        titleFromField1[kTitel] = 1;
        const QList<QStringList> file{{"Verfasser", "Titel"}, {"Ende", "Momo"}, {"Kästner", "Emil"}};
        QTest::newRow("header line checked: not imported")
            << file << true << titleFromField1 << QStringList{"Momo", "Emil"};
        QTest::newRow("header line unchecked: imported as a book")
            << file << false << titleFromField1 << QStringList{"Titel", "Momo", "Emil"};
        QTest::newRow("no assignment: empty books, one per record")
            << file << false << noAssignment(23) << QStringList{"", "", ""};
        QTest::newRow("a field beyond a short record is empty")
            << QList<QStringList>{{"x", "Momo"}, {"y"}} << false << titleFromField1 << QStringList{"Momo", ""};
        QTest::newRow("only a header line: nothing")
            << QList<QStringList>{{"a", "b"}} << true << titleFromField1 << QStringList{};
    }

    void finishAppendsOneBookPerColumn() {
        QFETCH(QList<QStringList>, records);
        QFETCH(bool, titleRow);
        QFETCH(QList<int>, assignment);
        QFETCH(QStringList, titles);
        const int posted =
            ImportRun::run(books(), PreviewGrid::fromRecords(records), bookImportTargets(), assignment, titleRow);
        QCOMPARE(posted, int(titles.size()));
        QCOMPARE(books().RecordCount(), int(titles.size()));
        for (int i = 0; i < titles.size(); ++i) {
            QCOMPARE(test::text(books(), i, "Titel"), titles[i]);
            QCOMPARE(test::text(books(), i, "Nummer"), QString::number(i + 1)); // the insert rule numbers them
            QCOMPARE(test::text(books(), i, "ausgeliehen"), QStringLiteral("Falsch"));
        }
    }

    void everyTargetFillsItsFieldAndSchlagworteNone() {
        const QStringList record{"Ende",
                                 "Momo",
                                 "Thienemann",
                                 "1973",
                                 "Stuttgart",
                                 "2.",
                                 "Roman",
                                 "3-522",
                                 "E 1",
                                 "Regal 3",
                                 "Zeit; Diebe",
                                 "12,50",
                                 "schön",
                                 "Zeit",
                                 "",
                                 "",
                                 "",
                                 "",
                                 "",
                                 "",
                                 "",
                                 "",
                                 "Graue Herren"};
        QList<int> assignment;
        for (int i = 0; i < 23; ++i)
            assignment.append(i);
        ImportRun::run(books(), PreviewGrid::fromRecords({record}), bookImportTargets(), assignment, false);
        QCOMPARE(books().RecordCount(), 1);
        const char* fields[] = {"Verfasser", "Titel",      "Verlag", "Erscheinungsjahr", "Erscheinungsort",
                                "Auflage",   "Sachgruppe", "ISBN",   "Signatur",         "Standort"};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(test::text(books(), 0, fields[i]), record[i]);
        QCOMPARE(test::text(books(), 0, "Preis"), QStringLiteral("12,5"));
        QCOMPARE(test::text(books(), 0, "Bemerkung"), QStringLiteral("schön"));
        QCOMPARE(test::text(books(), 0, "Schlagwort1"), QStringLiteral("Zeit"));
        QCOMPARE(test::text(books(), 0, "Schlagwort10"), QStringLiteral("Graue Herren"));
        // "Schlagworte" fills nothing: its text is in no field.
        for (int i = 0; i < books().fieldCount(); ++i)
            QVERIFY(test::text(books(), 0, qPrintable(books().fieldNames()[i])) != QStringLiteral("Zeit; Diebe"));
    }

    void refusedPriceIsDroppedAndLongTextsAreCut() {
        QList<int> assignment = noAssignment(23);
        assignment[kPreis] = 0;
        assignment[kVerfasser] = 1;
        const QString longName(130, QLatin1Char('x'));
        ImportRun::run(books(), PreviewGrid::fromRecords({{"zwölf Euro", longName}, {"7,5", "kurz"}}),
                       bookImportTargets(), assignment, false);
        QCOMPARE(books().RecordCount(), 2);
        QCOMPARE(test::text(books(), 0, "Preis"), QString());
        QCOMPARE(test::text(books(), 0, "Verfasser"), QString(100, QLatin1Char('x')));
        QCOMPARE(test::text(books(), 1, "Preis"), QStringLiteral("7,5"));
    }

    void readerNumberOverwritesTheProposalAndIsRemembered() {
        QList<int> assignment = noAssignment(10);
        assignment[0] = 0; // Nr.
        assignment[2] = 1; // Nachname
        ImportRun::run(readers(), PreviewGrid::fromRecords({{"40", "Adam"}, {"", "Berg"}, {"41", "Cohn"}}),
                       readerImportTargets(), assignment, false);
        QCOMPARE(readers().RecordCount(), 3);
        QCOMPARE(test::text(readers(), 0, "Nummer"), QStringLiteral("40"));
        // An empty cell keeps the proposed number, the next after the one just stored.
        QCOMPARE(test::text(readers(), 1, "Nummer"), QStringLiteral("41"));
        QCOMPARE(test::text(readers(), 2, "Nummer"), QStringLiteral("41"));
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastLeserNummer")), 41);
    }

    // A library handed over without its settings: the counter knows nothing of the stored numbers. The rows
    // an import numbers itself continue above the largest number a live row carries, never on one of them.
    void importNumbersAboveTheStoredRows_data() {
        QTest::addColumn<bool>("intoBooks");
        QTest::newRow("books") << true;
        QTest::newRow("readers") << false;
    }

    void importNumbersAboveTheStoredRows() {
        QFETCH(bool, intoBooks);
        Table& table = intoBooks ? books() : readers();
        const QString counter = intoBooks ? QStringLiteral("LastBuchNummer") : QStringLiteral("LastLeserNummer");
        for (const int nummer : {3, 9, 4, 700}) {
            table.Append();
            table.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
            table.Post();
        }
        table.Last();
        table.Delete(); // 700 is free again
        INI::WriteSettingInteger(counter, 0);
        QList<int> assignment = noAssignment(intoBooks ? 23 : 10);
        assignment[intoBooks ? 1 : 2] = 0; // Titel or Nachname
        ImportRun::run(table, PreviewGrid::fromRecords({{"Adam"}, {"Berg"}}),
                       intoBooks ? bookImportTargets() : readerImportTargets(), assignment, false);
        QCOMPARE(table.RecordCount(), 5);
        QCOMPARE(test::text(table, 3, "Nummer"), QStringLiteral("10"));
        QCOMPARE(test::text(table, 4, "Nummer"), QStringLiteral("11"));
        QCOMPARE(INI::ReadSettingInteger(counter), 11);
    }

    void notANumberStopsTheImportAndKeepsWhatWasPosted() {
        QList<int> assignment = noAssignment(10);
        assignment[0] = 0;
        assignment[2] = 1;
        try {
            ImportRun::run(readers(), PreviewGrid::fromRecords({{"1", "Adam"}, {"zwei", "Berg"}, {"3", "Cohn"}}),
                           readerImportTargets(), assignment, false);
            QFAIL("imported a reader number that is no number");
        } catch (const EngineError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("zwei")), qPrintable(e.message()));
        }
        QCOMPARE(readers().RecordCount(), 1);
        QCOMPARE(readers().State(), TableState::Browse);
        QCOMPARE(test::text(readers(), 0, "Nachname"), QStringLiteral("Adam"));
    }
};

QTEST_MAIN(tst_ImportMapping)
#include "tst_ImportMapping.moc"
