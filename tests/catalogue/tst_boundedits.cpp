#include "CatalogueFixture.h"
#include "ui/DBEdit.h"
#include "ui/DataSource.h"
#include "ui/FieldLink.h"
#include "ui/LesaroDialog.h"
#include "ui/TableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace lesaro;
using namespace lesaro::testing;

// The data-bound edit's Escape, its read-only face on lookup fields, and loan lists that follow a changed
// book or reader at once.
class BoundEditsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_fx = std::make_unique<CatalogueFixture>(); }
    void cleanup() { m_fx.reset(); }

    void escapeRevertsTheTyping_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected"); // the field after Escape
        QTest::newRow("text of a saved row") << "Titel" << false << "Neuer Titel"
                                             << "Effi Briest";
        QTest::newRow("price of a saved row") << "Preis" << false << "99"
                                              << "12,5";
        QTest::newRow("refused price") << "Preis" << false << "12,5x"
                                       << "12,5";
        QTest::newRow("text of a new row") << "Titel" << true << "Entwurf"
                                           << "";
        QTest::newRow("number of a new row") << "Nummer" << true << "77"
                                             << "2";
    }
    void escapeRevertsTheTyping() {
        QFETCH(QString, field);
        QFETCH(bool, inserting);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        Table& books = m_fx->books();
        books.Edit();
        books.FieldByName(QStringLiteral("Preis")).setAsString(QStringLiteral("12,50"));
        books.Post();
        if (inserting)
            books.Insert();
        LesaroDialog dialog;
        auto* edit = new DBEdit(dialog.contentArea());
        auto* other = new DBEdit(dialog.contentArea());
        edit->bind(&m_fx->library().DataBuecher(), field);
        other->bind(&m_fx->library().DataBuecher(), QStringLiteral("Verfasser"));
        QVERIFY(showActive(dialog));
        // Typing elsewhere first: Escape takes back only this box's typing.
        other->setFocus();
        other->selectAll();
        QTest::keyClicks(other, QStringLiteral("X"));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(dialog.isVisible()); // the first Escape belongs to the box
        QCOMPARE(books.FieldByName(field).AsString(), expected);
        QCOMPARE(edit->text(), expected);
        QCOMPARE(books.FieldByName(QStringLiteral("Verfasser")).AsString(), QStringLiteral("X"));
        QVERIFY(MessageService::takeShown().isEmpty());
        // Nothing left to take back: Escape closes the window, which may not refuse here.
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        books.Cancel();
    }

    // A name longer than its box shows its beginning when another row comes while the user is elsewhere.
    void longTextShowsItsBeginning() {
        m_fx->addBook(QStringLiteral("Eckert, Anna; Schumacher, Finn; Lorenz, Berta"), QStringLiteral("Titel"));
        LesaroDialog dialog;
        auto* edit = new DBEdit(dialog.contentArea());
        edit->setFixedWidth(60);
        auto* other = new DBEdit(dialog.contentArea());
        edit->bind(&m_fx->library().DataBuecher(), QStringLiteral("Verfasser"));
        other->bind(&m_fx->library().DataBuecher(), QStringLiteral("Titel"));
        QVERIFY(showActive(dialog));
        other->setFocus();
        m_fx->addBook(QStringLiteral("Schumacher, Finn; Eckert, Anna; Lorenz, Berta"), QStringLiteral("Zwei"));
        QCOMPARE(edit->text(), QStringLiteral("Schumacher, Finn; Eckert, Anna; Lorenz, Berta"));
        QCOMPARE(edit->cursorPosition(), 0);
    }

    void lookupFieldIsReadOnly_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("book title through the loan") << "BuchTitel" << true;
        QTest::newRow("reader name through the loan") << "LeserNachname" << true;
        QTest::newRow("stored field of the loan") << "Bemerkung" << false;
    }
    void lookupFieldIsReadOnly() {
        QFETCH(QString, field);
        QFETCH(bool, readOnly);
        const int book = m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        const int reader = m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        m_fx->lend(book, reader, false);
        QVERIFY(m_fx->loans().fieldIndex(field) >= 0);
        LesaroDialog dialog;
        auto* edit = new DBEdit(dialog.contentArea());
        edit->bind(&m_fx->library().DataAusleihe(), field);
        QVERIFY(showActive(dialog));
        QCOMPARE(edit->isReadOnly(), readOnly);
        const QString before = edit->text();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("xy"));
        QCOMPARE(m_fx->loans().State(), readOnly ? TableState::Browse : TableState::Edit);
        QCOMPARE(edit->text(), readOnly ? before : before + QStringLiteral("xy"));
        // Even a program that types into it changes nothing.
        edit->setText(QStringLiteral("anders"));
        edit->link()->userChanged();
        QCOMPARE(m_fx->loans().FieldByName(field).AsString() == QStringLiteral("anders"), !readOnly);
        m_fx->loans().Cancel();
    }

    void loanListFollowsBooksAndReaders_data() {
        QTest::addColumn<bool>("book");  // change the book, else the reader
        QTest::addColumn<bool>("quiet"); // while the loan list's controls are paused
        QTest::newRow("book title") << true << false;
        QTest::newRow("reader name") << false << false;
        QTest::newRow("book title, list paused") << true << true;
    }
    void loanListFollowsBooksAndReaders() {
        QFETCH(bool, book);
        QFETCH(bool, quiet);
        const int b1 = m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        const int b2 = m_fx->addBook(QStringLiteral("Storm"), QStringLiteral("Der Schimmelreiter"));
        const int r1 = m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        m_fx->lend(b1, r1, false);
        m_fx->lend(b2, r1, false);
        LibraryHandle& lib = m_fx->library();
        TableModel model(&lib.DataAusleihe(), {{QStringLiteral("BuchTitel"), QStringLiteral("Titel"), 100},
                                               {QStringLiteral("LeserNachname"), QStringLiteral("Nachname"), 100}});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        Table& other = book ? m_fx->books() : m_fx->readers();
        std::optional<ControlsDisabled> pause;
        if (quiet)
            pause.emplace(std::initializer_list<DataSource*>{&lib.DataAusleihe()});
        other.First();
        other.Edit();
        other.FieldByName(QString::fromLatin1(book ? "Titel" : "Nachname")).setAsString(QStringLiteral("Neu"));
        other.Post();
        if (quiet) {
            QCOMPARE(changed.count(), 0); // the paused list hears of it once it is enabled again
            pause.reset();
            QVERIFY(reset.count() > 0);
        } else {
            QVERIFY(changed.count() > 0);
            const QList<QVariant> last = changed.last();
            QCOMPARE(last[0].toModelIndex().row(), 0);
            QCOMPARE(last[1].toModelIndex().row(), model.rowCount() - 1);
        }
        const int column = book ? 0 : 1;
        QCOMPARE(model.data(model.index(0, column)).toString(), QStringLiteral("Neu"));
        QCOMPARE(model.data(model.index(1, column)).toString(),
                 QString::fromLatin1(book ? "Der Schimmelreiter" : "Neu"));
    }
};

QTEST_MAIN(BoundEditsTest)
#include "tst_boundedits.moc"
