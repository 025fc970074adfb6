#include "ButtonBar.h"
#include "FileDialogService.h"
#include "FlatButton.h"
#include "HelpService.h"
#include "LesaroDialog.h"
#include "MessageService.h"
#include "WindowStyle.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace lesaro;
using B = MessageService::Button;

Q_DECLARE_METATYPE(lesaro::MessageService::Buttons)
Q_DECLARE_METATYPE(lesaro::MessageService::Button)

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

bool near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) <= 4 && qAbs(a.green() - b.green()) <= 4 && qAbs(a.blue() - b.blue()) <= 4;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    QList<QUrl> m_opened;
    bool m_openerResult = true;
    QTemporaryDir m_programFolder;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_programFolder.isValid());
        HelpService::setProgramFolder(m_programFolder.path());
        HelpService::setOpener([this](const QUrl& url) {
            m_opened << url;
            return m_openerResult;
        });
    }

    void init() {
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
        m_opened.clear();
        m_openerResult = true;
        QFile::remove(HelpService::manualPath());
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

    void helpOpensTheManual() {
        QFile manual(HelpService::manualPath());
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        QCOMPARE(QFileInfo(HelpService::manualPath()).fileName(), QStringLiteral("Lesaro - Handbuch.pdf"));

        SampleDialog d;
        d.findChild<QToolButton*>(QStringLiteral("BHilfe"))->click();
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(HelpService::manualPath())});
        QCOMPARE(MessageService::takeShown().size(), 0);

        // A manual that no program can show is reported.
        m_openerResult = false;
        QVERIFY(!HelpService::openManual(&d));
        const QStringList texts = MessageService::takeShownTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains(QStringLiteral("nicht geöffnet")));
    }

    // A missing manual is reported instead of passed over in silence.
    void missingManualIsReported() {
        QVERIFY(!HelpService::openManual(nullptr));
        QVERIFY(m_opened.isEmpty());
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Notice);
        QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Ok));
        QVERIFY(shown[0].text.contains(QStringLiteral("„Lesaro - Handbuch.pdf“ wurde nicht gefunden")));
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
