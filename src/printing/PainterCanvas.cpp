#include "printing/PainterCanvas.h"

#include "printing/PrintFonts.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace lesaro::printing {

namespace {

// Text that QPainter lays out exactly as a line of a text layout does: left to right, without tabs, line
// breaks, controls or characters that change the direction. Anything else is drawn as QPainter draws it.
bool laidOutAsALine(const QString& text) {
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool plain = (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x590 && c != 0xAD) ||
                           (c >= 0x1E00 && c < 0x2000) || (c >= 0x2010 && c < 0x2028) || (c >= 0x2030 && c < 0x205F) ||
                           (c >= 0x20A0 && c < 0x2150);
        if (!plain)
            return false;
    }
    return true;
}

// Ink that comes within this many device units of a text's ground still counts as covered by it: a viewer
// smooths the edges of both over a pixel of its own, which at a low zoom is many device units. The lists keep
// more room than this between their cells, lines and rules.
constexpr qreal InkMargin = 24;
constexpr qreal BandHeight = 128;
constexpr int MaxBand = 4095;
constexpr qreal MaxStep = 1000;

} // namespace

PainterCanvas::PainterCanvas(QPainter& painter)
    : PainterCanvas(painter, nullptr) {}

PainterCanvas::PainterCanvas(QPainter& painter, ShapedTexts& shapes)
    : PainterCanvas(painter, &shapes) {}

PainterCanvas::PainterCanvas(QPainter& painter, ShapedTexts* shapes)
    : m_painter(painter)
    , m_ownShapes(shapes ? nullptr : std::make_unique<ShapedTexts>())
    , m_shapes(shapes ? shapes : m_ownShapes.get())
    , m_glyphRuns(painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf)
    , m_linePen(Qt::black, 0) {
    m_painter.setPen(m_linePen);
    m_painter.setBrush(Qt::white);
    m_painter.setBackground(Qt::white);
    m_painter.setBackgroundMode(Qt::OpaqueMode);
    m_ascent = QFontMetrics(m_font).ascent();
}

PainterCanvas::~PainterCanvas() {
    drawHeldBack();
}

void PainterCanvas::holdBack(const ShapedText& shaped, const QPointF& origin) {
    if (shaped.glyphs.isEmpty())
        return;
    if (!m_heldGlyphs.isEmpty()) {
        // The PDF gives each glyph's place as the step from the one before, written to nine digits: a step of
        // a thousand device units or more would lose a fraction, and a glyph would stand a hair off. Such a
        // step, like another line or another font, begins a run of its own.
        const QPointF last = m_heldPositions.last();
        const QPointF next = shaped.positions.first() + origin;
        if (!(shaped.font == m_heldFont) || next.y() != last.y() || std::abs(next.x() - last.x()) >= MaxStep)
            drawHeldBack();
    }
    if (m_heldGlyphs.isEmpty())
        m_heldFont = shaped.font;
    m_heldGlyphs.append(shaped.glyphs);
    for (const QPointF& p : shaped.positions)
        m_heldPositions.append(p + origin);
}

void PainterCanvas::drawHeldBack() {
    if (m_heldGlyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(m_heldFont);
    run.setGlyphIndexes(m_heldGlyphs);
    run.setPositions(m_heldPositions);
    // The grounds have been laid already where they cover anything.
    setOpaque(false);
    m_painter.drawGlyphRun(QPointF(0, 0), run);
    m_heldGlyphs.clear();
    m_heldPositions.clear();
}

void PainterCanvas::setFont(const QString& family, int cellHeight) {
    m_font = printFont(family, cellHeight);
    m_painter.setFont(m_font);
    m_ascent = QFontMetrics(m_font).ascent();
    m_shapes->select(m_font);
    m_fontSet = true;
}

void PainterCanvas::setPenWidth(int width) {
    drawHeldBack();
    m_linePen = QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap);
    m_painter.setPen(m_linePen);
    m_penFor = PenFor::Lines;
}

void PainterCanvas::usePen(PenFor use) {
    if (m_penFor == use)
        return;
    m_painter.setPen(use == PenFor::Text ? QPen(Qt::black) : m_linePen);
    m_penFor = use;
}

void PainterCanvas::setOpaque(bool opaque) {
    if (m_opaque == opaque)
        return;
    m_painter.setBackgroundMode(opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_opaque = opaque;
}

void PainterCanvas::textOut(int x, int y, TextAlign align, const QString& text) {
    if (text.isEmpty())
        return;
    int left = x;
    int baseline = y;
    switch (align) {
    case TextAlign::LeftTop:
        baseline = y + m_ascent;
        break;
    case TextAlign::CentreTop:
        left = x - QFontMetrics(m_font).horizontalAdvance(text) / 2;
        baseline = y + m_ascent;
        break;
    case TextAlign::LeftBaseline:
        break;
    }
    usePen(PenFor::Text);
    if (!m_fontSet || !laidOutAsALine(text)) {
        drawHeldBack();
        setOpaque(true);
        m_painter.drawText(QPoint(left, baseline), text);
        // Where such a text leaves its ink is not worked out: everything on its line and the lines next to it
        // counts as covered.
        const int height = QFontMetrics(m_font).height();
        m_ink.add(QRectF(-1e6, baseline - 3.0 * height, 2e6, 6.0 * height));
        return;
    }
    const ShapedText& shaped = m_shapes->shape(text);
    const QPointF origin(left, baseline);
    const QRectF ground = shaped.background.translated(origin);
    const bool covers = m_ink.meets(ground);
    if (m_glyphRuns && !shaped.glyphs.isEmpty()) {
        // The ground as QPainter lays it in opaque mode, then the glyphs as it draws the text: the same page.
        if (covers) {
            drawHeldBack();
            m_painter.fillRect(ground, m_painter.background());
        }
        holdBack(shaped, origin);
    } else {
        drawHeldBack();
        setOpaque(covers);
        m_painter.drawText(QPoint(left, baseline), text);
    }
    m_ink.add(shaped.ink.translated(origin));
}

void PainterCanvas::horizontalLine(int x1, int x2, int y) {
    drawHeldBack();
    usePen(PenFor::Lines);
    m_painter.drawLine(x1, y, x2, y);
    const qreal half = std::max<qreal>(1, m_linePen.widthF()) / 2;
    m_ink.add(QRectF(QPointF(std::min(x1, x2) - half, y - half), QPointF(std::max(x1, x2) + half, y + half)));
}

int PainterCanvas::Ink::band(qreal y) {
    return std::clamp(int(std::floor(y / BandHeight)), 0, MaxBand);
}

void PainterCanvas::Ink::add(const QRectF& rect) {
    const QRectF wide = rect.adjusted(-InkMargin, -InkMargin, InkMargin, InkMargin);
    const int last = band(wide.bottom());
    if (size_t(last) >= m_bands.size())
        m_bands.resize(size_t(last) + 1);
    for (int b = band(wide.top()); b <= last; ++b)
        m_bands[size_t(b)].push_back(wide);
}

bool PainterCanvas::Ink::meets(const QRectF& rect) const {
    const int last = std::min(band(rect.bottom()), int(m_bands.size()) - 1);
    for (int b = band(rect.top()); b <= last; ++b) {
        for (const QRectF& ink : m_bands[size_t(b)]) {
            if (ink.intersects(rect))
                return true;
        }
    }
    return false;
}

} // namespace lesaro::printing
