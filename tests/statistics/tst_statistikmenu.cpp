// The statistics window reached as the librarian reaches it: "Ausleihe" > "Statistik…", after the two print
// items, on the main window's own tables.
#include "support/ProgramRun.h"

#include "core/GermanLocale.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;

class tst_statistikmenu : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
    }

    void itemFollowsThePrintItemsAndOpensTheWindow() {
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base")), m_dir.filePath(QStringLiteral("bin")));
        QAction* overdue = run->findChild<QAction*>(QStringLiteral("UeberfaelligeBuecherdrucken1"));
        QAction* statistics = run->findChild<QAction*>(QStringLiteral("Statistik1"));
        QVERIFY(overdue && statistics);
        QCOMPARE(statistics->text(), QStringLiteral("Statistik…"));
        QMenu* menu = nullptr;
        for (QMenu* m : run->findChildren<QMenu*>()) {
            if (m->actions().contains(overdue))
                menu = m;
        }
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("Ausleihe"));
        QCOMPARE(menu->actions().indexOf(statistics), menu->actions().indexOf(overdue) + 1);
        // Opened twice: the second time finds the window made the first time.
        for (int n = 0; n < 2; ++n) {
            const QString seen = test::runWithDialog(*run, "Statistik1", [](QWidget*) {});
            QVERIFY2(seen.startsWith(QStringLiteral("TStatistikF|")), qPrintable(seen));
        }
    }
};

QTEST_MAIN(tst_statistikmenu)
#include "tst_statistikmenu.moc"
