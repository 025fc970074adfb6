// "Mahnliste exportieren": which loans are listed, with which contact data, in which bytes; the menu
// command's file, messages and failures.

#include "ExchangeFixture.h"

#include "core/Clock.h"
#include "exchange/MahnlisteExport.h"
#include "support/LoanRows.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <map>
#include <set>

using namespace lesaro;
using lesaro::testing::addLoan;

namespace {

const QDate Today(2024, 3, 15);

int addBook(Table& t, int nummer, const QString& verfasser, const QString& titel) {
    t.Append();
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
    t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
    t.Post();
    return id;
}

int addReader(Table& t, const QStringList& values) {
    test::addReader(t, values);
    t.Last();
    return t.FieldByName(QStringLiteral("ID")).AsInteger();
}

// The values of a CSV line written with ';' and '"', doubled quotes taken back.
QStringList splitLine(const QString& line) {
    QStringList values;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                value += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                value += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(';')) {
            values.append(value);
            value.clear();
        } else {
            value += c;
        }
    }
    if (!value.isEmpty())
        values.append(value);
    return values;
}

QList<QStringList> parse(const QByteArray& bytes) {
    QList<QStringList> rows;
    const QString text = QString::fromLatin1(bytes); // the tests' texts stay within Latin-1
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows.append(splitLine(line));
    return rows;
}

} // namespace

class tst_mahnliste : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setFixedNow(QDateTime(Today, QTime(9, 0))); }
    void cleanup() { Clock::setFixedNow({}); }
    void listsOverdueLoansWithContactData();
    void modelOfRandomLibraries();
    void menuCommand_data();
    void menuCommand();
};

void tst_mahnliste::listsOverdueLoansWithContactData() {
    test::ExchangeLibrary lib;
    LibraryHandle& l = *lib.library;
    const int hobbit = addBook(l.ClientBuecher(), 12, QStringLiteral("Tolkien"), QStringLiteral("Der \"Hobbit\""));
    const int faust = addBook(l.ClientBuecher(), 3, QStringLiteral("Goethe"), QStringLiteral("Faust; Teil 1"));
    const int lodz = addBook(l.ClientBuecher(), 4, QStringLiteral("Tuwim"), QStringLiteral("Łódź"));
    const int jens = addReader(l.ClientLeser(), {"7", "Jens", "Äbel", "Weg 1", "12345", "Ort", "0123 45", "j@x.de"});
    const int mia = addReader(l.ClientLeser(), {"8", "Mia", "Berg"});
    addLoan(l.ClientAusleihe(), hobbit, mia, Today.addDays(-30), Today.addDays(-2));
    addLoan(l.ClientAusleihe(), faust, jens, Today.addDays(-30), Today.addDays(-1));
    addLoan(l.ClientAusleihe(), hobbit, jens, Today.addDays(-60), Today.addDays(-20));
    addLoan(l.ClientAusleihe(), lodz, 999, Today.addDays(-30), Today.addDays(-5)); // reader gone
    addLoan(l.ClientAusleihe(), faust, mia, Today.addDays(-30), Today);            // due today: not yet
    addLoan(l.ClientAusleihe(), faust, mia, Today.addDays(-30), Today.addDays(-9), Today.addDays(-1));
    l.ClientAusleihe().setFilter(QStringLiteral("LeserID = 1234"));
    l.ClientAusleihe().setFiltered(true);

    const MahnlisteResult result = mahnliste(l.ClientAusleihe(), l.ClientBuecher(), l.ClientLeser(), Today);
    QCOMPARE(result.rows, 4);
    // The tables hold Windows-1252 already: "Łódź" lost its letters when it was entered, not here.
    QCOMPARE(result.file.replacedValues, 0);
    QVERIFY(l.ClientAusleihe().Filtered());
    QVERIFY(result.file.bytes.endsWith("\r\n"));
    QVERIFY(!result.file.bytes.contains("\n\n") && result.file.bytes.count('\n') == result.file.bytes.count("\r\n"));
    QVERIFY(result.file.bytes.contains("\xC4"
                                       "bel")); // "Äbel" in Windows-1252
    const QList<QStringList> rows = parse(result.file.bytes);
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], mahnlisteHeaders());
    // The reader without a record sorts first (empty name); then Äbel with A, oldest due date first.
    QCOMPARE(rows[1],
             (QStringList{"", "", "", "", "", "", "", "", "4", "Tuwim", "?ód?", "14.02.2024", "10.03.2024", "5"}));
    QCOMPARE(rows[2], (QStringList{"7", "Jens", "Äbel", "Weg 1", "12345", "Ort", "0123 45", "j@x.de", "12", "Tolkien",
                                   "Der \"Hobbit\"", "15.01.2024", "24.02.2024", "20"}));
    QCOMPARE(rows[3][10], QStringLiteral("Faust; Teil 1"));
    QCOMPARE(rows[4].mid(0, 3), (QStringList{"8", "Mia", "Berg"}));
    QCOMPARE(rows[4][13], QStringLiteral("2"));
}

// Random libraries against a plain computation: the (reader, book) pairs listed.
void tst_mahnliste::modelOfRandomLibraries() {
    for (quint32 seed = 1; seed <= 15; ++seed) {
        QRandomGenerator rng(seed);
        test::ExchangeLibrary lib;
        LibraryHandle& l = *lib.library;
        QList<int> books, readers;
        std::map<int, int> bookNumber, readerNumber;
        for (int i = 0; i < 1 + int(rng.bounded(10)); ++i) {
            books.append(
                addBook(l.ClientBuecher(), 50 + i, QStringLiteral("V;%1").arg(i), QStringLiteral("T\"%1").arg(i)));
            bookNumber[books.last()] = 50 + i;
        }
        for (int i = 0; i < 1 + int(rng.bounded(6)); ++i) {
            readers.append(addReader(l.ClientLeser(), {QString::number(i + 1), QStringLiteral("V%1").arg(i),
                                                       QStringLiteral("N%1").arg(rng.bounded(3))}));
            readerNumber[readers.last()] = i + 1;
        }
        std::multiset<std::pair<int, int>> expected;
        QStringList ops;
        for (int i = 0; i < int(rng.bounded(30)); ++i) {
            const int b = books[int(rng.bounded(books.size()))], r = readers[int(rng.bounded(readers.size()))];
            const int due = int(rng.bounded(9)) - 4;
            const bool back = rng.bounded(3) == 0;
            addLoan(l.ClientAusleihe(), b, r, Today.addDays(-20), Today.addDays(due), back ? Today : QDate());
            ops.append(QStringLiteral("(%1,%2,%3%4)").arg(b).arg(r).arg(due).arg(back ? "r" : ""));
            if (due < 0 && !back)
                expected.insert({readerNumber[r], bookNumber[b]});
        }
        const MahnlisteResult result = mahnliste(l.ClientAusleihe(), l.ClientBuecher(), l.ClientLeser(), Today);
        const QList<QStringList> rows = parse(result.file.bytes);
        std::multiset<std::pair<int, int>> got;
        QString lastName;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), 14);
            got.insert({rows[i][0].toInt(), rows[i][8].toInt()});
            QVERIFY2(rows[i][2] >= lastName, qPrintable(QStringLiteral("seed %1: order").arg(seed)));
            lastName = rows[i][2];
            QCOMPARE(rows[i][10], QStringLiteral("T\"%1").arg(rows[i][8].toInt() - 50));
        }
        QVERIFY2(got == expected, qPrintable(QStringLiteral("seed %1, loans %2").arg(seed).arg(ops.join(' '))));
        QCOMPARE(result.rows, int(expected.size()));
    }
}

void tst_mahnliste::menuCommand_data() {
    QTest::addColumn<bool>("overdue");
    QTest::addColumn<QString>("answer"); // file name relative to the test folder; "-" cancels
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing overdue") << false << "liste.csv"
                                     << ""
                                     << "Zurzeit ist kein Buch überfällig; die Mahnliste wäre leer.";
    QTest::newRow("cancelled") << true << "-"
                               << ""
                               << "";
    QTest::newRow("saved, extension added") << true << "liste"
                                            << "liste.csv"
                                            << "Die Mahnliste mit 1 überfälligen Ausleihe wurde gespeichert.";
    QTest::newRow("missing folder") << true << "fehlt/liste.csv"
                                    << ""
                                    << "*fehlt*";
}

void tst_mahnliste::menuCommand() {
    QFETCH(bool, overdue);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, message);
    test::ExchangeLibrary lib;
    LibraryHandle& l = *lib.library;
    const int b = addBook(l.ClientBuecher(), 1, QStringLiteral("A"), QStringLiteral("B"));
    const int r = addReader(l.ClientLeser(), {"1", "C", "D"});
    addLoan(l.ClientAusleihe(), b, r, Today.addDays(-20), Today.addDays(overdue ? -1 : 1));
    MessageService::takeShown();
    FileDialogService::answerNext(answer == QLatin1String("-") ? QString() : lib.path(answer));
    MahnlisteExportieren(l, nullptr);
    const QStringList shown = MessageService::takeShownTexts();
    if (message.isEmpty()) {
        QVERIFY(shown.isEmpty());
    } else {
        QCOMPARE(shown.size(), 1);
        if (message.startsWith(QLatin1Char('*')))
            QVERIFY2(shown[0].contains(message.mid(1, message.size() - 2)), qPrintable(shown[0]));
        else
            QCOMPARE(shown[0], message);
    }
    if (!written.isEmpty()) {
        QFile file(lib.path(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(parse(file.readAll()).size(), 2);
    }
    QCOMPARE(QFile::exists(lib.path(QStringLiteral("liste.csv"))), !written.isEmpty());
}

QTEST_MAIN(tst_mahnliste)
#include "tst_mahnliste.moc"
