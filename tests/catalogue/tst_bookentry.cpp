#include "CatalogueFixture.h"
#include "catalogue/TDB1EingabeF.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "support/Controls.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DBMemo.h"
#include "ui/DBNavigator.h"
#include "ui/FlatButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace lesaro;
using namespace lesaro::testing;
using B = MessageService::Button;

class BookEntryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;
    std::unique_ptr<TDB1EingabeF> m_w;

    template <typename T>
    T* child(const char* name) {
        return test::control<T>(*m_w, name);
    }
    QStringList items(const char* box) { return m_w->items(QString::fromLatin1(box)); }
    void type(QWidget* control, const QString& text) {
        control->setFocus();
        if (auto* box = qobject_cast<QComboBox*>(control)) {
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), text);
        } else {
            static_cast<QLineEdit*>(control)->selectAll();
            QTest::keyClicks(control, text);
        }
    }
    void save() { child<FlatButton>("BSpeichern")->click(); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() {
        m_fx = std::make_unique<CatalogueFixture>();
        m_w = std::make_unique<TDB1EingabeF>(m_fx->library());
    }
    void cleanup() {
        m_w.reset();
        m_fx.reset();
    }

    void controlsInTabOrder() {
        const QStringList expected{"DBEdit4",       "DBEdit1",       "DBEdit2",       "CBVerlag",      "DBEdit8",
                                   "CBOrt",         "DBEdit9",       "CBSach",        "DBEdit6",       "DBID",
                                   "CBStand",       "DBEdit3",       "DBMemo1",       "CBSchlagwort1", "CBSchlagwort2",
                                   "CBSchlagwort3", "CBSchlagwort4", "CBSchlagwort5", "CBSchlagwort6", "CBSchlagwort7",
                                   "CBSchlagwort8", "CBSchlagwort9", "CBSchlagwort10"};
        QStringList chain;
        QWidget* w = child<QWidget>("DBEdit4");
        for (int i = 0; i < expected.size(); ++i) {
            // A drop-down box's own line edit is part of the box.
            chain << w->objectName();
            do
                w = w->nextInFocusChain();
            while (w->objectName().isEmpty() || !w->isWidgetType() || w->focusPolicy() == Qt::NoFocus);
        }
        QCOMPARE(chain, expected);
        QCOMPARE(child<QLabel>("Lausgeliehen")->text(), QStringLiteral("Ausgeliehen an"));
        QCOMPARE(child<QPushButton>("SpeedButton1")->text(), QStringLiteral("Ausleihhistorie"));
    }

    void labelsFollowTheCaptions() {
        INI::WriteSettingString(QStringLiteral("Standort"), QStringLiteral("Regal"));
        INI::WriteSettingString(QStringLiteral("Erscheinungsjahr"), QStringLiteral("Jahr"));
        m_w->ApplyFieldCaptions(FieldCaptions::ApplyFieldCaptions());
        QCOMPARE(child<QLabel>("LStandort")->text(), QStringLiteral("Regal"));
        QCOMPARE(child<QLabel>("LErcsheinungsjahr")->text(), QStringLiteral("Jahr"));
        QCOMPARE(child<QLabel>("LVerfasser")->text(), QStringLiteral("Verfasser"));
        QCOMPARE(child<QLabel>("LISBN")->text(), QStringLiteral("ISBN"));
        QCOMPARE(child<QLabel>("LSignatur")->text(), QStringLiteral("Signatur"));
        QCOMPARE(child<QLabel>("LBemerkungen")->text(), QStringLiteral("Bemerkungen"));
        QCOMPARE(child<QLabel>("LPreis")->text(), QStringLiteral("Preis"));
        QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("Nummer")); // not renamable
    }

    // A new book as the main window opens it: lists filled, a row inserted, the window shown.
    void newBookWithRememberedValues() {
        for (const char* v : {"Reclam", "Hanser"})
            INI::AddRememberedValue(INI::Verlag, QString::fromLatin1(v));
        INI::AddRememberedValue(INI::Schlagwort, QStringLiteral("Lyrik"));
        INI::AddRememberedValue(INI::Standort, QStringLiteral("Keller"));
        m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        m_fx->books().Last();
        m_w->LoadRememberedValues();
        QCOMPARE(m_fx->books().RecNo(), 0); // filling the lists goes to the first book
        QCOMPARE(items("CBVerlag"), INI::ReadRememberedValues(INI::Verlag));
        QCOMPARE(items("CBStand"), QStringList{"Keller"});
        QVERIFY(items("CBOrt").isEmpty());
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(m_w->items(QStringLiteral("CBSchlagwort%1").arg(i)), QStringList{"Lyrik"});

        m_fx->books().Insert();
        QVERIFY(showActive(*m_w));
        QCOMPARE(child<DBEdit>("DBEdit4")->text(), QStringLiteral("2"));
        type(child<DBEdit>("DBEdit1"), QStringLiteral("Storm"));
        type(child<DBComboBox>("CBVerlag"), QStringLiteral("Insel"));
        type(child<DBComboBox>("CBStand"), QStringLiteral("keller")); // known, in another case
        type(child<DBComboBox>("CBSchlagwort7"), QStringLiteral("Novelle"));
        save(); // the keyword box still has the focus
        QVERIFY(MessageService::takeShown().isEmpty());
        Table& books = m_fx->books();
        QCOMPARE(books.State(), TableState::Browse);
        QCOMPARE(books.RecordCount(), 2);
        QCOMPARE(text(books, "Schlagwort7"), QStringLiteral("Novelle"));
        QCOMPARE(text(books, "Verlag"), QStringLiteral("Insel"));
        QCOMPARE(items("CBVerlag"),
                 (QStringList{"Hanser", "Reclam", "Insel"})); // the registry's order, then the new one
        QCOMPARE(items("CBStand"), QStringList{"Keller"});
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(m_w->items(QStringLiteral("CBSchlagwort%1").arg(i)), (QStringList{"Lyrik", "Novelle"}));
        QVERIFY(INI::ReadRememberedValues(INI::Verlag).contains(QStringLiteral("Insel")));
        QCOMPARE(INI::ReadRememberedValues(INI::Standort), QStringList{"Keller"});
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 2);
        // The box keeps showing the saved value after its list changed.
        QCOMPARE(child<DBComboBox>("CBVerlag")->currentText(), QStringLiteral("Insel"));
    }

    void typedNumberMovesTheCounter() {
        m_fx->books().Insert();
        QVERIFY(showActive(*m_w));
        type(child<DBEdit>("DBEdit4"), QStringLiteral("500"));
        save();
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 500);
        child<FlatButton>("SRColorButton1")->click();
        QCOMPARE(child<DBEdit>("DBEdit4")->text(), QStringLiteral("501"));
    }

    // A value the field refuses is reported with the engine's message; the row stays in edit with
    // everything else that was typed.
    void refusedValueKeepsTheRow_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::newRow("price with a letter") << "DBEdit3"
                                             << "12,5x";
        QTest::newRow("number of letters") << "DBEdit4"
                                           << "abc";
    }
    void refusedValueKeepsTheRow() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        m_fx->books().Insert();
        QVERIFY(showActive(*m_w));
        type(child<DBEdit>("DBEdit2"), QStringLiteral("Der Schimmelreiter"));
        type(child<DBEdit>("DBEdit8"), QStringLiteral("um 1888")); // a year in a text field is fine
        auto* edit = m_w->findChild<DBEdit*>(control);
        type(edit, typed);
        save();
        auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QVERIFY2(!shown[0].text.isEmpty() && !shown[0].text.contains(QLatin1String("invalid")),
                 qPrintable(shown[0].text));
        Table& books = m_fx->books();
        QCOMPARE(books.State(), TableState::Insert);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(text(books, "Titel"), QStringLiteral("Der Schimmelreiter"));
        QCOMPARE(text(books, "Erscheinungsjahr"), QStringLiteral("um 1888"));
        // The close question's "Ja" meets the same refusal and keeps the window open.
        MessageService::answerNext(B::Yes);
        child<FlatButton>("BSchliessen")->click();
        shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].kind, MessageService::Kind::Error);
        QVERIFY(m_w->isVisible());
        QCOMPARE(books.State(), TableState::Insert);
        // Corrected, it saves.
        type(edit, QStringLiteral("12"));
        save();
        QCOMPARE(books.State(), TableState::Browse);
        QCOMPARE(text(books, "Titel"), QStringLiteral("Der Schimmelreiter"));
    }

    void saveInBrowseDoesNothing() {
        m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        QVERIFY(showActive(*m_w));
        const qint64 changes = m_fx->books().ChangeCount();
        save();
        QCOMPARE(m_fx->books().ChangeCount(), changes);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void borrowerAndLoanNarrowing() {
        const int effi = m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        const int storm = m_fx->addBook(QStringLiteral("Storm"), QStringLiteral("Der Schimmelreiter"));
        const int anna = m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
        const int bernd = m_fx->addReader(QStringLiteral("Bernd"), QStringLiteral("Schulz"));
        m_fx->lend(effi, anna, true);
        m_fx->lend(effi, bernd, false);
        m_fx->lend(storm, anna, true);
        Table& books = m_fx->books();
        books.First();
        QSignalSpy history(m_w.get(), &TDB1EingabeF::loanHistoryRequested);
        QVERIFY(showActive(*m_w)); // showing runs the rule for the current book
        auto* borrower = child<QLabel>("LAusleiher");
        QCOMPARE(borrower->text(), QStringLiteral("Bernd Schulz"));
        QCOMPARE(m_fx->loans().Filter(), QStringLiteral("BuecherID=%1").arg(effi));
        QCOMPARE(m_fx->loans().RecordCount(), 2);
        child<DBNavigator>("DBNavigator2")->BtnClick(DBNavigator::Button::Next);
        QCOMPARE(borrower->text(), QString()); // all its loans returned
        QCOMPARE(m_fx->loans().RecordCount(), 1);
        child<QPushButton>("SpeedButton1")->click();
        QCOMPARE(history.count(), 1);
        m_w->reject();
        // The narrowing stays after the window closed; moving the books no longer touches it.
        books.First();
        QCOMPARE(m_fx->loans().Filter(), QStringLiteral("BuecherID=%1").arg(storm));
    }

    // Stored and typed texts are shown as they are, never as markup: a reader's name in "Ausgeliehen an", a
    // field caption renamed in the Options.
    void namesAndCaptionsAreNeverMarkup() {
        const QString markup = QStringLiteral("<font color=\"white\">x</font><h1>Bitte Buch einbehalten</h1>");
        INI::WriteSettingString(QStringLiteral("Verfasser"), QStringLiteral("<b>Autor</b>"));
        m_w->ApplyFieldCaptions(FieldCaptions::ApplyFieldCaptions());
        const int book = m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        m_fx->lend(book, m_fx->addReader(markup, QStringLiteral("Meier")), false);
        m_fx->books().First();
        QVERIFY(showActive(*m_w));
        auto* borrower = child<QLabel>("LAusleiher");
        QCOMPARE(borrower->text(), markup + QStringLiteral(" Meier"));
        QCOMPARE(borrower->textFormat(), Qt::PlainText);
        auto* author = child<QLabel>("LVerfasser");
        QCOMPARE(author->text(), QStringLiteral("<b>Autor</b>"));
        QCOMPARE(author->textFormat(), Qt::PlainText);
    }

    // Opened from the search window the book table is filtered: the navigator stays among the hits.
    void navigatorStaysAmongTheHits() {
        for (const char* a : {"Fontane", "Storm", "Fontane"})
            m_fx->addBook(QString::fromLatin1(a), QStringLiteral("Titel"));
        Table& books = m_fx->books();
        books.setFilter(QStringLiteral("Verfasser = 'Fontane'"));
        books.setFiltered(true);
        books.First();
        books.Edit(); // as the search window leaves it
        QVERIFY(showActive(*m_w));
        auto* nav = child<DBNavigator>("DBNavigator2");
        nav->BtnClick(DBNavigator::Button::Next);
        QCOMPARE(text(books, "ID"), QStringLiteral("3"));
        QVERIFY(!nav->button(DBNavigator::Button::Next)->isEnabled());
        QVERIFY(MessageService::takeShown().isEmpty()); // the unchanged row was let go without a question
        books.setFiltered(false);
    }
};

QTEST_MAIN(BookEntryTest)
#include "tst_bookentry.moc"
