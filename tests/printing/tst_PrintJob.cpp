// The print job on its own: its settings and margins check, drawing, printing in order, in reverse and one
// document per page, the progress dialog, and dragging the preview. Its page geometry as plain figures is
// tested with the printing's rules.
#include "PrintFixture.h"
#include "support/Files.h"
#include "support/SmallDisk.h"

#include "printing/PrintProgressDialog.h"
#include "printing/PrinterChoice.h"
#include "printing/TPreview.h"
#include "printing/TPreviewToolbar.h"
#include "printing/TPrintJob.h"

#include <QApplication>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <unistd.h>

using namespace lesaro;
using namespace printtest;

Q_DECLARE_METATYPE(lesaro::TMarginsError)
Q_DECLARE_METATYPE(lesaro::TPrintModes)

namespace {

constexpr auto px = TUnits::unPixels;
constexpr auto in = TUnits::unInches;
constexpr auto mm = TUnits::unMillimeters;

// A job on a page of "Seite n" texts; the page given as last ends the document there.
struct TextJob {
    TPrintJob job;
    QList<int> drawn;
    int abortOn = 0;
    TextJob(int pages) {
        job.setPageCount(pages);
        job.setOrientation(TPageOrientation::orPortrait);
        job.OnDraw = [this](TPrintJob& j, QPainter& p, int page, const QRect&, TDrawArea, TDrawTarget) {
            drawn.append(page);
            p.setFont(j.PointFont(QStringLiteral("Arial"), 40));
            p.drawText(600, 600, QStringLiteral("Seite %1").arg(page));
            if (page == abortOn)
                j.Abort();
        };
    }
};

QList<int> pageNumbersOf(const QString& file) {
    QList<int> numbers;
    for (const QString& page : pdfPages(file)) {
        const auto m = QRegularExpression(QStringLiteral("Seite (\\d+)")).match(page);
        numbers.append(m.hasMatch() ? m.captured(1).toInt() : 0);
    }
    return numbers;
}

// The page count as pdfinfo reads it from the file, -1 when it cannot.
int pdfinfoPages(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    const auto m = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                       .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A 600 dpi PDF printer on A4 that cannot print the outer 5 mm of its sheet. With fullPage the canvas begins at
// the sheet's corner, without it at the corner of the printable area.
void useFiveMillimetrePrinter(QPrinter& printer, bool fullPage) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setFullPage(fullPage);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                      QPageLayout::Millimeter, QMarginsF(5, 5, 5, 5)));
}

} // namespace

class tst_PrintJob : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void picturesAndTabbedTextOnTheCanvas();

    void defaultsOfANewJob();
    void marginsCheckModes_data();
    void marginsCheckModes();
    void drawGivesDefaultsAndBandsInOrder_data();
    void drawGivesDefaultsAndBandsInOrder();
    void printerCanvasMovesTheBands();
    void locksNeverGoBelowZero();
    void updateReachesLinkedJobsAndControls();

    void printsInOrderAndInReverse_data();
    void printsInOrderAndInReverse();
    void printedPagesAgainstAPlainModel();
    void oneDocumentPerPageWritesNumberedFiles();
    void printDialogPrintsTheChosenRange();
    void progressDialogCountsAndCancels();
    void pdfThatCannotBeWrittenStopsWithTheGermanReason_data();
    void pdfThatCannotBeWrittenStopsWithTheGermanReason();

    void previewDragScrollsThePage_data();
    void previewDragScrollsThePage();
    void previewMeasuresTheSheetInDeviceUnits();
    void previewPageAsPicture();
    void toolbarUserButtonAndScaleBox_data();
    void toolbarUserButtonAndScaleBox();
};

void tst_PrintJob::picturesAndTabbedTextOnTheCanvas() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    QImage sheet(1200, 300, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    auto inkIn = [&](int x1, int x2, int y1, int y2) {
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                if (qGray(sheet.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    // A text after a tab stands at the first stop, eight average character widths on.
    QFont font = job.PointFont(QStringLiteral("Arial"), 10);
    font.setPixelSize(40);
    painter.setFont(font);
    const int stop = 8 * QFontMetrics(font, &sheet).averageCharWidth();
    job.TabbedTextOut(painter, 20, 10, QStringLiteral("\tX"));
    QVERIFY(!inkIn(0, 20 + stop - 2, 0, 100));
    QVERIFY(inkIn(20 + stop, 20 + stop + 40, 10, 60));

    // A black square drawn proportionally and centred into a wide box fills its middle only.
    QImage square(10, 10, QImage::Format_RGB32);
    square.fill(Qt::black);
    job.DrawBitmap(painter, QRect(0, 100, 600, 200), square, TStretchMode::smProportional, Qt::AlignCenter);
    painter.end();
    QVERIFY(inkIn(300, 301, 200, 201));
    QVERIFY(!inkIn(180, 199, 100, 300));
    QVERIFY(inkIn(201, 205, 100, 300));
    QVERIFY(!inkIn(402, 600, 100, 300));
}

// ---------------------------------------------------------------------------------------------------
// The job

void tst_PrintJob::defaultsOfANewJob() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    QCOMPARE(job.PageCount(), 1);
    QCOMPARE(job.Title(), QString());
    QVERIFY(!job.MultiDoc());
    QCOMPARE(job.Margins(), TMargins{});
    QCOMPARE(job.MarginsUnits(), px);
    QCOMPARE(job.MarginsError(), TMarginsError::meAutoFix);
    QCOMPARE(job.Header(), 0.0);
    QCOMPARE(job.FooterUnits(), px);
    QCOMPARE(job.PageMode(), TPageMode::pmDefault);
    QCOMPARE(job.PageUnits(), px);
    QCOMPARE(job.Orientation(), TPageOrientation::orDefault);
    QCOMPARE(job.Options(), TJobOptions());
    QVERIFY(!job.RelativeCoords());
    // The built-in "PDF-Datei" printer: A4 at 600 dpi, its whole sheet printable.
    QVERIFY(job.PrinterOK());
    QCOMPARE(job.GetPrintableRect(), job.GetSheetRect());
    // In pmDefault a page width set is replaced by the printer's at once.
    job.setPageWidth(5100);
    QCOMPARE(job.PageWidth(), double(job.PhysicalPageWidth()));
    job.setPageUnits(mm);
    QCOMPARE(job.PageWidth(), std::nearbyint(job.PhysicalPageWidth() * 2540.0 / 600) / 100);
    QVERIFY(qAbs(job.PageWidth() - 210) < 0.2);
    job.setPageMode(TPageMode::pmCustom);
    job.setPageWidth(100);
    QCOMPARE(job.GetSheetRect().width(), 2362);
}

void tst_PrintJob::marginsCheckModes_data() {
    QTest::addColumn<TMarginsError>("mode");
    QTest::addColumn<int>("answer"); // 0 Ja, 1 Nein, -1 no question
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<bool>("raises");
    QTest::newRow("meNone") << TMarginsError::meNone << -1 << false << false;
    QTest::newRow("meAutoFix") << TMarginsError::meAutoFix << -1 << true << false;
    QTest::newRow("meMessageBox, Ja") << TMarginsError::meMessageBox << 0 << true << false;
    QTest::newRow("meMessageBox, Nein") << TMarginsError::meMessageBox << 1 << false << false;
    QTest::newRow("meException") << TMarginsError::meException << -1 << false << true;
}

void tst_PrintJob::marginsCheckModes() {
    QFETCH(TMarginsError, mode);
    QFETCH(int, answer);
    QFETCH(bool, fixed);
    QFETCH(bool, raises);
    Fixture f;
    // A printer that cannot print the outer 5 mm of its sheet.
    QPrinter printer(QPrinter::HighResolution);
    useFiveMillimetrePrinter(printer, true);
    TPrintJob job;
    job.setPrinter(&printer);
    QCOMPARE(job.DeviceCaps().offsetX, 118);
    job.setMarginsError(TMarginsError::meNone);
    job.setMargins({8, 8, 9, 9});
    QCOMPARE(job.Margins(), (TMargins{8, 8, 9, 9}));
    MessageService::takeShown();
    if (answer >= 0)
        MessageService::answerNextChoice(answer);
    bool raised = false;
    try {
        job.setMarginsError(mode);
    } catch (const EPrintJobException& e) {
        raised = true;
        QCOMPARE(e.message(),
                 QStringLiteral("Ein oder mehrere Ränder liegen außerhalb des druckbaren Bereichs der Seite."));
    }
    QCOMPARE(raised, raises);
    QCOMPARE(job.Margins() == (TMargins{118, 118, 118, 118}), fixed);
    QCOMPARE(job.Margins() == (TMargins{8, 8, 9, 9}), !fixed);
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), answer >= 0 ? 1 : 0);
    if (answer >= 0) {
        QCOMPARE(shown[0].kind, MessageService::Kind::Warning);
        QCOMPARE(shown[0].title, QGuiApplication::applicationDisplayName());
        QCOMPARE(shown[0].text, QStringLiteral("Ein oder mehrere Ränder liegen außerhalb des druckbaren Bereichs der "
                                               "Seite.\nSollen sie angepasst werden?"));
        QCOMPARE(shown[0].choices, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
        // A No stands: the updates that follow do not ask again.
        job.Update();
        job.setPageCount(5);
        QCOMPARE(MessageService::takeShown().size(), 0);
    }
}

void tst_PrintJob::drawGivesDefaultsAndBandsInOrder_data() {
    QTest::addColumn<bool>("relative");
    QTest::newRow("absolute") << false;
    QTest::newRow("relative") << true;
}

void tst_PrintJob::drawGivesDefaultsAndBandsInOrder() {
    QFETCH(bool, relative);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    job.setOptions(TJobOption::joMargins | TJobOption::joHeader | TJobOption::joFooter);
    job.setMargins({100, 200, 300, 400});
    job.setHeader(500);
    job.setFooter(600);
    job.setRelativeCoords(relative);
    QStringList calls;
    QList<QRect> handed;
    QList<QPoint> origins;
    job.OnInitDraw = [&](TPrintJob&, QPainter& p, TDrawTarget target) {
        calls.append(QStringLiteral("init"));
        QCOMPARE(target, TDrawTarget::dtExternal);
        // 10 point at 600 dpi.
        QCOMPARE(p.font().pixelSize(), 83);
        QCOMPARE(p.pen().widthF(), 0.0);
        QCOMPARE(p.brush().color(), QColor(Qt::white));
    };
    job.OnDraw = [&](TPrintJob&, QPainter& p, int page, const QRect& rect, TDrawArea area, TDrawTarget) {
        QCOMPARE(page, 4);
        calls.append(QString::number(int(area)));
        handed.append(rect);
        origins.append(p.worldTransform().map(QPoint(0, 0)));
        // A band that moves the origin itself does not move the next one.
        p.translate(7, 7);
    };
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    job.PaintTo(painter, 4);
    QCOMPARE(painter.worldTransform(), QTransform());
    QCOMPARE(calls,
             (QStringList{"init", QString::number(int(TDrawArea::daPage)), QString::number(int(TDrawArea::daHeader)),
                          QString::number(int(TDrawArea::daFooter))}));
    const QList<QRect> bands{job.GetPageRect(), job.GetHeaderRect(), job.GetFooterRect()};
    QCOMPARE(bands[1], QRect(100, 200, job.GetSheetRect().width() - 400, 500));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(handed[i], relative ? QRect(QPoint(0, 0), bands[i].size()) : bands[i]);
        QCOMPARE(origins[i], relative ? bands[i].topLeft() : QPoint(0, 0));
    }
    painter.end();
}

void tst_PrintJob::printerCanvasMovesTheBands() {
    // A printer whose canvas begins at the corner of its paint area, 5 mm in from the sheet's edges.
    Fixture f;
    QPrinter printer(QPrinter::HighResolution);
    useFiveMillimetrePrinter(printer, false);
    TPrintJob job;
    job.setPrinter(&printer);
    // Where Qt puts the canvas origin on the sheet.
    const QPoint origin = printer.pageLayout().paintRectPixels(600).topLeft();
    QVERIFY(origin.x() > 100 && origin.y() > 100);
    QCOMPARE(job.DeviceCaps().canvasOrigin, origin);
    job.setOptions(TJobOption::joMargins | TJobOption::joFooter);
    job.setMargins({200, 200, 200, 200});
    job.setFooter(100);
    QMap<QPair<int, int>, QRect> bands; // (target, area) → rectangle
    QImage elsewhere(100, 100, QImage::Format_RGB32);
    job.OnDraw = [&](TPrintJob& j, QPainter&, int, const QRect& rect, TDrawArea area, TDrawTarget target) {
        bands[{int(target), int(area)}] = rect;
        // The page on the printer lets a linked preview draw its own page in between.
        if (target == TDrawTarget::dtPrint && area == TDrawArea::daPage) {
            QPainter other(&elsewhere);
            j.PaintTo(other, 1);
        }
    };
    FileDialogService::answerNext(f.path(QStringLiteral("verschoben.pdf")));
    QVERIFY(job.PrintEx(1, 1));
    const int print = int(TDrawTarget::dtPrint);
    const int external = int(TDrawTarget::dtExternal);
    const int page = int(TDrawArea::daPage);
    const int footer = int(TDrawArea::daFooter);
    QCOMPARE(bands.value({external, page}).topLeft(), QPoint(200, 200));
    QCOMPARE(bands.value({print, page}), bands.value({external, page}).translated(-origin));
    // Also the band drawn after the preview's page is still the printer's.
    QCOMPARE(bands.value({print, footer}), bands.value({external, footer}).translated(-origin));
    // Once drawn, the geometry is the sheet's again.
    QCOMPARE(job.GetPageRect(), bands.value({external, page}));
}

void tst_PrintJob::locksNeverGoBelowZero() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    int drawn = 0;
    job.OnDraw = [&](TPrintJob&, QPainter&, int, const QRect&, TDrawArea, TDrawTarget) { ++drawn; };
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    job.UnlockDraw();
    job.UnlockDraw();
    job.LockDraw();
    QVERIFY(job.DrawLocked());
    job.PaintTo(painter, 1);
    QCOMPARE(drawn, 0);
    job.UnlockDraw();
    QVERIFY(!job.DrawLocked());
    job.PaintTo(painter, 1);
    QCOMPARE(drawn, 1);

    QSignalSpy updates(&job, &TPrintJob::updated);
    job.UnlockUpdate();
    job.LockUpdate();
    job.setPageCount(3);
    QCOMPARE(updates.size(), 0);
    job.UnlockUpdate();
    job.UnlockUpdate();
    job.setPageCount(4);
    QCOMPARE(updates.size(), 1);
}

void tst_PrintJob::updateReachesLinkedJobsAndControls() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    TPrintJob other;
    // Two jobs linked in a ring still end their update.
    job.LinkJob(&other);
    other.LinkJob(&job);
    QSignalSpy otherUpdates(&other, &TPrintJob::updated);
    QSignalSpy updates(&job, &TPrintJob::updated);
    QObject failing;
    QObject counting;
    int counted = 0;
    job.LinkControl(&failing, [] { throw std::runtime_error("kaputt"); });
    job.LinkControl(&counting, [&] { ++counted; });
    job.Update();
    QCOMPARE(counted, 1);
    QCOMPARE(updates.size(), 1);
    QCOMPARE(otherUpdates.size(), 1);

    job.LockControlsUpdate();
    job.LockJobsUpdate();
    job.Update();
    QCOMPARE(counted, 1);
    QCOMPARE(otherUpdates.size(), 1);
    job.UnlockControlsUpdate();
    job.UnlockJobsUpdate();
    {
        QObject gone;
        job.LinkControl(&gone, [&] { ++counted; });
    }
    job.UnlinkJob(&other);
    job.Update();
    QCOMPARE(counted, 2);
    QCOMPARE(otherUpdates.size(), 1);
}

// ---------------------------------------------------------------------------------------------------
// Printing

void tst_PrintJob::printsInOrderAndInReverse_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<TPrintModes>("modes");
    QTest::addColumn<int>("abortOn");
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("in order") << 1 << 5 << TPrintModes() << 0 << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("reverse") << 1 << 5 << TPrintModes(TPrintMode::pmReverse) << 0 << QList<int>{5, 4, 3, 2, 1};
    QTest::newRow("reverse part") << 2 << 4 << TPrintModes(TPrintMode::pmReverse) << 0 << QList<int>{4, 3, 2};
    QTest::newRow("range given downwards") << 4 << 2 << TPrintModes() << 0 << QList<int>{2, 3, 4};
    QTest::newRow("abort on page 3 of 1000") << 1 << 1000 << TPrintModes() << 3 << QList<int>{1, 2, 3};
    QTest::newRow("reverse, abort on page 3")
        << 1 << 5 << TPrintModes(TPrintMode::pmReverse) << 3 << QList<int>{5, 4, 3};
    QTest::newRow("beyond the page count") << 4 << 9 << TPrintModes() << 0 << QList<int>{4, 5};
}

void tst_PrintJob::printsInOrderAndInReverse() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(TPrintModes, modes);
    QFETCH(int, abortOn);
    QFETCH(QList<int>, pages);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(to == 1000 ? 1000 : 5);
    text.abortOn = abortOn;
    QSignalSpy progress(&text.job, &TPrintJob::OnPrintProgress);
    const QString file = f.path(QStringLiteral("liste.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(text.job.PrintEx(from, to, modes));
    QCOMPARE(text.drawn, pages);
    QCOMPARE(pageNumbersOf(file), pages);
    // No empty sheet follows the last page printed.
    QCOMPARE(pdfinfoPages(file), int(pages.size()));
    QCOMPARE(progress.size(), int(pages.size()));
    const QList<QVariant> lastReport = progress.last();
    QCOMPARE(lastReport[0].toInt(), int(pages.size()));
    QCOMPARE(lastReport[1].toInt(), 1);
    QCOMPARE(lastReport[2].toInt(), std::abs(to - from) + 1);
}

void tst_PrintJob::printedPagesAgainstAPlainModel() {
    // Random ranges, directions, page counts and abort pages: the pages drawn and the sheets in the PDF are
    // those of the plain rule (the range in its direction, pages past the count left out, nothing after
    // the page that aborts).
    Fixture f;
    printing::PrinterChoice::selectDefault();
    const QString file = f.path(QStringLiteral("modell.pdf"));
    QRandomGenerator random(4711);
    for (int step = 0; step < 40; ++step) {
        const int count = random.bounded(1, 9);
        const int from = random.bounded(0, 11);
        const int to = random.bounded(0, 11);
        const bool reverse = random.bounded(2);
        const int abortOn = random.bounded(0, 11);
        QList<int> expected;
        const int low = std::min(from, to);
        const int high = std::max(from, to);
        for (int i = 0; i <= high - low; ++i) {
            const int page = reverse ? high - i : low + i;
            if (page < 1 || page > count)
                continue;
            expected.append(page);
            if (page == abortOn)
                break;
        }
        const QString what = QStringLiteral("step %1: %2 pages, %3 to %4%5, abort on %6")
                                 .arg(step)
                                 .arg(count)
                                 .arg(from)
                                 .arg(to)
                                 .arg(reverse ? QStringLiteral(" in reverse") : QString())
                                 .arg(abortOn);
        TextJob text(count);
        text.abortOn = abortOn;
        QFile::remove(file);
        FileDialogService::answerNext(file);
        const bool printed = text.job.PrintEx(from, to, reverse ? TPrintModes(TPrintMode::pmReverse) : TPrintModes());
        QVERIFY2(printed == !expected.isEmpty(), qPrintable(what));
        QVERIFY2(text.drawn == expected, qPrintable(what));
        // Nothing printed writes no file.
        QVERIFY2(pdfinfoPages(file) == (expected.isEmpty() ? -1 : int(expected.size())), qPrintable(what));
    }
}

void tst_PrintJob::oneDocumentPerPageWritesNumberedFiles() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(12);
    text.job.setMultiDoc(true);
    text.abortOn = 11;
    const QString file = f.path(QStringLiteral("seiten.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(text.job.Print());
    // Each page its own file, numbered so that the files sort in page order; the name chosen itself
    // stands for the set and is not written.
    QStringList expected;
    for (int n = 1; n <= 11; ++n)
        expected.append(QStringLiteral("seiten-%1.pdf").arg(n, 2, 10, QLatin1Char('0')));
    QCOMPARE(QDir(QFileInfo(file).path()).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden, QDir::Name),
             expected);
    for (int n : {1, 7, 11}) {
        const QString one = f.path(QStringLiteral("seiten-%1.pdf").arg(n, 2, 10, QLatin1Char('0')));
        QCOMPARE(pageNumbersOf(one), QList<int>{n});
        QCOMPARE(pdfinfoPages(one), 1);
    }
}

void tst_PrintJob::printDialogPrintsTheChosenRange() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(7);
    text.job.setTitle(QStringLiteral("Leserliste"));
    QSignalSpy setupChanged(&text.job, &TPrintJob::OnPrinterSetupChange);
    const QString file = f.path(QStringLiteral("auswahl.pdf"));
    // The dialog offers pages 1 to 7; the user takes 3 to 5.
    PrintDialogService::answerNext(PrintDialogService::Answer::toFile(file, 3, 5));
    FileDialogService::answerNext(file);
    QVERIFY(text.job.PrintDialog());
    const QList<PrintDialogService::Asked> asked = PrintDialogService::takeAsked();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].pageCount, 7);
    QCOMPARE(setupChanged.size(), 1);
    QCOMPARE(text.drawn, (QList<int>{3, 4, 5}));
    QCOMPARE(pageNumbersOf(file), (QList<int>{3, 4, 5}));
    QCOMPARE(text.job.printer().docName(), QStringLiteral("Leserliste"));

    // A cancelled dialog prints nothing.
    text.drawn.clear();
    QVERIFY(!text.job.PrintDialog());
    QVERIFY(text.drawn.isEmpty());
    // A refused printout neither.
    text.job.OnAllowPrint = [](TPrintJob&, bool& allow) { allow = false; };
    QVERIFY(!text.job.Print());
    QVERIFY(text.drawn.isEmpty());
}

void tst_PrintJob::progressDialogCountsAndCancels() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(6);
    PrintProgressDialog progress(text.job, nullptr);
    QStringList labels;
    QObject::connect(&text.job, &TPrintJob::OnEndPrintPage, [&](int page) {
        labels.append(progress.labelText());
        if (page == 5)
            progress.findChild<QPushButton*>()->click();
    });
    const QString file = f.path(QStringLiteral("abgebrochen.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(!text.job.PrintEx(3, 6, TPrintMode::pmReverse));
    // Counted as they come, from the last page down; the cancel stops after the page being drawn.
    QCOMPARE(labels, (QStringList{"Seite 1 von 4", "Seite 2 von 4"}));
    QCOMPARE(text.drawn, (QList<int>{6, 5}));
    QCOMPARE(progress.maximum(), 4);
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(progress.isHidden());
}

void tst_PrintJob::pdfThatCannotBeWrittenStopsWithTheGermanReason_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("atOnce"); // refused before the first page is drawn
    QTest::newRow("schreibgeschützter Ordner") << "readOnly"
                                               << "schreibgeschützt|Keine Schreibberechtigung" << true;
    QTest::newRow("Pfad unter einer Datei") << "underFile"
                                            << "ist eine Datei und kein Ordner" << true;
    QTest::newRow("Datenträger läuft voll") << "full"
                                            << "Der Datenträger ist voll." << false;
}

void tst_PrintJob::pdfThatCannotBeWrittenStopsWithTheGermanReason() {
    QFETCH(QString, how);
    QFETCH(QString, reason);
    QFETCH(bool, atOnce);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    QString folder = f.path(QStringLiteral("ziel"));
    QVERIFY(QDir().mkpath(folder));
    std::unique_ptr<test::SmallDisk> disk;
    if (how == QLatin1String("readOnly")) {
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else {
            // The administrator writes into any folder whatever its rights: a read-only file system it is.
            disk = std::make_unique<test::SmallDisk>(folder, QStringLiteral("64k"));
            if (!disk->mounted() || !disk->makeReadOnly())
                QSKIP("No rights to mount a small file system.");
        }
    } else if (how == QLatin1String("underFile")) {
        QFile file(f.path(QStringLiteral("datei")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        folder = file.fileName();
    } else {
        disk = std::make_unique<test::SmallDisk>(folder, QStringLiteral("64k"));
        if (!disk->mounted())
            QSKIP("No rights to mount a small file system.");
        QFile old(folder + QStringLiteral("/liste.pdf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vorher");
    }
    const QString file = folder + QStringLiteral("/liste.pdf");
    const QByteArray before = QFileInfo(file).isFile() ? testing::readAll(file) : QByteArray();

    TextJob text(1000);
    PrintProgressDialog progress(text.job, nullptr);
    int shownWhileProgress = 0;
    QObject::connect(&text.job, &TPrintJob::OnEndPrint,
                     [&] { shownWhileProgress = int(MessageService::takeShown().size()); });
    FileDialogService::answerNext(file);
    QVERIFY(!text.job.PrintEx(1, 1000));

    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, MessageService::Kind::Error);
    QVERIFY2(shown[0].text.contains(QRegularExpression(reason)), qPrintable(shown[0].text));
    QVERIFY2(shown[0].text.contains(QStringLiteral("liste.pdf")), qPrintable(shown[0].text));
    // The message comes after the progress window has gone, and that window does not come back over it.
    QCOMPARE(shownWhileProgress, 0);
    QVERIFY(progress.isHidden());
    for (const QTimer* timer : progress.findChildren<QTimer*>())
        QVERIFY(!timer->isActive());
    if (atOnce) {
        QVERIFY(text.drawn.isEmpty());
    } else {
        // Stopped at the page whose write the disk refused, not after the whole printout.
        QVERIFY2(!text.drawn.isEmpty() && text.drawn.size() < 500, qPrintable(QString::number(text.drawn.size())));
        QCOMPARE(testing::readAll(file), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("liste.pdf")});
    }
}

// ---------------------------------------------------------------------------------------------------
// Preview

void tst_PrintJob::previewDragScrollsThePage_data() {
    QTest::addColumn<bool>("dragScroll");
    QTest::newRow("DragScroll") << true;
    QTest::newRow("no DragScroll") << false;
}

void tst_PrintJob::previewDragScrollsThePage() {
    QFETCH(bool, dragScroll);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(3);
    TPreview preview;
    preview.resize(500, 400);
    preview.setDragScroll(dragScroll);
    preview.show();
    QVERIFY(QTest::qWaitForWindowActive(&preview));
    preview.setPrintJob(&text.job);
    preview.setViewMode(TPreview::ViewMode::Custom);
    preview.setViewScale(200);
    QScrollBar* h = preview.horizontalScrollBar();
    QScrollBar* v = preview.verticalScrollBar();
    h->setValue(200);
    v->setValue(300);
    QVERIFY(v->maximum() > 600 && h->maximum() > 400);

    // Pressed on the page, moved up and to the left by (40, 120), let go. The page moves under the mouse
    // as it scrolls, so the positions are taken on the screen.
    QWidget* page = preview.pagePanel();
    const QPoint start = preview.viewport()->mapToGlobal(QPoint(250, 250));
    auto send = [&](QEvent::Type type, const QPoint& moved, Qt::MouseButtons buttons) {
        const QPoint global = start + moved;
        QMouseEvent event(type, page->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(page, &event);
    };
    send(QEvent::MouseButtonPress, {}, Qt::LeftButton);
    // A click on the page gives the preview the focus.
    QVERIFY(preview.hasFocus());
    send(QEvent::MouseMove, QPoint(-20, -60), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(-40, -120), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(-40, -120), Qt::NoButton);
    QCOMPARE(h->value(), dragScroll ? 240 : 200);
    QCOMPARE(v->value(), dragScroll ? 420 : 300);
    // After letting go, moving the mouse no longer scrolls.
    send(QEvent::MouseMove, QPoint(-200, -200), Qt::NoButton);
    QCOMPARE(v->value(), dragScroll ? 420 : 300);
    preview.setPrintJob(nullptr);
}

void tst_PrintJob::previewMeasuresTheSheetInDeviceUnits() {
    // The same sheet kept in millimetres or in pixels shows at the same size and scale.
    Fixture f;
    printing::PrinterChoice::selectDefault();
    QList<QSize> panels;
    QList<int> scales;
    for (TUnits units : {px, mm, in}) {
        TextJob text(2);
        text.job.setPageUnits(units);
        TPreview preview;
        preview.resize(600, 500);
        preview.setPrintJob(&text.job);
        preview.setViewMode(TPreview::ViewMode::PageWidth);
        panels.append(preview.pagePanel()->size());
        scales.append(preview.ViewScale());
        preview.setPrintJob(nullptr);
    }
    QCOMPARE(panels[1], panels[0]);
    QCOMPARE(panels[2], panels[0]);
    QCOMPARE(scales[1], scales[0]);
    QCOMPARE(scales[2], scales[0]);
}

void tst_PrintJob::previewPageAsPicture() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(2);
    TPreview preview;
    preview.resize(600, 500);
    QVERIFY(preview.pageImage().isNull());
    QVERIFY(!preview.savePageToFile(f.path(QStringLiteral("leer.png"))));
    preview.setPrintJob(&text.job);
    const QImage page = preview.pageImage();
    QCOMPARE(page.size() + QSize(preview.ShadowSize(), preview.ShadowSize()), preview.pagePanel()->size());
    // White paper with its black frame and the text of page 1 on it.
    QCOMPARE(QColor(page.pixel(page.width() / 2, page.height() - 3)), QColor(Qt::white));
    QCOMPARE(qGray(page.pixel(0, page.height() / 2)), 0);
    int ink = 0;
    for (int y = 5; y < page.height() / 4; ++y)
        for (int x = 5; x < page.width() - 5; ++x)
            ink += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
    QVERIFY(ink > 20);
    const QString file = f.path(QStringLiteral("seite.png"));
    QVERIFY(preview.savePageToFile(file));
    QCOMPARE(QImage(file).size(), page.size());
    preview.setPrintJob(nullptr);
    QVERIFY(preview.pageImage().isNull());
}

void tst_PrintJob::toolbarUserButtonAndScaleBox_data() {
    QTest::addColumn<bool>("scaleBox");
    QTest::addColumn<QList<int>>("positions"); // print, user, zoom in
    // The buttons stand in the order of their kinds, the user button last.
    QTest::newRow("with the scale box before the user button") << true << QList<int>{1, 178, 25};
    QTest::newRow("without the scale box") << false << QList<int>{1, 49, 25};
}

void tst_PrintJob::toolbarUserButtonAndScaleBox() {
    QFETCH(bool, scaleBox);
    QFETCH(QList<int>, positions);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TextJob text(2);
    TPreview preview;
    preview.setPrintJob(&text.job);
    TPreviewToolbar bar;
    bar.setScaleBox(scaleBox);
    bar.setButtons({TButtonKind::btnPrint, TButtonKind::btnUser, TButtonKind::btnZoomIn}, TButtonKind::btnUser);
    bar.setPreview(&preview);
    bar.setUserButtonHint(QStringLiteral("Eigene Aktion"));
    QList<int> xs;
    for (TButtonKind kind : {TButtonKind::btnPrint, TButtonKind::btnUser, TButtonKind::btnZoomIn})
        xs.append(bar.button(kind)->x());
    QCOMPARE(xs, positions);
    QCOMPARE(bar.scaleBox()->isVisibleTo(&bar), scaleBox);
    QCOMPARE(bar.button(TButtonKind::btnUser)->toolTip(), QStringLiteral("Eigene Aktion"));
    int clicked = 0;
    bar.OnUserButtonClick = [&] { ++clicked; };
    bar.button(TButtonKind::btnUser)->click();
    QCOMPARE(clicked, 1);
    bar.setUserButtonEnabled(false);
    QVERIFY(!bar.button(TButtonKind::btnUser)->isEnabled());
    // A click that the window cancels does nothing else.
    bar.OnButtonClick = [](TButtonKind, bool& allowDefault) { allowDefault = false; };
    bar.click(TButtonKind::btnUser);
    QCOMPARE(clicked, 1);
    preview.setPrintJob(nullptr);
}

QTEST_MAIN(tst_PrintJob)
#include "tst_PrintJob.moc"
