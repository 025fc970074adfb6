#include "ui/Glyphs.h"

#include <QPainter>
#include <QPixmap>

namespace lesaro {

QIcon glyph(Glyph g) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1.5));
    switch (g) {
    case Glyph::Lend: // a book with an arrow out
        p.setBrush(QColor(255, 200, 60));
        p.drawRect(QRectF(1.5, 3.5, 7, 10));
        p.drawLine(QPointF(9, 8.5), QPointF(15, 8.5));
        p.drawLine(QPointF(12, 5.5), QPointF(15, 8.5));
        p.drawLine(QPointF(12, 11.5), QPointF(15, 8.5));
        break;
    case Glyph::Return: // a book with an arrow in
        p.setBrush(QColor(120, 210, 120));
        p.drawRect(QRectF(7.5, 3.5, 7, 10));
        p.drawLine(QPointF(1, 8.5), QPointF(7, 8.5));
        p.drawLine(QPointF(4, 5.5), QPointF(7, 8.5));
        p.drawLine(QPointF(4, 11.5), QPointF(7, 8.5));
        break;
    case Glyph::NewBook: // a book and a plus
        p.setBrush(QColor(90, 150, 255));
        p.drawRect(QRectF(2.5, 1.5, 9, 13));
        p.drawLine(QPointF(11, 12), QPointF(15, 12));
        p.drawLine(QPointF(13, 10), QPointF(13, 14));
        break;
    case Glyph::NewReader: // head and shoulders
        p.setBrush(QColor(255, 170, 120));
        p.drawEllipse(QRectF(4.5, 1.5, 6, 6));
        p.drawChord(QRectF(2.5, 8.5, 10, 10), 0, 180 * 16);
        break;
    case Glyph::Search: // a magnifying glass
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(Qt::white, 2.5));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
        break;
    case Glyph::Lists: // three lines of a list
        for (int y = 3; y <= 13; y += 5)
            p.drawLine(QPointF(2, y), QPointF(14, y));
        break;
    case Glyph::Help: {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(14);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    p.end();
    return QIcon(pm);
}

} // namespace lesaro
