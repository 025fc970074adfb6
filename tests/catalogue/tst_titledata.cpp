#include "SruFixtures.h"
#include "catalogue/rules/SruQuery.h"
#include "catalogue/rules/SruResponse.h"
#include "catalogue/rules/TitleFill.h"

#include <QUrlQuery>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing::sru;

// Reading a catalogue's SRU answer and its MARC 21 records into the book's fields, and which fields of the
// book window a record fills.
class TitleDataTest : public QObject {
    Q_OBJECT

    static QHash<QString, QString> book(std::initializer_list<std::pair<const char*, const char*>> fields) {
        QHash<QString, QString> h;
        for (const auto& [name, value] : fields)
            h.insert(QString::fromLatin1(name), QString::fromUtf8(value));
        return h;
    }

private Q_SLOTS:
    void requestCarriesOnlyTheIsbn() {
        QString error;
        const QUrl url =
            SruQuery::requestUrl({QStringLiteral("https://services.dnb.de/sru/dnb"), QStringLiteral("num")},
                                 QStringLiteral("ISBN 978-3-16-148410-0"), &error);
        QVERIFY2(url.isValid(), qPrintable(error));
        QCOMPARE(url.host(), QStringLiteral("services.dnb.de"));
        QCOMPARE(url.path(), QStringLiteral("/sru/dnb"));
        const QUrlQuery q(url);
        QCOMPARE(q.queryItems(QUrl::FullyDecoded), (QList<std::pair<QString, QString>>{{"version", "1.1"},
                                                                                       {"operation", "searchRetrieve"},
                                                                                       {"query", "num=9783161484100"},
                                                                                       {"recordSchema", "MARC21-xml"},
                                                                                       {"maximumRecords", "10"}}));
    }

    void badServiceOrIsbnIsRefusedBeforeAnythingIsSent_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("isbn");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no scheme") << "services.dnb.de/sru/dnb"
                                   << "num"
                                   << "9783161484100"
                                   << "keine gültige";
        QTest::newRow("ftp") << "ftp://example.org/sru"
                             << "num"
                             << "9783161484100"
                             << "keine gültige";
        QTest::newRow("file") << "file:///etc/passwd"
                              << "num"
                              << "9783161484100"
                              << "keine gültige";
        QTest::newRow("index with a query") << "https://example.org/sru"
                                            << "num=1 or title"
                                            << "9783161484100"
                                            << "Suchindex";
        QTest::newRow("no ISBN") << "https://example.org/sru"
                                 << "isbn"
                                 << "Müller"
                                 << "ISBN";
        QTest::newRow("short number") << "https://example.org/sru"
                                      << "isbn"
                                      << "12345"
                                      << "ISBN";
    }
    void badServiceOrIsbnIsRefusedBeforeAnythingIsSent() {
        QFETCH(QString, address);
        QFETCH(QString, index);
        QFETCH(QString, isbn);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(SruQuery::requestUrl({address, index}, isbn, &error).isEmpty());
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void oneRecordGivesEveryField() {
        const SruAnswer a = SruResponse::parse(response({novel()}), QStringLiteral("978-3-16-148411-7"));
        QVERIFY2(a.ok(), qPrintable(a.error));
        QCOMPARE(a.numberOfRecords, 1);
        QCOMPARE(a.records.size(), 1);
        const TitleData& t = a.records.first();
        QCOMPARE(t.verfasser(), QStringLiteral("Berger, Anna; Klein, Paul")); // the editor is no author
        QCOMPARE(t.title, QStringLiteral("Die Stadt am Fluss : Roman"));      // without the non-sorting marks
        QCOMPARE(t.publisher, QStringLiteral("Mohr Siebeck"));
        QCOMPARE(t.place, QStringLiteral("Tübingen"));
        QCOMPARE(t.year, QStringLiteral("2019")); // publication, not the copyright year
        QCOMPARE(t.edition, QStringLiteral("2. Auflage"));
        QCOMPARE(t.isbn, QStringLiteral("978-3-16-148411-7")); // the binding asked for, as printed
        QCOMPARE(t.subjects, (QStringList{"Tübingen", "Familie", "Geschichte"}));
    }

    void isbnAskedAsTenDigitsFindsItsThirteenDigitForm() {
        const SruAnswer a = SruResponse::parse(response({novel()}), QStringLiteral("3-16-148410-X"));
        QCOMPARE(a.records.value(0).isbn, QStringLiteral("978-3-16-148410-0"));
    }

    void twoRecordsAndNone() {
        const SruAnswer two = SruResponse::parse(
            response({novel(), marcRecord({{"245", "0", "0", {{'a', "Zweiter Titel"}}}})}), QString());
        QCOMPARE(two.records.size(), 2);
        QCOMPARE(two.records[1].title, QStringLiteral("Zweiter Titel"));
        QVERIFY(two.records[1].authors.isEmpty());

        const SruAnswer none = SruResponse::parse(response({}), QString());
        QVERIFY2(none.ok(), qPrintable(none.error));
        QVERIFY(none.records.isEmpty());
        QCOMPARE(none.numberOfRecords, 0);
    }

    // A record with little in it: an older imprint in 260 with ISBD punctuation, the year only in 008,
    // no subjects, an ISBN with a qualifier.
    void sparseOlderRecord() {
        const QString r =
            marcRecord({{"020", " ", " ", {{'a', "3-16-148410-X (kart.)"}}},
                        {"100", "1", " ", {{'a', "Berger, Anna,"}, {'d', "1950-"}}},
                        {"245", "1", "0", {{'a', "Schattenland ="}, {'b', "Shadowland /"}, {'c', "A. Berger."}}},
                        {"260", " ", " ", {{'a', "[Berlin] :"}, {'b', "Aufbau,"}}}},
                       QStringLiteral("850101s1985    gw            000 0 ger d"));
        const SruAnswer a = SruResponse::parse(response({r}), QStringLiteral("3-16-148410-X"));
        const TitleData t = a.records.value(0);
        QCOMPARE(t.verfasser(), QStringLiteral("Berger, Anna"));
        QCOMPARE(t.title, QStringLiteral("Schattenland = Shadowland"));
        QCOMPARE(t.place, QStringLiteral("Berlin"));
        QCOMPARE(t.publisher, QStringLiteral("Aufbau"));
        QCOMPARE(t.year, QStringLiteral("1985"));
        QCOMPARE(t.isbn, QStringLiteral("3-16-148410-X"));
        QVERIFY(t.edition.isEmpty());
        QVERIFY(t.subjects.isEmpty());
    }

    // The catalogues send letters and combining marks; the book table keeps single-byte characters.
    void combiningCharactersAreComposed() {
        const QString decomposed = QStringLiteral("Mu\u0308ller, Jo\u0308rg");
        const QString r = marcRecord({{"100", "1", " ", {{'a', decomposed}}},
                                      {"245", "1", "0", {{'a', QStringLiteral("Gru\u0308ße aus Ko\u0308ln")}}},
                                      {"264", " ", "1", {{'a', QStringLiteral("Mu\u0308nchen")}}}});
        const TitleData t = SruResponse::parse(response({r}), QString()).records.value(0);
        QCOMPARE(t.verfasser(), QString::fromUtf8("Müller, Jörg"));
        QCOMPARE(t.verfasser().size(), 12);
        QCOMPARE(t.title, QString::fromUtf8("Grüße aus Köln"));
        QCOMPARE(t.place, QString::fromUtf8("München"));
    }

    // Control characters (the non-sorting marks, a stray DEL) never reach a field; line breaks become blanks.
    void controlCharactersAreDropped() {
        const QString r = marcRecord({{"245", "1", "0", {{'a', QStringLiteral("\u0098Der\u009c Titel\u007f\nzwei")}}}});
        const SruAnswer a = SruResponse::parse(response({r}), QString());
        QVERIFY2(a.ok(), qPrintable(a.error));
        QCOMPARE(a.records.value(0).title, QStringLiteral("Der Titel zwei"));
    }

    // Records packed as escaped XML text and the SRU 2.0 namespace read the same.
    void stringPackingAndVersionTwo() {
        QByteArray xml = "<?xml version=\"1.0\"?><sruResponse:searchRetrieveResponse "
                         "xmlns:sruResponse=\"http://docs.oasis-open.org/ns/search-ws/sruResponse\">"
                         "<sruResponse:numberOfRecords>1</sruResponse:numberOfRecords><sruResponse:records>"
                         "<sruResponse:record><sruResponse:recordData>";
        xml += marcRecord({{"245", "0", "0", {{'a', "Verpackt"}}}}).toHtmlEscaped().toUtf8();
        xml += "</sruResponse:recordData></sruResponse:record></sruResponse:records>"
               "</sruResponse:searchRetrieveResponse>";
        const SruAnswer a = SruResponse::parse(xml, QString());
        QVERIFY2(a.ok(), qPrintable(a.error));
        QCOMPARE(a.records.value(0).title, QStringLiteral("Verpackt"));
    }

    void brokenAnswersAreRefused_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("reason");
        QByteArray cut = response({novel()});
        cut.chop(300);
        QTest::newRow("cut off") << cut << "kein gültiges XML";
        QByteArray unclosed = response({novel()});
        unclosed.replace("</datafield>", "</datafeld>");
        QTest::newRow("mismatched tag") << unclosed << "kein gültiges XML";
        QTest::newRow("not XML") << QByteArray("<html><body>Wartungsarbeiten</body></html>") << "keine SRU-Antwort";
        QTest::newRow("plain text") << QByteArray("Service unavailable") << "kein gültiges XML";
        QTest::newRow("empty") << QByteArray() << "leer";
        QTest::newRow("hits in another schema")
            << QByteArray(
                   "<searchRetrieveResponse xmlns=\"http://www.loc.gov/zing/srw/\"><numberOfRecords>1</numberOfRecords>"
                   "<records><record><recordSchema>oai_dc</recordSchema><recordData><dc><title>T</title></dc></"
                   "recordData>"
                   "</record></records></searchRetrieveResponse>")
            << "keine MARC-21-Datensätze";
        QTest::newRow("diagnostic")
            << QByteArray("<searchRetrieveResponse xmlns=\"http://www.loc.gov/zing/srw/\"><version>1.1</version>"
                          "<numberOfRecords>0</numberOfRecords><diagnostics><diagnostic "
                          "xmlns=\"http://www.loc.gov/zing/srw/diagnostic/\"><uri>info:srw/diagnostic/1/16</uri>"
                          "<message>Unsupported index</message><details>nummer</details></diagnostic></diagnostics>"
                          "</searchRetrieveResponse>")
            << "Unsupported index (nummer)";
    }
    void brokenAnswersAreRefused() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, reason);
        const SruAnswer a = SruResponse::parse(xml, QString());
        QVERIFY(!a.ok());
        QVERIFY(a.records.isEmpty());
        QVERIFY2(a.error.contains(reason), qPrintable(a.error));
    }

    void fillTakesEmptyFieldsAndListsTypedOnes() {
        TitleData t;
        t.authors = {QStringLiteral("Berger, Anna")};
        t.title = QStringLiteral("Die Stadt am Fluss");
        t.publisher = QStringLiteral("Mohr Siebeck");
        t.year = QStringLiteral("2019");
        t.isbn = QStringLiteral("978-3-16-148410-0");
        t.subjects = {QStringLiteral("Familie"), QStringLiteral("Tübingen"), QStringLiteral("Geschichte")};
        const TitleFill fill(t, book({{"Titel", "Mein eigener Titel"},
                                      {"Verlag", " "},
                                      {"Erscheinungsjahr", "2019"},
                                      {"ISBN", "9783161484100"},
                                      {"Schlagwort1", "familie"},
                                      {"Schlagwort2", "Reise"}}));
        QStringList filled;
        for (const TitleFill::Change& c : fill.fills())
            filled << c.field + u'=' + c.value;
        QCOMPARE(filled, (QStringList{"Verfasser=Berger, Anna", "Verlag=Mohr Siebeck",
                                      "ISBN=978-3-16-148410-0", // the same number, as printed
                                      "Schlagwort3=Tübingen", "Schlagwort4=Geschichte"}));
        QCOMPARE(fill.conflicts().size(), 1);
        QCOMPARE(fill.conflicts().first().field, QStringLiteral("Titel"));
    }

    void anotherIsbnTypedIsAConflict() {
        TitleData t;
        t.isbn = QStringLiteral("978-3-16-148410-0");
        const TitleFill fill(t, book({{"ISBN", "3-498-03526-6"}}));
        QVERIFY(fill.fills().isEmpty());
        QCOMPARE(fill.conflicts().size(), 1);
    }

    // Ten co-authors do not fit into Verfasser: whole names only, never one cut in the middle.
    void authorsThatDoNotFitAreLeftOut() {
        TitleData t;
        for (int i = 0; i < 10; ++i)
            t.authors << QStringLiteral("Mitverfasserin%1, Vorname").arg(i);
        const TitleFill fill(t, {});
        const QString verfasser = fill.fills().value(0).value;
        QVERIFY(verfasser.size() <= 100);
        QVERIFY2(verfasser.endsWith(QStringLiteral(", Vorname")), qPrintable(verfasser));
        QVERIFY(verfasser.startsWith(QStringLiteral("Mitverfasserin0, Vorname; ")));
    }

    void keywordsStopWhenTheFieldsAreFull() {
        TitleData t;
        for (int i = 0; i < 15; ++i)
            t.subjects << QStringLiteral("Thema %1").arg(i);
        const TitleFill fill(t, book({{"Schlagwort5", "Vorhanden"}}));
        QCOMPARE(fill.fills().size(), 9);
        QCOMPARE(fill.fills().last().field, QStringLiteral("Schlagwort10"));
        QCOMPARE(fill.fills().last().value, QStringLiteral("Thema 8"));
    }
};

QTEST_APPLESS_MAIN(TitleDataTest)
#include "tst_titledata.moc"
