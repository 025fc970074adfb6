#include "labels/TEtikettenVorschauF.h"

#include "labels/LabelJob.h"
#include "printing/TPreview.h"
#include "printing/TPreviewToolbar.h"

#include <QVBoxLayout>

namespace lesaro::labels {

TEtikettenVorschauF::TEtikettenVorschauF(LabelPrintout printout, QWidget* parent)
    : QDialog(parent)
    , m_job(new LabelJob(std::move(printout), this))
    , m_toolbar(new TPreviewToolbar(this))
    , m_preview(new TPreview(this)) {
    setObjectName(QStringLiteral("EtikettenVorschauF"));
    setWindowTitle(m_job->printout().kind == LabelKind::Book ? QStringLiteral("Buchetiketten – Vorschau")
                                                             : QStringLiteral("Leserausweise – Vorschau"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 860);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_preview, 1);

    m_toolbar->setButtons({TButtonKind::btnPrint, TButtonKind::btnFirstPage, TButtonKind::btnPrevPage,
                           TButtonKind::btnNextPage, TButtonKind::btnLastPage, TButtonKind::btnZoomOut,
                           TButtonKind::btnZoomIn},
                          TButtonKind::btnZoomOut);
    m_toolbar->OnButtonClick = [this](TButtonKind kind, bool& allowDefault) {
        if (kind == TButtonKind::btnPrint) {
            allowDefault = false;
            m_job->printWithDialog(this);
        }
    };
    m_preview->setViewMode(TPreview::ViewMode::WholePage);
    m_toolbar->setPreview(m_preview);
}

TEtikettenVorschauF::~TEtikettenVorschauF() {
    m_preview->setPrintJob(nullptr);
}

void TEtikettenVorschauF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The preview scales to the window, which it knows only once the window is shown.
        m_preview->setPrintJob(m_job->job());
        m_preview->setFocus();
    }
}

} // namespace lesaro::labels
