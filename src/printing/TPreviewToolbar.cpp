#include "printing/TPreviewToolbar.h"

#include "printing/TPreview.h"
#include "printing/TPrintJob.h"
#include "ui/MessageService.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace lesaro {

namespace {

constexpr int BarHeight = 26;
constexpr int ButtonSize = 24;

// The pictures of the bar, drawn here so that the program carries no image files.
QIcon picture(TButtonKind kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0, 0, 128);
    p.setPen(QPen(ink, 1.4));
    p.setBrush(ink);
    auto triangle = [&](double x, bool left) {
        QPainterPath path;
        if (left) {
            path.moveTo(x + 5, 3);
            path.lineTo(x, 8);
            path.lineTo(x + 5, 13);
        } else {
            path.moveTo(x, 3);
            path.lineTo(x + 5, 8);
            path.lineTo(x, 13);
        }
        path.closeSubpath();
        p.drawPath(path);
    };
    switch (kind) {
    case TButtonKind::btnPrint:
    case TButtonKind::btnPrintDialog:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 10.5, 8, 4));
        break;
    case TButtonKind::btnPrinterSetupDialog:
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(1.5, 5.5, 13, 7));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11, 9), 1.5, 1.5);
        p.drawLine(QPointF(4, 8), QPointF(8, 8));
        break;
    case TButtonKind::btnFirstPage:
        p.drawLine(QPointF(3.5, 3), QPointF(3.5, 13));
        triangle(5, true);
        triangle(10, true);
        break;
    case TButtonKind::btnPrevPage:
        triangle(5.5, true);
        break;
    case TButtonKind::btnNextPage:
        triangle(5.5, false);
        break;
    case TButtonKind::btnLastPage:
        triangle(1, false);
        triangle(6, false);
        p.drawLine(QPointF(12.5, 3), QPointF(12.5, 13));
        break;
    case TButtonKind::btnZoomOut:
    case TButtonKind::btnZoomIn:
    case TButtonKind::btnWholePage:
    case TButtonKind::btnPageWidth:
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6.5, 6.5), 5, 5);
        p.setPen(QPen(ink, 2.4));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        p.setPen(QPen(ink, 1.4));
        p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
        if (kind == TButtonKind::btnZoomIn)
            p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
        break;
    case TButtonKind::btnRefresh:
    case TButtonKind::btnClose:
    case TButtonKind::btnUser:
        p.drawEllipse(QPointF(8, 8), 5, 5);
        break;
    }
    return QIcon(pm);
}

const QList<TButtonKind>& allKinds() {
    static const QList<TButtonKind> kinds{
        TButtonKind::btnPrint,     TButtonKind::btnPrintDialog, TButtonKind::btnPrinterSetupDialog,
        TButtonKind::btnFirstPage, TButtonKind::btnPrevPage,    TButtonKind::btnNextPage,
        TButtonKind::btnLastPage,  TButtonKind::btnWholePage,   TButtonKind::btnPageWidth,
        TButtonKind::btnZoomOut,   TButtonKind::btnZoomIn,      TButtonKind::btnRefresh,
        TButtonKind::btnClose,     TButtonKind::btnUser};
    return kinds;
}

QString objectNameOf(TButtonKind kind) {
    static const QStringList names{
        QStringLiteral("btnPrint"),     QStringLiteral("btnPrintDialog"), QStringLiteral("btnPrinterSetupDialog"),
        QStringLiteral("btnFirstPage"), QStringLiteral("btnPrevPage"),    QStringLiteral("btnNextPage"),
        QStringLiteral("btnLastPage"),  QStringLiteral("btnWholePage"),   QStringLiteral("btnPageWidth"),
        QStringLiteral("btnZoomOut"),   QStringLiteral("btnZoomIn"),      QStringLiteral("btnRefresh"),
        QStringLiteral("btnClose"),     QStringLiteral("btnUser")};
    return names[int(kind)];
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Scale box

TPreviewComboBox::TPreviewComboBox(QWidget* parent)
    : QComboBox(parent) {
    setObjectName(QStringLiteral("ScaleBox"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setFixedSize(125, 21);
    setToolTip(QStringLiteral("Ansicht und Maßstab"));
    connect(this, qOverload<int>(&QComboBox::activated), this, &TPreviewComboBox::chosen);
    refresh();
}

void TPreviewComboBox::setPreview(TPreview* preview) {
    m_preview = preview;
    refresh();
}

void TPreviewComboBox::refresh() {
    QString text;
    if (!m_preview)
        text = QStringLiteral("nicht verbunden");
    else if (m_preview->viewMode() == TPreview::ViewMode::WholePage)
        text = QStringLiteral("Ganze Seite (%1 %)").arg(m_preview->ViewScale());
    else if (m_preview->viewMode() == TPreview::ViewMode::PageWidth)
        text = QStringLiteral("Seitenbreite (%1 %)").arg(m_preview->ViewScale());
    else
        text = QString::number(m_preview->ViewScale()) + QStringLiteral(" %");
    m_filling = true;
    setEditText(text);
    m_filling = false;
}

void TPreviewComboBox::showPopup() {
    const QString shown = currentText();
    m_filling = true;
    clear();
    addItem(QStringLiteral("Ganze Seite"));
    addItem(QStringLiteral("Seitenbreite"));
    for (int step : TPreview::zoomSteps())
        addItem(QString::number(step) + QStringLiteral(" %"));
    setCurrentIndex(-1);
    setEditText(shown);
    m_filling = false;
    QComboBox::showPopup();
}

void TPreviewComboBox::chosen(int index) {
    if (m_filling || !m_preview)
        return;
    if (index == 0)
        m_preview->setViewMode(TPreview::ViewMode::WholePage);
    else if (index == 1)
        m_preview->setViewMode(TPreview::ViewMode::PageWidth);
    else if (index >= 2 && index - 2 < TPreview::zoomSteps().size()) {
        m_preview->setViewMode(TPreview::ViewMode::Custom);
        m_preview->setViewScale(TPreview::zoomSteps()[index - 2]);
    }
    refresh();
    m_preview->setFocus();
}

void TPreviewComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QString digits;
        for (QChar c : currentText())
            if (c.isDigit())
                digits.append(c);
        bool ok = false;
        const int scale = digits.left(9).toInt(&ok);
        if (!ok || digits.isEmpty()) {
            MessageService::warning(this, QStringLiteral("Ungültiger Maßstab"));
        } else if (m_preview) {
            m_preview->setViewMode(TPreview::ViewMode::Custom);
            m_preview->setViewScale(scale);
        }
        refresh();
        if (m_preview)
            m_preview->setFocus();
        return;
    }
    case Qt::Key_Escape:
        refresh();
        if (m_preview)
            m_preview->setFocus();
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Down:
    case Qt::Key_Up:
        QComboBox::keyPressEvent(event);
        return;
    default:
        break;
    }
    const QString t = event->text();
    // Only digits and the decimal point may be typed.
    if (t.size() == 1 && (t[0].isDigit() || t[0] == QLatin1Char('.')))
        QComboBox::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------------
// Button bar

TPreviewToolbar::TPreviewToolbar(QWidget* parent)
    : QWidget(parent)
    , m_scaleBox(new TPreviewComboBox(this)) {
    setObjectName(QStringLiteral("PreviewToolbar1"));
    setFixedHeight(BarHeight);
    setButtons({TButtonKind::btnPrint, TButtonKind::btnPrinterSetupDialog, TButtonKind::btnFirstPage,
                TButtonKind::btnPrevPage, TButtonKind::btnNextPage, TButtonKind::btnLastPage, TButtonKind::btnZoomOut,
                TButtonKind::btnZoomIn});
}

QString TPreviewToolbar::hint(TButtonKind kind) {
    static const QStringList hints{QStringLiteral("Drucken"),
                                   QStringLiteral("Drucken mit Auswahl"),
                                   QStringLiteral("Drucker einrichten"),
                                   QStringLiteral("Erste Seite"),
                                   QStringLiteral("Vorige Seite"),
                                   QStringLiteral("Nächste Seite"),
                                   QStringLiteral("Letzte Seite"),
                                   QStringLiteral("Ganze Seite"),
                                   QStringLiteral("Seitenbreite"),
                                   QStringLiteral("Verkleinern"),
                                   QStringLiteral("Vergrößern"),
                                   QStringLiteral("Aktualisieren"),
                                   QStringLiteral("Schließen"),
                                   QString()};
    return hints[int(kind)];
}

void TPreviewToolbar::setButtons(const QSet<TButtonKind>& buttons, TButtonKind scaleBoxBefore) {
    m_kinds = buttons;
    m_scaleBoxBefore = scaleBoxBefore;
    rebuild();
}

void TPreviewToolbar::rebuild() {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    int x = 1;
    bool scalePlaced = false;
    for (TButtonKind kind : allKinds()) {
        if (!m_kinds.contains(kind))
            continue;
        if (m_showScaleBox && !scalePlaced && kind == m_scaleBoxBefore) {
            m_scaleBox->move(x, (BarHeight - m_scaleBox->height()) / 2);
            x += m_scaleBox->width() + 4;
            scalePlaced = true;
        }
        auto* b = new QToolButton(this);
        b->setObjectName(objectNameOf(kind));
        b->setAutoRaise(m_flat);
        const bool user = kind == TButtonKind::btnUser;
        b->setIcon(user && !m_userGlyph.isNull() ? m_userGlyph : picture(kind));
        b->setIconSize(QSize(16, 16));
        b->setToolTip(user ? m_userHint : hint(kind));
        b->setGeometry(x, 1, ButtonSize, ButtonSize);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, kind] { click(kind); });
        b->show();
        m_buttons.insert(kind, b);
        x += ButtonSize;
    }
    if (m_showScaleBox && !scalePlaced) {
        m_scaleBox->move(x, (BarHeight - m_scaleBox->height()) / 2);
        x += m_scaleBox->width() + 4;
    }
    m_scaleBox->setVisible(m_showScaleBox);
    m_end = x;
    updateButtons();
}

void TPreviewToolbar::setPreview(TPreview* preview) {
    if (m_preview)
        disconnect(m_preview, nullptr, this, nullptr);
    m_preview = preview;
    m_scaleBox->setPreview(preview);
    if (m_preview) {
        connect(m_preview, &TPreview::previewUpdated, this, &TPreviewToolbar::updateButtons);
        connect(m_preview, &TPreview::pageChanged, this, &TPreviewToolbar::updateButtons);
    }
    updateButtons();
}

void TPreviewToolbar::click(TButtonKind kind) {
    bool allowDefault = true;
    if (OnButtonClick)
        OnButtonClick(kind, allowDefault);
    if (allowDefault && m_preview) {
        TPrintJob* job = m_preview->PrintJob();
        switch (kind) {
        case TButtonKind::btnPrint:
            if (job)
                job->Print(window());
            break;
        case TButtonKind::btnPrintDialog:
            if (job)
                job->PrintDialog(window());
            break;
        case TButtonKind::btnPrinterSetupDialog:
            if (job)
                job->PrinterSetupDialog(window());
            break;
        case TButtonKind::btnFirstPage:
            m_preview->setPageIndex(1);
            break;
        case TButtonKind::btnPrevPage:
            m_preview->setPageIndex(m_preview->PageIndex() - 1);
            break;
        case TButtonKind::btnNextPage:
            m_preview->setPageIndex(m_preview->PageIndex() + 1);
            break;
        case TButtonKind::btnLastPage:
            if (job)
                m_preview->setPageIndex(job->PageCount());
            break;
        case TButtonKind::btnWholePage:
            m_preview->setViewMode(TPreview::ViewMode::WholePage);
            break;
        case TButtonKind::btnPageWidth:
            m_preview->setViewMode(TPreview::ViewMode::PageWidth);
            break;
        case TButtonKind::btnZoomOut:
            m_preview->ZoomOut();
            break;
        case TButtonKind::btnZoomIn:
            m_preview->ZoomIn();
            break;
        case TButtonKind::btnRefresh:
            if (job)
                job->Update();
            break;
        case TButtonKind::btnClose:
            window()->close();
            break;
        case TButtonKind::btnUser:
            if (OnUserButtonClick)
                OnUserButtonClick();
            break;
        }
    }
    updateButtons();
}

void TPreviewToolbar::setFlat(bool flat) {
    m_flat = flat;
    rebuild();
}

void TPreviewToolbar::setScaleBox(bool shown) {
    m_showScaleBox = shown;
    rebuild();
}

void TPreviewToolbar::setUserButtonHint(const QString& hint) {
    m_userHint = hint;
    if (QToolButton* b = m_buttons.value(TButtonKind::btnUser))
        b->setToolTip(hint);
}

void TPreviewToolbar::setUserButtonGlyph(const QIcon& glyph) {
    m_userGlyph = glyph;
    if (QToolButton* b = m_buttons.value(TButtonKind::btnUser))
        b->setIcon(glyph.isNull() ? picture(TButtonKind::btnUser) : glyph);
}

void TPreviewToolbar::setUserButtonEnabled(bool enabled) {
    m_userEnabled = enabled;
    if (QToolButton* b = m_buttons.value(TButtonKind::btnUser))
        b->setEnabled(enabled);
}

void TPreviewToolbar::updateButtons() {
    if (QToolButton* b = m_buttons.value(TButtonKind::btnUser))
        b->setEnabled(m_userEnabled);
    m_scaleBox->refresh();
    if (!m_preview || !m_preview->PrintJob() || !m_preview->PrintJob()->PrinterOK()) {
        Q_EMIT updated();
        return;
    }
    const int page = m_preview->PageIndex();
    const int count = m_preview->PrintJob()->PageCount();
    const int scale = m_preview->ViewScale();
    auto enable = [this](TButtonKind kind, bool on) {
        if (QToolButton* b = m_buttons.value(kind))
            b->setEnabled(on);
    };
    enable(TButtonKind::btnFirstPage, page > 1);
    enable(TButtonKind::btnPrevPage, page > 1);
    enable(TButtonKind::btnNextPage, page < count);
    enable(TButtonKind::btnLastPage, page < count);
    enable(TButtonKind::btnZoomOut, scale > 10);
    enable(TButtonKind::btnZoomIn, scale < 1000);
    Q_EMIT updated();
}

} // namespace lesaro
