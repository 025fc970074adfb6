#include "core/EngineError.h"
#include "ui/ButtonBar.h"
#include "ui/ErrorPath.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/LesaroDialog.h"
#include "ui/MessageService.h"
#include "ui/WindowStyle.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace lesaro;
using B = MessageService::Button;

Q_DECLARE_METATYPE(lesaro::MessageService::Buttons)
Q_DECLARE_METATYPE(lesaro::MessageService::Button)
Q_DECLARE_METATYPE(lesaro::MessageService::Kind)

namespace {

// The dialog of a later window, as small as it gets: its layout and a button.
class SampleDialog : public LesaroDialog {
public:
    SampleDialog() {
        setWindowTitle(QStringLiteral("Ausleihe buchen"));
        auto* layout = new QVBoxLayout(contentArea());
        layout->addWidget(new QLabel(QStringLiteral("Leser:"), contentArea()));
        BBuchen = addBarButton(QStringLiteral("BBuchen"), QStringLiteral(" Buchen"), QColor(0, 128, 0));
        BAbbrechen = addBarButton(QStringLiteral("BAbbrechen"), QStringLiteral("Abbrechen"));
    }
    FlatButton* BBuchen;
    FlatButton* BAbbrechen;
};

// A window that keeps the user a number of times (as one with unsaved entries would) and counts its hooks.
class GuardedDialog : public LesaroDialog {
public:
    bool FormCloseQuery() override {
        ++queries;
        if (refusals == 0)
            return true;
        --refusals;
        return false;
    }
    void FormShow() override { ++shows; }

    int refusals = 0;
    int queries = 0;
    int shows = 0;
};

// A window whose handlers go through the dialog's error path.
class WorkingDialog : public LesaroDialog {
public:
    using LesaroDialog::run;
};

// The ways a user or a window closes a dialog.
enum class CloseBy { CloseBox, Escape, Reject, Accept };

void closeBy(CloseBy how, QDialog& d) {
    switch (how) {
    case CloseBy::CloseBox: {
        // What the desktop sends when the title bar's close box is clicked.
        QCloseEvent event;
        QCoreApplication::sendEvent(d.windowHandle(), &event);
        break;
    }
    case CloseBy::Escape:
        QTest::keyClick(&d, Qt::Key_Escape);
        break;
    case CloseBy::Reject:
        d.reject();
        break;
    case CloseBy::Accept:
        d.accept();
        break;
    }
}

bool near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) <= 4 && qAbs(a.green() - b.green()) <= 4 && qAbs(a.blue() - b.blue()) <= 4;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
    }

    void dialogStyle() {
        SampleDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.windowType(), Qt::Tool);
        QCOMPARE(d.palette().color(QPalette::Window), QColor(233, 233, 233));
        QCOMPARE(d.minimumSize(), d.maximumSize()); // the user cannot resize it

        ButtonBar* bar = d.buttonBar();
        QCOMPARE(bar->height(), 51);
        QCOMPARE(bar->width(), d.width());
        QCOMPARE(bar->geometry().bottom(), d.height() - 1);
        const QImage picture = bar->grab().toImage();
        QVERIFY(near(picture.pixelColor(2, 0), QColor(233, 233, 233)));
        QVERIFY(near(picture.pixelColor(2, picture.height() - 1), QColor(0, 0, 128)));

        // Buttons from the left in the order added, the help button at the right end.
        QToolButton* help = d.findChild<QToolButton*>(QStringLiteral("BHilfe"));
        QVERIFY(help);
        QCOMPARE(help->toolTip(), QStringLiteral("Hile aufrufen"));
        QVERIFY(d.BBuchen->geometry().right() < d.BAbbrechen->geometry().left());
        QVERIFY(d.BAbbrechen->geometry().right() < help->geometry().left());
        QVERIFY(bar->width() - help->geometry().right() <= 12);
        for (QWidget* w : {static_cast<QWidget*>(d.BBuchen), static_cast<QWidget*>(help)})
            QVERIFY(bar->rect().contains(w->geometry()));
        QCOMPARE(d.findChild<FlatButton*>(QStringLiteral("BBuchen")), d.BBuchen);
        QVERIFY(!d.BBuchen->autoDefault());
        QCOMPARE(d.BBuchen->faceColor(), QColor(0, 128, 0));

        d.setClientSize(400, 300);
        QCOMPARE(d.size(), QSize(400, 300));
        QCOMPARE(d.buttonBar()->height(), 51);
    }

    // Every way of closing asks FormCloseQuery once; a refusal keeps the window open and the next attempt
    // closes it with the result of that attempt.
    void closeQueryGuardsEveryPath_data() {
        QTest::addColumn<CloseBy>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("close box") << CloseBy::CloseBox << int(QDialog::Rejected);
        QTest::newRow("Esc") << CloseBy::Escape << int(QDialog::Rejected);
        QTest::newRow("reject") << CloseBy::Reject << int(QDialog::Rejected);
        QTest::newRow("accept") << CloseBy::Accept << int(QDialog::Accepted);
    }
    void closeQueryGuardsEveryPath() {
        QFETCH(CloseBy, how);
        QFETCH(int, result);
        GuardedDialog d;
        d.setResult(-1);
        d.refusals = 1;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));

        closeBy(how, d);
        QVERIFY(d.isVisible());
        QCOMPARE(d.queries, 1);
        QCOMPARE(d.result(), -1);

        closeBy(how, d);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.queries, 2);
        QCOMPARE(d.result(), result);
    }

    // Shown modally, a refused Esc does not end exec(); the user's second Esc does.
    void refusedCloseKeepsModalWindowOpen() {
        GuardedDialog d;
        d.refusals = 2;
        bool openAfterRefusals = false;
        QTimer::singleShot(0, &d, [&] {
            closeBy(CloseBy::Escape, d);
            closeBy(CloseBy::CloseBox, d);
            openAfterRefusals = d.isVisible();
            closeBy(CloseBy::Escape, d);
        });
        // Should the window wrongly stay open, the test ends it past the query instead of hanging.
        QTimer::singleShot(5000, &d, [&] { d.QDialog::done(QDialog::Accepted); });
        QCOMPARE(d.exec(), int(QDialog::Rejected));
        QVERIFY(openAfterRefusals);
        QCOMPARE(d.queries, 3);
    }

    // FormShow runs at every showing, modal or not, so a window can set itself up afresh each time.
    void formShowRunsAtEveryShowing() {
        GuardedDialog d;
        QCOMPARE(d.shows, 0);
        d.show();
        QCOMPARE(d.shows, 1);
        d.show(); // already visible: not shown again
        QCOMPARE(d.shows, 1);
        d.hide();
        d.show();
        QCOMPARE(d.shows, 2);
        d.hide();
        QTimer::singleShot(0, &d, [&] { d.reject(); });
        d.exec();
        QCOMPARE(d.shows, 3);
    }

    void confirmationsTakeQueuedAnswers() {
        MessageService::answerNext(B::Yes);
        MessageService::answerNext(B::Cancel);
        const QString question =
            QStringLiteral("Sind Sie sicher, dass Sie das aktuell markierte Buch löschen möchten?");
        QCOMPARE(MessageService::confirm(nullptr, question, B::Yes | B::Cancel), B::Yes);
        MessageService::notice(nullptr, QStringLiteral("Keine Leser vorhanden")); // takes no answer
        QCOMPARE(MessageService::confirm(nullptr, QStringLiteral("Datensatz löschen?"), B::Ok | B::Cancel), B::Cancel);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
        QCOMPARE(shown[0].text, question);
        QCOMPARE(shown[0].buttons, B::Yes | B::Cancel);
        QCOMPARE(shown[1].kind, MessageService::Kind::Notice);
        QCOMPARE(shown[1].text, QStringLiteral("Keine Leser vorhanden"));
        QCOMPARE(shown[2].answer, B::Cancel);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // With nothing queued a test still does not block: the box is closed as with Escape.
    void unansweredConfirmationEscapes_data() {
        QTest::addColumn<MessageService::Buttons>("buttons");
        QTest::addColumn<MessageService::Button>("answer");
        QTest::newRow("Ja Nein Abbrechen") << (B::Yes | B::No | B::Cancel) << B::Cancel;
        QTest::newRow("Ja Nein") << (B::Yes | B::No) << B::No;
        QTest::newRow("OK") << MessageService::Buttons(B::Ok) << B::Ok;
    }
    void unansweredConfirmationEscapes() {
        QFETCH(MessageService::Buttons, buttons);
        QFETCH(MessageService::Button, answer);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued")));
        QCOMPARE(MessageService::confirm(nullptr, QStringLiteral("Frage"), buttons), answer);
    }

    // The real box: German buttons in the order Ja, Nein, Abbrechen; the one clicked is returned.
    void realBoxHasGermanButtons() {
        MessageService::setAnswering(false);
        QStringList labels;
        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            for (QAbstractButton* b : box->buttons())
                labels << b->text();
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == QStringLiteral("&Nein"))
                    b->click();
            }
        });
        const B answer = MessageService::confirm(nullptr, QStringLiteral("Speichern?"), B::Yes | B::No | B::Cancel);
        QCOMPARE(answer, B::No);
        QCOMPARE(title, QStringLiteral("Bestätigen"));
        labels.sort();
        QCOMPARE(labels, (QStringList{"&Ja", "&Nein", "Abbrechen"}));
    }

    // A message shows its text as it stands: a file name or a typed entry that looks like markup is not
    // rendered as markup, in every kind of box.
    void realBoxesShowTextsAsTheyAre_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("confirmation") << "confirm";
        QTest::newRow("notice") << "notice";
        QTest::newRow("choice") << "choose";
    }
    void realBoxesShowTextsAsTheyAre() {
        QFETCH(QString, how);
        MessageService::setAnswering(false);
        const QString text =
            QStringLiteral("Leser <font color=\"white\">x</font><h1>Bitte Buch einbehalten</h1> gespeichert.");
        QString shownText;
        int format = -1;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            shownText = label->text();
            format = int(label->textFormat());
            box->buttons().first()->click();
        });
        if (how == "confirm")
            MessageService::confirm(nullptr, text, B::Ok);
        else if (how == "notice")
            MessageService::notice(nullptr, text);
        else
            MessageService::choose(nullptr, MessageService::Kind::Warning, text, {QStringLiteral("Weiter")}, 0);
        QCOMPARE(shownText, text);
        QCOMPARE(format, int(Qt::PlainText));
    }

    // Start-up speaks before the main window exists: a box without a parent stands alone, titled with the
    // application's name, with one "OK" button and the icon of its kind.
    void boxWithoutParentStandsAlone_data() {
        QTest::addColumn<MessageService::Kind>("kind");
        QTest::addColumn<int>("icon");
        QTest::newRow("notice") << MessageService::Kind::Notice << int(QMessageBox::Information);
        QTest::newRow("warning") << MessageService::Kind::Warning << int(QMessageBox::Warning);
        QTest::newRow("error") << MessageService::Kind::Error << int(QMessageBox::Critical);
    }
    void boxWithoutParentStandsAlone() {
        QFETCH(MessageService::Kind, kind);
        QFETCH(int, icon);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), "no window may be open yet");
        MessageService::setAnswering(false);
        const QString text = QStringLiteral("Der Datenordner wird gerade von einem anderen Lesaro verwendet.");
        QString title;
        QString shownText;
        QStringList labels;
        QWidget* parent = nullptr;
        int shownIcon = -1;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            shownText = box->text();
            parent = box->parentWidget();
            shownIcon = int(box->icon());
            for (QAbstractButton* b : box->buttons())
                labels << b->text();
            box->buttons().first()->click();
        });
        switch (kind) {
        case MessageService::Kind::Notice:
            MessageService::notice(nullptr, text);
            break;
        case MessageService::Kind::Warning:
            MessageService::warning(nullptr, text);
            break;
        default:
            MessageService::error(nullptr, text);
            break;
        }
        QCOMPARE(shownText, text);
        QCOMPARE(parent, static_cast<QWidget*>(nullptr));
        QCOMPARE(shownIcon, icon);
        QVERIFY(!title.isEmpty());
        QCOMPARE(title, QApplication::applicationDisplayName());
        QCOMPARE(labels, QStringList{QStringLiteral("OK")});
    }

    // A handler's work through run(): an engine failure ends it at the throw and reaches the user as one error
    // box with the engine's German text, unchanged; the window stays open and the next handler runs as usual.
    void runShowsEngineFailures_data() {
        QTest::addColumn<int>("failAt");   // the step that fails; 0: none does
        QTest::addColumn<QString>("text"); // the failure's message
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("stepsDone");
        QTest::newRow("work ends") << 0 << QString() << true << 3;
        QTest::newRow("first step fails")
            << 1 << QStringLiteral("Operation bei geschlossener Datenmenge nicht möglich") << false << 0;
        QTest::newRow("last step fails") << 3
                                         << QStringLiteral("'12,5x' ist kein gültiger Fließkommawert für Feld 'Preis'")
                                         << false << 2;
        QTest::newRow("several lines, quotes and umlauts")
            << 2 << QStringLiteral("Die Datei „C:\\Sicherung\\buecher30.b04“ fehlt.\n\nEs wurde nichts zurückgelesen.")
            << false << 1;
        QTest::newRow("empty text") << 2 << QString() << false << 1;
    }
    void runShowsEngineFailures() {
        QFETCH(int, failAt);
        QFETCH(QString, text);
        QFETCH(bool, result);
        QFETCH(int, stepsDone);
        WorkingDialog d;
        d.show();
        int done = 0;
        const auto work = [&] {
            for (int step = 1; step <= 3; ++step) {
                if (step == failAt)
                    throw EngineError(text);
                ++done;
            }
        };
        QCOMPARE(d.run(work), result);
        QCOMPARE(done, stepsDone);
        auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), result ? 0 : 1);
        if (!result) {
            QCOMPARE(shown[0].kind, MessageService::Kind::Error);
            QCOMPARE(shown[0].text, text);
            QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Ok));
        }
        QVERIFY(d.isVisible());
        // The same path serves the controls inside a window, with their window as the parent.
        done = 0;
        QCOMPARE(runOrShowError(d.contentArea()->window(), work), result);
        QCOMPARE(done, stepsDone);
        QCOMPARE(MessageService::takeShown().size(), result ? 0 : 1);
        // The failure is over: the next handler runs and succeeds.
        QVERIFY(d.run([&] { ++done; }));
        QCOMPARE(done, stepsDone + 1);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // Only the engine's failures carry a text for the user; anything else is a fault of the program and is
    // not swallowed into a box.
    void runLetsOtherExceptionsThrough() {
        WorkingDialog d;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, d.run([] { throw std::runtime_error("kaputt"); }));
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void warningsAreRecordedAsSuch() {
        MessageService::warning(nullptr, QStringLiteral("Achtung"));
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Warning);
        QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Ok));
    }

    void fileDialogsTakeQueuedNames() {
        FileDialogService::answerNext(QStringLiteral("/tmp/leser.csv"));
        QCOMPARE(FileDialogService::saveFileName(nullptr, QStringLiteral("Leser exportieren")),
                 QStringLiteral("/tmp/leser.csv"));
        QCOMPARE(FileDialogService::existingFolder(nullptr, QStringLiteral("Sicherungsordner")), QString());
        QCOMPARE(FileDialogService::takeAsked(),
                 (QStringList{QStringLiteral("Leser exportieren"), QStringLiteral("Sicherungsordner")}));
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
