#include "printing/PainterCanvas.h"

#include "printing/PrintFonts.h"

#include <QFontMetrics>
#include <QPainter>

namespace lesaro::printing {

PainterCanvas::PainterCanvas(QPainter& painter)
    : m_painter(painter) {
    m_painter.setPen(QPen(Qt::black, 0));
    m_painter.setBrush(Qt::white);
    m_painter.setBackground(Qt::white);
    // Each text covers what lies beneath it, so a heading wider than its column is cut off by the next.
    m_painter.setBackgroundMode(Qt::OpaqueMode);
}

void PainterCanvas::setFont(const QString& family, int cellHeight) {
    m_font = printFont(family, cellHeight);
    m_painter.setFont(m_font);
}

void PainterCanvas::setPenWidth(int width) {
    m_painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap));
}

void PainterCanvas::textOut(int x, int y, TextAlign align, const QString& text) {
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(m_font);
    int left = x;
    int baseline = y;
    switch (align) {
    case TextAlign::LeftTop:
        baseline = y + metrics.ascent();
        break;
    case TextAlign::CentreTop:
        left = x - metrics.horizontalAdvance(text) / 2;
        baseline = y + metrics.ascent();
        break;
    case TextAlign::LeftBaseline:
        break;
    }
    const QPen pen = m_painter.pen();
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPoint(left, baseline), text);
    m_painter.setPen(pen);
}

void PainterCanvas::horizontalLine(int x1, int x2, int y) {
    m_painter.drawLine(x1, y, x2, y);
}

} // namespace lesaro::printing
