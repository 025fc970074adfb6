#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;

namespace {

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.message();
    }
    return {};
}

// Records every event hook as one letter: I(nsert), P(ost), S(croll).
struct EventLog {
    QString events;
    void attach(Table& t) {
        t.AfterInsert = [this](Table&) { events += QLatin1Char('I'); };
        t.AfterPost = [this](Table&) { events += QLatin1Char('P'); };
        t.AfterScroll = [this](Table&) { events += QLatin1Char('S'); };
    }
    QString take() { return std::exchange(events, QString()); }
};

void addBook(Table& t, const QVariant& nummer, const QString& verfasser = {}) {
    t.Append();
    if (nummer.isValid())
        t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer.toInt());
    if (!verfasser.isNull())
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
    t.Post();
}

QStringList column(Table& t, const QString& field) {
    QStringList out;
    const int f = t.fieldIndex(field);
    for (int i = 0; i < t.viewCount(); ++i)
        out << t.stringAt(i, f);
    return out;
}

} // namespace

class TableTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_books.Close();
        m_books.AfterInsert = nullptr;
        m_books.AfterPost = nullptr;
        m_books.AfterScroll = nullptr;
        m_books.setFiltered(false);
        m_books.setFilter({});
        m_books.setIndexFieldNames({});
        m_books.setColumns(LibraryTables::bookColumns());
        m_books.CreateDataSet();
    }

    void assigningText_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // as read back after Post
        QTest::addColumn<bool>("null");
        QTest::addColumn<QString>("error");

        const QString long120(120, QLatin1Char('x'));
        QTest::newRow("text cut to its width")
            << "Verfasser" << long120 << QString(100, QLatin1Char('x')) << false << "";
        QTest::newRow("trailing blanks removed") << "Verfasser"
                                                 << "Meier   "
                                                 << "Meier" << false << "";
        QTest::newRow("empty text is not null") << "Verfasser"
                                                << ""
                                                << "" << false << "";
        QTest::newRow("umlauts") << "Titel"
                                 << "Größe & Maß"
                                 << "Größe & Maß" << false << "";
        QTest::newRow("integer") << "Nummer"
                                 << " 42 "
                                 << "42" << false << "";
        QTest::newRow("empty integer is null") << "Nummer"
                                               << ""
                                               << "" << true << "";
        QTest::newRow("letters in an integer") << "Nummer"
                                               << "12a"
                                               << "" << true << "'12a' ist kein gültiger Integerwert für Feld 'Nummer'";
        QTest::newRow("money with comma") << "Preis"
                                          << "12,5"
                                          << "12,5" << false << "";
        QTest::newRow("money with a point is refused")
            << "Preis"
            << "12.50"
            << "" << true << "'12.50' ist kein gültiger Fließkommawert für Feld 'Preis'";
        QTest::newRow("boolean leading part") << "ausgeliehen"
                                              << "w"
                                              << "Wahr" << false << "";
        QTest::newRow("boolean any case") << "ausgeliehen"
                                          << "FALS"
                                          << "Falsch" << false << "";
        QTest::newRow("boolean other word")
            << "ausgeliehen"
            << "ja"
            << "" << true << "'ja' ist kein gültiger boolescher Wert für Feld 'ausgeliehen'";
    }

    void assigningText() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(bool, null);
        QFETCH(QString, error);
        m_books.Append();
        QCOMPARE(errorOf([&] { m_books.FieldByName(field).setAsString(text); }), error);
        m_books.FieldByName(QStringLiteral("ID")).setAsInteger(1);
        m_books.Post();
        QCOMPARE(m_books.FieldByName(field).AsString(), stored);
        QCOMPARE(m_books.FieldByName(field).IsNull(), null);
    }

    void dates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("German short date") << "15.02.2022"
                                           << "15.02.2022";
        QTest::newRow("without leading zeros") << "1.2.2022"
                                               << "01.02.2022";
        QTest::newRow("two-digit year") << "1.2.22"
                                        << "01.02.2022";
        QTest::newRow("no such day") << "31.02.2022"
                                     << "";
        QTest::newRow("not a date") << "morgen"
                                    << "";
    }

    void dates() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Table loans;
        loans.setColumns(LibraryTables::loanColumns());
        loans.CreateDataSet();
        loans.Append();
        const QString error = errorOf([&] { loans.FieldByName(QStringLiteral("DatumVon")).setAsString(text); });
        QCOMPARE(error.isEmpty(), !shown.isEmpty());
        if (!error.isEmpty())
            QCOMPARE(error, QStringLiteral("'%1' ist kein gültiges Datum").arg(text));
        QCOMPARE(loans.FieldByName(QStringLiteral("DatumVon")).DisplayText(), shown);
    }

    void display_data() {
        QTest::addColumn<QVariant>("price");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no digit before the comma") << QVariant(0.5) << ",50 €";
        QTest::newRow("whole euros") << QVariant(12.0) << "12,00 €";
        QTest::newRow("rounded") << QVariant(1234.567) << "1234,57 €";
        QTest::newRow("empty price") << QVariant() << "";
    }

    void display() {
        QFETCH(QVariant, price);
        QFETCH(QString, shown);
        m_books.Append();
        if (price.isValid())
            m_books.FieldByName(QStringLiteral("Preis")).setAsCurrency(price.toDouble());
        m_books.Post();
        QCOMPARE(m_books.FieldByName(QStringLiteral("Preis")).DisplayText(), shown);
    }

    void errors() {
        addBook(m_books, 1);
        QCOMPARE(errorOf([&] { m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(2); }),
                 QStringLiteral("Datenmenge weder im Editier- noch im Einfügemodus"));
        QCOMPARE(errorOf([&] { m_books.FieldByName(QStringLiteral("Unbekannt")); }),
                 QStringLiteral("Das Feld 'Unbekannt' wurde nicht gefunden"));
        QCOMPARE(errorOf([&] { m_books.setIndexFieldNames(QStringLiteral("Nummer;Name")); }),
                 QStringLiteral("Das Feld 'Name' wurde nicht gefunden"));
        QCOMPARE(m_books.IndexFieldNames(), QString());
    }

    void changeLogAndLiveRows() {
        addBook(m_books, 1, QStringLiteral("A"));
        addBook(m_books, 2, QStringLiteral("B"));
        m_books.First();
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("A2"));
        m_books.Post();
        QVERIFY(m_books.Locate(QStringLiteral("Nummer"), {2}));
        m_books.Delete();
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), QStringList{QStringLiteral("A2")});
        const auto& log = m_books.store().changeLog();
        QCOMPARE(log.size(), size_t(4)); // two inserts, a change and a delete
        QCOMPARE(log[2].slot, 3u);
        QCOMPARE(log[2].replaced, 1u);
        QCOMPARE(log[2].kind, LogKind::Modify);
        QCOMPARE(log[3].kind, LogKind::Delete);
        QCOMPARE(m_books.store().status(0), quint8(SlotStatus::Inserted | SlotStatus::Superseded));
        QCOMPARE(m_books.store().status(2), quint8(SlotStatus::Inserted | SlotStatus::Modified));
        QCOMPARE(m_books.ChangeCount(), qint64(4));
    }

    void indexOrder_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("authors");
        QTest::addColumn<QString>("expected");
        QTest::newRow("German order, lower case first, umlaut beside its letter")
            << "Verfasser" << QStringList{"Müller", "Meier", "Zander", "meier", "Mueller", "Ärmel", "Anton"}
            << "Anton,Ärmel,meier,Meier,Mueller,Müller,Zander";
        QTest::newRow("blanks and punctuation count")
            << "Verfasser" << QStringList{"Meier, Anna", "Meier Anna", "Meierhof"} << "Meier Anna,Meier, Anna,Meierhof";
        QTest::newRow("empty values first") << "Verfasser" << QStringList{"B", QString(), "A"} << ",A,B";
    }

    void indexOrder() {
        QFETCH(QString, order);
        QFETCH(QStringList, authors);
        QFETCH(QString, expected);
        for (const QString& a : authors)
            addBook(m_books, 1, a);
        m_books.setIndexFieldNames(order);
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")).join(QLatin1Char(',')), expected);
    }

    void orderNullFirstAndStable() {
        addBook(m_books, 5, QStringLiteral("erste"));
        addBook(m_books, 5, QStringLiteral("zweite"));
        addBook(m_books, QVariant(), QStringLiteral("ohne"));
        m_books.setIndexFieldNames(QStringLiteral("Nummer"));
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), (QStringList{"ohne", "erste", "zweite"}));
        // A changed row enters the order anew, behind the rows with the same key.
        m_books.MoveTo(1);
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("geändert"));
        m_books.Post();
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), (QStringList{"ohne", "zweite", "erste"}));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Verfasser")).AsString(), QStringLiteral("erste"));
        // The current row stays current when the order changes.
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Verfasser")).AsString(), QStringLiteral("erste"));
    }

    // Re-sorting by a text after rows came in: the sort keys of the new rows are worked out during the sort.
    void textOrderAfterAppends_data() {
        QTest::addColumn<int>("appended");
        QTest::newRow("40 books") << 40;
        QTest::newRow("200 books") << 200;
        QTest::newRow("2000 books") << 2000;
    }

    void textOrderAfterAppends() {
        QFETCH(int, appended);
        const QStringList authors{"Meier", "meier", "Müller"};
        addBook(m_books, 1, QStringLiteral("Meier"));
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        m_books.setIndexFieldNames(QStringLiteral("ID"));
        for (int i = 0; i < appended; ++i)
            addBook(m_books, i, authors[i % 3]);
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        const int third = appended / 3;
        QStringList expected;
        expected << QStringList(third + (appended % 3 > 1 ? 1 : 0), QStringLiteral("meier"));
        expected << QStringList(1 + third + (appended % 3 > 0 ? 1 : 0), QStringLiteral("Meier"));
        expected << QStringList(third, QStringLiteral("Müller"));
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), expected);
    }

    void emptyOrderIsNaturalOrder() {
        for (const char* a : {"Meier", "Zander", "Anton", "Berg"})
            addBook(m_books, 1, QString::fromUtf8(a));
        m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), (QStringList{"Anton", "Berg", "Meier", "Zander"}));
        m_books.setIndexFieldNames(QString());
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), (QStringList{"Meier", "Zander", "Anton", "Berg"}));
        // A key search finds its row in the natural order, and a change then replaces the row rather than adding one.
        QVERIFY(m_books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("Anton")}));
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("neu"));
        m_books.Post();
        QCOMPARE(m_books.RecordCount(), 4);
        QCOMPARE(column(m_books, QStringLiteral("Verfasser")), (QStringList{"Meier", "Zander", "Berg", "Anton"}));
    }

    // Key searches on a small table with a field of each kind; expected is the ID found, "" for none, or the error.
    void locateKinds_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("expected");
        const int partial = int(LocateOption::PartialKey);
        const int ci = int(LocateOption::CaseInsensitive);
        const QVariant null;

        QTest::newRow("number") << "Nummer" << QVariantList{7} << 0 << "3";
        QTest::newRow("number as text") << "Nummer" << QVariantList{"12"} << 0 << "2";
        QTest::newRow("partial key compares the whole number") << "Nummer" << QVariantList{"1"} << partial << "";
        QTest::newRow("empty value finds the empty number") << "Nummer" << QVariantList{null} << 0 << "4";
        QTest::newRow("letters after the number")
            << "Nummer" << QVariantList{"12a"} << 0 << "Filterausdruck fehlerhaft abgeschlossen";
        QTest::newRow("a filter in the value is no filter")
            << "Nummer" << QVariantList{"7 or 1=1"} << 0 << "Filterausdruck fehlerhaft abgeschlossen";
        QTest::newRow("empty text for a number")
            << "Nummer" << QVariantList{""} << 0 << "Ausdruck erwartet, jedoch Ende des Ausdrucks vorgefunden";
        QTest::newRow("fraction for a whole number")
            << "Nummer" << QVariantList{"1,5"} << 0 << "Fehlende Typübereinstimmung im Ausdruck";
        QTest::newRow("beyond 32 bits") << "Nummer" << QVariantList{"99999999999"} << 0
                                        << "Konstante außerhalb des zulässigen Wertebereichs";
        QTest::newRow("a word for a number")
            << "Nummer" << QVariantList{"zwölf"} << 0 << "Das Feld 'zwölf' wurde nicht gefunden";

        QTest::newRow("text is exact") << "Verfasser" << QVariantList{"zwölf"} << 0 << "";
        QTest::newRow("text ignoring case") << "Verfasser" << QVariantList{"zwölf"} << ci << "2";
        QTest::newRow("leading part") << "Verfasser" << QVariantList{"hundert"} << partial << "1";
        QTest::newRow("star without partial key is a character") << "Verfasser" << QVariantList{"Stern*"} << 0 << "4";
        QTest::newRow("star is no wildcard without partial key") << "Verfasser" << QVariantList{"St*"} << 0 << "";
        QTest::newRow("quote") << "Verfasser" << QVariantList{"O'Neill"} << 0 << "3";
        QTest::newRow("empty text is not null") << "Verfasser" << QVariantList{""} << 0 << "6";
        QTest::newRow("null is not the empty text") << "Verfasser" << QVariantList{null} << 0 << "5";

        QTest::newRow("date") << "Datum" << QVariantList{QDate(2022, 1, 1)} << 0 << "3";
        QTest::newRow("date as text") << "Datum" << QVariantList{"1.1.22"} << 0 << "3";
        QTest::newRow("not a date") << "Datum" << QVariantList{"morgen"} << 0 << "'morgen' ist kein gültiges Datum";
        QTest::newRow("money") << "Preis" << QVariantList{12.5} << 0 << "1";
        QTest::newRow("money as text") << "Preis" << QVariantList{"12,5"} << 0 << "1";
        QTest::newRow("boolean") << "ausgeliehen" << QVariantList{true} << 0 << "2";
        QTest::newRow("boolean with partial key") << "ausgeliehen" << QVariantList{true} << partial << "2";
        QTest::newRow("boolean as a word")
            << "ausgeliehen" << QVariantList{"ja"} << 0 << "Fehlende Typübereinstimmung im Ausdruck";

        // Several keys are conditions joined by "and", which read an empty field as 0, the empty text or false.
        QTest::newRow("lone key on an empty price") << "Preis" << QVariantList{0.0} << 0 << "3";
        QTest::newRow("empty price reads as 0 beside another key")
            << "Preis;Nummer" << QVariantList{0.0, 12} << 0 << "2";
        QTest::newRow("empty number reads as 0 beside another key")
            << "Nummer;Verfasser" << QVariantList{0, "Stern*"} << 0 << "4";
        QTest::newRow("two keys, last one partial") << "Nummer;Verfasser" << QVariantList{12, "Zw"} << partial << "2";
        QTest::newRow("fewer values than fields") << "Nummer;Verfasser" << QVariantList{0} << 0 << "5";
        QTest::newRow("unknown field") << "Nummer;Name" << QVariantList{1, 2} << 0
                                       << "Das Feld 'Name' wurde nicht gefunden";
    }

    void locateKinds() {
        QFETCH(QString, fields);
        QFETCH(QVariantList, values);
        QFETCH(int, options);
        QFETCH(QString, expected);
        Table t;
        t.setColumns({ColumnDef::make(QStringLiteral("ID"), FieldKind::Integer),
                      ColumnDef::make(QStringLiteral("Nummer"), FieldKind::Integer),
                      ColumnDef::make(QStringLiteral("Verfasser"), FieldKind::Text, 20),
                      ColumnDef::make(QStringLiteral("Datum"), FieldKind::Date),
                      ColumnDef::make(QStringLiteral("Preis"), FieldKind::Money),
                      ColumnDef::make(QStringLiteral("ausgeliehen"), FieldKind::Boolean)});
        t.CreateDataSet();
        // ID, Nummer, Verfasser, Datum, Preis, ausgeliehen; an empty text leaves the field null.
        const QStringList rows{"1|120|hundertzwanzig|15.02.2022|12,5|Falsch",
                               "2|12|Zwölf|||Wahr",
                               "3|7|O'Neill|01.01.2022|0|",
                               "4||Stern*|01.01.2022||",
                               "5|0||||",
                               "6|12|\x01|||"};
        for (const QString& row : rows) {
            t.Append();
            const QStringList v = row.split(QLatin1Char('|'));
            for (int f = 0; f < v.size(); ++f) {
                if (v[f] == QLatin1String("\x01"))
                    t.field(f).setAsString(QString()); // the empty text
                else if (!v[f].isEmpty())
                    t.field(f).setAsString(v[f]);
            }
            t.Post();
        }
        t.Last();
        const QString error = errorOf([&] {
            if (t.Locate(fields, values, LocateOptions::fromInt(options)))
                QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsString(), expected);
            else
                QCOMPARE(QString(), expected);
        });
        if (!error.isEmpty())
            QCOMPARE(error, expected);
        if (error.isEmpty() && expected.isEmpty())
            QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 6); // not found: the current row stays
        // Lookup is the same search without the options and without moving.
        if (options == 0 && error.isEmpty()) {
            t.Last();
            QCOMPARE(t.Lookup(fields, values, QStringLiteral("ID")).toString(), expected);
            QCOMPARE(t.FieldByName(QStringLiteral("ID")).AsInteger(), 6);
        }
    }

    void locate() {
        addBook(m_books, 120, QStringLiteral("hundertzwanzig"));
        addBook(m_books, 12, QStringLiteral("zwölf"));
        addBook(m_books, 7, QStringLiteral("O'Neill"));
        m_books.First();
        QVERIFY(m_books.Locate(QStringLiteral("Nummer"), {QStringLiteral("12")}, LocateOption::PartialKey));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Verfasser")).AsString(), QStringLiteral("zwölf"));
        QVERIFY(!m_books.Locate(QStringLiteral("Nummer"), {99}));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 12); // not moved
        QCOMPARE(errorOf([&] { m_books.Locate(QStringLiteral("Nummer"), {QStringLiteral("12a")}); }),
                 QStringLiteral("Filterausdruck fehlerhaft abgeschlossen"));
        QVERIFY(
            m_books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("o'neill")}, LocateOption::CaseInsensitive));
        QVERIFY(m_books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("hundert")}, LocateOption::PartialKey));
        QVERIFY(!m_books.Locate(QStringLiteral("Verfasser"), {QStringLiteral("hundert*")}));
        QVERIFY(m_books.Locate(QStringLiteral("Nummer;Verfasser"), {7, QStringLiteral("O'Neill")}));
        QVERIFY(m_books.Locate(QStringLiteral("Titel"), {QVariant()}));
        QVERIFY(m_books.Locate(QStringLiteral("Nummer"), {7}));
        QCOMPARE(m_books.Lookup(QStringLiteral("Nummer"), {120}, QStringLiteral("Verfasser")).toString(),
                 QStringLiteral("hundertzwanzig"));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 7); // Lookup does not move
        // A locate honours the filter: a row filtered out is not found.
        m_books.setFilter(QStringLiteral("Nummer < 100"));
        m_books.setFiltered(true);
        QVERIFY(!m_books.Locate(QStringLiteral("Nummer"), {120}));
        QVERIFY(m_books.Locate(QStringLiteral("Nummer"), {12}));
    }

    void events() {
        EventLog log;
        log.attach(m_books);
        m_books.Insert();
        QCOMPARE(log.take(), QStringLiteral("IS"));
        m_books.Post();
        QCOMPARE(log.take(), QStringLiteral("P"));
        m_books.setIndexFieldNames(QStringLiteral("Nummer"));
        QCOMPARE(log.take(), QString());
        m_books.Edit();
        m_books.Cancel();
        QCOMPARE(log.take(), QStringLiteral("S"));
        m_books.Next();
        m_books.Delete();
        QCOMPARE(log.take(), QStringLiteral("SS"));

        // Edit on an empty view starts a new row, exactly as Insert.
        m_books.Edit();
        QCOMPARE(m_books.State(), TableState::Insert);
        QCOMPARE(log.take(), QStringLiteral("IS"));
        // Values the insert hook assigns mark the row modified, so CheckBrowseMode stores it.
        m_books.Cancel();
        m_books.AfterInsert = [](Table& t) { t.FieldByName(QStringLiteral("ID")).setAsInteger(77); };
        m_books.Append();
        QVERIFY(m_books.Modified());
        m_books.CheckBrowseMode();
        QCOMPARE(m_books.RecordCount(), 1);
        // An unmodified insert is dropped.
        m_books.AfterInsert = nullptr;
        m_books.Append();
        m_books.CheckBrowseMode();
        QCOMPARE(m_books.RecordCount(), 1);
    }

    void filterMovesToFirstAndFires() {
        addBook(m_books, 1);
        addBook(m_books, 2);
        addBook(m_books, 3);
        m_books.First();
        EventLog log;
        log.attach(m_books);
        m_books.setFilter(QStringLiteral("Nummer >= 1"));
        QCOMPARE(log.take(), QString()); // not yet on
        m_books.setFiltered(true);
        QCOMPARE(log.take(), QStringLiteral("S"));
        QCOMPARE(m_books.RecNo(), 0);
        m_books.Last();
        log.take();
        m_books.setFilter(QStringLiteral("Nummer >= 2"));
        QCOMPARE(log.take(), QStringLiteral("S"));
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 2);
        QCOMPARE(m_books.RecordCount(), 2);
        // A bad text keeps the previous filter and options.
        QVERIFY(!errorOf([&] { m_books.setFilter(QStringLiteral("Nummer >")); }).isEmpty());
        QCOMPARE(m_books.Filter(), QStringLiteral("Nummer >= 2"));
        QCOMPARE(m_books.RecordCount(), 2);
        // A posted row that no longer passes leaves the view.
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(0);
        m_books.Post();
        QCOMPARE(m_books.RecordCount(), 1);
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 3);
    }

    void navigation() {
        m_books.First();
        QVERIFY(m_books.Eof() && m_books.Bof());
        addBook(m_books, 1);
        addBook(m_books, 2);
        m_books.First();
        QStringList seen;
        while (!m_books.Eof()) {
            seen << m_books.FieldByName(QStringLiteral("Nummer")).AsString();
            m_books.Next();
        }
        QCOMPARE(seen, (QStringList{"1", "2"}));
        m_books.Last();
        m_books.Prior();
        m_books.Prior();
        QVERIFY(m_books.Bof());
        QCOMPARE(m_books.FieldByName(QStringLiteral("Nummer")).AsInteger(), 1);
    }

    void lookupFields() {
        Table readers;
        readers.setColumns(LibraryTables::readerColumns());
        readers.CreateDataSet();
        Table loans;
        loans.setColumns(LibraryTables::loanColumns());
        LibraryTables::addLoanLookupFields(loans, m_books, readers);
        loans.CreateDataSet();
        QCOMPARE(loans.fieldNames().mid(5, 8),
                 (QStringList{"Bemerkung", "BuchVerfasser", "BuchTitel", "BuchNummer", "LeserVorname", "LeserNachname",
                              "LeserNummer", "DatumBisSoll"}));

        m_books.Append();
        m_books.FieldByName(QStringLiteral("ID")).setAsInteger(5);
        m_books.FieldByName(QStringLiteral("Nummer")).setAsInteger(55);
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Faust"));
        m_books.Post();
        readers.Append();
        readers.FieldByName(QStringLiteral("ID")).setAsInteger(3);
        readers.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("Meier"));
        readers.Post();
        loans.Append();
        loans.FieldByName(QStringLiteral("ID")).setAsInteger(1);
        loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(5);
        loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(3);
        QCOMPARE(loans.FieldByName(QStringLiteral("BuchTitel")).AsString(), QStringLiteral("Faust")); // while inserting
        loans.Post();
        QCOMPARE(loans.FieldByName(QStringLiteral("BuchNummer")).AsInteger(), 55);
        QCOMPARE(loans.FieldByName(QStringLiteral("LeserNachname")).AsString(), QStringLiteral("Meier"));

        // The partner's filter does not blank the loan list.
        m_books.setFilter(QStringLiteral("ausgeliehen = 'false'"));
        m_books.setFiltered(true);
        QCOMPARE(m_books.RecordCount(), 0);
        QCOMPARE(loans.FieldByName(QStringLiteral("BuchTitel")).AsString(), QStringLiteral("Faust"));
        // A changed partner shows its new value; a deleted one shows empty fields.
        m_books.setFiltered(false);
        m_books.Edit();
        m_books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Faust II"));
        m_books.Post();
        QCOMPARE(loans.stringAt(0, loans.fieldIndex(QStringLiteral("BuchTitel"))), QStringLiteral("Faust II"));
        readers.Delete();
        QVERIFY(loans.FieldByName(QStringLiteral("LeserNachname")).IsNull());
        QVERIFY(loans.FieldByName(QStringLiteral("LeserNummer")).IsNull());

        QCOMPARE(errorOf([&] { loans.setIndexFieldNames(QStringLiteral("BuchTitel")); }),
                 QStringLiteral("Feldindex außerhalb des gültigen Bereichs"));
        QVERIFY(!errorOf([&] {
                     loans.FieldByName(QStringLiteral("BuchTitel")).setAsString(QStringLiteral("x"));
                 }).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TableTest)
#include "tst_table.moc"
