#include "printing/TPreview.h"

#include "printing/TDrawPanel.h"
#include "printing/TPrintJob.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace lesaro {

namespace {

constexpr int ScrollStep = 8;

int roundHalfEven(double v) {
    return int(std::lrint(v));
}

} // namespace

TPreview::TPreview(QWidget* parent)
    : QScrollArea(parent)
    , m_canvas(new QWidget)
    , m_panel(new TDrawPanel(m_canvas)) {
    setObjectName(QStringLiteral("Preview1"));
    setFocusPolicy(Qt::StrongFocus);
    setWidgetResizable(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_canvas->setAutoFillBackground(true);
    QPalette pal = m_canvas->palette();
    pal.setColor(QPalette::Window, m_color);
    m_canvas->setPalette(pal);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    setWidget(m_canvas);
    verticalScrollBar()->setSingleStep(ScrollStep);
    horizontalScrollBar()->setSingleStep(ScrollStep);
    m_panel->hide();
}

const QList<int>& TPreview::zoomSteps() {
    static const QList<int> steps{10, 25, 50, 75, 100, 150, 200, 300, 500, 700, 1000};
    return steps;
}

QWidget* TPreview::pagePanel() const {
    return m_panel;
}

void TPreview::setPrintJob(TPrintJob* job) {
    if (m_job)
        m_job->UnlinkControl(this);
    m_job = job;
    if (m_job)
        m_job->LinkControl(this, [this] { UpdatePreview(); });
    m_page = 1;
    UpdatePreview();
}

TPreview::~TPreview() {
    if (m_job)
        m_job->UnlinkControl(this);
}

void TPreview::setColor(const QColor& color) {
    m_color = color;
    QPalette pal = m_canvas->palette();
    pal.setColor(QPalette::Window, color);
    m_canvas->setPalette(pal);
    viewport()->setPalette(pal);
}

void TPreview::setShadowColor(const QColor& color) {
    m_shadowColor = color;
    UpdatePreview();
}

void TPreview::setScrollTracking(bool on) {
    horizontalScrollBar()->setTracking(on);
    verticalScrollBar()->setTracking(on);
}

bool TPreview::ScrollTracking() const {
    return verticalScrollBar()->hasTracking();
}

void TPreview::setDragScroll(bool on) {
    m_dragScroll = on;
    m_dragging = false;
    m_canvas->setCursor(on ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

QImage TPreview::pageImage() const {
    // Without a job or a printer no page is shown, and there is no picture of one.
    if (m_panel->isHidden() || !m_job)
        return {};
    const QSize sheet = m_panel->size() - QSize(m_shadowSize, m_shadowSize);
    QImage image(sheet.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    m_panel->paintPage(painter, QRect(QPoint(0, 0), sheet));
    return image;
}

void TPreview::copyPageToClipboard() const {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(pageImage());
}

bool TPreview::savePageToFile(const QString& fileName) const {
    const QImage image = pageImage();
    QSaveFile file(fileName);
    if (image.isNull() || !file.open(QIODevice::WriteOnly))
        return false;
    if (!image.save(&file, QFileInfo(fileName).suffix().isEmpty() ? "PNG" : nullptr)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void TPreview::setViewMode(ViewMode mode) {
    m_mode = mode;
    UpdatePreview();
}

void TPreview::setViewScale(int scale) {
    if (m_mode != ViewMode::Custom)
        return;
    m_scale = std::clamp(scale, 10, 1000);
    UpdatePreview();
}

void TPreview::setPageIndex(int page) {
    const int count = m_job ? m_job->PageCount() : 1;
    page = std::clamp(page, 1, std::max(1, count));
    if (page != m_page) {
        m_page = page;
        scrollToTopLeft();
        UpdatePreview();
    }
    Q_EMIT pageChanged();
}

void TPreview::setShadowSize(int size) {
    m_shadowSize = std::clamp(size, 0, 100);
    UpdatePreview();
}

void TPreview::ZoomIn() {
    for (int step : zoomSteps()) {
        if (step > m_scale) {
            m_mode = ViewMode::Custom;
            m_scale = step;
            break;
        }
    }
    UpdatePreview();
}

void TPreview::ZoomOut() {
    const QList<int>& steps = zoomSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (*it < m_scale) {
            m_mode = ViewMode::Custom;
            m_scale = *it;
            break;
        }
    }
    UpdatePreview();
}

int TPreview::screenDpi() const {
    return std::max(1, logicalDpiX());
}

void TPreview::scrollToTopLeft() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TPreview::placePanel() {
    // The page in device units, whatever unit the job keeps its page size in.
    const QRect sheet = m_job->GetSheetRect();
    const double pageW = std::max(1, sheet.width());
    const double pageH = std::max(1, sheet.height());
    const int frame = 2 * frameWidth();
    const int viewW = width() - frame;
    const int viewH = height() - frame;
    int w = 0;
    int h = 0;
    switch (m_mode) {
    case ViewMode::WholePage: {
        h = viewH - m_shadowSize - 16;
        w = roundHalfEven(h * pageW / pageH);
        if (w > viewW - 16) {
            w = viewW - 16;
            h = roundHalfEven(w * pageH / pageW);
        }
        w = std::max(w, 1);
        h = std::max(h, 1);
        m_canvas->resize(viewW, viewH);
        m_panel->setGeometry((viewW - w) / 2, (viewH - h) / 2, w + m_shadowSize, h + m_shadowSize);
        break;
    }
    case ViewMode::PageWidth: {
        w = std::max(1, viewW - verticalScrollBar()->sizeHint().width() - 20);
        h = roundHalfEven(w * pageH / pageW);
        m_canvas->resize(viewW - verticalScrollBar()->sizeHint().width(), h + m_shadowSize + 16);
        m_panel->setGeometry(8, 8, w + m_shadowSize, h + m_shadowSize);
        break;
    }
    case ViewMode::Custom: {
        w = roundHalfEven(pageW * m_scale * screenDpi() / m_job->DPIX() / 100.0) + 2;
        h = roundHalfEven(w * pageH / pageW);
        const int rangeW = w + m_shadowSize + 16;
        const int rangeH = h + m_shadowSize + 16;
        m_canvas->resize(std::max(rangeW, viewW - 2), std::max(rangeH, viewH - 2));
        const int x = rangeW <= viewW ? (m_canvas->width() - w) / 2 : 8;
        const int y = rangeH <= viewH ? (m_canvas->height() - h) / 2 : 8;
        m_panel->setGeometry(x, y, w + m_shadowSize, h + m_shadowSize);
        break;
    }
    }
    if (m_mode != ViewMode::Custom)
        m_scale = std::clamp(roundHalfEven(double(w) * 100 * m_job->DPIX() / pageW / screenDpi()), 1, 100000);
}

void TPreview::UpdatePreview() {
    if (m_rendering) {
        // The page being drawn settled the job's page count, which asks for another rendering: run it once
        // the current one has finished.
        m_renderAgain = true;
        return;
    }
    if (!m_job || !m_job->PrinterOK()) {
        m_panel->hide();
        return;
    }
    m_rendering = true;
    do {
        m_renderAgain = false;
        m_page = std::clamp(m_page, 1, m_job->PageCount());
        m_job->ResetToDefaultPage();
        placePanel();
        QPicture recording;
        QPainter painter(&recording);
        const QRect sheet = m_job->GetSheetRect();
        painter.fillRect(sheet, Qt::white);
        m_job->Draw(painter, m_page, TDrawTarget::dtMetaPreview);
        painter.end();
        m_recording = recording;
        m_panel->setPage(&m_recording, sheet.size(), m_job->GetPrintableAreaOnSheet(), m_shadowSize, m_shadowColor);
    } while (m_renderAgain);
    m_rendering = false;
    m_panel->show();
    Q_EMIT previewUpdated();
}

void TPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (m_job && m_panel->isVisible())
        UpdatePreview();
}

void TPreview::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int pageStep = viewport()->height() - ScrollStep;
    switch (event->key()) {
    case Qt::Key_PageUp:
        if (ctrl)
            v->setValue(v->minimum());
        else if (v->value() > v->minimum())
            v->setValue(v->value() - pageStep);
        else if (m_page > 1)
            setPageIndex(m_page - 1);
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            v->setValue(v->maximum());
        else if (v->value() < v->maximum())
            v->setValue(v->value() + pageStep);
        else if (m_job && m_page < m_job->PageCount())
            setPageIndex(m_page + 1);
        break;
    case Qt::Key_Up:
        v->setValue(v->value() - ScrollStep);
        break;
    case Qt::Key_Down:
        v->setValue(v->value() + ScrollStep);
        break;
    case Qt::Key_Left:
        h->setValue(h->value() - (ctrl ? viewport()->width() - ScrollStep : ScrollStep));
        break;
    case Qt::Key_Right:
        h->setValue(h->value() + (ctrl ? viewport()->width() - ScrollStep : ScrollStep));
        break;
    case Qt::Key_Home:
        h->setValue(h->minimum());
        if (ctrl)
            v->setValue(v->minimum());
        break;
    case Qt::Key_End:
        h->setValue(h->maximum());
        if (ctrl)
            v->setValue(v->maximum());
        break;
    default:
        QScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TPreview::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    verticalScrollBar()->setValue(verticalScrollBar()->value() - m_scale * delta / 480);
    event->accept();
}

void TPreview::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (m_dragScroll && event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragFrom = event->globalPosition().toPoint();
        m_dragScrollFrom = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
        m_canvas->setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QScrollArea::mousePressEvent(event);
}

void TPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QScrollArea::mouseMoveEvent(event);
        return;
    }
    // The page follows the mouse: dragging it up shows what lies below.
    const QPoint moved = event->globalPosition().toPoint() - m_dragFrom;
    horizontalScrollBar()->setValue(m_dragScrollFrom.x() - moved.x());
    verticalScrollBar()->setValue(m_dragScrollFrom.y() - moved.y());
    event->accept();
}

void TPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_canvas->setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    QScrollArea::mouseReleaseEvent(event);
}

void TPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ZoomIn();
    else if (event->button() == Qt::RightButton)
        ZoomOut();
    event->accept();
}

} // namespace lesaro
