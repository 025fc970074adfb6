#include "core/Clock.h"
#include "shell/TInfoF.h"
#include "shell/TNetzwerkF.h"
#include "shell/TUmfrageF.h"
#include "ui/DesktopOpener.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace lesaro;

namespace {

std::unique_ptr<LesaroDialog> makeWindow(const QString& kind) {
    if (kind == QLatin1String("info"))
        return std::make_unique<TInfoF>();
    if (kind == QLatin1String("netzwerk"))
        return std::make_unique<TNetzwerkF>();
    return std::make_unique<TUmfrageF>();
}

QString labelText(const QWidget& w, const char* name) {
    const auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QString::fromLatin1(name));
}

// Pages in a PDF written by Qt: each page object carries "/Type /Page" (the page tree "/Type /Pages").
int pdfPageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page")) - int(pdf.count("/Type /Pages"));
}

} // namespace

class PeripheralTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pdf;
    QList<QUrl> m_opened;
    bool m_openerResult = true;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        DesktopOpener::setOpener([this](const QUrl& url) {
            m_opened << url;
            return m_openerResult;
        });
    }

    void init() {
        MessageService::setAnswering(true);
        // Unanswered print dialogs count as cancelled.
        PrintDialogService::setAnswering(true);
        m_pdf.clear();
        m_opened.clear();
        m_openerResult = true;
        Clock::setFixedNow(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    }

    void cleanupTestCase() {
        PrintDialogService::setAnswering(false);
        DesktopOpener::setOpener({});
        Clock::setFixedNow({});
    }

    // Each window opens modally in the house style under its menu item's text, and its button closes it.
    void windowsOpenAndClose_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("closeButton");
        QTest::addColumn<QString>("closeCaption");
        QTest::newRow("Info") << "info"
                              << "Info"
                              << "BOK"
                              << "OK";
        QTest::newRow("Netzwerk") << "netzwerk"
                                  << "Netzwerk- und Mehrbenutzerbetrieb"
                                  << "BOK"
                                  << "OK";
        QTest::newRow("Umfrage") << "umfrage"
                                 << "UMFRAGE zur Verbesserung des Programmes"
                                 << "BSchliessen" << QString::fromUtf8("Schließen");
    }
    void windowsOpenAndClose() {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, closeButton);
        QFETCH(QString, closeCaption);
        const auto w = makeWindow(kind);
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->palette().color(QPalette::Window), QColor(233, 233, 233));
        auto* close = w->findChild<FlatButton*>(closeButton);
        QVERIFY(close);
        QCOMPARE(close->text(), closeCaption);

        bool wasShown = false;
        QTimer::singleShot(0, this, [&] {
            wasShown = w->isVisible();
            close->click();
        });
        QTimer::singleShot(5000, w.get(), [&] { w->done(-1); }); // never hang on a button that does nothing
        const int result = w->exec();
        QVERIFY(wasShown);
        QCOMPARE(result, int(QDialog::Accepted));
        // Every line fits: the fixed-size window did not squeeze its content.
        QVERIFY(w->contentArea()->width() >= w->contentArea()->sizeHint().width());
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void infoNamesProgramAndPostcodeSource() {
        TInfoF w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(labelText(w, "LProgramm"), QStringLiteral("Lesaro 2012"));
        QCOMPARE(labelText(w, "LTitel"), QStringLiteral("Orvendel Software - Lesaro 2012"));
        QCOMPARE(labelText(w, "LVersion"), QStringLiteral("Version 2012"));
        QVERIFY(!labelText(w, "LBeschreibung").isEmpty());
        QCOMPARE(labelText(w, "LPostleitzahlen"), QStringLiteral("Postleitzahlen: GeoNames (geonames.org), CC BY 4.0"));
        QCOMPARE(labelText(w, "LLizenz"), QStringLiteral("https://creativecommons.org/licenses/by/4.0/"));
        // Shown as text, not as a link the program would follow.
        QVERIFY(!w.findChild<QLabel*>(QStringLiteral("LLizenz"))->openExternalLinks());
    }

    void networkNoteShowsTheDataFolder() {
        TNetzwerkF w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* folder = w.findChild<QLabel*>(QStringLiteral("LDatenordner"));
        QVERIFY(folder);
        QVERIFY(!folder->isVisible());
        w.setDataFolder(QStringLiteral("/home/bib/.local/share/Tomarelle 2022/"));
        QVERIFY(folder->isVisible());
        QVERIFY(folder->text().contains(QStringLiteral("Tomarelle 2022")));
        QVERIFY(w.contentArea()->height() >= w.contentArea()->sizeHint().height());
        w.setDataFolder({});
        QVERIFY(!folder->isVisible());
        // The way to move the data names the menu item the user will find.
        QVERIFY(labelText(w, "LUmzug").contains(QStringLiteral("„Datenbank sichern/zurücklesen“")));
    }

    // What the user typed reaches the printout as typed: markup stays text, line breaks stay, and a
    // described other place of use counts as the answer "Sonstiges".
    void surveyPrintoutHoldsTheAnswers() {
        TUmfrageF w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClicks(w.findChild<QLineEdit*>(QStringLiteral("ESonstige")), QStringLiteral("Kindergarten"));
        QVERIFY(w.findChild<QRadioButton*>(QStringLiteral("RBSonstige"))->isChecked());
        w.findChild<QComboBox*>(QStringLiteral("CBBuecherzahl"))->setCurrentIndex(2);
        w.findChild<QPlainTextEdit*>(QStringLiteral("MGut"))
            ->setPlainText(QStringLiteral("<b>Die Ausleihe</b> & Rückgabe\nDie Listen"));

        QTextDocument doc;
        doc.setHtml(w.surveyHtml());
        const QString text = doc.toPlainText();
        QVERIFY2(text.contains(QStringLiteral("<b>Die Ausleihe</b> & Rückgabe\nDie Listen")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Sonstiges: Kindergarten")));
        QVERIFY(text.contains(QStringLiteral("501 bis 2.000")));
        QVERIFY(text.contains(QStringLiteral("05.03.2024")));
        // Unanswered: the library's name and what is missing.
        QCOMPARE(text.count(QStringLiteral("(keine Angabe)")), 2);

        // Choosing a listed place replaces "Sonstiges".
        w.findChild<QRadioButton*>(QStringLiteral("RBSchule"))->click();
        doc.setHtml(w.surveyHtml());
        QVERIFY(doc.toPlainText().contains(QStringLiteral("Schulbibliothek")));
        QVERIFY(!doc.toPlainText().contains(QStringLiteral("Kindergarten")));
    }

    // "Drucken" prints through the printer the user set up, page by page.
    void surveyPrintsToPdf_data() {
        QTest::addColumn<int>("answerLines");
        QTest::addColumn<int>("minPages");
        QTest::addColumn<int>("maxPages");
        QTest::newRow("short") << 1 << 1 << 1;
        QTest::newRow("long answer runs onto more pages") << 150 << 3 << 20;
    }
    void surveyPrintsToPdf() {
        QFETCH(int, answerLines);
        QFETCH(int, minPages);
        QFETCH(int, maxPages);
        TUmfrageF w;
        QStringList lines;
        for (int i = 1; i <= answerLines; ++i)
            lines << QStringLiteral("Wunsch Nummer %1").arg(i);
        w.findChild<QPlainTextEdit*>(QStringLiteral("MFehlt"))->setPlainText(lines.join(QLatin1Char('\n')));
        m_pdf = m_dir.filePath(QStringLiteral("umfrage-%1.pdf").arg(answerLines));
        PrintDialogService::answerNext(PrintDialogService::Answer::toFile(m_pdf));

        w.findChild<FlatButton*>(QStringLiteral("BDrucken"))->click();
        const auto asked = PrintDialogService::takeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].parent.data(), &w);
        QFile pdf(m_pdf);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        const int pages = pdfPageCount(bytes);
        QVERIFY2(pages >= minPages && pages <= maxPages, qPrintable(QString::number(pages)));
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    void cancelledPrintDialogPrintsNothing() {
        TUmfrageF w;
        QVERIFY(!w.BDruckenClick());
        QCOMPARE(PrintDialogService::takeAsked().size(), 1);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // A printer that cannot start is reported, not taken for a printed survey.
    void failedPrintIsReported() {
        TUmfrageF w;
        m_pdf = m_dir.filePath(QStringLiteral("kein Ordner/umfrage.pdf"));
        PrintDialogService::answerNext(PrintDialogService::Answer::toFile(m_pdf));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("QPainter::begin")));
        QVERIFY(!w.BDruckenClick());
        QVERIFY(!QFile::exists(m_pdf));
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QVERIFY(shown[0].text.contains(QStringLiteral("nicht gedruckt")));
    }

    void webPageOpensTheMakersAddress() {
        QVERIFY(DesktopOpener::openMakerPage(nullptr));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.orvendel-software.de"))});
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // Without a browser the user learns why nothing happened and gets the address to type in elsewhere.
    void webPageWithoutBrowserIsReported() {
        m_openerResult = false;
        QVERIFY(!DesktopOpener::openMakerPage(nullptr));
        QCOMPARE(m_opened.size(), 1);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Notice);
        QCOMPARE(shown[0].buttons, MessageService::Buttons(MessageService::Button::Ok));
        QVERIFY(shown[0].text.contains(QStringLiteral("kein Webbrowser")));
        QVERIFY(shown[0].text.contains(QStringLiteral("https://www.orvendel-software.de")));
    }
};

QTEST_MAIN(PeripheralTest)
#include "tst_peripheral.moc"
