// The import's data-access layer on real files: an Access database, the same small workbook as .xls, .xlsx
// and .ods, and the ways a source cannot be read.
#include "core/EngineError.h"
#include "exchange/sources/ImportSource.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::exchange;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(LESARO_TEST_DATA "/") + QString::fromLatin1(name);
}

QString nwind() {
    return QStringLiteral(LESARO_SHARED_FIXTURES "/nwind.mdb");
}

// The sample database lives beside the repository, not in it.
#define REQUIRE_NWIND()                                                                                                \
    if (!QFile::exists(nwind()))                                                                                       \
    QSKIP("the sample database is not beside the repository")

// The sheet "Bücher" of the three workbook fixtures.
SourceRecords workbookRecords() {
    return {
        {"Verfasser", "Titel", "Preis", "PLZ", "Erschienen", "Anzahl"},
        {"Müller, Jürgen", "Der \"Hobbit\"", "12,5", "79100", "01.03.2024", "3"},
        {"Straße & Söhne", "Größe; <1>", "12,50 €", "01067", "", "2,25"},
    };
}

QString readError(const QString& path, const QString& table = {}) {
    try {
        ImportSource::read(path, table);
    } catch (const EngineError& e) {
        return e.message();
    }
    return QStringLiteral("(gelesen)");
}

} // namespace

class SourcesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString copyAs(const QString& from, const QString& name) {
        const QString to = m_dir.filePath(name);
        QFile::remove(to);
        if (!QFile::copy(from, to))
            qFatal("cannot copy fixture");
        return to;
    }

private Q_SLOTS:
    void kindFollowsExtensionWhateverItsCase_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::newRow("mdb") << "a/buch.mdb" << int(SourceKind::Access);
        QTest::newRow("MDB in capitals") << "BUCH.MDB" << int(SourceKind::Access);
        QTest::newRow("accdb") << "b.Accdb" << int(SourceKind::Access);
        QTest::newRow("ACCDB in capitals") << "ALT/BUCH.ACCDB" << int(SourceKind::Access);
        QTest::newRow("xls") << "b.xls" << int(SourceKind::Excel);
        QTest::newRow("XLS in capitals") << "B.XLS" << int(SourceKind::Excel);
        QTest::newRow("xlsx") << "b.xlsx" << int(SourceKind::Excel);
        QTest::newRow("ods") << "b.ods" << int(SourceKind::Excel);
        QTest::newRow("csv") << "b.csv" << int(SourceKind::Text);
        QTest::newRow("no extension") << "liste" << int(SourceKind::Text);
        QTest::newRow("mdb only in the folder") << "x.mdb/liste.txt" << int(SourceKind::Text);
        QTest::newRow("xls as part of a longer suffix") << "b.xls.bak" << int(SourceKind::Text);
    }
    void kindFollowsExtensionWhateverItsCase() {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QCOMPARE(int(sourceKindOf(path)), kind);
    }

    void accessListsEveryTableSystemTablesIncluded() {
        REQUIRE_NWIND();
        const QStringList names = ImportSource::tableNames(nwind());
        QVERIFY(names.contains(QStringLiteral("Customers")));
        QVERIFY(names.contains(QStringLiteral("Products")));
        QVERIFY(names.contains(QStringLiteral("MSysObjects")));
        QCOMPARE(names.first(), QStringLiteral("MSysObjects"));
    }

    void accessGivesFieldTextsInFieldOrder() {
        REQUIRE_NWIND();
        const SourceRecords customers = ImportSource::read(nwind(), QStringLiteral("Customers"));
        QCOMPARE(customers.size(), 91);
        const QStringList first = customers.first();
        QCOMPARE(first.size(), 11);
        QCOMPARE(first.mid(0, 6), (QStringList{"ALFKI", "Alfreds Futterkiste", "Maria Anders", "Sales Representative",
                                               "Obere Str. 57", "Berlin"}));
        QCOMPARE(first[7], QStringLiteral("12209"));
        // Postcodes with a leading zero are texts in Access and keep it; accents arrive as written.
        const QStringList second = customers[1];
        QCOMPARE(second[7], QStringLiteral("05021"));
        QCOMPARE(second[5], QStringLiteral("México D.F."));
    }

    void accessDatesAndMoneyAsGermanTexts() {
        REQUIRE_NWIND();
        const SourceRecords orders = ImportSource::read(nwind(), QStringLiteral("Orders"));
        QVERIFY(!orders.isEmpty());
        const QStringList first = orders.first();
        QCOMPARE(first[0], QStringLiteral("10330"));
        QCOMPARE(first[3], QStringLiteral("16.11.1994")); // a date without time shows no time
        QCOMPARE(first[7], QStringLiteral("12,75"));      // money with a decimal comma
    }

    void accessWithoutTableTakesTheFirst() {
        REQUIRE_NWIND();
        QCOMPARE(ImportSource::read(nwind()), ImportSource::read(nwind(), QStringLiteral("MSysObjects")));
    }

    void accessExtensionsInAnyCaseAndAccdb() {
        REQUIRE_NWIND();
        const SourceRecords expected = ImportSource::read(nwind(), QStringLiteral("Shippers"));
        QCOMPARE(expected.size(), 3);
        for (const char* name : {"BUCH.MDB", "buch.accdb", "BUCH.ACCDB", "Buch.AccDb"})
            QCOMPARE(ImportSource::read(copyAs(nwind(), QString::fromLatin1(name)), QStringLiteral("Shippers")),
                     expected);
    }

    // The same workbook saved in the three formats gives the same records, the first line included, and the
    // postcode formatted "00000" keeps its leading zero in each.
    void workbooksGiveTheSameRecords_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << fixture("books.xls");
        QTest::newRow("xlsx") << fixture("books.xlsx");
        QTest::newRow("ods") << fixture("books.ods");
    }
    void workbooksGiveTheSameRecords() {
        QFETCH(QString, file);
        QCOMPARE(ImportSource::tableNames(file), (QStringList{QStringLiteral("Bücher"), QStringLiteral("Leser")}));
        QCOMPARE(ImportSource::read(file, QStringLiteral("Bücher")), workbookRecords());
        QCOMPARE(ImportSource::read(file), workbookRecords());
        QCOMPARE(ImportSource::read(file, QStringLiteral("Leser")), (SourceRecords{{"Anna", "Öztürk"}}));
    }

    // Formula cells arrive as their results, as the sheet shows them: a number through its format, a truth
    // value, a date. FreeXL leaves them empty in .xls; the import must not.
    void formulaResultsInEveryFormat_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << fixture("formulas.xls");
        QTest::newRow("xlsx") << fixture("formulas.xlsx");
        QTest::newRow("ods") << fixture("formulas.ods");
    }
    void formulaResultsInEveryFormat() {
        QFETCH(QString, file);
        QCOMPARE(ImportSource::read(file, QStringLiteral("Formeln")),
                 (SourceRecords{{"Zahl", "Text", "Wahrheit", "Datum", "Anzahl"},
                                {"01067", "Straße", "Wahr", "01.03.2024", "2,25"},
                                {"79100", "Größe €", "Falsch", "fest", "6"}}));
    }

    // A workbook that counts its days from 1904 (as old Mac workbooks do) shows the same dates as any other.
    void datesCountedFrom1904_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << fixture("dates1904.xls");
        QTest::newRow("xlsx") << fixture("dates1904.xlsx");
        QTest::newRow("ods") << fixture("dates1904.ods");
    }
    void datesCountedFrom1904() {
        QFETCH(QString, file);
        QCOMPARE(ImportSource::read(file), (SourceRecords{{"01.03.2024", "01067"}}));
    }

    // The support tool prints what the wizard receives: the same records from each of the three files.
    void dumpToolGivesTheSameRecords_data() { workbooksGiveTheSameRecords_data(); }
    void dumpToolGivesTheSameRecords() {
        QFETCH(QString, file);
        QProcess tool;
        tool.start(QStringLiteral(LESARO_SOURCE_TOOL), {QStringLiteral("dump"), file});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        SourceRecords printed;
        for (const QJsonValue& record : QJsonDocument::fromJson(tool.readAllStandardOutput())["records"].toArray()) {
            QStringList fields;
            for (const QJsonValue& field : record.toArray())
                fields.append(field.toString());
            printed.append(fields);
        }
        QCOMPARE(printed, workbookRecords());
    }

    void unreadableSourcesGiveTheirKindsMessage_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("message");
        const QString access = QStringLiteral("Accessdatei konnte nicht gefunden werden");
        const QString excel = QStringLiteral("Exceldatei konnte nicht gefunden werden");
        const QString text = QStringLiteral("Quelldatei konnte nicht gefunden werden");
        QTest::newRow("missing mdb") << "/nicht/da.mdb"
                                     << "" << access;
        QTest::newRow("missing xls") << "/nicht/da.xls"
                                     << "" << excel;
        QTest::newRow("missing xlsx") << "/nicht/da.xlsx"
                                      << "" << excel;
        QTest::newRow("missing ods") << "/nicht/da.ods"
                                     << "" << excel;
        QTest::newRow("missing text") << "/nicht/da.csv"
                                      << "" << text;
        QTest::newRow("text file named mdb") << fixture("books.csv") + "#mdb"
                                             << "" << access;
        QTest::newRow("text file named accdb") << fixture("books.csv") + "#accdb"
                                               << "" << access;
        QTest::newRow("workbook named ACCDB") << fixture("books.xlsx") + "#ACCDB"
                                              << "" << access;
        QTest::newRow("missing accdb") << "/nicht/da.accdb"
                                       << "" << access;
        if (QFile::exists(nwind()))
            QTest::newRow("database cut short, named accdb") << nwind() + "#accdb#8192"
                                                             << "" << access;
        QTest::newRow("text file named xls") << fixture("books.csv") + "#xls"
                                             << "" << excel;
        QTest::newRow("text file named xlsx") << fixture("books.csv") + "#xlsx"
                                              << "" << excel;
        QTest::newRow("xls named ods") << fixture("books.xls") + "#ods"
                                       << "" << excel;
        if (QFile::exists(nwind()))
            QTest::newRow("unknown table") << nwind() << "Bücher" << access;
        QTest::newRow("unknown sheet") << fixture("books.xlsx") << "Tabelle9" << excel;
        QTest::newRow("a folder") << m_dir.path() << "" << text;
    }
    void unreadableSourcesGiveTheirKindsMessage() {
        QFETCH(QString, path);
        QFETCH(QString, table);
        QFETCH(QString, message);
        // "file#ext": the fixture copied under a name with that extension; "file#ext#n": only its first n bytes.
        if (path.contains(QLatin1Char('#'))) {
            const QStringList parts = path.split(QLatin1Char('#'));
            path = copyAs(parts[0], QStringLiteral("falsch.") + parts[1]);
            if (parts.size() > 2)
                QVERIFY(QFile::resize(path, parts[2].toLongLong()));
        }
        QCOMPARE(readError(path, table), message);
        if (sourceKindOf(path) != SourceKind::Text && table.isEmpty()) {
            try {
                ImportSource::tableNames(path);
                QFAIL("table names of an unreadable source");
            } catch (const EngineError& e) {
                QCOMPARE(e.message(), message);
            }
        }
    }

    void textSourceHasNoTables() { QVERIFY(ImportSource::tableNames(fixture("books.csv")).isEmpty()); }
};

QTEST_GUILESS_MAIN(SourcesTest)
#include "tst_sources.moc"
