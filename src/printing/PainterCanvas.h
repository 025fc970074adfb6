#pragma once

#include "printing/ShapedTexts.h"
#include "printing/rules/ListLayout.h"

#include <QFont>
#include <QPen>
#include <QRawFont>
#include <QRectF>
#include <memory>
#include <vector>

class QPainter;

namespace lesaro::printing {

// A list page drawn with a QPainter in device units: the printer, the PDF file and the preview's
// recording all go through here. A canvas draws one page, which is blank when it begins.
//
// Each text covers what lies beneath it, as on a white ground; the ground is laid only where it covers
// something drawn before, since on a blank spot it changes nothing and a PDF page would carry it all the
// same. On a PDF the texts are drawn from their shapes, kept in the given cache across the pages of a
// printout.
class PainterCanvas : public ListCanvas {
public:
    explicit PainterCanvas(QPainter& painter);
    PainterCanvas(QPainter& painter, ShapedTexts& shapes);
    // Draws the texts still held back.
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas&) = delete;
    PainterCanvas& operator=(const PainterCanvas&) = delete;

    void setFont(const QString& family, int cellHeight) override;
    void setPenWidth(int width) override;
    void textOut(int x, int y, TextAlign align, const QString& text) override;
    void horizontalLine(int x1, int x2, int y) override;

private:
    PainterCanvas(QPainter& painter, ShapedTexts* shapes);

    // What has been drawn on the page so far, as rectangles in bands of device rows, so that a text asks
    // only about its own lines.
    class Ink {
    public:
        void add(const QRectF& rect);
        bool meets(const QRectF& rect) const;

    private:
        static int band(qreal y);
        std::vector<std::vector<QRectF>> m_bands;
    };

    enum class PenFor { Text, Lines };
    void usePen(PenFor use);
    void setOpaque(bool opaque);
    // Texts on a PDF wait to go onto the page together, as one run of glyphs, until something else is
    // drawn: each drawing call costs the page a block of its own, and the glyphs stand where they stood.
    void holdBack(const ShapedText& shaped, const QPointF& origin);
    void drawHeldBack();

    QPainter& m_painter;
    std::unique_ptr<ShapedTexts> m_ownShapes;
    ShapedTexts* m_shapes;
    const bool m_glyphRuns;
    QFont m_font;
    bool m_fontSet = false;
    int m_ascent = 0;
    QPen m_linePen;
    PenFor m_penFor = PenFor::Lines;
    bool m_opaque = true;
    Ink m_ink;
    QRawFont m_heldFont;
    QList<quint32> m_heldGlyphs;
    QList<QPointF> m_heldPositions;
};

} // namespace lesaro::printing
