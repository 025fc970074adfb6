// The import's data-access layer on real files: an Access database, the same small workbook as .xls, .xlsx
// and .ods, and the ways a source cannot be read.
#include "core/EngineError.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/ImportSource.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

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
        // A file that is there but is no source of its kind, or is damaged, is named with the true reason.
        auto damaged = [](const char* name, const char* kind) {
            return QStringLiteral("„%1“ ist keine %2 oder ist beschädigt")
                .arg(QLatin1String(name), QLatin1String(kind));
        };
        QTest::newRow("text file named mdb") << fixture("books.csv") + "#mdb"
                                             << "" << damaged("falsch.mdb", "Accessdatei");
        QTest::newRow("text file named accdb") << fixture("books.csv") + "#accdb"
                                               << "" << damaged("falsch.accdb", "Accessdatei");
        QTest::newRow("workbook named ACCDB") << fixture("books.xlsx") + "#ACCDB"
                                              << "" << damaged("falsch.ACCDB", "Accessdatei");
        QTest::newRow("missing accdb") << "/nicht/da.accdb"
                                       << "" << access;
        if (QFile::exists(nwind()))
            QTest::newRow("database cut short, named accdb") << nwind() + "#accdb#8192"
                                                             << "" << damaged("falsch.accdb", "Accessdatei");
        QTest::newRow("text file named xls") << fixture("books.csv") + "#xls"
                                             << "" << damaged("falsch.xls", "Exceldatei");
        QTest::newRow("text file named xlsx") << fixture("books.csv") + "#xlsx"
                                              << "" << damaged("falsch.xlsx", "Exceldatei");
        QTest::newRow("xls named ods") << fixture("books.xls") + "#ods"
                                       << "" << damaged("falsch.ods", "Exceldatei");
        if (QFile::exists(nwind()))
            QTest::newRow("unknown table") << nwind() << "Bücher" << damaged("nwind.mdb", "Accessdatei");
        QTest::newRow("unknown sheet") << fixture("books.xlsx") << "Tabelle9" << damaged("books.xlsx", "Exceldatei");
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

    // A damaged database is refused whole, before anything is taken over: cut inside a page, cut at a page
    // boundary so that records are missing (the table's own count tells), or with a memo's page destroyed.
    void damagedAccessIsRefusedWhole_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("damage"); // "cut:n" keeps the first n bytes, "zero:text" blanks its page
        const QString dates = QStringLiteral(LESARO_SHARED_FIXTURES "/DateTestDatabase.mdb");
        QTest::newRow("cut inside a page") << dates << "DateTest"
                                           << "cut:150000";
        QTest::newRow("records missing") << nwind() << "Orders"
                                         << "cut:999424";
        QTest::newRow("a memo's page destroyed") << nwind() << "Employees"
                                                 << "zero:Education includes a BA";
    }
    void damagedAccessIsRefusedWhole() {
        QFETCH(QString, source);
        QFETCH(QString, table);
        QFETCH(QString, damage);
        if (!QFile::exists(source))
            QSKIP("the sample database is not beside the repository");
        QFile in(source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        QVERIFY(!ImportSource::read(source, table).isEmpty()); // sound before the damage
        const QString how = damage.section(QLatin1Char(':'), 0, 0);
        const QString what = damage.section(QLatin1Char(':'), 1);
        if (how == QLatin1String("cut")) {
            bytes.truncate(what.toLongLong());
        } else {
            const qsizetype at = bytes.indexOf(what.toLatin1());
            QVERIFY(at > 0);
            const qsizetype page = 2048; // a Jet 3 database
            bytes.replace(at / page * page, page, QByteArray(page, '\0'));
        }
        const QString path = m_dir.filePath(QStringLiteral("beschädigt.mdb"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        QCOMPARE(readError(path, table), QStringLiteral("„beschädigt.mdb“ ist keine Accessdatei oder ist beschädigt"));
    }

    // Access keeps dates as day numbers from 30 December 1899; every year from 100 to 9999 arrives as a date,
    // where the reader library's own text gives "1900-01-00 00:00:00" outside 1900 to 2100.
    void accessDatesOfEveryYear() {
        const QString dates = QStringLiteral(LESARO_SHARED_FIXTURES "/DateTestDatabase.mdb");
        if (!QFile::exists(dates))
            QSKIP("the sample database is not beside the repository");
        const SourceRecords records = ImportSource::read(dates, QStringLiteral("DateTest"));
        QCOMPARE(records.size(), 6);
        QCOMPARE(records[0].mid(0, 4), (QStringList{"1", "02.12.2021", "02.12.2021", "02.12.2021"}));
        QCOMPARE(records[1].mid(0, 4), (QStringList{"2", "01.01.9999", "01.01.9999", "01.01.9999"}));
        QCOMPARE(records[2].mid(0, 4), (QStringList{"3", "01.01.1898", "01.01.1899", "01.01.1900"}));
        QCOMPARE(records[3].mid(0, 4), (QStringList{"4", "01.01.0632", "01.01.0633", "01.01.0634"}));
        QCOMPARE(records[5][4], QStringLiteral("New line\r\nin field"));
    }

    void dayNumbersToGermanDates_data() {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        QTest::newRow("the day count's start") << 0.0 << "30.12.1899";
        QTest::newRow("a time of day") << 44532.5 << "02.12.2021 12:00:00";
        QTest::newRow("before 1899 the fraction still counts from midnight") << -1.25 << "29.12.1899 06:00:00";
        QTest::newRow("year 100") << -657434.0 << "01.01.0100";
        QTest::newRow("year 99 is none") << -657435.0 << "";
        QTest::newRow("31.12.9999") << 2958465.0 << "31.12.9999";
        QTest::newRow("year 10000 is none") << 2958466.0 << "";
        QTest::newRow("not a number") << std::nan("") << "";
    }
    void dayNumbersToGermanDates() {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(CellText::dayNumberDate(days), text);
    }

    // A genuine .accdb of Access 2007 and later, read as the .mdb are.
    void accdbGivesItsRecords() {
        const QString accdb = QStringLiteral(LESARO_SHARED_FIXTURES "/ASampleDatabase.accdb");
        if (!QFile::exists(accdb))
            QSKIP("the sample database is not beside the repository");
        QVERIFY(ImportSource::tableNames(accdb).contains(QStringLiteral("Asset Items")));
        const SourceRecords items = ImportSource::read(accdb, QStringLiteral("Asset Items"));
        QCOMPARE(items.size(), 65);
        QCOMPARE(items.first().first(), QStringLiteral("30050"));
    }

    void textSourceHasNoTables() { QVERIFY(ImportSource::tableNames(fixture("books.csv")).isEmpty()); }
};

QTEST_GUILESS_MAIN(SourcesTest)
#include "tst_sources.moc"
