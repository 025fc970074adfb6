#include "printing/QtTextMeasurer.h"

#include "printing/PrintFonts.h"

#include <cmath>

namespace lesaro::printing {

int QtTextMeasurer::textWidth(const QString& family, int cellHeight, const QString& text) {
    if (!m_metrics || family != m_family || cellHeight != m_cellHeight) {
        m_metrics = std::make_unique<QFontMetricsF>(printFont(family, cellHeight));
        m_family = family;
        m_cellHeight = cellHeight;
        m_advances.assign(0x10000, -1.0f);
    }
    double width = 0;
    for (const QChar c : text) {
        // Characters outside the basic plane come in pairs that only the font can measure together.
        if (c.isSurrogate())
            return int(std::lround(m_metrics->horizontalAdvance(text)));
        float& advance = m_advances[c.unicode()];
        if (advance < 0)
            advance = float(m_metrics->horizontalAdvance(c));
        width += advance;
    }
    return int(std::lround(width));
}

} // namespace lesaro::printing
