#include "printing/TPrintJob.h"

#include "core/AtomicFile.h"
#include "printing/PrinterChoice.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QWidget>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace lesaro {

using printing::PrinterChoice;

namespace {

// Notes the draw in progress and, when it ends (also through an exception), gives back the one before: a
// page drawn on the printer may make a linked preview draw its own page in between.
struct DrawTargetScope {
    std::optional<TDrawTarget>& target;
    std::optional<TDrawTarget> before;
    DrawTargetScope(std::optional<TDrawTarget>& noted, TDrawTarget now)
        : target(noted)
        , before(std::exchange(noted, now)) {}
    ~DrawTargetScope() { target = before; }
};

// Where the pages of a printout go: the printer's spooler, or for "PDF-Datei" a scratch file beside the
// target that replaces the target in one step once the document is complete, so that an earlier file of
// that name survives a failed or cancelled printout.
//
// Nothing here shows a message: the first failure is kept, and the job shows it once the printout has
// ended and its progress window is gone, so that the message is never hidden behind that window.
class DocumentOutput {
public:
    DocumentOutput(QPrinter& printer, QString pdfTarget, int lastPage)
        : m_printer(printer)
        , m_target(std::move(pdfTarget))
        , m_digits(int(QString::number(std::max(1, lastPage)).size())) {}

    ~DocumentOutput() {
        if (m_painter.isActive())
            m_painter.end();
        if (!m_target.isEmpty())
            m_printer.setOutputFileName(m_target);
    }

    QPainter& painter() { return m_painter; }
    // The first failure, in German; empty while all is well.
    const QString& error() const { return m_error; }

    // Whether a file can be made in the target's folder at all; checked before the first page is drawn, so
    // that a folder without write access fails at once and not after a long printout.
    bool probe() {
        if (m_target.isEmpty())
            return true;
        QTemporaryFile probe(scratchTemplate());
        if (probe.open())
            return true;
        return fail(QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2")
                        .arg(QDir::toNativeSeparators(m_target), fileErrorReason(m_target, true, probe.errorString())));
    }

    // page 0 is the one document of a printout; a page number is a document of that page alone.
    bool begin(int page) {
        m_page = page;
        if (!m_target.isEmpty()) {
            m_scratch = std::make_unique<QTemporaryFile>(scratchTemplate());
            if (!m_scratch->open()) {
                return fail(QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2")
                                .arg(QDir::toNativeSeparators(fileName()),
                                     fileErrorReason(fileName(), true, m_scratch->errorString())));
            }
            m_scratch->close();
            m_printer.setOutputFileName(m_scratch->fileName());
        }
        if (!m_painter.begin(&m_printer)) {
            return fail(QStringLiteral("Der Drucker „%1“ kann nicht drucken.").arg(PrinterChoice::currentName()));
        }
        return true;
    }

    // After every page: the PDF writer does not report a write the disk refuses, so the disk under the
    // scratch file is asked. A document always has its closing part still to come, so a disk without a free
    // block cannot take the rest of it.
    bool pageWritten() {
        if (m_target.isEmpty()) {
            if (m_printer.printerState() != QPrinter::Error)
                return true;
            return fail(QStringLiteral("Der Drucker „%1“ meldet einen Fehler; der Druck wurde abgebrochen.")
                            .arg(PrinterChoice::currentName()));
        }
        const QString reason = diskProblem();
        if (reason.isEmpty())
            return true;
        return fail(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                        .arg(QDir::toNativeSeparators(fileName()), reason));
    }

    // keep: the document is complete and goes out; otherwise a PDF file is not written.
    bool end(bool keep) {
        const bool ended = m_painter.end();
        if (m_target.isEmpty())
            return ended;
        m_printer.setOutputFileName(m_target);
        const std::unique_ptr<QTemporaryFile> scratch = std::move(m_scratch);
        if (!ended || !keep || !scratch)
            return false;
        const QString target = fileName();
        if (!completeDocument(scratch->fileName())) {
            QString reason = diskProblem();
            if (reason.isEmpty())
                reason = QStringLiteral("Die Daten sind nicht vollständig auf dem Datenträger angekommen.");
            return fail(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                            .arg(QDir::toNativeSeparators(target), reason));
        }
        QFile made(scratch->fileName());
        QSaveFile out(target);
        // Unbuffered, so that a write the disk refuses fails here and names its reason.
        bool ok = made.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        QString system = out.errorString();
        while (ok && !made.atEnd()) {
            const QByteArray chunk = made.read(1 << 20);
            ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
            if (!ok)
                system = out.errorString();
        }
        if (!ok || !out.commit()) {
            if (ok)
                system = out.errorString();
            out.cancelWriting();
            return fail(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2")
                            .arg(QDir::toNativeSeparators(target), fileErrorReason(target, true, system, made.size())));
        }
        return true;
    }

    // A document per page writes numbered files beside the chosen name ("Liste-007.pdf"), so that no page
    // overwrites the one before and the files sort in page order.
    QString fileName() const {
        if (m_page == 0)
            return m_target;
        const QFileInfo info(m_target);
        return info.dir().filePath(QStringLiteral("%1-%2.%3")
                                       .arg(info.completeBaseName())
                                       .arg(m_page, m_digits, 10, QLatin1Char('0'))
                                       .arg(info.suffix()));
    }

private:
    bool fail(const QString& message) {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }

    QString scratchTemplate() const {
        return QFileInfo(m_target).absolutePath() + QStringLiteral("/.lesaro-druck-XXXXXX.pdf");
    }

    // Why the scratch file's disk cannot take more, or nothing when it can.
    QString diskProblem() const {
        const QString folder = QFileInfo(m_target).absolutePath();
        struct statvfs fs {};
        if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
            return fileErrorReason(m_target, true, QString::fromLocal8Bit(std::strerror(errno)));
        if (fs.f_flag & ST_RDONLY)
            return QStringLiteral("Der Datenträger ist schreibgeschützt.");
        // The administrator may still write into the blocks kept back for him.
        if (fs.f_bfree == 0 || (fs.f_bavail == 0 && ::geteuid() != 0))
            return QStringLiteral("Der Datenträger ist voll.");
        if (m_scratch && !QFileInfo::exists(m_scratch->fileName()))
            return QStringLiteral("Die Datei ist während des Druckens verschwunden (Datenträger entfernt?).");
        return {};
    }

    // Whether the file is a whole PDF document: it ends with its cross-reference, and the place that names
    // is where the cross-reference begins, which it is not when any piece before it was lost.
    static bool completeDocument(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly) || f.size() < 64)
            return false;
        const qint64 size = f.size();
        const qint64 tailStart = std::max<qint64>(0, size - 1024);
        if (!f.seek(tailStart))
            return false;
        const QByteArray tail = f.readAll();
        const qsizetype mark = tail.lastIndexOf("startxref");
        if (mark < 0 || !tail.trimmed().endsWith("%%EOF"))
            return false;
        bool ok = false;
        const qint64 xref = tail.mid(mark + 9).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
        if (!ok || xref <= 0 || xref >= size || !f.seek(xref))
            return false;
        return f.read(4) == "xref";
    }

    QPrinter& m_printer;
    QString m_target;
    int m_digits;
    int m_page = 0;
    QPainter m_painter;
    std::unique_ptr<QTemporaryFile> m_scratch;
    QString m_error;
};

// Points in one of the page layout's units.
double pointsPerUnit(QPageLayout::Unit unit) {
    switch (unit) {
    case QPageLayout::Millimeter:
        return 72.0 / 25.4;
    case QPageLayout::Point:
        return 1.0;
    case QPageLayout::Inch:
        return 72.0;
    case QPageLayout::Pica:
        return 12.0;
    case QPageLayout::Didot:
        return 1.07;
    case QPageLayout::Cicero:
        return 12.84;
    }
    return 1.0;
}

} // namespace

TPrintJob::TPrintJob(QObject* parent)
    : QObject(parent) {
    // The page size is the printer's from the start.
    ResetToDefaultPage();
}

TPrintJob::~TPrintJob() = default;

QString TPrintJob::marginsOutsideText() {
    return QStringLiteral("Ein oder mehrere Ränder liegen außerhalb des druckbaren Bereichs der Seite.");
}

QString TPrintJob::marginsQuestionText() {
    return marginsOutsideText() + QStringLiteral("\nSollen sie angepasst werden?");
}

// ---------------------------------------------------------------------------------------------------
// Properties

void TPrintJob::setPageCount(int count) {
    count = std::max(1, count);
    if (count == m_pageCount)
        return;
    m_pageCount = count;
    Update();
}

void TPrintJob::setMargins(const TMargins& margins) {
    const bool changed = !(margins == m_page.margins);
    m_page.margins = margins;
    CheckMargins();
    if (changed)
        Update();
}

void TPrintJob::setMarginsUnits(TUnits units) {
    if (units == m_page.marginsUnits)
        return;
    m_page.marginsUnits = units;
    Update();
}

void TPrintJob::setMarginsError(TMarginsError mode) {
    m_marginsError = mode;
    m_declined.reset();
    if (mode != TMarginsError::meNone)
        CheckMargins();
}

void TPrintJob::setHeader(double height) {
    if (height == m_page.header)
        return;
    m_page.header = height;
    Update();
}

void TPrintJob::setHeaderUnits(TUnits units) {
    if (units == m_page.headerUnits)
        return;
    m_page.headerUnits = units;
    Update();
}

void TPrintJob::setFooter(double height) {
    if (height == m_page.footer)
        return;
    m_page.footer = height;
    Update();
}

void TPrintJob::setFooterUnits(TUnits units) {
    if (units == m_page.footerUnits)
        return;
    m_page.footerUnits = units;
    Update();
}

void TPrintJob::setPageMode(TPageMode mode) {
    if (mode == m_page.pageMode)
        return;
    m_page.pageMode = mode;
    ResetToDefaultPage();
    Update();
}

void TPrintJob::setPageWidth(double width) {
    if (m_page.pageMode == TPageMode::pmDefault) {
        ResetToDefaultPage();
        return;
    }
    if (width == m_page.pageWidth)
        return;
    m_page.pageWidth = width;
    Update();
}

void TPrintJob::setPageHeight(double height) {
    if (m_page.pageMode == TPageMode::pmDefault) {
        ResetToDefaultPage();
        return;
    }
    if (height == m_page.pageHeight)
        return;
    m_page.pageHeight = height;
    Update();
}

void TPrintJob::setPageUnits(TUnits units) {
    if (units == m_page.pageUnits)
        return;
    m_page.pageUnits = units;
    ResetToDefaultPage();
    Update();
}

void TPrintJob::setOrientation(TPageOrientation orientation) {
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    ResetToDefaultPage();
    Update();
}

void TPrintJob::setOptions(TJobOptions options) {
    if (options == m_page.options)
        return;
    m_page.options = options;
    Update();
}

void TPrintJob::setRelativeCoords(bool on) {
    if (on == m_relativeCoords)
        return;
    m_relativeCoords = on;
    Update();
}

// ---------------------------------------------------------------------------------------------------
// Printer and geometry

QPrinter& TPrintJob::printer() const {
    return m_printer ? *m_printer : PrinterChoice::current();
}

void TPrintJob::setPrinter(QPrinter* printer) {
    m_printer = printer;
    m_declined.reset();
    Update();
}

bool TPrintJob::PrinterOK() const {
    return printer().isValid();
}

TPrinterCaps TPrintJob::DeviceCaps() const {
    TPrinterCaps caps;
    if (!PrinterOK())
        return caps;
    const QPrinter& p = printer();
    const int resolution = p.resolution();
    const QPageLayout layout = p.pageLayout();
    const QRect full = layout.fullRectPixels(resolution);
    if (resolution <= 0 || full.isEmpty())
        return caps;
    caps.ok = true;
    caps.dpiX = resolution;
    caps.dpiY = resolution;
    caps.physicalWidth = full.width();
    caps.physicalHeight = full.height();
    // The unprintable edges from the printer's minimum margins, each rounded on its own and taken off the
    // physical page, so that the printable area never reaches past the sheet.
    const QMarginsF minimum = layout.minimumMargins();
    const double perUnit = pointsPerUnit(layout.units()) * resolution / 72.0;
    const int left = int(std::lrint(minimum.left() * perUnit));
    const int top = int(std::lrint(minimum.top() * perUnit));
    const int right = int(std::lrint(minimum.right() * perUnit));
    const int bottom = int(std::lrint(minimum.bottom() * perUnit));
    caps.offsetX = left;
    caps.offsetY = top;
    caps.printableWidth = std::max(0, caps.physicalWidth - left - right);
    caps.printableHeight = std::max(0, caps.physicalHeight - top - bottom);
    // Our printers draw on the whole sheet; a printer that does not has its canvas origin at the corner of
    // its paint area, and the margin rectangle is moved by exactly that.
    caps.canvasOrigin = p.fullPage() ? QPoint(0, 0) : layout.paintRectPixels(resolution).topLeft();
    return caps;
}

bool TPrintJob::Aborted() const {
    return printer().printerState() == QPrinter::Aborted;
}

double TPrintJob::ConvertUnits(TUnits from, TUnits to, double fullRange, TDirection direction, double value) const {
    const TPrinterCaps caps = DeviceCaps();
    return pagegeometry::ConvertUnits(from, to, fullRange, direction, value, caps.dpiX, caps.dpiY);
}

TMargins TPrintJob::ConvertMargins(TUnits from, TUnits to, const TMargins& margins) const {
    const TPrinterCaps caps = DeviceCaps();
    const QRect sheet = pagegeometry::sheetRect(caps, m_page);
    return pagegeometry::ConvertMargins(from, to, margins, sheet.width(), sheet.height(), caps.dpiX, caps.dpiY);
}

void TPrintJob::ResetToDefaultPage() {
    if (!PrinterOK()) {
        m_page.pageWidth = 2000;
        m_page.pageHeight = 3000;
        return;
    }
    QPrinter& p = printer();
    if (m_orientation != TPageOrientation::orDefault && p.printerState() != QPrinter::Active) {
        const auto wanted =
            m_orientation == TPageOrientation::orLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
        if (p.pageLayout().orientation() != wanted)
            p.setPageOrientation(wanted);
    }
    if (m_page.pageMode == TPageMode::pmDefault) {
        const QSizeF size = pagegeometry::defaultPageSize(DeviceCaps(), m_page.pageUnits);
        m_page.pageWidth = size.width();
        m_page.pageHeight = size.height();
    }
}

QRect TPrintJob::GetSheetRect() const {
    return pagegeometry::sheetRect(DeviceCaps(), m_page);
}

QRect TPrintJob::GetPrintableRect() const {
    return pagegeometry::printableRect(DeviceCaps(), m_page);
}

QRect TPrintJob::GetPrintableAreaOnSheet() const {
    return pagegeometry::printableAreaOnSheet(DeviceCaps(), m_page);
}

QRect TPrintJob::GetMarginRect() const {
    return pagegeometry::marginRect(DeviceCaps(), m_page, onPrinterCanvas());
}

QRect TPrintJob::GetHeaderRect() const {
    return pagegeometry::headerRect(DeviceCaps(), m_page, onPrinterCanvas());
}

QRect TPrintJob::GetPageRect() const {
    return pagegeometry::pageRect(DeviceCaps(), m_page, onPrinterCanvas());
}

QRect TPrintJob::GetFooterRect() const {
    return pagegeometry::footerRect(DeviceCaps(), m_page, onPrinterCanvas());
}

QWidget* TPrintJob::dialogParent(QWidget* parent) const {
    if (parent)
        return parent;
    for (QObject* o = this->parent(); o; o = o->parent()) {
        if (auto* w = qobject_cast<QWidget*>(o))
            return w;
    }
    return nullptr;
}

void TPrintJob::CheckMargins() {
    if (m_marginsError == TMarginsError::meNone || !PrinterOK())
        return;
    const TPrinterCaps caps = DeviceCaps();
    const pagegeometry::MarginsCheck check = pagegeometry::checkMargins(caps, m_page);
    if (!check.outside)
        return;
    switch (m_marginsError) {
    case TMarginsError::meNone:
        return;
    case TMarginsError::meAutoFix:
        break;
    case TMarginsError::meMessageBox: {
        // The answer No stands for these margins on this printer: every update would ask again otherwise.
        if (m_declined && m_declined->margins == m_page.margins && m_declined->units == m_page.marginsUnits &&
            m_declined->caps == caps)
            return;
        const int answer =
            MessageService::choose(dialogParent(nullptr), MessageService::Kind::Warning, marginsQuestionText(),
                                   {QStringLiteral("&Ja"), QStringLiteral("&Nein")}, 1);
        if (answer != 0) {
            m_declined = Declined{m_page.margins, m_page.marginsUnits, caps};
            return;
        }
        break;
    }
    case TMarginsError::meException:
        throw EPrintJobException(marginsOutsideText());
    }
    m_declined.reset();
    m_page.margins = check.fixed;
}

// ---------------------------------------------------------------------------------------------------
// Drawing

TPrintJob* TPrintJob::ActiveInstance(int) {
    return this;
}

QFont TPrintJob::PointFont(const QString& family, double points) const {
    QFont font(family);
    if (family == QLatin1String("Arial"))
        font.setFamilies({family, QStringLiteral("Liberation Sans")});
    else if (family == QLatin1String("Arial Narrow"))
        font.setFamilies({family, QStringLiteral("Liberation Sans Narrow")});
    // Point sizes come out right on the device only when they are reckoned at the printer's resolution.
    font.setPixelSize(std::max(1, int(std::lrint(points * DPIY() / 72.0))));
    return font;
}

void TPrintJob::InitDraw(QPainter& painter, TDrawTarget target) {
    painter.setFont(PointFont(QStringLiteral("Arial"), 10));
    painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter.fillRect(GetSheetRect(), Qt::white);
    if (OnInitDraw)
        OnInitDraw(*this, painter, target);
}

void TPrintJob::DrawArea(QPainter& painter, int pageIndex, const QRect& rect, TDrawArea area, TDrawTarget target) {
    if (OnDraw)
        OnDraw(*this, painter, pageIndex, rect, area, target);
}

void TPrintJob::Draw(QPainter& painter, int pageIndex, TDrawTarget target) {
    const DrawTargetScope scope(m_drawTarget, target);
    if (m_drawLock > 0)
        return;
    ResetToDefaultPage();
    painter.save();
    InitDraw(painter, target);
    // A QPainter moves its origin in logical units, so the band's corner needs no scaling by the extents.
    // The origin is restored after every band, also when a band moved it itself, so that each band
    // starts from the sheet's corner.
    auto band = [&](const QRect& rect, TDrawArea area) {
        const QTransform origin = painter.worldTransform();
        if (m_relativeCoords) {
            painter.translate(rect.topLeft());
            DrawArea(painter, pageIndex, QRect(QPoint(0, 0), rect.size()), area, target);
        } else {
            DrawArea(painter, pageIndex, rect, area, target);
        }
        painter.setWorldTransform(origin);
    };
    band(GetPageRect(), TDrawArea::daPage);
    if (m_page.options.testFlag(TJobOption::joHeader))
        band(GetHeaderRect(), TDrawArea::daHeader);
    if (m_page.options.testFlag(TJobOption::joFooter))
        band(GetFooterRect(), TDrawArea::daFooter);
    painter.restore();
}

void TPrintJob::DrawBitmap(QPainter& painter, const QRect& rect, const QImage& image, TStretchMode mode,
                           Qt::Alignment alignment) const {
    const QRect target = pagegeometry::pictureRect(image.size(), rect, mode, alignment);
    if (target.isEmpty())
        return;
    painter.save();
    // A picture of its own size may be larger than the rectangle; it stays inside it.
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawImage(target, image);
    painter.restore();
}

void TPrintJob::TabbedTextOut(QPainter& painter, int x, int y, const QString& text) const {
    const QFontMetrics metrics(painter.font(), painter.device());
    const auto pieces = pagegeometry::tabbedPieces(x, text, 8 * metrics.averageCharWidth(),
                                                   [&](const QString& t) { return metrics.horizontalAdvance(t); });
    for (const pagegeometry::TabbedPiece& piece : pieces)
        painter.drawText(QPoint(piece.x, y + metrics.ascent()), piece.text);
}

// ---------------------------------------------------------------------------------------------------
// Events

void TPrintJob::PrinterSetupChange() {
    Q_EMIT OnPrinterSetupChange();
}

bool TPrintJob::AllowPrint() {
    bool allow = true;
    if (OnAllowPrint)
        OnAllowPrint(*this, allow);
    return allow;
}

void TPrintJob::StartPrint() {
    Q_EMIT OnStartPrint();
}

void TPrintJob::EndPrint() {
    Q_EMIT OnEndPrint();
}

void TPrintJob::PrintProgress(int pos, int min, int max) {
    Q_EMIT OnPrintProgress(pos, min, max);
}

void TPrintJob::StartPrintPage(int pageIndex) {
    Q_EMIT OnStartPrintPage(pageIndex);
}

void TPrintJob::EndPrintPage(int pageIndex) {
    Q_EMIT OnEndPrintPage(pageIndex);
}

void TPrintJob::ForceNewPage(int) {
    printer().newPage();
}

// ---------------------------------------------------------------------------------------------------
// Printing

bool TPrintJob::PrintEx(int startPage, int endPage, TPrintModes modes, QWidget* parent) {
    parent = dialogParent(parent);
    if (!AllowPrint())
        return false;
    m_abort = false;
    m_cancelled = false;
    QPrinter& p = printer();
    const bool multiDoc = modes.testFlag(TPrintMode::pmMultiDoc);
    const bool reverse = modes.testFlag(TPrintMode::pmReverse);

    QString pdfTarget;
    if (!m_printer ? PrinterChoice::isPdfFile() : p.outputFormat() == QPrinter::PdfFormat) {
        pdfTarget = FileDialogService::saveFileName(parent, QStringLiteral("Als PDF-Datei speichern"),
                                                    p.outputFileName(), QStringLiteral("PDF-Dateien (*.pdf)"));
        if (pdfTarget.isEmpty())
            return false;
        if (QFileInfo(pdfTarget).suffix().isEmpty())
            pdfTarget += QStringLiteral(".pdf");
    }

    const int low = std::min(startPage, endPage);
    const int high = std::max(startPage, endPage);
    DocumentOutput output(p, pdfTarget, high);
    if (!output.probe()) {
        MessageService::error(parent, output.error());
        return false;
    }

    if (m_orientation != TPageOrientation::orDefault)
        p.setPageOrientation(m_orientation == TPageOrientation::orLandscape ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
    p.setDocName(m_title);
    m_pagesToPrint = high - low + 1;
    m_printing = true;
    // A failure raised while a page is drawn reaches the caller; the job is not left printing.
    const std::unique_ptr<bool, void (*)(bool*)> printing(&m_printing, [](bool* flag) { *flag = false; });
    StartPrint();

    bool ok = true;
    int done = 0;
    if (!multiDoc)
        ok = output.begin(0);
    for (int i = 0; ok && i < m_pagesToPrint; ++i) {
        if (m_abort) {
            m_abort = false;
            break;
        }
        const int page = reverse ? high - i : low + i;
        // A page the layout has already found to lie beyond its end is not printed.
        if (page < 1 || page > m_pageCount)
            continue;
        if (multiDoc)
            ok = output.begin(page);
        else if (done > 0)
            ForceNewPage(page);
        if (!ok)
            break;
        StartPrintPage(page);
        Draw(output.painter(), page, TDrawTarget::dtPrint);
        EndPrintPage(page);
        if (multiDoc)
            ok = output.end(!m_cancelled);
        ok = output.pageWritten() && ok;
        ++done;
        // Counts of the whole printout, so that "page n of m" ends at m.
        PrintProgress(done, 1, m_pagesToPrint);
        // The windows stay responsive between pages, and a cancel reaches the job here.
        QCoreApplication::processEvents();
    }
    if (!multiDoc && output.painter().isActive())
        ok = output.end(ok && !m_cancelled && done > 0) && ok;
    m_printing = false;
    EndPrint();
    // Only now, with the progress window gone, can the user read and close the message.
    if (!output.error().isEmpty() && !m_cancelled)
        MessageService::error(parent, output.error());
    return ok && done > 0 && !m_cancelled;
}

bool TPrintJob::Print(QWidget* parent) {
    return PrintEx(1, m_pageCount, m_multiDoc ? TPrintModes(TPrintMode::pmMultiDoc) : TPrintModes(), parent);
}

bool TPrintJob::PrintDialog(QWidget* parent) {
    parent = dialogParent(parent);
    QPrinter& p = printer();
    if (!PrintDialogService::print(p, parent, {}, m_pageCount))
        return false;
    Update();
    m_abort = false;
    p.setDocName(m_title);
    Update();
    PrinterSetupChange();
    int from = 1;
    int to = m_pageCount;
    if (p.printRange() == QPrinter::PageRange && p.fromPage() > 0) {
        from = p.fromPage();
        to = std::max(from, p.toPage());
    }
    return PrintEx(from, to, m_multiDoc ? TPrintModes(TPrintMode::pmMultiDoc) : TPrintModes(), parent);
}

bool TPrintJob::PrinterSetupDialog(QWidget* parent) {
    if (!PrintDialogService::printerSetup(printer(), dialogParent(parent)))
        return false;
    m_declined.reset();
    Update();
    PrinterSetupChange();
    Update();
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Updates

void TPrintJob::Update() {
    ApplyUpdates();
}

void TPrintJob::ApplyUpdates() {
    // While this job tells its linked jobs, an update reaching it again can only come round a ring of
    // linked jobs: it has been updated already.
    if (m_updateLock > 0 || m_notifyingJobs || !PrinterOK())
        return;
    ResetToDefaultPage();
    CheckMargins();
    if (m_jobsLock == 0) {
        m_notifyingJobs = true;
        const QList<QPointer<TPrintJob>> jobs = m_jobs;
        for (const QPointer<TPrintJob>& job : jobs) {
            try {
                if (job)
                    job->Update();
            } catch (...) {
                // A linked job's trouble is its own; this job's update goes on.
            }
        }
        m_notifyingJobs = false;
    }
    if (m_controlsLock == 0) {
        const QList<LinkedControl> controls = m_controls;
        for (const LinkedControl& c : controls) {
            try {
                if (c.control && c.update)
                    c.update();
            } catch (...) {
                // A preview that cannot show the page must not keep the job from updating the others.
            }
        }
    }
    Q_EMIT updated();
}

void TPrintJob::LinkControl(QObject* control, std::function<void()> update) {
    if (!control)
        return;
    UnlinkControl(control);
    m_controls.append({control, std::move(update)});
}

void TPrintJob::UnlinkControl(QObject* control) {
    m_controls.removeIf([control](const LinkedControl& c) { return !c.control || c.control == control; });
}

void TPrintJob::LinkJob(TPrintJob* job) {
    if (!job || job == this || m_jobs.contains(job))
        return;
    m_jobs.append(job);
}

void TPrintJob::UnlinkJob(TPrintJob* job) {
    m_jobs.removeIf([job](const QPointer<TPrintJob>& j) { return !j || j == job; });
}

} // namespace lesaro
