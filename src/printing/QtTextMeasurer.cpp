#include "printing/QtTextMeasurer.h"

#include "printing/PrintFonts.h"

namespace lesaro::printing {

int QtTextMeasurer::textWidth(const QString& family, int cellHeight, const QString& text) {
    if (!m_metrics || family != m_family || cellHeight != m_cellHeight) {
        m_metrics = std::make_unique<QFontMetrics>(printFont(family, cellHeight));
        m_family = family;
        m_cellHeight = cellHeight;
    }
    return m_metrics->horizontalAdvance(text);
}

} // namespace lesaro::printing
