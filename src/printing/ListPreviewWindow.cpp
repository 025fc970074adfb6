#include "printing/ListPreviewWindow.h"

#include "printing/PainterCanvas.h"
#include "printing/PrintProgressDialog.h"
#include "printing/TPreview.h"
#include "printing/TPreviewToolbar.h"

#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lesaro {

using namespace printing;

ListPreviewWindow::ListPreviewWindow(Setup setup, QWidget* parent)
    : QDialog(parent)
    , m_source(std::move(setup.source))
    , m_options(std::move(setup.options))
    , m_listName(setup.listName)
    , m_layout(std::move(setup.design), m_measurer)
    , m_job(new TPrintJob(this))
    , m_toolbar(new TPreviewToolbar(this))
    , m_preview(new TPreview(this)) {
    setObjectName(setup.objectName);
    setWindowTitle(setup.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(setup.clientSize);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_preview, 1);

    // The page count is settled only when the page on which the list ends has been drawn, so the bar
    // has no "Last page".
    m_toolbar->setButtons({TButtonKind::btnPrint, TButtonKind::btnPrinterSetupDialog, TButtonKind::btnFirstPage,
                           TButtonKind::btnPrevPage, TButtonKind::btnNextPage, TButtonKind::btnZoomOut,
                           TButtonKind::btnZoomIn},
                          TButtonKind::btnZoomOut);
    m_toolbar->OnButtonClick = [this](TButtonKind kind, bool& allowDefault) {
        if (kind == TButtonKind::btnPrint) {
            allowDefault = false;
            printList();
        } else if (kind == TButtonKind::btnPrinterSetupDialog) {
            allowDefault = false;
            // Another printer may have another paper: the count found on this one no longer holds.
            if (m_job->PrinterSetupDialog(this))
                m_job->setPageCount(kOpenPageCount);
        }
    };
    if (setup.orientationButton) {
        m_orientationButton = new QPushButton(QStringLiteral("Hochformat/Querformat"), m_toolbar);
        m_orientationButton->setObjectName(QStringLiteral("SpeedButton1"));
        m_orientationButton->setFlat(true);
        m_orientationButton->setGeometry(std::max(488, m_toolbar->contentsEnd() + 8), 2, 125, 22);
        m_orientationButton->setFocusPolicy(Qt::NoFocus);
        connect(m_orientationButton, &QPushButton::clicked, this, &ListPreviewWindow::SpeedButton1Click);
    }

    // The page count stands open until the layout finds the page on which the list ends. The margins
    // have no effect without joMargins: the page band is the whole sheet.
    m_job->setPageCount(kOpenPageCount);
    m_job->setOrientation(TPageOrientation::orPortrait);
    m_job->setMargins({8, 8, 9, 9});
    m_job->setTitle(documentTitle());
    m_job->OnInitDraw = [this](TPrintJob& job, QPainter& painter, TDrawTarget target) {
        PrintJob1InitDraw(job, painter, target);
    };
    m_job->OnDraw = [this](TPrintJob& job, QPainter& painter, int page, const QRect& rect, TDrawArea,
                           TDrawTarget target) { PrintJob1Draw(job, painter, page, rect, target); };
    m_preview->setViewMode(TPreview::ViewMode::PageWidth);
    m_toolbar->setPreview(m_preview);
}

ListPreviewWindow::~ListPreviewWindow() {
    // The job's callbacks reach into this window; nothing may call them while it is being taken apart.
    m_job->OnInitDraw = nullptr;
    m_job->OnDraw = nullptr;
    m_preview->setPrintJob(nullptr);
}

void ListPreviewWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The window opens on page 1 of its list.
        m_preview->setPrintJob(m_job);
        m_preview->setFocus();
    }
}

QString ListPreviewWindow::documentTitle() const {
    const QString title = m_options ? m_options().title.trimmed() : QString();
    return title.isEmpty() ? m_listName : title;
}

PageSetup ListPreviewWindow::pageSetup() const {
    return {m_job->PageWidth(), m_job->PageHeight(), m_job->Orientation() == TPageOrientation::orLandscape};
}

void ListPreviewWindow::PrintJob1InitDraw(TPrintJob&, QPainter&, TDrawTarget) {
    m_layout.prepare(*m_source, pageSetup(), m_options());
}

void ListPreviewWindow::PrintJob1Draw(TPrintJob& job, QPainter& painter, int pageIndex, const QRect&,
                                      TDrawTarget target) {
    const ListOptions options = m_options();
    m_layout.prepare(*m_source, pageSetup(), options);
    PainterCanvas canvas(painter, m_shapes);
    if (m_layout.drawPage(canvas, *m_source, pageSetup(), options, pageIndex)) {
        // Only a printout stops here. The preview may draw its last page while a printout runs (the window
        // repaints between the printed pages), and that must not end the printout early.
        if (target == TDrawTarget::dtPrint)
            job.Abort();
        job.setPageCount(pageIndex);
    }
}

void ListPreviewWindow::SpeedButton1Click() {
    m_job->setOrientation(m_job->Orientation() == TPageOrientation::orLandscape ? TPageOrientation::orPortrait
                                                                                : TPageOrientation::orLandscape);
    // A page shown beyond the end of the turned list would be a page of headings alone: show the list's
    // last page instead.
    m_job->ResetToDefaultPage();
    m_layout.prepare(*m_source, pageSetup(), m_options());
    const int pages = m_layout.pageCount(*m_source);
    if (m_preview->PageIndex() > pages)
        m_preview->setPageIndex(pages);
    // The page count found in one orientation does not hold in the other: a list that needs more pages
    // when turned would otherwise lose its last pages in the preview and in the printout. The count is
    // opened after the turn, so that the page shown settles it in the new orientation.
    m_job->setPageCount(kOpenPageCount);
}

bool ListPreviewWindow::printList() {
    m_job->ResetToDefaultPage();
    m_layout.prepare(*m_source, pageSetup(), m_options());
    const int pages = m_layout.pageCount(*m_source);
    // The count is known once the widths are: printing runs to the list's last page whatever the preview
    // has settled so far.
    m_job->setPageCount(pages);

    // The title the user gave the list names the document in the print queue and in the PDF file.
    m_job->setTitle(documentTitle());
    PrintProgressDialog progress(*m_job, this);
    return m_job->Print(this);
}

} // namespace lesaro
