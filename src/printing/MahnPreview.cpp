#include "printing/MahnPreview.h"

#include "core/Clock.h"
#include "printing/MahnOptionen.h"
#include "printing/PainterCanvas.h"
#include "printing/PrintProgressDialog.h"
#include "printing/TPreview.h"
#include "printing/TPreviewToolbar.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lesaro {

using namespace printing;

TMahnungenF::TMahnungenF(LibraryHandle& library, QWidget* parent)
    : QDialog(parent)
    , m_library(library)
    , m_job(new TPrintJob(this))
    , m_toolbar(new TPreviewToolbar(this))
    , m_preview(new TPreview(this))
    , m_optionsButton(new QPushButton(QStringLiteral("Mahnschreiben…"), m_toolbar))
    , m_status(new QLabel(this)) {
    setObjectName(QStringLiteral("MahnungenF"));
    setWindowTitle(QStringLiteral("Mahnungen"));
    resize(760, 820);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_preview, 1);
    m_status->setObjectName(QStringLiteral("StatusText"));
    m_status->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_status);

    m_toolbar->setButtons({TButtonKind::btnPrint, TButtonKind::btnPrinterSetupDialog, TButtonKind::btnFirstPage,
                           TButtonKind::btnPrevPage, TButtonKind::btnNextPage, TButtonKind::btnLastPage,
                           TButtonKind::btnZoomOut, TButtonKind::btnZoomIn},
                          TButtonKind::btnZoomOut);
    m_toolbar->OnButtonClick = [this](TButtonKind kind, bool& allowDefault) {
        if (kind == TButtonKind::btnPrint) {
            allowDefault = false;
            printLetters();
        }
    };
    m_optionsButton->setObjectName(QStringLiteral("BtnMahnOptionen"));
    m_optionsButton->setFlat(true);
    m_optionsButton->setFocusPolicy(Qt::NoFocus);
    m_optionsButton->setGeometry(m_toolbar->contentsEnd() + 8, 2, 120, 22);
    connect(m_optionsButton, &QPushButton::clicked, this, &TMahnungenF::OptionenClick);

    m_job->setOrientation(TPageOrientation::orPortrait);
    m_job->setMargins({8, 8, 9, 9});
    m_job->setTitle(QStringLiteral("Mahnungen"));
    m_job->OnInitDraw = [this](TPrintJob&, QPainter&, TDrawTarget) { layOut(); };
    m_job->OnDraw = [this](TPrintJob&, QPainter& painter, int pageIndex, const QRect&, TDrawArea, TDrawTarget) {
        if (pageIndex < 1 || pageIndex > m_pages.size())
            return;
        PainterCanvas canvas(painter, m_shapes);
        MahnLayout::draw(canvas, m_pages[pageIndex - 1]);
    };
    m_preview->setViewMode(TPreview::ViewMode::PageWidth);
    m_toolbar->setPreview(m_preview);
}

TMahnungenF::~TMahnungenF() {
    m_job->OnInitDraw = nullptr;
    m_job->OnDraw = nullptr;
    m_preview->setPrintJob(nullptr);
}

QString TMahnungenF::statusText(const MahnCollection& collection) {
    const int letters = int(collection.readers.size());
    int withoutAddress = 0;
    int books = 0;
    for (const MahnReader& r : collection.readers) {
        withoutAddress += r.hasAddress() ? 0 : 1;
        books += int(r.books.size());
    }
    QString text = letters == 1 ? QStringLiteral("1 Mahnschreiben") : QStringLiteral("%1 Mahnschreiben").arg(letters);
    text += books == 1 ? QStringLiteral(" zu 1 überfälligen Buch")
                       : QStringLiteral(" zu %1 überfälligen Büchern").arg(books);
    if (withoutAddress > 0)
        text += withoutAddress == 1 ? QStringLiteral("; 1 Leser ohne Anschrift (nur Name)")
                                    : QStringLiteral("; %1 Leser ohne Anschrift (nur Name)").arg(withoutAddress);
    if (collection.loansWithoutReader > 0)
        text +=
            QStringLiteral("; %1 überfällige Ausleihen ohne Leser (nicht gemahnt)").arg(collection.loansWithoutReader);
    return text;
}

void TMahnungenF::refresh() {
    m_collection =
        collectOverdue(m_library.ClientAusleihe(), m_library.ClientBuecher(), m_library.ClientLeser(), Clock::today());
    m_texts = MahnTexts::load();
    m_laidFor = {};
    m_pages.clear();
    m_status->setText(statusText(m_collection));
    m_job->ResetToDefaultPage();
    layOut();
    m_job->setPageCount(int(m_pages.size()));
    // The preview scales to the window's width, which it learns only once the window is shown.
    if (isVisible())
        m_preview->setPrintJob(m_job);
}

void TMahnungenF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_preview->setPrintJob(m_job);
    m_preview->setFocus();
}

void TMahnungenF::layOut() {
    const MahnPage page{int(m_job->PageWidth()), int(m_job->PageHeight()), m_job->DPIY()};
    if (!m_pages.isEmpty() && page.width == m_laidFor.width && page.height == m_laidFor.height &&
        page.dpi == m_laidFor.dpi)
        return;
    m_laidFor = page;
    MahnLayout layout(m_texts, Clock::today(), m_measurer);
    m_pages = layout.layout(m_collection.readers, page);
    if (m_job->PageCount() != std::max<int>(1, int(m_pages.size())))
        m_job->setPageCount(int(m_pages.size()));
}

int TMahnungenF::exec() {
    refresh();
    if (m_collection.readers.isEmpty()) {
        MessageService::notice(parentWidget(),
                               QStringLiteral("Zurzeit ist kein Buch überfällig; es gibt nichts zu mahnen."));
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void TMahnungenF::OptionenClick() {
    if (!m_options)
        return;
    if (m_options->exec() == QDialog::Accepted)
        refresh();
}

bool TMahnungenF::printLetters() {
    if (m_pages.isEmpty())
        return false;
    m_job->ResetToDefaultPage();
    layOut();
    m_job->setPageCount(int(m_pages.size()));
    PrintProgressDialog progress(*m_job, this);
    return m_job->Print(this);
}

} // namespace lesaro
