// The search window as the main window wires it: a double-click on a hit opens the book entry window on that
// book, and " Drucken" opens the book list printing without its own narrowing button.
#include "core/GermanLocale.h"
#include "search/TAuswertenF.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "ui/DataGrid.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace lesaro;

class SearchInMainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    // Notes which modal window opened and whether its narrowing button was on show, then closes it.
    struct Opened {
        QString name;
        bool narrowButtonShown = false;
        QString currentAuthor;
    };
    static void noteAndCloseNextDialog(Opened& opened, Table& books) {
        QTimer::singleShot(0, [&opened, &books] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            opened.name = modal->objectName();
            for (const QPushButton* b : modal->findChildren<QPushButton*>()) {
                if (b->text().contains(QStringLiteral("eingrenzen")) && b->isVisible())
                    opened.narrowButtonShown = true;
            }
            opened.currentAuthor = books.FieldByName(QStringLiteral("Verfasser")).AsString();
            modal->close();
        });
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        MessageService::setAnswering(true);
    }

    void cleanup() { MessageService::setAnswering(false); }

    void hitOpensTheBookWindowAndPrintOpensTheBookList() {
        test::ProgramRun run(m_dir->path() + QStringLiteral("/share"), m_dir->path());
        Table& books = run->ClientBuecher();
        for (const char* author : {"Adler", "Brandner", "Carus"}) {
            books.Append();
            books.FieldByName(QStringLiteral("Verfasser")).setAsString(QString::fromUtf8(author));
            books.Post();
        }
        auto* search = run->findChild<TAuswertenF*>();
        QVERIFY(search);
        search->show();
        search->findChild<QComboBox*>(QStringLiteral("CB1"))->setCurrentText(QStringLiteral("Verfasser"));
        search->findChild<QLineEdit*>(QStringLiteral("E1"))->setText(QStringLiteral("Brandner"));
        search->BAnzeigenClick();
        QCOMPARE(books.RecordCount(), 1);
        QCOMPARE(run->grid(0)->model()->rowCount(), 1); // the main window's list shows the hits too

        Opened entry;
        noteAndCloseNextDialog(entry, books);
        // The hit is in edit state, so closing the book window asks whether to save; nothing was changed.
        MessageService::answerNext(MessageService::Button::No);
        DataGrid* grid = search->DBGrid1();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
        QCOMPARE(entry.name, QStringLiteral("DB1EingabeF"));
        QCOMPARE(entry.currentAuthor, QStringLiteral("Brandner"));
        if (books.State() != TableState::Browse)
            books.Cancel();

        Opened print;
        noteAndCloseNextDialog(print, books);
        search->findChild<QPushButton*>(QStringLiteral("Button4"))->click();
        QCOMPARE(print.name, QStringLiteral("DruckerDialogF"));
        QVERIFY(!print.narrowButtonShown);
        QCOMPARE(books.RecordCount(), 1); // the printout is of the hit list
        search->reject();
        QCOMPARE(books.RecordCount(), 3);
        run.finish();
    }
};

QTEST_MAIN(SearchInMainWindowTest)
#include "tst_search_mainwindow.moc"
