#include "CatalogueFixture.h"
#include "catalogue/TDB1EingabeF.h"
#include "catalogue/TLeserEingebenF.h"
#include "settings/INI.h"
#include "ui/DBEdit.h"
#include "ui/DBNavigator.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"

#include <QToolButton>

using namespace lesaro;
using namespace lesaro::testing;
using B = MessageService::Button;

// What the book and the reader window share: the close question on every way of closing, the delete
// question, "NEU", the navigator. Each case runs on both windows.
enum class Which { Book, Reader };
enum class CloseBy { Button, CloseBox, Escape, Reject };
enum class Start { Browse, Insert, Edit };
Q_DECLARE_METATYPE(Which)
Q_DECLARE_METATYPE(CloseBy)
Q_DECLARE_METATYPE(Start)

class EntryWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;
    std::unique_ptr<LesaroDialog> m_window;

    Table& table(Which w) { return w == Which::Book ? m_fx->books() : m_fx->readers(); }
    const char* counter(Which w) { return w == Which::Book ? "LastBuchNummer" : "LastLeserNummer"; }

    LesaroDialog& open(Which w) {
        if (w == Which::Book)
            m_window = std::make_unique<TDB1EingabeF>(m_fx->library());
        else
            m_window = std::make_unique<TLeserEingebenF>(m_fx->library());
        return *m_window;
    }
    // Two rows in each table.
    void fill() {
        m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        m_fx->addBook(QStringLiteral("Storm"), QStringLiteral("Der Schimmelreiter"));
        m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        m_fx->addReader(QStringLiteral("Bernd"), QStringLiteral("Schulz"));
        m_fx->books().First();
        m_fx->readers().First();
    }
    void closeBy(CloseBy how, LesaroDialog& w) {
        switch (how) {
        case CloseBy::Button:
            w.findChild<FlatButton*>(QStringLiteral("BSchliessen"))->click();
            break;
        case CloseBy::CloseBox:
            w.close();
            break;
        case CloseBy::Escape:
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Escape);
            break;
        case CloseBy::Reject:
            w.reject();
            break;
        }
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_fx = std::make_unique<CatalogueFixture>(); }
    void cleanup() {
        m_window.reset();
        m_fx.reset();
    }

    void closeQuestion_data() {
        QTest::addColumn<Which>("which");
        QTest::addColumn<CloseBy>("how");
        QTest::addColumn<Start>("start");
        QTest::addColumn<B>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("stays");   // the window stays open
        QTest::addColumn<int>("rows");     // rows of the table afterwards
        QTest::addColumn<QString>("name"); // Verfasser / Vorname of the row with ID 1 at the end
        const struct {
            Which which;
            const char* label;
        } windows[] = {{Which::Book, "book"}, {Which::Reader, "reader"}};
        const struct {
            CloseBy how;
            const char* label;
        } paths[] = {{CloseBy::Button, "Schließen"},
                     {CloseBy::CloseBox, "close box"},
                     {CloseBy::Escape, "Esc"},
                     {CloseBy::Reject, "reject"}};
        for (const auto& w : windows) {
            const QString original = w.which == Which::Book ? QStringLiteral("Fontane") : QStringLiteral("Anna");
            for (const auto& p : paths) {
                auto row = [&](const char* what) -> QTestData& {
                    return QTest::addRow("%s, %s, %s", w.label, p.label, what) << w.which << p.how;
                };
                row("browse: no question") << Start::Browse << B::None << false << false << 2 << original;
                row("new row, Ja: saved") << Start::Insert << B::Yes << true << false << 3 << original;
                row("new row, Nein: dropped") << Start::Insert << B::No << true << false << 2 << original;
                row("new row, Abbrechen: stays") << Start::Insert << B::Cancel << true << true << 2 << original;
                row("changed row, Ja: saved") << Start::Edit << B::Yes << true << false << 2 << "Geändert";
                row("changed row, Nein: undone") << Start::Edit << B::No << true << false << 2 << original;
                row("changed row, Abbrechen: stays") << Start::Edit << B::Cancel << true << true << 2 << original;
            }
        }
    }
    void closeQuestion() {
        QFETCH(Which, which);
        QFETCH(CloseBy, how);
        QFETCH(Start, start);
        QFETCH(B, answer);
        QFETCH(bool, asked);
        QFETCH(bool, stays);
        QFETCH(int, rows);
        QFETCH(QString, name);
        fill();
        Table& t = table(which);
        const QString field = which == Which::Book ? QStringLiteral("Verfasser") : QStringLiteral("Vorname");
        LesaroDialog& w = open(which);
        QVERIFY(showActive(w));
        if (start == Start::Insert)
            t.Insert();
        if (start == Start::Edit) {
            t.Edit();
            t.FieldByName(field).setAsString(QStringLiteral("Geändert"));
        }
        const int counterBefore = INI::ReadSettingInteger(QString::fromLatin1(counter(which)));
        if (asked)
            MessageService::answerNext(answer);
        closeBy(how, w);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(shown[0].text, QStringLiteral("Änderungen speichern beim aktuellen Datensatz?"));
            QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
            QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Yes) | B::No | B::Cancel);
        }
        QCOMPARE(w.isVisible(), stays);
        if (stays) {
            // Abbrechen: the row is still being typed, with what was typed.
            QCOMPARE(t.State(), start == Start::Insert ? TableState::Insert : TableState::Edit);
            if (start == Start::Edit)
                QCOMPARE(t.FieldByName(field).AsString(), QStringLiteral("Geändert"));
            t.Cancel();
        }
        QCOMPARE(t.State(), TableState::Browse);
        QCOMPARE(t.RecordCount(), rows);
        QVERIFY(t.Locate(QStringLiteral("ID"), {1}));
        QCOMPARE(t.FieldByName(field).AsString(), name);
        // A dropped new row keeps its number used up; saving the first row sets the counter to its number.
        const bool savedFirst = start == Start::Edit && answer == B::Yes;
        QCOMPARE(INI::ReadSettingInteger(QString::fromLatin1(counter(which))), savedFirst ? 1 : counterBefore);
    }

    void deleteQuestion_data() {
        QTest::addColumn<Which>("which");
        QTest::addColumn<int>("rowsBefore");
        QTest::addColumn<B>("answer");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<QString>("question"); // empty: nothing is asked
        const QString book = QStringLiteral("Möchten Sie dieses Buch wirklich löschen?");
        const QString reader = QStringLiteral("Möchten Sie diesen Leser wirklich löschen?");
        QTest::newRow("book, Ja") << Which::Book << 2 << B::Yes << 1 << book;
        QTest::newRow("book, Nein") << Which::Book << 2 << B::No << 2 << book;
        QTest::newRow("book, empty table") << Which::Book << 0 << B::None << 0 << QString();
        QTest::newRow("reader, Ja") << Which::Reader << 2 << B::Yes << 1 << reader;
        QTest::newRow("reader, Nein") << Which::Reader << 2 << B::No << 2 << reader;
        QTest::newRow("reader, empty table") << Which::Reader << 0 << B::None << 0 << QString();
    }
    void deleteQuestion() {
        QFETCH(Which, which);
        QFETCH(int, rowsBefore);
        QFETCH(B, answer);
        QFETCH(int, rowsAfter);
        QFETCH(QString, question);
        if (rowsBefore > 0) {
            fill();
            m_fx->lend(1, 1, false);
        }
        LesaroDialog& w = open(which);
        QVERIFY(showActive(w));
        Table& t = table(which);
        t.Last();
        if (!question.isEmpty())
            MessageService::answerNext(answer);
        w.findChild<FlatButton*>(QStringLiteral("BLoeschen"))->click();
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), question.isEmpty() ? 0 : 1);
        if (!question.isEmpty()) {
            QCOMPARE(shown[0].text, question);
            QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Yes) | B::No);
        }
        QCOMPARE(t.RecordCount(), rowsAfter);
        // Loans of a deleted book or reader stay as they are.
        m_fx->loans().setFiltered(false);
        QCOMPARE(m_fx->loans().RecordCount(), rowsBefore > 0 ? 1 : 0);
    }

    void newTwiceSavesTheFirst_data() {
        QTest::addColumn<Which>("which");
        QTest::newRow("book") << Which::Book;
        QTest::newRow("reader") << Which::Reader;
    }
    void newTwiceSavesTheFirst() {
        QFETCH(Which, which);
        LesaroDialog& w = open(which);
        QVERIFY(showActive(w));
        Table& t = table(which);
        auto* neu = w.findChild<FlatButton*>(QStringLiteral("SRColorButton1"));
        QCOMPARE(neu->text(), QStringLiteral("NEU"));
        neu->click();
        QCOMPARE(t.State(), TableState::Insert);
        QCOMPARE(t.FieldByName(QStringLiteral("Nummer")).AsInteger(), 1);
        neu->click(); // the first, still empty but numbered row is saved
        QCOMPARE(t.State(), TableState::Insert);
        QCOMPARE(t.FieldByName(QStringLiteral("Nummer")).AsInteger(), 2);
        QCOMPARE(t.RecordCount(), 1);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void navigatorMovesAndSaves_data() {
        QTest::addColumn<Which>("which");
        QTest::newRow("book") << Which::Book;
        QTest::newRow("reader") << Which::Reader;
    }
    void navigatorMovesAndSaves() {
        QFETCH(Which, which);
        fill();
        LesaroDialog& w = open(which);
        QVERIFY(showActive(w));
        Table& t = table(which);
        auto* nav = w.findChild<DBNavigator*>(QStringLiteral("DBNavigator2"));
        QVERIFY(nav);
        QCOMPARE(nav->button(DBNavigator::Button::Prior)->toolTip(), QStringLiteral("Vorheriges Mitglied"));
        QCOMPARE(nav->button(DBNavigator::Button::Next)->toolTip(), QStringLiteral("Nächstes Mitglied"));
        QVERIFY(!nav->button(DBNavigator::Button::Prior)->isEnabled());
        // Typed into the second input, then straight to the next row: the change is saved first.
        auto* edit = w.findChild<DBEdit*>(QStringLiteral("DBEdit1"));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Neu"));
        nav->button(DBNavigator::Button::Next)->click();
        QCOMPARE(t.State(), TableState::Browse);
        QCOMPARE(t.RecNo(), 1);
        QVERIFY(!nav->button(DBNavigator::Button::Next)->isEnabled());
        nav->button(DBNavigator::Button::Prior)->click();
        QCOMPARE(t.RecNo(), 0);
        QCOMPARE(t.FieldByName(QString::fromLatin1(which == Which::Book ? "Verfasser" : "Vorname")).AsString(),
                 QStringLiteral("Neu"));
        QCOMPARE(edit->text(), QStringLiteral("Neu"));
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // "Nein" to the close question drops a new row together with a text its field refused, which the box with
    // the focus still holds. The main window's list shows the same table: the row the table was on before
    // stays current, nothing of the text reaches it, and no message follows the question.
    void droppedNewRowWithRefusedText_data() {
        QTest::addColumn<Which>("which");
        QTest::newRow("book") << Which::Book;
        QTest::newRow("reader") << Which::Reader;
    }
    void droppedNewRowWithRefusedText() {
        QFETCH(Which, which);
        fill();
        Table& t = table(which);
        DataGrid list;
        list.bind(which == Which::Book ? &m_fx->library().DataBuecher() : &m_fx->library().DataLeser(),
                  {{QStringLiteral("Nummer"), QStringLiteral("Nr."), 40}});
        list.show();
        LesaroDialog& w = open(which);
        QVERIFY(showActive(w));
        w.findChild<FlatButton*>(QStringLiteral("SRColorButton1"))->click();
        QCOMPARE(t.State(), TableState::Insert);
        auto* number = w.findChild<DBEdit*>(QStringLiteral("DBEdit4"));
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, QStringLiteral("12x"));
        MessageService::answerNext(B::No);
        w.findChild<FlatButton*>(QStringLiteral("BSchliessen"))->click();
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("Änderungen speichern beim aktuellen Datensatz?")});
        QVERIFY(!w.isVisible());
        QCOMPARE(t.State(), TableState::Browse);
        QCOMPARE(t.RecordCount(), 2);
        QCOMPARE(t.RecNo(), 0);
        QCOMPARE(t.FieldByName(QStringLiteral("Nummer")).AsInteger(), 1);
        QCOMPARE(list.currentIndex().row(), 0);
    }

    void windowFrame() {
        fill();
        TDB1EingabeF book(m_fx->library());
        TLeserEingebenF reader(m_fx->library());
        QCOMPARE(book.windowTitle(), QStringLiteral("Bücher eingeben"));
        QCOMPARE(reader.windowTitle(), QStringLiteral("Leserverwaltung"));
        QCOMPARE(book.size(), QSize(585, 387));
        QCOMPARE(reader.size(), QSize(371, 439));
        for (LesaroDialog* w : {static_cast<LesaroDialog*>(&book), static_cast<LesaroDialog*>(&reader)}) {
            w->show();
            QStringList captions;
            for (const char* name : {"SRColorButton1", "BSpeichern", "BLoeschen", "BSchliessen"})
                captions << w->findChild<FlatButton*>(QString::fromLatin1(name))->text();
            QCOMPARE(captions, (QStringList{"NEU", "Speichern", "Löschen", "Schließen"}));
            // Every input lies fully inside the window above the button bar.
            for (QWidget* child : w->contentArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect r = child->geometry();
                QVERIFY2(w->contentArea()->rect().contains(r), qPrintable(child->objectName()));
            }
        }
        // The book window has the dialogs' grey; the reader window keeps the system's face colour.
        QCOMPARE(book.palette().color(QPalette::Window), QColor(233, 233, 233));
        QCOMPARE(reader.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
    }
};

QTEST_MAIN(EntryWindowsTest)
#include "tst_entrywindows.moc"
