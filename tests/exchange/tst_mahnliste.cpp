// "Mahnliste exportieren" as a menu command: the file, the messages and the failures. Which loans are
// listed, with which contact data, in which bytes is tested with the exchange's rules.

#include "ExchangeFixture.h"
#include "MahnlisteRows.h"

#include "core/Clock.h"
#include "exchange/MahnlisteExportieren.h"
#include "support/LoanRows.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <map>
#include <set>

using namespace lesaro;
using lesaro::testing::addLoan;
using namespace mahntest;

class tst_mahnliste : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::setFixedNow(QDateTime(Today, QTime(9, 0))); }
    void cleanup() { Clock::setFixedNow({}); }
    void menuCommand_data();
    void menuCommand();
};

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
