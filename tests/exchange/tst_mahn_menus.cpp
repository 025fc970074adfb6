// The overdue letters and the overdue list reached as the librarian reaches them: from the main window's
// menus, on the main window's own tables.
#include "support/ProgramRun.h"

#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "printing/MahnPreview.h"
#include "printing/TPrintJob.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;
using lesaro::test::runWithDialog;

namespace {

const QDate Today(2024, 3, 15);

void addOverdueLoan(LibraryHandle& library, int nummer, const QString& titel, const QString& nachname) {
    Table& books = library.ClientBuecher();
    books.Append();
    books.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    books.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    const int book = books.FieldByName(QStringLiteral("ID")).AsInteger();
    books.Post();
    Table& readers = library.ClientLeser();
    readers.Append();
    readers.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
    const int reader = readers.FieldByName(QStringLiteral("ID")).AsInteger();
    readers.Post();
    Table& loans = library.ClientAusleihe();
    loans.Append();
    loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
    loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(reader);
    loans.FieldByName(QStringLiteral("DatumVon")).setAsDate(Today.addDays(-30));
    loans.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(Today.addDays(-2));
    loans.Post();
}

} // namespace

class MahnMenusTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
        Clock::setFixedNow(QDateTime(Today, QTime(11, 0)));
    }
    void cleanupTestCase() { Clock::setFixedNow({}); }

    void lettersListAndOptionsFromTheMenus() {
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base")), m_dir.filePath(QStringLiteral("bin")));
        // Nothing overdue: a notice, no window.
        run->findChild<QAction*>(QStringLiteral("Mahnungendrucken1"))->trigger();
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("Zurzeit ist kein Buch überfällig; es gibt nichts zu mahnen.")});

        addOverdueLoan(run.library(), 41, QStringLiteral("Momo"), QStringLiteral("Ende"));
        addOverdueLoan(run.library(), 42, QStringLiteral("Jim Knopf"), QStringLiteral("Lukas"));
        int pages = 0;
        QString status;
        const QString letters = runWithDialog(*run, "Mahnungendrucken1", [&](QWidget* w) {
            auto* window = qobject_cast<TMahnungenF*>(w);
            pages = window->PrintJob1()->PageCount();
            status = window->StatusText()->text();
        });
        QCOMPARE(letters, QStringLiteral("MahnungenF|Mahnungen"));
        QCOMPARE(pages, 2);
        QCOMPARE(status,
                 QStringLiteral("2 Mahnschreiben zu 2 überfälligen Büchern; 2 Leser ohne Anschrift (nur Name)"));

        const QString options = runWithDialog(*run, "Mahnschreiben1", [](QWidget* w) {
            QVERIFY(!w->findChild<QLineEdit*>(QStringLiteral("EditAbsender"))->text().isEmpty());
        });
        QCOMPARE(options, QStringLiteral("MahnOptionenF|Mahnschreiben"));

        const QString file = m_dir.filePath(QStringLiteral("mahnliste.csv"));
        FileDialogService::answerNext(file);
        run->findChild<QAction*>(QStringLiteral("Mahnlisteexportieren1"))->trigger();
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("Die Mahnliste mit 2 überfälligen Ausleihen wurde gespeichert.")});
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QCOMPARE(bytes.count("\r\n"), 3);
        QVERIFY(bytes.indexOf("\"Ende\"") < bytes.indexOf("\"Lukas\""));
    }
};

QTEST_MAIN(MahnMenusTest)
#include "tst_mahn_menus.moc"
