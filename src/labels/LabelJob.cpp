#include "labels/LabelJob.h"

#include "printing/PrintProgressDialog.h"
#include "printing/PrinterChoice.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace lesaro::labels {

namespace {

std::unique_ptr<QPrinter> a4Printer() {
    const QString name = printing::PrinterChoice::currentName();
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    std::unique_ptr<QPrinter> p;
    if (info.isNull() || name == printing::PrinterChoice::PdfPrinterName) {
        p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setResolution(600);
    } else {
        p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    p->setPageSize(QPageSize(QPageSize::A4));
    p->setPageOrientation(QPageLayout::Portrait);
    // The sheet's geometry counts from the paper's corner, as on the preview.
    p->setFullPage(true);
    return p;
}

} // namespace

LabelJob::LabelJob(LabelPrintout printout, QObject* parent)
    : QObject(parent)
    , m_printout(std::move(printout))
    , m_printer(a4Printer())
    , m_job(new TPrintJob(this)) {
    m_job->setPrinter(m_printer.get());
    m_job->setOrientation(TPageOrientation::orPortrait);
    m_job->setTitle(m_printout.kind == LabelKind::Book ? QStringLiteral("Buchetiketten")
                                                       : QStringLiteral("Leserausweise"));
    m_job->setPageCount(std::max(1, m_printout.plan.sheetCount()));
    m_job->OnDraw = [this](TPrintJob&, QPainter& painter, int pageIndex, const QRect& rect, TDrawArea area,
                           TDrawTarget) {
        if (area == TDrawArea::daPage)
            draw(painter, pageIndex, rect);
    };
}

LabelJob::~LabelJob() {
    m_job->OnDraw = nullptr;
    m_job->setPrinter(nullptr);
}

QRectF LabelJob::printableMm() const {
    const QRect dots = m_job->GetPrintableAreaOnSheet();
    const double perDot = 25.4 / std::max(1, m_job->DPIX());
    return {dots.left() * perDot, dots.top() * perDot, dots.width() * perDot, dots.height() * perDot};
}

QString LabelJob::check() const {
    const QString sheet = m_printout.sheet.check();
    if (!sheet.isEmpty())
        return sheet;
    LabelPainter painter(m_printout, m_job->DPIX(), m_job->GetPrintableAreaOnSheet());
    return painter.checkBarcodes();
}

void LabelJob::draw(QPainter& painter, int sheet, const QRect& pageRect) {
    painter.save();
    // The page band starts at the sheet's corner on a printer that draws on the whole sheet.
    painter.translate(pageRect.topLeft());
    // One painter for the printout keeps its fonts from sheet to sheet; another printer needs another.
    const int dpi = m_job->DPIX();
    const QRect printable = m_job->GetPrintableAreaOnSheet();
    if (!m_painter || dpi != m_painterDpi || printable != m_painterPrintable) {
        m_painter = std::make_unique<LabelPainter>(m_printout, dpi, printable);
        m_painterDpi = dpi;
        m_painterPrintable = printable;
    }
    m_painter->drawSheet(painter, sheet);
    painter.restore();
}

bool LabelJob::printWithDialog(QWidget* parent) {
    m_job->setPageCount(std::max(1, m_printout.plan.sheetCount()));
    PrintProgressDialog progress(*m_job, parent);
    return m_job->PrintDialog(parent);
}

} // namespace lesaro::labels
