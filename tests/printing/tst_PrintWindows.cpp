// The print job, the preview with its bar, the three options windows, and the printed lists read back
// from real PDF files.
#include "PrintFixture.h"

#include "printing/PainterCanvas.h"
#include "printing/PrintFonts.h"
#include "printing/PrinterChoice.h"
#include "printing/QtTextMeasurer.h"
#include "printing/TDruckerDialogAusleihlisteF.h"
#include "printing/TDruckerDialogF.h"
#include "printing/TDruckerDialogLeserF.h"
#include "printing/TDruckerVorschauLeserF.h"
#include "printing/TDruckervorschauAusleihlisteF.h"
#include "printing/TDruckervorschauF.h"
#include "printing/TPreview.h"
#include "printing/TPreviewToolbar.h"
#include "printing/TPrintJob.h"
#include "printing/rules/ListTables.h"
#include "settings/INI.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

using namespace lesaro;
using namespace printtest;

namespace {

// A job of `pages` pages whose page n shows "Seite n"; the page given as last settles the count there.
struct PagedJob {
    TPrintJob job;
    int lastPage = 0;
    QList<int> drawn;
    explicit PagedJob(int pages, int last = 0)
        : lastPage(last) {
        job.setPageCount(pages);
        job.setOrientation(TPageOrientation::orPortrait);
        job.OnDraw = [this](TPrintJob& j, QPainter& p, int page, const QRect&, TDrawArea, TDrawTarget) {
            drawn.append(page);
            p.setFont(QFont(QStringLiteral("Arial"), 40));
            p.drawText(600, 600, QStringLiteral("Seite %1").arg(page));
            if (page == lastPage) {
                j.Abort();
                j.setPageCount(page);
            }
        };
    }
};

QStringList numbersOn(const QString& page, const QString& prefix) {
    QStringList found;
    const QRegularExpression re(QStringLiteral("\\b") + prefix + QStringLiteral("\\d+\\b"));
    for (auto it = re.globalMatch(page); it.hasNext();)
        found.append(it.next().captured());
    return found;
}

// The numbers of a printed list over all its pages, in print order.
QStringList numbersOnPages(const QStringList& pages, const QString& prefix) {
    QStringList found;
    for (const QString& page : pages)
        found += numbersOn(page, prefix);
    return found;
}

// Runs the code once the next modal window is showing.
void whenShown(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            whenShown(action);
            return;
        }
        action(w);
    });
}

} // namespace

class tst_PrintWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void fontsHaveTheCellHeightAsked_data();
    void fontsHaveTheCellHeightAsked();
    void measuredWidthsAreTheFontsWidths_data();
    void measuredWidthsAreTheFontsWidths();
    void pageDrawnOnAnA4DeviceAtDesignSize();
    void pageCountBelowOneReadsAsOne_data();
    void pageCountBelowOneReadsAsOne();
    void landscapeSwapsThePage();
    void previewHoldsPageIndex_data();
    void previewHoldsPageIndex();
    void zoomSteps_data();
    void zoomSteps();
    void pageWidthShowsEffectiveScale();
    void nextPageDisabledOnTheLastPage();
    void pageDownAtTheBottomShowsNextPageAtItsTop();
    void barAndScaleBoxSpeakGerman();
    void typedScaleIsCheckedAndApplied_data();
    void typedScaleIsCheckedAndApplied();
    void abortEndsDocumentAfterThatPage();
    void cancelledPrintLeavesEarlierFile();

    void optionsWindowsLoadAndStoreTheirSettings_data();
    void optionsWindowsLoadAndStoreTheirSettings();
    void changingPrinterGoesThroughTheDialogService();
    void bookOptionsFollowFieldCaptionsAndNarrowRequest();
    void previewWindowIsDestroyedWhenClosed();

    void orientationButtonTurnsTheBookList();
    void bookListPdfHoldsEveryBookOnceInOrder();
    void readerAndLoanListPdfs();
    void documentTitleIsTheListsTitle_data();
    void documentTitleIsTheListsTitle();
    void overdueListWithoutOverdueLoansIsOneHeadingPage();
};

void tst_PrintWindows::fontsHaveTheCellHeightAsked_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("cellHeight");
    QTest::newRow("row text at 600 dpi") << "Arial" << 71;
    QTest::newRow("title") << "Arial" << 100;
    QTest::newRow("headings") << "Arial Narrow" << 80;
    QTest::newRow("row text at 300 dpi") << "Arial" << 36;
}

void tst_PrintWindows::fontsHaveTheCellHeightAsked() {
    QFETCH(QString, family);
    QFETCH(int, cellHeight);
    const QFont font = printing::printFont(family, cellHeight);
    QVERIFY(qAbs(QFontMetricsF(font).height() - cellHeight) <= 1.0);
}

void tst_PrintWindows::measuredWidthsAreTheFontsWidths_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("name with umlaut") << QStringLiteral("Müller-Lüdenscheidt, Anna");
    QTest::newRow("isbn") << QStringLiteral("978-3-7831-8698-7");
    QTest::newRow("price") << QStringLiteral("1.234,50 €");
    QTest::newRow("outside the basic plane") << QStringLiteral("Noten \U0001D11E Musik");
}

void tst_PrintWindows::measuredWidthsAreTheFontsWidths() {
    QFETCH(QString, text);
    printing::QtTextMeasurer measurer;
    // Twice, so that the second answer comes from the table of advances.
    for (int pass = 0; pass < 2; ++pass) {
        const int width = measurer.textWidth(QStringLiteral("Arial"), 71, text);
        const double expected = QFontMetricsF(printing::printFont(QStringLiteral("Arial"), 71)).horizontalAdvance(text);
        QVERIFY2(qAbs(width - expected) <= 1.0, qPrintable(QStringLiteral("%1 against %2").arg(width).arg(expected)));
    }
    // Another height is measured in its own font.
    QVERIFY(text.isEmpty() || measurer.textWidth(QStringLiteral("Arial"), 142, text) >
                                  measurer.textWidth(QStringLiteral("Arial"), 71, text));
}

void tst_PrintWindows::pageDrawnOnAnA4DeviceAtDesignSize() {
    // The book list's page 1 painted on a device of exactly 4961 × 7016 pixels: the rules lie where the
    // design puts them, and the first row's text stands on its baseline.
    QImage page(4961, 7016, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    class Rows : public printing::ListSource {
    public:
        int rowCount() const override { return 2; }
        QString text(int row, int column) const override {
            return column == 0 ? QString::number(row + 1) : QStringLiteral("Eintrag");
        }
        QString signature() const override { return QStringLiteral("fest"); }
    } rows;
    printing::QtTextMeasurer measurer;
    printing::ListLayout layout(printing::bookListDesign(FieldCaptions::BookColumnCaptions()), measurer);
    const printing::PageSetup a4;
    // Five columns ticked: they fit on one line.
    QList<bool> ticked(23, false);
    for (int c = 0; c < 5; ++c)
        ticked[c] = true;
    const printing::ListOptions options{QStringLiteral("Bestand"), true, ticked};
    QCOMPARE(layout.prepare(rows, a4, options).firstRowBaseline, 702);
    {
        QPainter painter(&page);
        printing::PainterCanvas canvas(painter);
        QVERIFY(layout.drawPage(canvas, rows, a4, options, 1));
    }
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    auto ruleAt = [&](int y) { return dark(20, y) && dark(4900, y); };
    for (int y : {158, 309, 590, 602, 802, 1018})
        QVERIFY2(ruleAt(y), qPrintable(QStringLiteral("no rule at %1").arg(y)));
    for (int y : {150, 170, 300, 320, 580, 596, 610, 790, 1010})
        QVERIFY2(!ruleAt(y), qPrintable(QStringLiteral("a rule at %1").arg(y)));
    // The number "1" of the first row: ink above its baseline at 702, none below it.
    const int numberX = 250;
    bool inkAbove = false;
    bool inkBelow = false;
    for (int x = numberX; x < numberX + 60; ++x) {
        inkAbove |= dark(x, 690);
        inkBelow |= dark(x, 712);
    }
    QVERIFY(inkAbove);
    QVERIFY(!inkBelow);
}

void tst_PrintWindows::pageCountBelowOneReadsAsOne_data() {
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("read");
    QTest::newRow("zero") << 0 << 1;
    QTest::newRow("negative") << -7 << 1;
    QTest::newRow("positive") << 12 << 12;
}

void tst_PrintWindows::pageCountBelowOneReadsAsOne() {
    QFETCH(int, set);
    QFETCH(int, read);
    TPrintJob job;
    job.setPageCount(set);
    QCOMPARE(job.PageCount(), read);
}

void tst_PrintWindows::landscapeSwapsThePage() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    TPrintJob job;
    job.setOrientation(TPageOrientation::orPortrait);
    const QSizeF portrait(job.PageWidth(), job.PageHeight());
    QVERIFY(portrait.height() > portrait.width());
    job.setOrientation(TPageOrientation::orLandscape);
    QCOMPARE(QSizeF(job.PageWidth(), job.PageHeight()), portrait.transposed());
    // The built-in PDF printer: A4 at 600 dots per inch.
    QCOMPARE(job.DPIX(), 600);
    QVERIFY(qAbs(portrait.width() - 4961) <= 3 && qAbs(portrait.height() - 7016) <= 3);
}

void tst_PrintWindows::previewHoldsPageIndex_data() {
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("shown");
    QTest::newRow("zero gives the first") << 0 << 1;
    QTest::newRow("beyond the count gives the last") << 99 << 5;
    QTest::newRow("inside") << 3 << 3;
}

void tst_PrintWindows::previewHoldsPageIndex() {
    QFETCH(int, set);
    QFETCH(int, shown);
    Fixture f;
    PagedJob paged(5);
    TPreview preview;
    preview.resize(400, 500);
    preview.setPrintJob(&paged.job);
    preview.setPageIndex(set);
    QCOMPARE(preview.PageIndex(), shown);
    QCOMPARE(paged.drawn.last(), shown);
}

void tst_PrintWindows::zoomSteps_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("to");
    QTest::newRow("in at 1000 stays") << 1000 << true << 1000;
    QTest::newRow("out at 10 stays") << 10 << false << 10;
    QTest::newRow("in at 120") << 120 << true << 150;
    QTest::newRow("out at 120") << 120 << false << 100;
    QTest::newRow("in from a step") << 100 << true << 150;
    QTest::newRow("out from a step") << 25 << false << 10;
}

void tst_PrintWindows::zoomSteps() {
    QFETCH(int, from);
    QFETCH(bool, in);
    QFETCH(int, to);
    Fixture f;
    PagedJob paged(2);
    TPreview preview;
    TPreviewToolbar bar;
    bar.setPreview(&preview);
    preview.resize(400, 500);
    preview.setPrintJob(&paged.job);
    preview.setViewMode(TPreview::ViewMode::Custom);
    preview.setViewScale(from);
    in ? preview.ZoomIn() : preview.ZoomOut();
    QCOMPARE(preview.ViewScale(), to);
    QCOMPARE(preview.viewMode(), TPreview::ViewMode::Custom);
    QCOMPARE(bar.scaleBox()->currentText(), QStringLiteral("%1 %").arg(to));
    QCOMPARE(bar.button(TButtonKind::btnZoomIn)->isEnabled(), to < 1000);
    QCOMPARE(bar.button(TButtonKind::btnZoomOut)->isEnabled(), to > 10);
}

void tst_PrintWindows::pageWidthShowsEffectiveScale() {
    Fixture f;
    PagedJob paged(2);
    TPreview preview;
    TPreviewToolbar bar;
    bar.setPreview(&preview);
    preview.resize(500, 400);
    preview.setPrintJob(&paged.job);
    preview.setViewMode(TPreview::ViewMode::PageWidth);
    const int panelWidth = preview.pagePanel()->width() - preview.ShadowSize();
    const int expected =
        qRound(double(panelWidth) * 100 * paged.job.DPIX() / paged.job.PageWidth() / preview.logicalDpiX());
    QVERIFY(qAbs(preview.ViewScale() - expected) <= 1);
    QCOMPARE(bar.scaleBox()->currentText(), QStringLiteral("Seitenbreite (%1 %)").arg(preview.ViewScale()));
    // The page fills the width less the scroll bar and runs below the view.
    QVERIFY(preview.pagePanel()->height() > preview.viewport()->height());
}

void tst_PrintWindows::nextPageDisabledOnTheLastPage() {
    Fixture f;
    PagedJob paged(1000, 3);
    TPreview preview;
    TPreviewToolbar bar;
    bar.setPreview(&preview);
    preview.resize(400, 500);
    preview.setPrintJob(&paged.job);
    QVERIFY(bar.button(TButtonKind::btnNextPage)->isEnabled());
    QVERIFY(!bar.button(TButtonKind::btnPrevPage)->isEnabled());
    bar.click(TButtonKind::btnNextPage);
    bar.click(TButtonKind::btnNextPage);
    QCOMPARE(preview.PageIndex(), 3);
    QCOMPARE(paged.job.PageCount(), 3);
    QVERIFY(!bar.button(TButtonKind::btnNextPage)->isEnabled());
    QVERIFY(bar.button(TButtonKind::btnPrevPage)->isEnabled());
    bar.click(TButtonKind::btnNextPage);
    QCOMPARE(preview.PageIndex(), 3);
}

void tst_PrintWindows::pageDownAtTheBottomShowsNextPageAtItsTop() {
    Fixture f;
    PagedJob paged(5);
    TPreview preview;
    preview.resize(400, 300);
    preview.setPrintJob(&paged.job);
    preview.setViewMode(TPreview::ViewMode::PageWidth);
    preview.show();
    preview.setPageIndex(2);
    QScrollBar* v = preview.verticalScrollBar();
    QVERIFY(v->maximum() > 0);
    QTest::keyClick(&preview, Qt::Key_PageDown);
    QCOMPARE(preview.PageIndex(), 2);
    QVERIFY(v->value() > 0);
    QTest::keyClick(&preview, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(v->value(), v->maximum());
    QTest::keyClick(&preview, Qt::Key_PageDown);
    QCOMPARE(preview.PageIndex(), 3);
    QCOMPARE(v->value(), 0);
    // Page Up at the top goes back a page.
    QTest::keyClick(&preview, Qt::Key_PageUp);
    QCOMPARE(preview.PageIndex(), 2);
}

void tst_PrintWindows::barAndScaleBoxSpeakGerman() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    const printing::ListOptions options{QStringLiteral("Ausleihen"), false, {}};
    TDruckervorschauAusleihlisteF window(
        f.library(), [&] { return options; }, nullptr);
    window.show();
    TPreviewToolbar* bar = window.PreviewToolbar1();
    const QList<std::pair<TButtonKind, QString>> hints{
        {TButtonKind::btnPrint, QStringLiteral("Drucken")},
        {TButtonKind::btnPrinterSetupDialog, QStringLiteral("Drucker einrichten")},
        {TButtonKind::btnFirstPage, QStringLiteral("Erste Seite")},
        {TButtonKind::btnPrevPage, QStringLiteral("Vorige Seite")},
        {TButtonKind::btnNextPage, QStringLiteral("Nächste Seite")},
        {TButtonKind::btnZoomOut, QStringLiteral("Verkleinern")},
        {TButtonKind::btnZoomIn, QStringLiteral("Vergrößern")}};
    for (const auto& [kind, hint] : hints)
        QCOMPARE(bar->button(kind)->toolTip(), hint);
    // The buttons the list windows leave out speak German as well.
    for (TButtonKind kind : {TButtonKind::btnPrintDialog, TButtonKind::btnLastPage, TButtonKind::btnWholePage,
                             TButtonKind::btnPageWidth, TButtonKind::btnRefresh, TButtonKind::btnClose})
        QVERIFY2(!TPreviewToolbar::hint(kind).contains(QRegularExpression(
                     QStringLiteral("\\b(Print|Printer|page|Page|Zoom|Refresh|Close|dialog|width)\\b"))),
                 qPrintable(TPreviewToolbar::hint(kind)));

    TPreviewComboBox* box = bar->scaleBox();
    QCOMPARE(box->toolTip(), QStringLiteral("Ansicht und Maßstab"));
    TPreview* preview = window.Preview1();
    QCOMPARE(box->currentText(), QStringLiteral("Seitenbreite (%1 %)").arg(preview->ViewScale()));
    preview->setViewMode(TPreview::ViewMode::WholePage);
    box->refresh();
    QCOMPARE(box->currentText(), QStringLiteral("Ganze Seite (%1 %)").arg(preview->ViewScale()));
    preview->setViewMode(TPreview::ViewMode::Custom);
    preview->setViewScale(150);
    box->refresh();
    QCOMPARE(box->currentText(), QStringLiteral("150 %"));
    box->showPopup();
    QStringList items;
    for (int i = 0; i < 4; ++i)
        items.append(box->itemText(i));
    box->hidePopup();
    QCOMPARE(items, (QStringList{"Ganze Seite", "Seitenbreite", "10 %", "25 %"}));
    // The choices keep their meaning.
    Q_EMIT box->activated(1);
    QCOMPARE(preview->viewMode(), TPreview::ViewMode::PageWidth);
}

void tst_PrintWindows::typedScaleIsCheckedAndApplied_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("warned");
    QTest::newRow("a number") << "250" << 250 << false;
    QTest::newRow("letters are not taken") << "abc" << 100 << true;
    QTest::newRow("held to 1000") << "5000" << 1000 << false;
}

void tst_PrintWindows::typedScaleIsCheckedAndApplied() {
    QFETCH(QString, typed);
    QFETCH(int, scale);
    QFETCH(bool, warned);
    Fixture f;
    PagedJob paged(2);
    TPreview preview;
    TPreviewToolbar bar;
    bar.setPreview(&preview);
    preview.resize(400, 500);
    preview.setPrintJob(&paged.job);
    preview.setViewMode(TPreview::ViewMode::Custom);
    preview.setViewScale(100);
    bar.scaleBox()->lineEdit()->clear();
    QTest::keyClicks(bar.scaleBox(), typed);
    QTest::keyClick(bar.scaleBox(), Qt::Key_Return);
    QCOMPARE(preview.ViewScale(), scale);
    QCOMPARE(MessageService::takeShownTexts().contains(QStringLiteral("Ungültiger Maßstab")), warned);
}

void tst_PrintWindows::abortEndsDocumentAfterThatPage() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    PagedJob paged(1000, 3);
    const QString file = f.path(QStringLiteral("drei.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(paged.job.Print(nullptr));
    const QStringList pages = pdfPages(file);
    QCOMPARE(pages.size(), 3);
    for (int n = 1; n <= 3; ++n)
        QVERIFY(pages[n - 1].contains(QStringLiteral("Seite %1").arg(n)));
    QCOMPARE(paged.drawn, QList<int>({1, 2, 3}));
}

void tst_PrintWindows::cancelledPrintLeavesEarlierFile() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    const QString file = f.path(QStringLiteral("alt.pdf"));
    {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vorher");
    }
    PagedJob paged(10);
    QObject::connect(&paged.job, &TPrintJob::OnStartPrintPage, [&paged](int page) {
        if (page == 2)
            paged.job.Cancel();
    });
    FileDialogService::answerNext(file);
    QVERIFY(!paged.job.Print(nullptr));
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("vorher"));
    // No scratch file is left behind.
    QCOMPARE(QDir(QFileInfo(file).path()).entryList({QStringLiteral("*.pdf")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("alt.pdf")});
}

void tst_PrintWindows::optionsWindowsLoadAndStoreTheirSettings_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("titleKey");
    QTest::addColumn<QString>("numbersKey");
    QTest::addColumn<int>("storedNumbers");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("books: any value but 0 ticks") << "book"
                                                  << "DruckTitel"
                                                  << "SeitenzahlenDrucken" << 2 << true;
    QTest::newRow("books: 0 unticks") << "book"
                                      << "DruckTitel"
                                      << "SeitenzahlenDrucken" << 0 << false;
    QTest::newRow("readers: only 1 ticks") << "reader"
                                           << "DruckTitelLeser"
                                           << "DruckSeitenzahlenLeser" << 2 << false;
    QTest::newRow("readers: 1") << "reader"
                                << "DruckTitelLeser"
                                << "DruckSeitenzahlenLeser" << 1 << true;
    QTest::newRow("loans: only 1 ticks") << "loan"
                                         << "DruckTitelAusleihliste"
                                         << "DruckSeitenzahlenAusleihliste" << 1 << true;
}

void tst_PrintWindows::optionsWindowsLoadAndStoreTheirSettings() {
    QFETCH(QString, window);
    QFETCH(QString, titleKey);
    QFETCH(QString, numbersKey);
    QFETCH(int, storedNumbers);
    QFETCH(bool, ticked);
    Fixture f;
    INI::WriteSettingString(titleKey, QStringLiteral("Bestand Herbst"));
    INI::WriteSettingInteger(numbersKey, storedNumbers);
    std::unique_ptr<LesaroDialog> dialog;
    if (window == QLatin1String("book"))
        dialog = std::make_unique<TDruckerDialogF>(f.library());
    else if (window == QLatin1String("reader"))
        dialog = std::make_unique<TDruckerDialogLeserF>(f.library());
    else
        dialog = std::make_unique<TDruckerDialogAusleihlisteF>(f.library());
    auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("ETitel"));
    auto* numbers = dialog->findChild<QCheckBox*>(QStringLiteral("CBSeitenzahlenDrucken"));

    // "Schließen" stores nothing: the edits are gone at the next showing.
    whenShown([&](QWidget*) {
        QCOMPARE(title->text(), QStringLiteral("Bestand Herbst"));
        QCOMPARE(numbers->isChecked(), ticked);
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("LDrucker"))->text(),
                 printing::PrinterChoice::currentName());
        title->setText(QStringLiteral("verworfen"));
        dialog->findChild<QPushButton*>(QStringLiteral("BSchliessen"))->click();
    });
    dialog->exec();
    QCOMPARE(INI::ReadSettingString(titleKey), QStringLiteral("Bestand Herbst"));

    // "Vorschau" stores title and page numbers once the preview has closed, then closes the window.
    whenShown([&](QWidget*) {
        QCOMPARE(title->text(), QStringLiteral("Bestand Herbst"));
        title->setText(QStringLiteral("Neuer Titel"));
        numbers->setChecked(!ticked);
        whenShown([](QWidget* preview) { preview->close(); });
        dialog->findChild<QPushButton*>(QStringLiteral("BNeu"))->click();
    });
    QCOMPARE(dialog->exec(), int(QDialog::Accepted));
    QCOMPARE(INI::ReadSettingString(titleKey), QStringLiteral("Neuer Titel"));
    QCOMPARE(INI::ReadSettingInteger(numbersKey), ticked ? 0 : 1);
}

void tst_PrintWindows::changingPrinterGoesThroughTheDialogService() {
    Fixture f;
    TDruckerDialogLeserF dialog(f.library());
    dialog.FormShow();
    PrintDialogService::answerNext(PrintDialogService::Answer::cancelled());
    dialog.Button2Click();
    const QList<PrintDialogService::Asked> asked = PrintDialogService::takeAsked();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].kind, PrintDialogService::Kind::PrinterSetup);
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("LDrucker"))->text(), printing::PrinterChoice::currentName());
}

void tst_PrintWindows::bookOptionsFollowFieldCaptionsAndNarrowRequest() {
    Fixture f;
    TDruckerDialogF dialog(f.library());
    QStringList captions = FieldCaptions::BookColumnCaptions();
    captions[8] = QStringLiteral("Regalzeichen");
    captions[1] = QStringLiteral("Autor");
    dialog.setFieldCaptions(captions);
    QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("CBSignatur"))->text(), QStringLiteral("Regalzeichen"));
    QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("CBVerfasser"))->text(), QStringLiteral("Autor"));
    QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("CBNummer"))->text(), QStringLiteral("Nummer"));
    QCOMPARE(dialog.columnBoxes().size(), 23);

    auto* narrow = dialog.findChild<QPushButton*>(QStringLiteral("Button4"));
    dialog.setNarrowButtonVisible(true);
    whenShown([&](QWidget*) {
        QVERIFY(narrow->isVisible());
        narrow->click();
    });
    dialog.exec();
    QVERIFY(dialog.takeNarrowRequest());
    QVERIFY(!dialog.takeNarrowRequest());
    dialog.setNarrowButtonVisible(false);
    whenShown([&](QWidget*) {
        QVERIFY(!narrow->isVisible());
        dialog.Button3Click();
    });
    dialog.exec();
    QVERIFY(!dialog.takeNarrowRequest());
}

void tst_PrintWindows::previewWindowIsDestroyedWhenClosed() {
    Fixture f;
    for (int i = 1; i <= 3; ++i)
        f.addBook(i, QStringLiteral("Autor"), QStringLiteral("Titel"));
    TDruckerDialogF dialog(f.library());
    QPointer<QWidget> preview;
    whenShown([&](QWidget*) {
        whenShown([&](QWidget* w) {
            preview = w;
            QCOMPARE(w->windowTitle(), QStringLiteral("Druckervorschau"));
            auto* window = qobject_cast<ListPreviewWindow*>(w);
            QVERIFY(window);
            QCOMPARE(window->PrintJob1()->PageCount(), 1);
            QCOMPARE(window->Preview1()->viewMode(), TPreview::ViewMode::PageWidth);
            QVERIFY(!window->PreviewToolbar1()->button(TButtonKind::btnLastPage));
            w->close();
        });
        dialog.Button1Click();
    });
    dialog.exec();
    QTRY_VERIFY(preview.isNull());
}

void tst_PrintWindows::orientationButtonTurnsTheBookList() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    for (int i = 1; i <= 60; ++i)
        f.addBook(i, QStringLiteral("Verfasser %1").arg(i), QStringLiteral("Titel %1").arg(i));
    const printing::ListOptions options{QStringLiteral("Liste"), true, {}};
    TDruckervorschauF window(
        f.library(), [&] { return options; }, nullptr);
    window.show();
    QVERIFY(window.Preview1()->recording().size() > 0);
    const int portraitRows =
        window.layout()
            .prepare(*std::make_unique<printing::TableListSource>(f.books(), printing::bookListColumns()),
                     {window.PrintJob1()->PageWidth(), window.PrintJob1()->PageHeight(), false}, options)
            .rowsPerPage;
    QCOMPARE(portraitRows, 28);
    // Portrait settles three pages.
    window.Preview1()->setPageIndex(3);
    QCOMPARE(window.PrintJob1()->PageCount(), 3);
    QVERIFY(window.SpeedButton1());
    QCOMPARE(window.SpeedButton1()->text(), QStringLiteral("Hochformat/Querformat"));
    window.SpeedButton1()->click();
    QCOMPARE(window.PrintJob1()->Orientation(), TPageOrientation::orLandscape);
    QVERIFY(window.PrintJob1()->PageWidth() > window.PrintJob1()->PageHeight());
    // The page drawn anew in landscape holds fewer rows: 60 books now need four pages.
    window.Preview1()->setPageIndex(3);
    QCOMPARE(window.PrintJob1()->PageCount(), 1000);
    window.Preview1()->setPageIndex(4);
    QCOMPARE(window.PrintJob1()->PageCount(), 4);
    window.SpeedButton1Click();
    QCOMPARE(window.PrintJob1()->Orientation(), TPageOrientation::orPortrait);
    // Page 4 lies beyond the portrait list: its last page is shown, and settles the count.
    QCOMPARE(window.Preview1()->PageIndex(), 3);
    QCOMPARE(window.PrintJob1()->PageCount(), 3);
    // Printing after the turn back prints the three portrait pages, whatever the preview had settled, and
    // although the preview shows (and draws again) the list's last page while the printout runs.
    FileDialogService::answerNext(f.path(QStringLiteral("gedreht.pdf")));
    QVERIFY(window.printList());
    QCOMPARE(pdfPages(f.path(QStringLiteral("gedreht.pdf"))).size(), 3);
}

void tst_PrintWindows::bookListPdfHoldsEveryBookOnceInOrder() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    // More than two pages; the prices show the money format.
    const int count = 70;
    for (int i = 1; i <= count; ++i)
        f.addBook(9000 + i, QStringLiteral("Verfasser %1").arg(i), QStringLiteral("Titel %1").arg(i),
                  i == 1 ? QStringLiteral("12,5") : QString());
    // Printed in the table's current order: backwards by number.
    f.books().setIndexFieldNames(QStringLiteral("Verfasser"));
    printing::ListOptions options{QStringLiteral("Bestandsliste"), true, QList<bool>(23, true)};
    TDruckervorschauF window(
        f.library(), [&] { return options; }, nullptr);
    window.show();
    const QString file = f.path(QStringLiteral("buecher.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(window.printList());

    const QStringList pages = pdfPages(file);
    QCOMPARE(pages.size(), 3);
    QStringList numbers;
    for (int n = 1; n <= pages.size(); ++n) {
        QVERIFY2(pages[n - 1].contains(QStringLiteral("Seite %1").arg(n)), qPrintable(pages[n - 1]));
        QVERIFY(pages[n - 1].contains(QStringLiteral("Bestandsliste")));
        numbers += numbersOn(pages[n - 1], QStringLiteral("9"));
    }
    QStringList expected;
    for (int i = 1; i <= count; ++i)
        expected.append(QString::number(9000 + i));
    // "Verfasser 1", "Verfasser 10", … : the order of the author texts.
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return QStringLiteral("Verfasser %1").arg(a.toInt() - 9000) <
               QStringLiteral("Verfasser %1").arg(b.toInt() - 9000);
    });
    QCOMPARE(numbers, expected);
    QVERIFY(pages.join(QString()).contains(QStringLiteral("12,50 €")));
}

void tst_PrintWindows::readerAndLoanListPdfs() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    QList<int> readerIds;
    for (int i = 1; i <= 30; ++i)
        readerIds.append(
            f.addReader(7000 + i, QStringLiteral("Vorname%1").arg(i), QStringLiteral("Nachname%1").arg(i)));
    const int book = f.addBook(555, QStringLiteral("Autor"), QStringLiteral("Titel"));
    for (int i = 1; i <= 30; ++i)
        f.addLoan(book, readerIds[i - 1], QDate(2024, 1, 1), i % 2 ? QDate(2024, 1, 21) : QDate(),
                  i % 2 ? QDate() : QDate(2024, 1, 10));

    const printing::ListOptions options{QStringLiteral("Leser"), true, {}};
    {
        TDruckerVorschauLeserF window(
            f.library(), [&] { return options; }, nullptr);
        window.show();
        FileDialogService::answerNext(f.path(QStringLiteral("leser.pdf")));
        QVERIFY(window.printList());
    }
    const QStringList readerPages = pdfPages(f.path(QStringLiteral("leser.pdf")));
    QCOMPARE(readerPages.size(), 2); // 28 readers on the first page
    const QStringList readers = numbersOnPages(readerPages, QStringLiteral("70"));
    QCOMPARE(readers.size(), 30);
    QCOMPARE(readers.first(), QStringLiteral("7001"));
    QCOMPARE(readers.last(), QStringLiteral("7030"));
    QVERIFY(readerPages[1].contains(QStringLiteral("Seite 2")));

    {
        TDruckervorschauAusleihlisteF window(
            f.library(), [&] { return options; }, nullptr);
        window.show();
        // The loan list stays portrait: it has no orientation button.
        QVERIFY(!window.SpeedButton1());
        FileDialogService::answerNext(f.path(QStringLiteral("ausleihe.pdf")));
        QVERIFY(window.printList());
    }
    const QStringList loanPages = pdfPages(f.path(QStringLiteral("ausleihe.pdf")));
    QCOMPARE(loanPages.size(), 2); // 27 loans on the first page
    const QStringList loanReaders = numbersOnPages(loanPages, QStringLiteral("70"));
    QCOMPARE(loanReaders.size(), 30);
    QCOMPARE(loanReaders.first(), QStringLiteral("7001"));
    const QString all = loanPages.join(QString());
    QVERIFY(all.contains(QStringLiteral("21.01.2024"))); // due date of an open loan
    QVERIFY(all.contains(QStringLiteral("10.01.2024"))); // return date of a returned one
    QVERIFY(!all.contains(QStringLiteral("30.12.1899")));
}

void tst_PrintWindows::documentTitleIsTheListsTitle_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("documentTitle");
    QTest::newRow("Bücher mit Titel") << "book"
                                      << "Bestand 2024"
                                      << "Bestand 2024";
    QTest::newRow("Bücher ohne Titel") << "book"
                                       << ""
                                       << "Bücherliste";
    QTest::newRow("Leser mit Titel") << "reader"
                                     << "Leser der Klasse 5"
                                     << "Leser der Klasse 5";
    QTest::newRow("Leser ohne Titel") << "reader"
                                      << ""
                                      << "Leserliste";
    QTest::newRow("Ausleihen mit Titel") << "loan"
                                         << "Überfällige Bücher"
                                         << "Überfällige Bücher";
    QTest::newRow("Ausleihen ohne Titel") << "loan"
                                          << "  "
                                          << "Ausleihliste";
}

void tst_PrintWindows::documentTitleIsTheListsTitle() {
    QFETCH(QString, list);
    QFETCH(QString, title);
    QFETCH(QString, documentTitle);
    Fixture f;
    printing::PrinterChoice::selectDefault();
    f.addBook(1, QStringLiteral("Autor"), QStringLiteral("Titel"));
    printing::ListOptions options{QStringLiteral("vorher"), false, {}};
    const auto read = [&] { return options; };
    std::unique_ptr<ListPreviewWindow> window;
    if (list == QLatin1String("book"))
        window = std::make_unique<TDruckervorschauF>(f.library(), read, nullptr);
    else if (list == QLatin1String("reader"))
        window = std::make_unique<TDruckerVorschauLeserF>(f.library(), read, nullptr);
    else
        window = std::make_unique<TDruckervorschauAusleihlisteF>(f.library(), read, nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    // The title as it stands when the list is printed.
    options.title = title;
    const QString file = f.path(QStringLiteral("liste.pdf"));
    FileDialogService::answerNext(file);
    QVERIFY(window->printList());
    QCOMPARE(window->PrintJob1()->printer().docName(), documentTitle);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {file});
    QVERIFY(info.waitForFinished(60000));
    const auto m = QRegularExpression(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption)
                       .match(QString::fromUtf8(info.readAllStandardOutput()));
    QVERIFY(m.hasMatch());
    QCOMPARE(m.captured(1).trimmed(), documentTitle);
}

void tst_PrintWindows::overdueListWithoutOverdueLoansIsOneHeadingPage() {
    Fixture f;
    printing::PrinterChoice::selectDefault();
    const int reader = f.addReader(1, QStringLiteral("Anna"), QStringLiteral("Berg"));
    const int book = f.addBook(2, QStringLiteral("Autor"), QStringLiteral("Titel"));
    f.addLoan(book, reader, QDate(2024, 1, 1), QDate(2024, 1, 21));
    f.loans().setFilter(QStringLiteral("DatumBisSoll < '01.01.2024'"));
    f.loans().setFiltered(true);
    const printing::ListOptions options{QStringLiteral("Überfällige Bücher"), true, {}};
    TDruckervorschauAusleihlisteF window(
        f.library(), [&] { return options; }, nullptr);
    window.show();
    QCOMPARE(window.PrintJob1()->PageCount(), 1);
    FileDialogService::answerNext(f.path(QStringLiteral("leer.pdf")));
    QVERIFY(window.printList());
    const QStringList pages = pdfPages(f.path(QStringLiteral("leer.pdf")));
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("Überfällige Bücher")));
    QVERIFY(pages[0].contains(QStringLiteral("Seite 1")));
    QVERIFY(pages[0].contains(QStringLiteral("Buch-Nr.")));
    QVERIFY(!pages[0].contains(QStringLiteral("Anna")));
}

QTEST_MAIN(tst_PrintWindows)
#include "tst_PrintWindows.moc"
