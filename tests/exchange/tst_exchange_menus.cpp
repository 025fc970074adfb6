// The exchange windows reached as the librarian reaches them: from the main window's menus, on the main
// window's own tables, modal, with the result in the main lists afterwards.
#include "support/Files.h"
#include "support/ProgramRun.h"

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace lesaro;
using lesaro::test::runWithDialog;
using lesaro::testing::readAll;

class ExchangeMenusTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
    }

    void readersImportedThenExported() {
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base")), m_dir.filePath(QStringLiteral("bin")));
        Table& readers = run.library().ClientLeser();
        const int before = readers.RecordCount();
        const QString source = m_dir.filePath(QStringLiteral("leser.txt"));
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Vorname;Nachname\r\nAnna;\xd6zt\xfcrk\r\nBernd;Meier\r\n");
        }
        const QString imported = runWithDialog(*run, "LeserImportieren1", [&](QWidget* w) {
            FileDialogService::answerNext(source);
            w->findChild<QToolButton*>(QStringLiteral("SpeedButton4"))->click();
            w->findChild<QWidget*>(QStringLiteral("CBTitelzeile"))->setProperty("checked", true);
            w->findChild<FlatButton*>(QStringLiteral("SRColorButton4"))->click();
            auto* left = w->findChild<QTableWidget*>(QStringLiteral("SGDatenbank"));
            auto* right = w->findChild<QTableView*>(QStringLiteral("SgDatei2"));
            for (const auto& [target, field] : {std::pair{1, 0}, std::pair{2, 1}}) {
                left->setCurrentCell(target, 0);
                right->setCurrentIndex(right->model()->index(field, 0));
                w->findChild<QToolButton*>(QStringLiteral("SpeedButton5"))->click();
            }
            w->findChild<FlatButton*>(QStringLiteral("SRColorButton12"))->click();
        });
        QCOMPARE(imported, QStringLiteral("WizzardLeserF|Importassistent für Leserdaten"));
        QCOMPARE(readers.RecordCount(), before + 2);

        const QString target = m_dir.filePath(QStringLiteral("leser.csv"));
        const QString exported = runWithDialog(*run, "LeserExportieren1", [&](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("EZieldatei"))->setText(target);
            w->findChild<FlatButton*>(QStringLiteral("Button1"))->click();
        });
        QCOMPARE(exported, QStringLiteral("ExportLeserF|Leser exportieren"));
        const QByteArray bytes = readAll(target);
        QVERIFY2(bytes.contains(",\"Anna\",\"\xd6zt\xfcrk\","), bytes.constData());
        QVERIFY(bytes.contains(",\"Bernd\",\"Meier\","));
        QCOMPARE(bytes.count("\r\n"), before + 3);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void bookWindowsOpenFromTheBookMenu_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("import") << "BuchImportieren1"
                                << "WizzardF|Importassistent für Bücherdaten";
        QTest::newRow("export") << "BuchExportieren1"
                                << "ExportF|Bücher exportieren";
    }
    void bookWindowsOpenFromTheBookMenu() {
        QFETCH(QString, action);
        QFETCH(QString, window);
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base2")), m_dir.filePath(QStringLiteral("bin")));
        QCOMPARE(runWithDialog(*run, qPrintable(action), [](QWidget*) {}), window);
    }
};

QTEST_MAIN(ExchangeMenusTest)
#include "tst_exchange_menus.moc"
