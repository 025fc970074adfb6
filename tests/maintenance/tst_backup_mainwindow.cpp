// A restore seen from the main window: its lists show the restored rows at once, and captions merged
// with the settings of the backup are its column titles.
#include "core/GermanLocale.h"
#include "maintenance/TDatenSichernF.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "ui/DataGrid.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lesaro;

class TestBackupMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void restoreShowsInTheMainLists();
};

void TestBackupMainWindow::restoreShowsInTheMainLists() {
    QTemporaryDir dir;
    SettingsStore::redirectInstance(dir.filePath(QStringLiteral("config/Lesaro.reg")));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("programm"))));
    MessageService::setAnswering(true);
    FileDialogService::setAnswering(true);
    test::ProgramRun run(dir.filePath(QStringLiteral("daten")), dir.filePath(QStringLiteral("programm")));
    Table& books = run.library().ClientBuecher();
    for (const char* title : {"Effi Briest", "Der Stechlin", "Irrungen, Wirrungen"}) {
        books.Append();
        books.FieldByName(QStringLiteral("Titel")).setAsString(QString::fromUtf8(title));
        books.Post();
    }
    INI::WriteSettingString(QStringLiteral("Signatur"), QStringLiteral("Regalzeichen"));
    auto* window = run->findChild<TDatenSichernF*>();
    auto* grid = run->findChild<DataGrid*>(QStringLiteral("DBGrid1"));
    QVERIFY(window && grid);

    const QString folder = dir.filePath(QStringLiteral("Sicherung vom Freitag"));
    QVERIFY(QDir().mkpath(folder));
    FileDialogService::answerNext(folder);
    window->SpeedButton1Click();
    window->Button1Click();
    QCOMPARE(MessageService::takeShown().size(), 0);

    books.First();
    books.Delete();
    books.Delete();
    INI::WriteSettingString(QStringLiteral("Signatur"), QStringLiteral("Standplatz"));
    QCOMPARE(grid->model()->rowCount(), 1);

    window->show(); // opened again: both fields show the backup folder
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(MessageService::Button::Yes);
    window->Button3Click();

    const QStringList shown = MessageService::takeShownTexts();
    QVERIFY2(shown.size() == 2 && shown[1].contains(QStringLiteral("einstellungen.reg")), qPrintable(shown.join('|')));
    QCOMPARE(books.RecordCount(), 3);
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral("Regalzeichen"));
    run.finish();
    MessageService::setAnswering(false);
    FileDialogService::setAnswering(false);
}

QTEST_MAIN(TestBackupMainWindow)
#include "tst_backup_mainwindow.moc"
