#include "printing/TDrawPanel.h"

#include <QPainter>

namespace lesaro {

TDrawPanel::TDrawPanel(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("DrawPanel"));
}

void TDrawPanel::setPage(const QPicture* recording, const QSize& sheet, const QRect& printable, int shadowSize,
                         const QColor& shadowColor) {
    m_recording = recording;
    m_sheet = sheet;
    m_printable = printable;
    m_shadowSize = shadowSize;
    m_shadowColor = shadowColor;
    update();
}

void TDrawPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect page(0, 0, width() - m_shadowSize, height() - m_shadowSize);
    if (m_shadowSize > 0) {
        painter.fillRect(QRect(page.right() + 1, m_shadowSize, m_shadowSize, page.height()), m_shadowColor);
        painter.fillRect(QRect(m_shadowSize, page.bottom() + 1, page.width(), m_shadowSize), m_shadowColor);
    }
    paintPage(painter, page);
}

void TDrawPanel::paintPage(QPainter& painter, const QRect& page) const {
    painter.save();
    painter.fillRect(page, Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(page.adjusted(0, 0, -1, -1));
    if (m_recording && !m_sheet.isEmpty()) {
        const double sx = double(page.width() - 2) / m_sheet.width();
        const double sy = double(page.height() - 2) / m_sheet.height();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(page.left() + 1, page.top() + 1);
        painter.scale(sx, sy);
        painter.setClipRect(m_printable);
        painter.drawPicture(0, 0, *m_recording);
    }
    painter.restore();
}

} // namespace lesaro
