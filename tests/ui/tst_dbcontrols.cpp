#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "support/UiFixture.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DBMemo.h"
#include "ui/DBNavigator.h"
#include "ui/DBText.h"
#include "ui/DataSource.h"
#include "ui/DatePicker.h"
#include "ui/FieldLink.h"
#include "ui/MessageService.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

// A small entry window on the book table: the controls every later window is made of.
class BookWindow : public QWidget {
public:
    explicit BookWindow(DataSource* source) {
        auto* layout = new QVBoxLayout(this);
        for (auto [edit, name, field] :
             {std::tuple{&ENummer, "ENummer", "Nummer"}, std::tuple{&EVerfasser, "EVerfasser", "Verfasser"},
              std::tuple{&ETitel, "ETitel", "Titel"}, std::tuple{&EPreis, "EPreis", "Preis"}}) {
            *edit = new DBEdit(this);
            (*edit)->setObjectName(QString::fromLatin1(name));
            (*edit)->bind(source, QString::fromLatin1(field));
            layout->addWidget(*edit);
        }
        CBVerlag = new DBComboBox(this);
        CBVerlag->setObjectName(QStringLiteral("CBVerlag"));
        CBVerlag->bind(source, QStringLiteral("Verlag"));
        layout->addWidget(CBVerlag);
        MBemerkung = new DBMemo(this);
        MBemerkung->setObjectName(QStringLiteral("MBemerkung"));
        MBemerkung->bind(source, QStringLiteral("Bemerkung"));
        layout->addWidget(MBemerkung);
        LTitel = new DBText(this);
        LTitel->setObjectName(QStringLiteral("LTitel"));
        LTitel->bind(source, QStringLiteral("Titel"));
        layout->addWidget(LTitel);
        DBNavigator1 = new DBNavigator(this);
        DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
        DBNavigator1->bind(source);
        layout->addWidget(DBNavigator1);
        Other = new QLineEdit(this);
        layout->addWidget(Other);
    }
    DBEdit* ENummer;
    DBEdit* EVerfasser;
    DBEdit* ETitel;
    DBEdit* EPreis;
    DBComboBox* CBVerlag;
    DBMemo* MBemerkung;
    DBText* LTitel;
    DBNavigator* DBNavigator1;
    QLineEdit* Other; // somewhere for the focus to go
};

class DBControlsTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<BookWindow> m_window;

    Field field(const char* name) { return m_books.FieldByName(QString::fromLatin1(name)); }

    void focusInto(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        QVERIFY(w->hasFocus());
    }

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
    }

    void init() {
        fillBooks(m_books, 5);
        m_books.Edit();
        field("Preis").setAsString(QStringLiteral("12,5"));
        field("Bemerkung").setAsString(QStringLiteral("Zeile 1\r\nZeile 2"));
        m_books.Post();
        m_books.First();
        m_source = std::make_unique<DataSource>(m_books);
        m_window = std::make_unique<BookWindow>(m_source.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        focusInto(m_window->Other);
    }

    void cleanup() {
        m_window.reset();
        m_source.reset();
        QCOMPARE(MessageService::takeShownTexts(), QStringList());
    }

    void showAndFollowTheCurrentRow() {
        QCOMPARE(m_window->ENummer->text(), QStringLiteral("2"));
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Titel 2"));
        QCOMPARE(m_window->LTitel->text(), QStringLiteral("Titel 2"));
        m_books.Last(); // the row with the price and the memo
        QCOMPARE(m_window->ENummer->text(), QStringLiteral("1"));
        QCOMPARE(m_window->EPreis->text(), QStringLiteral("12,50 €"));
        QCOMPARE(m_window->MBemerkung->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
        // A field assigned by the program (a rule, a lookup) shows at once.
        m_books.Edit();
        field("Titel").setAsString(QStringLiteral("Anders"));
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Anders"));
        QCOMPARE(m_window->LTitel->text(), QStringLiteral("Anders"));
        m_books.Cancel();
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Titel 1"));
        // The money field is typed without its currency while the edit has the focus.
        focusInto(m_window->EPreis);
        QCOMPARE(m_window->EPreis->text(), QStringLiteral("12,5"));
        focusInto(m_window->Other);
        QCOMPARE(m_window->EPreis->text(), QStringLiteral("12,50 €"));
        QCOMPARE(m_window->ETitel->maxLength(), 100);
    }

    // Typing puts the table into edit state and stores the text; posting stays the window's business.
    void typingEditsTheRow() {
        focusInto(m_window->ETitel);
        QTest::keyClick(m_window->ETitel, Qt::Key_End);
        QTest::keyClicks(m_window->ETitel, QStringLiteral(" neu"));
        QCOMPARE(m_books.State(), TableState::Edit);
        QVERIFY(m_books.Modified());
        QCOMPARE(field("Titel").AsString(), QStringLiteral("Titel 2 neu"));
        QCOMPARE(m_window->LTitel->text(), QStringLiteral("Titel 2 neu"));
        QCOMPARE(m_window->ETitel->cursorPosition(), 11);
        QVERIFY(m_source->UpdateRecord());
        m_books.CheckBrowseMode();
        QCOMPARE(m_books.State(), TableState::Browse);
        QCOMPARE(columnTexts(m_books, QStringLiteral("Titel")).last(), QStringLiteral("Titel 2 neu"));

        QTest::keyClicks(m_window->MBemerkung, QStringLiteral("a"));
        QTest::keyClick(m_window->MBemerkung, Qt::Key_Return);
        QTest::keyClicks(m_window->MBemerkung, QStringLiteral("b"));
        QCOMPARE(field("Bemerkung").AsString(), QStringLiteral("a\r\nb"));
        m_books.Post();
    }

    // A text the field refuses is reported when the user leaves the edit, and the focus stays in it.
    void refusedTextIsReported_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("integer") << "ENummer"
                                 << "12a"
                                 << "'12a' ist kein gültiger Integerwert für Feld 'Nummer'"
                                 << "12";
        QTest::newRow("money") << "EPreis"
                               << "1.5"
                               << "'1.5' ist kein gültiger Fließkommawert für Feld 'Preis'"
                               << "1";
    }
    void refusedTextIsReported() {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        auto* e = m_window->findChild<DBEdit*>(edit);
        QVERIFY(e);
        focusInto(e);
        e->selectAll();
        QTest::keyClicks(e, typed);
        QCOMPARE(m_books.State(), TableState::Edit);
        QCOMPARE(MessageService::takeShownTexts(), QStringList()); // not while typing
        QCOMPARE(m_books.FieldByName(e->link()->dataField()).AsString(), stored);

        m_window->Other->setFocus(Qt::TabFocusReason);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QCOMPARE(shown[0].text, message);
        QVERIFY(e->hasFocus());
        QCOMPARE(e->text(), typed);

        // The window's save asks again before it posts.
        QVERIFY(!m_source->UpdateRecord());
        QCOMPARE(MessageService::takeShownTexts(), QStringList{message});

        // Corrected, it is stored and the edit lets the user go.
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("7"));
        m_window->Other->setFocus(Qt::TabFocusReason);
        QVERIFY(m_window->Other->hasFocus());
        QVERIFY(m_source->UpdateRecord());
        QCOMPARE(m_books.FieldByName(e->link()->dataField()).AsString(), QStringLiteral("7"));
        m_books.Cancel();
    }

    // A change the program makes to another field while the user types does not disturb the typing.
    void otherFieldsDoNotDisturbTyping() {
        focusInto(m_window->EVerfasser);
        QTest::keyClick(m_window->EVerfasser, Qt::Key_Home);
        QTest::keyClicks(m_window->EVerfasser, QStringLiteral("X"));
        field("Titel").setAsString(QStringLiteral("Gesetzt"));
        QCOMPARE(m_window->EVerfasser->text(), QStringLiteral("XAutor 004"));
        QCOMPARE(m_window->EVerfasser->cursorPosition(), 1);
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Gesetzt"));
        m_books.Cancel();
    }

    void typingIntoAClosedTableIsUndone() {
        m_books.Close();
        focusInto(m_window->ETitel);
        QTest::keyClicks(m_window->ETitel, QStringLiteral("x"));
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("Operation bei geschlossener Datenmenge nicht möglich")});
        QCOMPARE(m_window->ETitel->text(), QString());
    }

    void comboBoxKeepsTheFieldAndStoresChoices() {
        m_books.Edit();
        field("Verlag").setAsString(QStringLiteral("Beltz"));
        m_books.Post();
        DBComboBox* box = m_window->CBVerlag;
        QCOMPARE(box->currentText(), QStringLiteral("Beltz"));
        box->addItems({QStringLiteral("Arena"), QStringLiteral("Carlsen"), QStringLiteral("Dtv")});
        QCOMPARE(box->currentText(), QStringLiteral("Beltz")); // filling the items does not overwrite it
        box->clear();
        QCOMPARE(box->currentText(), QStringLiteral("Beltz"));
        box->addItems({QStringLiteral("Arena"), QStringLiteral("Carlsen")});

        focusInto(box);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(m_books.State(), TableState::Edit);
        QCOMPARE(field("Verlag").AsString(), box->currentText());
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QStringLiteral("Oetinger"));
        QCOMPARE(field("Verlag").AsString(), QStringLiteral("Oetinger"));
        QCOMPARE(box->count(), 2); // typed texts are not added to the list
        m_books.Post();
        m_books.First(); // the posted row went to the end of the natural order
        QCOMPARE(box->currentText(), QString());
    }

    void navigatorMovesAndStoresFirst() {
        DBNavigator* nav = m_window->DBNavigator1;
        QToolButton* prior = nav->findChild<QToolButton*>(QStringLiteral("nbPrior"));
        QToolButton* next = nav->findChild<QToolButton*>(QStringLiteral("nbNext"));
        QVERIFY(prior && next);
        QVERIFY(!prior->isEnabled());
        QVERIFY(next->isEnabled());
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(m_books.RecNo(), 1);
        QVERIFY(prior->isEnabled());
        m_books.Last();
        QVERIFY(!next->isEnabled());

        // A refused text holds the navigator back: the user sees the message and stays on the row.
        focusInto(m_window->ENummer);
        m_window->ENummer->selectAll();
        QTest::keyClicks(m_window->ENummer, QStringLiteral("x"));
        nav->BtnClick(DBNavigator::Button::Prior);
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("'x' ist kein gültiger Integerwert für Feld 'Nummer'")});
        QCOMPARE(m_books.RecNo(), 4);
        QCOMPARE(m_books.State(), TableState::Edit);
        m_books.Cancel();
    }

    // While controls are disabled nothing refreshes; enabling them brings every control up to date.
    void disabledControlsRefreshOnEnable() {
        m_source->DisableControls();
        m_books.Next();
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Titel 2"));
        m_source->EnableControls();
        QCOMPARE(m_window->ETitel->text(), QStringLiteral("Titel 3"));
        QCOMPARE(m_window->LTitel->text(), QStringLiteral("Titel 3"));
    }

    void datePicker() {
        Clock::setFixedNow(QDateTime(QDate(2024, 3, 9), QTime(10, 0)));
        DatePicker picker;
        picker.setObjectName(QStringLiteral("DTPVon"));
        QCOMPARE(picker.date(), QDate(2024, 3, 9));
        QCOMPARE(picker.text(), QStringLiteral("09.03.2024"));
        QVERIFY(picker.calendarPopup());
        QVERIFY(picker.calendarWidget());
        Clock::setFixedNow({});
    }
};

QTEST_MAIN(DBControlsTest)
#include "tst_dbcontrols.moc"
