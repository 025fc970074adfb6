// The label windows reached as the librarian reaches them: from the main window's menus, right after "Drucken",
// on the main window's own tables.
#include "support/ProgramRun.h"

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "labels/TEtikettenF.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;
using lesaro::test::runWithDialog;

class tst_labelmenus : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
    }

    void itemsFollowDrucken_data() {
        QTest::addColumn<QString>("print");
        QTest::addColumn<QString>("labels");
        QTest::newRow("Bücher") << QStringLiteral("BuchDrucken1") << QStringLiteral("Etikettendrucken1");
        QTest::newRow("Leser") << QStringLiteral("LeserDrucken1") << QStringLiteral("Leserausweisedrucken1");
    }
    void itemsFollowDrucken() {
        QFETCH(QString, print);
        QFETCH(QString, labels);
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base")), m_dir.filePath(QStringLiteral("bin")));
        QAction* printAction = run->findChild<QAction*>(print);
        QAction* labelAction = run->findChild<QAction*>(labels);
        QVERIFY(printAction && labelAction);
        QMenu* menu = nullptr;
        for (QMenu* m : run->findChildren<QMenu*>()) {
            if (m->actions().contains(printAction))
                menu = m;
        }
        QVERIFY(menu);
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.indexOf(labelAction), actions.indexOf(printAction) + 1);
    }

    void windowsOpenOnTheMainTables() {
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base2")), m_dir.filePath(QStringLiteral("bin2")));
        for (int n = 1; n <= 3; ++n) {
            Table& books = run.library().ClientBuecher();
            books.Append();
            books.FieldByName(QStringLiteral("Nummer")).setAsInteger(100 + n);
            books.Post();
        }
        QString count;
        const QString seen = runWithDialog(
            *run, "Etikettendrucken1", [&](QWidget* w) { count = qobject_cast<labels::TEtikettenF*>(w)->countText(); });
        QCOMPARE(seen, QStringLiteral("EtikettenF|Etiketten drucken"));
        QCOMPARE(count, QStringLiteral("3 Etiketten auf 1 Blatt"));
        const QString cards = runWithDialog(*run, "Leserausweisedrucken1", [](QWidget*) {});
        QCOMPARE(cards, QStringLiteral("LeserausweiseF|Leserausweise drucken"));
    }
};

QTEST_MAIN(tst_labelmenus)
#include "tst_labelmenus.moc"
