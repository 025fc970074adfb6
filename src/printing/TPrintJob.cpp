#include "printing/TPrintJob.h"

#include "printing/PrinterChoice.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>

namespace lesaro {

using printing::PrinterChoice;

TPrintJob::TPrintJob(QObject* parent)
    : QObject(parent) {}

QPrinter& TPrintJob::printer() const {
    return PrinterChoice::current();
}

bool TPrintJob::PrinterOK() const {
    return printer().isValid();
}

int TPrintJob::DPIX() const {
    return PrinterOK() ? printer().resolution() : 300;
}

int TPrintJob::DPIY() const {
    return DPIX();
}

void TPrintJob::setPageCount(int count) {
    count = std::max(1, count);
    if (count == m_pageCount)
        return;
    m_pageCount = count;
    Update();
}

void TPrintJob::setOrientation(Orientation orientation) {
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    ResetToDefaultPage();
    Update();
}

void TPrintJob::ResetToDefaultPage() {
    if (!PrinterOK()) {
        m_pageWidth = 2000;
        m_pageHeight = 3000;
        return;
    }
    QPrinter& p = printer();
    if (m_orientation != Orientation::Default && p.printerState() != QPrinter::Active)
        p.setPageOrientation(m_orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QRect full = p.pageLayout().fullRectPixels(p.resolution());
    m_pageWidth = full.width();
    m_pageHeight = full.height();
}

QRect TPrintJob::GetSheetRect() const {
    return QRect(0, 0, int(std::lrint(m_pageWidth)), int(std::lrint(m_pageHeight)));
}

QRect TPrintJob::GetPrintableRect() const {
    if (!PrinterOK())
        return GetSheetRect();
    const QPrinter& p = printer();
    QPageLayout layout = p.pageLayout();
    const QMarginsF minimum = layout.minimumMargins();
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(minimum);
    return layout.paintRectPixels(p.resolution());
}

void TPrintJob::Draw(QPainter& painter, int pageIndex, DrawTarget target) {
    ResetToDefaultPage();
    // The page starts white, with a thin black pen and a white brush.
    painter.save();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    painter.fillRect(GetSheetRect(), Qt::white);
    if (OnInitDraw)
        OnInitDraw(*this, painter, target);
    if (OnDraw)
        OnDraw(*this, painter, pageIndex, GetSheetRect(), target);
    painter.restore();
}

void TPrintJob::Update() {
    if (m_updateLock > 0)
        return;
    ++m_updateLock;
    ResetToDefaultPage();
    Q_EMIT updated();
    --m_updateLock;
}

bool TPrintJob::printPages(QPrinter& p, int startPage, int endPage, QWidget* parent) {
    m_abort = false;
    m_cancelled = false;
    if (m_orientation != Orientation::Default)
        p.setPageOrientation(m_orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    p.setDocName(m_title);
    if (OnStartPrint)
        OnStartPrint(*this);
    QPainter painter;
    if (!painter.begin(&p)) {
        if (OnEndPrint)
            OnEndPrint(*this);
        MessageService::error(
            parent, QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(PrinterChoice::currentName()));
        return false;
    }
    const int step = endPage >= startPage ? 1 : -1;
    for (int page = startPage;; page += step) {
        if (m_abort) {
            m_abort = false;
            break;
        }
        // A page the list has already found to lie beyond its end is not printed.
        if (page > m_pageCount)
            break;
        if (page != startPage)
            p.newPage();
        if (OnStartPrintPage)
            OnStartPrintPage(*this, page);
        Draw(painter, page, DrawTarget::Print);
        // The windows stay responsive between pages, and a cancel reaches the job here.
        QCoreApplication::processEvents();
        if (page == endPage)
            break;
    }
    const bool ended = painter.end();
    if (OnEndPrint)
        OnEndPrint(*this);
    return ended && !m_cancelled;
}

bool TPrintJob::PrintEx(int startPage, int endPage, QWidget* parent) {
    QPrinter& p = printer();
    if (!PrinterChoice::isPdfFile())
        return printPages(p, startPage, endPage, parent);

    QString target = FileDialogService::saveFileName(parent, QStringLiteral("Als PDF-Datei speichern"),
                                                     p.outputFileName(), QStringLiteral("PDF-Dateien (*.pdf)"));
    if (target.isEmpty())
        return false;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".pdf");

    // The PDF is made in a scratch file beside the target and then written whole in one step, so that an
    // earlier file of that name survives a failed or cancelled printout.
    QTemporaryFile scratch(QFileInfo(target).absolutePath() + QStringLiteral("/.lesaro-druck-XXXXXX.pdf"));
    if (!scratch.open()) {
        MessageService::error(parent, QStringLiteral("Die Datei \"%1\" kann nicht angelegt werden: %2")
                                          .arg(QDir::toNativeSeparators(target), scratch.errorString()));
        return false;
    }
    scratch.close();
    p.setOutputFileName(scratch.fileName());
    const bool printed = printPages(p, startPage, endPage, parent);
    p.setOutputFileName(target);
    if (!printed)
        return false;

    QFile made(scratch.fileName());
    QSaveFile out(target);
    bool ok = made.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
    while (ok && !made.atEnd()) {
        const QByteArray chunk = made.read(1 << 20);
        ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    if (!ok || !out.commit()) {
        out.cancelWriting();
        MessageService::error(parent, QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                          .arg(QDir::toNativeSeparators(target), out.errorString()));
        return false;
    }
    return true;
}

bool TPrintJob::PrintDialog(QWidget* parent) {
    QPrinter& p = printer();
    if (!PrintDialogService::print(p, parent, {}, m_pageCount))
        return false;
    Update();
    int from = 1;
    int to = m_pageCount;
    if (p.printRange() == QPrinter::PageRange && p.fromPage() > 0) {
        from = p.fromPage();
        to = std::max(from, p.toPage());
    }
    return PrintEx(from, to, parent);
}

bool TPrintJob::PrinterSetupDialog(QWidget* parent) {
    const bool accepted = PrintDialogService::printerSetup(printer(), parent);
    if (accepted)
        Update();
    return accepted;
}

} // namespace lesaro
