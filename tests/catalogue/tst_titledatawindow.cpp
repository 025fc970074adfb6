#include "CatalogueFixture.h"
#include "SruFixtures.h"
#include "SruResponder.h"
#include "catalogue/TDB1EingabeF.h"
#include "settings/INI.h"
#include "support/Controls.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/FlatButton.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QUrlQuery>

using namespace lesaro;
using namespace lesaro::testing;
using namespace lesaro::testing::sru;
using B = MessageService::Button;

// The ISBN box of the book window: its check, the note on a second copy, and "Titeldaten holen" against a
// local responder standing in for the catalogue service.
class TitleDataWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;
    std::unique_ptr<SruResponder> m_responder;
    std::unique_ptr<TDB1EingabeF> m_w;

    template <typename T>
    T* child(const char* name) {
        return test::control<T>(*m_w, name);
    }
    DBEdit* isbnBox() { return child<DBEdit>("DBEdit6"); }
    QString field(const char* name) { return m_fx->books().FieldByName(QString::fromLatin1(name)).AsString(); }
    // The note below the fields in full (the label cuts a long one).
    QString note() { return child<QLabel>("LISBNHinweis")->toolTip(); }
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void newBookWithIsbn(const QString& isbn) {
        child<FlatButton>("SRColorButton1")->click();
        typeInto(isbnBox(), isbn);
    }
    // Waits until the lookup has ended and its result is in the window.
    void waitForLookup() {
        QVERIFY(QTest::qWaitFor([this] { return !m_w->titleLookup().running(); }, 60000));
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() {
        m_fx = std::make_unique<CatalogueFixture>();
        m_responder = std::make_unique<SruResponder>();
        INI::WriteSettingString(QStringLiteral("TiteldatenAdresse"), m_responder->address());
        INI::WriteSettingString(QStringLiteral("TiteldatenIndex"), QStringLiteral("num"));
        m_w = std::make_unique<TDB1EingabeF>(m_fx->library());
        QVERIFY(showActive(*m_w));
    }
    void cleanup() {
        m_w.reset();
        m_responder.reset();
        m_fx.reset();
    }

    void checkBesideTheBox_data() {
        QTest::addColumn<QString>("isbn");
        QTest::addColumn<QString>("warning"); // the tooltip, empty when no warning shows
        QTest::addColumn<bool>("convertible");
        QTest::newRow("valid ISBN-13") << "978-3-16-148410-0"
                                       << "" << false;
        QTest::newRow("scanned EAN 979") << "9791090636071"
                                         << "" << false;
        QTest::newRow("valid ISBN-10") << "3-16-148410-X"
                                       << "" << true;
        QTest::newRow("wrong check digit") << "978-3-16-148410-1"
                                           << "Prüfziffer stimmt nicht – bitte ISBN prüfen" << false;
        QTest::newRow("wrong length") << "978-3-16-14841"
                                      << "Eine ISBN hat 10 oder 13 Stellen – bitte ISBN prüfen" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
    }
    void checkBesideTheBox() {
        QFETCH(QString, isbn);
        QFETCH(QString, warning);
        QFETCH(bool, convertible);
        newBookWithIsbn(isbn);
        auto* hint = child<QLabel>("LISBNWarnung");
        QCOMPARE(hint->isVisible(), !warning.isEmpty());
        QCOMPARE(hint->toolTip(), warning);
        QCOMPARE(child<QToolButton>("BISBN13")->isVisible(), convertible);
        // The field stays free text: a wrong ISBN is saved as typed, without a word.
        child<FlatButton>("BSpeichern")->click();
        QCOMPARE(m_fx->books().State(), TableState::Browse);
        QCOMPARE(field("ISBN"), isbn);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void oneClickMakesAnIsbn13() {
        newBookWithIsbn(QStringLiteral("3-16-148410-X"));
        child<QToolButton>("BISBN13")->click();
        QCOMPARE(isbnBox()->text(), QStringLiteral("978-3-16-148410-0"));
        QCOMPARE(field("ISBN"), QStringLiteral("978-3-16-148410-0"));
        QVERIFY(!child<QToolButton>("BISBN13")->isVisible());
    }

    void secondCopyIsNamedNotRefused() {
        Table& t = m_fx->books();
        t.Append();
        t.FieldByName(QStringLiteral("Nummer")).setAsInteger(1234);
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Berger, Anna"));
        t.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Die Stadt am Fluss"));
        t.FieldByName(QStringLiteral("ISBN")).setAsString(QStringLiteral("978-3-16-148410-0"));
        t.Post();
        // The book itself is no second copy.
        QCOMPARE(note(), QString());
        // The same book typed as its ISBN-10.
        newBookWithIsbn(QStringLiteral("316148410X"));
        QCOMPARE(note(), QStringLiteral("Bereits vorhanden: Nr. 1234, Berger, Anna: Die Stadt am Fluss"));
        child<FlatButton>("BSpeichern")->click();
        QCOMPARE(t.State(), TableState::Browse);
        QCOMPARE(t.RecordCount(), 2);
        typeInto(isbnBox(), QStringLiteral("978-3-498-03526-6"));
        QCOMPARE(note(), QString());
    }

    // Two books of one ISBN show the same text in the box, so the note follows the book, not the text; the
    // hidden window does not look at all (a load of the catalogue would index every ISBN) and looks afresh
    // when it shows.
    void theNoteFollowsTheBook() {
        Table& t = m_fx->books();
        for (const int number : {1234, 1235}) {
            t.Append();
            t.FieldByName(QStringLiteral("Nummer")).setAsInteger(number);
            t.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Band %1").arg(number));
            t.FieldByName(QStringLiteral("ISBN")).setAsString(QStringLiteral("978-3-16-148410-0"));
            t.Post();
        }
        QCOMPARE(note(), QStringLiteral("Bereits vorhanden: Nr. 1234, Band 1234"));
        QVERIFY(t.Locate(QStringLiteral("Nummer"), {1234}));
        QCOMPARE(note(), QStringLiteral("Bereits vorhanden: Nr. 1235, Band 1235"));
        m_w->hide();
        QVERIFY(t.Locate(QStringLiteral("Nummer"), {1235}));
        QVERIFY(showActive(*m_w));
        QCOMPARE(note(), QStringLiteral("Bereits vorhanden: Nr. 1234, Band 1234"));
    }

    void enterInTheIsbnBoxFillsTheEmptyFields() {
        m_responder->answer(response({novel()}));
        newBookWithIsbn(QStringLiteral("9783161484100"));
        QTest::keyClick(isbnBox(), Qt::Key_Return);
        QVERIFY(m_w->titleLookup().running());
        QCOMPARE(child<QPushButton>("BTiteldaten")->text(), QStringLiteral("Abbrechen"));
        waitForLookup();
        QVERIFY2(MessageService::takeShown().isEmpty(), qPrintable(note()));
        QCOMPARE(field("Verfasser"), QStringLiteral("Berger, Anna; Klein, Paul"));
        QCOMPARE(field("Titel"), QStringLiteral("Die Stadt am Fluss : Roman"));
        QCOMPARE(field("Verlag"), QStringLiteral("Mohr Siebeck"));
        QCOMPARE(field("Erscheinungsort"), QStringLiteral("Tübingen"));
        QCOMPARE(field("Erscheinungsjahr"), QStringLiteral("2019"));
        QCOMPARE(field("Auflage"), QStringLiteral("2. Auflage"));
        QCOMPARE(field("ISBN"), QStringLiteral("978-3-16-148410-0"));
        QCOMPARE(note(), QStringLiteral("Übernommen: Verfasser, Titel, Verlag, Erscheinungsjahr, Erscheinungsort, "
                                        "Auflage, ISBN, 3 Schlagworte"));
        QCOMPARE(field("Schlagwort1"), QStringLiteral("Tübingen"));
        QCOMPARE(field("Schlagwort3"), QStringLiteral("Geschichte"));
        QCOMPARE(child<DBEdit>("DBEdit2")->text(), QStringLiteral("Die Stadt am Fluss : Roman"));
        QCOMPARE(child<DBComboBox>("CBVerlag")->currentText(), QStringLiteral("Mohr Siebeck"));
        QCOMPARE(child<QPushButton>("BTiteldaten")->text(), QStringLiteral("Titeldaten holen"));
        QCOMPARE(QUrlQuery(m_responder->lastUrl()).queryItemValue(QStringLiteral("query")),
                 QStringLiteral("num=9783161484100"));
    }

    // Combining marks from the catalogue would become "?" in the single-byte book table.
    void umlautsArriveWhole() {
        m_responder->answer(
            response({marcRecord({{"100", "1", " ", {{'a', QStringLiteral("Mu\u0308ller, Jo\u0308rg")}}},
                                  {"245", "1", "0", {{'a', QStringLiteral("Gru\u0308ße")}}}})}));
        newBookWithIsbn(QStringLiteral("9783161484100"));
        child<QPushButton>("BTiteldaten")->click();
        waitForLookup();
        QCOMPARE(field("Verfasser"), QString::fromUtf8("Müller, Jörg"));
        QCOMPARE(field("Titel"), QString::fromUtf8("Grüße"));
    }

    void typedFieldsAreOverwrittenOnlyOnYes_data() {
        QTest::addColumn<B>("answer");
        QTest::addColumn<QString>("titel");
        QTest::addColumn<QString>("verlag");
        QTest::newRow("Nein: only the empty fields") << B::No << "Mein Titel"
                                                     << "Mohr Siebeck";
        QTest::newRow("Ja: overwrite") << B::Yes << "Die Stadt am Fluss : Roman"
                                       << "Mohr Siebeck";
        QTest::newRow("Abbrechen: nothing") << B::Cancel << "Mein Titel"
                                            << "";
    }
    void typedFieldsAreOverwrittenOnlyOnYes() {
        QFETCH(B, answer);
        QFETCH(QString, titel);
        QFETCH(QString, verlag);
        m_responder->answer(response({novel()}));
        newBookWithIsbn(QStringLiteral("9783161484100"));
        typeInto(child<DBEdit>("DBEdit2"), QStringLiteral("Mein Titel"));
        // Enter asks only while the title fields are empty; with a title typed it leaves them alone.
        QTest::keyClick(isbnBox(), Qt::Key_Return);
        QVERIFY(!m_w->titleLookup().running());
        MessageService::answerNext(answer);
        child<QPushButton>("BTiteldaten")->click();
        waitForLookup();
        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().text.contains(QStringLiteral("„Mein Titel“")), qPrintable(shown.first().text));
        QCOMPARE(field("Titel"), titel);
        QCOMPARE(field("Verlag"), verlag);
    }

    void severalRecordsOfferAChoice() {
        m_responder->answer(
            response({novel(), marcRecord({{"245", "1", "0", {{'a', "Die Stadt am Fluss"}, {'b', "Hörbuch"}}}})}));
        newBookWithIsbn(QStringLiteral("9783161484100"));
        QStringList offered;
        // The choice opens when the answer is in; it is answered as soon as it shows.
        QTimer chooser;
        connect(&chooser, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* list = modal ? modal->findChild<QListWidget*>(QStringLiteral("LBTreffer")) : nullptr;
            if (!list)
                return;
            chooser.stop();
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text();
            list->setCurrentRow(1);
            modal->findChild<QPushButton*>(QStringLiteral("BUebernehmen"))->click();
        });
        chooser.start(10);
        child<QPushButton>("BTiteldaten")->click();
        QTRY_COMPARE(field("Titel"), QStringLiteral("Die Stadt am Fluss : Hörbuch"));
        QCOMPARE(offered.size(), 2);
        QVERIFY2(offered[0].startsWith(QStringLiteral("Berger, Anna: Die Stadt am Fluss : Roman")),
                 qPrintable(offered[0]));
        QCOMPARE(field("Verfasser"), QString());
    }

    void failuresAreToldInGerman_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing found") << 200 << response({}) << "Zu dieser ISBN wurde nichts gefunden.";
        QTest::newRow("HTTP 500") << 500 << QByteArray() << "Der Titeldaten-Dienst antwortete mit dem HTTP-Fehler 500";
        QTest::newRow("malformed XML") << 200 << QByteArray("<searchRetrieveResponse><records>")
                                       << "Die Antwort des Dienstes ist kein gültiges XML";
    }
    void failuresAreToldInGerman() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        m_responder->setReply({status, "Status", body, {}});
        newBookWithIsbn(QStringLiteral("9783161484100"));
        typeInto(child<DBEdit>("DBEdit1"), QStringLiteral("Eigene Eingabe"));
        child<QPushButton>("BTiteldaten")->click();
        waitForLookup();
        const QStringList texts = MessageService::takeShownTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(message), qPrintable(texts.first()));
        QCOMPARE(field("Verfasser"), QStringLiteral("Eigene Eingabe"));
        QCOMPARE(field("Titel"), QString());
        QCOMPARE(m_fx->books().State(), TableState::Insert);
    }

    void slowServiceCanBeCancelledOrTimesOut() {
        m_responder->hang();
        newBookWithIsbn(QStringLiteral("9783161484100"));
        auto* fetch = child<QPushButton>("BTiteldaten");
        fetch->click();
        QVERIFY(m_w->titleLookup().running());
        QCOMPARE(note(), QStringLiteral("Titeldaten werden geholt …"));
        // The window goes on working while it waits.
        typeInto(child<DBEdit>("DBEdit1"), QStringLiteral("Beim Warten getippt"));
        QTRY_COMPARE(m_responder->requests().size(), 1);
        fetch->click(); // "Abbrechen"
        QVERIFY(!m_w->titleLookup().running());
        QCOMPARE(fetch->text(), QStringLiteral("Titeldaten holen"));
        QVERIFY(MessageService::takeShown().isEmpty());
        QCOMPARE(field("Verfasser"), QStringLiteral("Beim Warten getippt"));

        m_w->titleLookup().setTimeout(200);
        fetch->click();
        waitForLookup();
        const QStringList texts = MessageService::takeShownTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().contains(QStringLiteral("nicht rechtzeitig")), qPrintable(texts.first()));
        QCOMPARE(field("Verfasser"), QStringLiteral("Beim Warten getippt"));
    }

    // Moving to another book while the service is asked: the data never land on the other book.
    void anotherBookEndsTheLookup() {
        m_fx->addBook(QStringLiteral("Alt, Anna"), QStringLiteral("Erstes Buch"));
        m_responder->hang();
        newBookWithIsbn(QStringLiteral("9783161484100"));
        child<QPushButton>("BTiteldaten")->click();
        QVERIFY(m_w->titleLookup().running());
        m_fx->books().Prior(); // the new book is saved and the first one is current
        QVERIFY(!m_w->titleLookup().running());
        m_responder->answer(response({novel()}));
        QTest::qWait(20);
        QCOMPARE(field("Titel"), QStringLiteral("Erstes Buch"));
        QCOMPARE(field("Verlag"), QString());
    }
};

QTEST_MAIN(TitleDataWindowTest)
#include "tst_titledatawindow.moc"
