// The print-dialog service: answers given by a test reach the printer without a dialog, and the real
// dialogs are asked with the caller's title and pages.
#include "ui/PrintDialogService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace lesaro;
using Kind = PrintDialogService::Kind;
using Answer = PrintDialogService::Answer;

Q_DECLARE_METATYPE(lesaro::PrintDialogService::Kind)
Q_DECLARE_METATYPE(lesaro::PrintDialogService::Answer)

namespace {

bool ask(Kind kind, QPrinter& printer, QWidget* parent, const QString& title, int pageCount = 0) {
    switch (kind) {
    case Kind::Print:
        return PrintDialogService::print(printer, parent, title, pageCount);
    case Kind::PrinterSetup:
        return PrintDialogService::printerSetup(printer, parent, title);
    case Kind::PageSetup:
        return PrintDialogService::pageSetup(printer, parent, title);
    }
    return false;
}

Answer landscape() {
    Answer a;
    a.accepted = true;
    a.orientation = QPageLayout::Landscape;
    return a;
}

} // namespace

class PrintDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { PrintDialogService::setAnswering(true); }
    void cleanupTestCase() { PrintDialogService::setAnswering(false); }

    // Only what the answer sets reaches the printer; the page range only from the print dialog.
    void answerReachesThePrinter_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("toFile");
        QTest::addColumn<int>("range"); // QPrinter::PrintRange
        QTest::addColumn<int>("fromPage");
        QTest::addColumn<int>("toPage");
        QTest::addColumn<int>("orientation"); // QPageLayout::Orientation

        const int all = QPrinter::AllPages;
        const int pages = QPrinter::PageRange;
        const int portrait = QPageLayout::Portrait;
        const QString pdf = QStringLiteral("liste.pdf");
        QTest::newRow("print all pages into a file")
            << Kind::Print << Answer::toFile(pdf) << true << true << all << 0 << 0 << portrait;
        QTest::newRow("print pages 2 to 3")
            << Kind::Print << Answer::toFile(pdf, 2, 3) << true << true << pages << 2 << 3 << portrait;
        QTest::newRow("single page") << Kind::Print << Answer::toFile(pdf, 4, 4) << true << true << pages << 4 << 4
                                     << portrait;
        QTest::newRow("backwards range means all")
            << Kind::Print << Answer::toFile(pdf, 3, 2) << true << true << all << 0 << 0 << portrait;
        QTest::newRow("print cancelled") << Kind::Print << Answer::cancelled() << false << false << all << 0 << 0
                                         << portrait;
        QTest::newRow("cancel leaves the printer alone") << Kind::PageSetup << [] {
            Answer a = landscape();
            a.accepted = false;
            return a;
        }() << false << false << all << 0 << 0 << portrait;
        QTest::newRow("page setup turns the page")
            << Kind::PageSetup << landscape() << true << false << all << 0 << 0 << int(QPageLayout::Landscape);
        QTest::newRow("printer setup chooses no pages")
            << Kind::PrinterSetup << Answer::toFile(pdf, 2, 3) << true << true << all << 0 << 0 << portrait;
    }
    void answerReachesThePrinter() {
        QFETCH(Kind, kind);
        QFETCH(Answer, answer);
        QFETCH(bool, accepted);
        QFETCH(bool, toFile);
        QFETCH(int, range);
        QFETCH(int, fromPage);
        QFETCH(int, toPage);
        QFETCH(int, orientation);
        if (!answer.outputFileName.isEmpty())
            answer.outputFileName = m_dir.filePath(answer.outputFileName);

        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Portrait);
        PrintDialogService::answerNext(answer);
        QCOMPARE(ask(kind, printer, nullptr, QStringLiteral("Drucken"), 5), accepted);
        QCOMPARE(printer.outputFileName(), toFile ? answer.outputFileName : QString());
        QCOMPARE(int(printer.printRange()), range);
        QCOMPARE(printer.fromPage(), fromPage);
        QCOMPARE(printer.toPage(), toPage);
        QCOMPARE(int(printer.pageLayout().orientation()), orientation);
    }

    // Each request is recorded with what it was asked; with no answer queued a dialog counts as
    // cancelled, so a test never waits for a user.
    void requestsAreRecorded() {
        QWidget parent;
        QPrinter printer;
        PrintDialogService::answerNext(Answer::toFile(m_dir.filePath(QStringLiteral("a.pdf"))));
        QVERIFY(PrintDialogService::print(printer, &parent, QStringLiteral("Bücherliste drucken"), 7));
        QVERIFY(!PrintDialogService::printerSetup(printer, &parent, QStringLiteral("Drucker einrichten")));
        QVERIFY(!PrintDialogService::pageSetup(printer, nullptr));

        const auto asked = PrintDialogService::takeAsked();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked[0].kind, Kind::Print);
        QCOMPARE(asked[0].title, QStringLiteral("Bücherliste drucken"));
        QCOMPARE(asked[0].parent, &parent);
        QCOMPARE(asked[0].pageCount, 7);
        QCOMPARE(asked[1].kind, Kind::PrinterSetup);
        QCOMPARE(asked[1].title, QStringLiteral("Drucker einrichten"));
        QCOMPARE(asked[1].pageCount, 0);
        QCOMPARE(asked[2].kind, Kind::PageSetup);
        QCOMPARE(asked[2].parent, nullptr);
        QVERIFY(PrintDialogService::takeAsked().isEmpty());

        // Switching answering on again forgets what was queued.
        PrintDialogService::answerNext(landscape());
        PrintDialogService::setAnswering(true);
        QVERIFY(!PrintDialogService::pageSetup(printer, nullptr));
    }

    // Even where no printer is installed, as on the offscreen platform, an accepted answer gives a printer
    // that prints.
    void answeredPrinterPrints() {
        const QString pdf = m_dir.filePath(QStringLiteral("umfrage.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        PrintDialogService::answerNext(Answer::toFile(pdf));
        QVERIFY(PrintDialogService::print(printer, nullptr, QStringLiteral("Umfrage drucken")));
        QPainter painter;
        QVERIFY(painter.begin(&printer));
        painter.drawText(QPointF(100, 100), QStringLiteral("Lesaro"));
        QVERIFY(painter.end());
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
    }

    // The real dialogs get the caller's title and, for printing, the pages offered and preset.
    void realDialogsAreAskedAsCalled_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("print") << Kind::Print;
        QTest::newRow("printer setup") << Kind::PrinterSetup;
        QTest::newRow("page setup") << Kind::PageSetup;
    }
    void realDialogsAreAskedAsCalled() {
        QFETCH(Kind, kind);
        PrintDialogService::setAnswering(false);
        QPrinter printer;
        QWidget parent;
        QString title;
        QWidget* dialogParent = nullptr;
        int minPage = -1;
        int maxPage = -1;
        bool pageRangeOffered = false;
        QString okText;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            dialogParent = dialog->parentWidget();
            if (auto* print = qobject_cast<QPrintDialog*>(dialog)) {
                minPage = print->minPage();
                maxPage = print->maxPage();
                pageRangeOffered = print->testOption(QAbstractPrintDialog::PrintPageRange);
                if (auto* box = print->findChild<QDialogButtonBox*>())
                    okText = box->button(QDialogButtonBox::Ok)->text();
            } else {
                QVERIFY(qobject_cast<QPageSetupDialog*>(dialog));
            }
            dialog->reject();
        });
        QVERIFY(!ask(kind, printer, &parent, QStringLiteral("Bücherliste"), 4));
        QCOMPARE(title, QStringLiteral("Bücherliste"));
        QCOMPARE(dialogParent, &parent);
        if (kind == Kind::Print) {
            QVERIFY(pageRangeOffered);
            QCOMPARE(minPage, 1);
            QCOMPARE(maxPage, 4);
            QCOMPARE(printer.fromPage(), 1);
            QCOMPARE(printer.toPage(), 4);
        }
        if (kind == Kind::PrinterSetup) {
            QVERIFY(!pageRangeOffered);
            QCOMPARE(okText, QStringLiteral("OK"));
        }
    }
};

QTEST_MAIN(PrintDialogsTest)
#include "tst_printdialogs.moc"
