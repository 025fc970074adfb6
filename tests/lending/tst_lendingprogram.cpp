#include "catalogue/TDB1EingabeF.h"
#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "lending/TAusleihhistorieF.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "ui/DataGrid.h"
#include "ui/MessageService.h"

#include <QAbstractButton>
#include <QAction>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;

// The lending windows inside the whole program: the main window's commands open them, and the loan
// history's column widths are kept with the lists' widths.
class LendingProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    test::ProgramRun start() { return test::ProgramRun(m_dir->path() + QStringLiteral("/share"), m_dir->path()); }

    // Runs the command and reports which modal window it opened and the book filter while that was open.
    static QString openedBy(const std::function<void()>& command, QString* bookFilter, Table& books) {
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                *bookFilter = books.Filtered() ? books.Filter() : QString();
                modal->close();
            }
        });
        command();
        return opened;
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        MessageService::setAnswering(true);
    }
    void cleanup() { MessageService::setAnswering(false); }

    void commandsOpenTheWindows_data() {
        QTest::addColumn<QString>("kind"); // action or button
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("bookFilter");
        QTest::newRow("menu Ausleihen (F3)") << "action"
                                             << "Ausleihen1"
                                             << "AusleiheBuchenF"
                                             << "ausgeliehen = 'false'";
        QTest::newRow("tool button Ausleihe") << "button"
                                              << "SBAusleihe"
                                              << "AusleiheBuchenF"
                                              << "ausgeliehen = 'false'";
        QTest::newRow("menu Rückgabe") << "action"
                                       << "Rueckgabe1"
                                       << "RueckgabeF"
                                       << "ausgeliehen = 'true'";
        QTest::newRow("tool button Rückgabe") << "button"
                                              << "SBRueckgabe"
                                              << "RueckgabeF"
                                              << "ausgeliehen = 'true'";
    }
    void commandsOpenTheWindows() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, window);
        QFETCH(QString, bookFilter);
        auto w = start();
        QString filter;
        const QString opened = openedBy(
            [&] {
                if (kind == QLatin1String("action")) {
                    auto* action = w->findChild<QAction*>(name);
                    QVERIFY(action);
                    action->trigger();
                } else {
                    auto* button = w->findChild<QAbstractButton*>(name);
                    QVERIFY(button);
                    button->click();
                }
            },
            &filter, w->ClientBuecher());
        QCOMPARE(opened, window);
        QCOMPARE(filter, bookFilter);
        QVERIFY(!w->ClientBuecher().Filtered()); // closed: the main lists show every book again
        w.finish();
    }

    void bookWindowOpensTheHistory() {
        auto w = start();
        auto* bookWindow = w->findChild<TDB1EingabeF*>();
        QVERIFY(bookWindow);
        QString filter;
        const QString opened =
            openedBy([&] { Q_EMIT bookWindow->loanHistoryRequested(); }, &filter, w->ClientBuecher());
        QCOMPARE(opened, QStringLiteral("AusleihhistorieF"));
        w.finish();
    }

    // The history's widths are stored under "BreiteE" and the column title, and come back at the next start.
    void historyWidthsAreKept() {
        auto w = start();
        auto* history = w->findChild<TAusleihhistorieF*>();
        QVERIFY(history);
        history->DBGrid1()->setColumnWidthByTitle(QStringLiteral("Vorname"), 123);
        history->DBGrid1()->setColumnWidthByTitle(QStringLiteral("Leser-Nr."), 77);
        w.finish();
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("BreiteEVorname")), 123);
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("BreiteELeser-Nr.")), 77);
        auto again = start();
        history = again->findChild<TAusleihhistorieF*>();
        QCOMPARE(history->DBGrid1()->columnWidthByTitle(QStringLiteral("Vorname")), 123);
        again.finish();
    }
};

QTEST_MAIN(LendingProgramTest)
#include "tst_lendingprogram.moc"
