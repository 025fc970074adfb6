#include "printing/QtTextMeasurer.h"

#include "printing/PrintFonts.h"

#include <cmath>

namespace lesaro::printing {

QtTextMeasurer::Font& QtTextMeasurer::font(const QString& family, int cellHeight) {
    if (m_current && m_current->cellHeight == cellHeight && m_current->family == family)
        return *m_current;
    for (const std::unique_ptr<Font>& f : m_fonts) {
        if (f->cellHeight == cellHeight && f->family == family)
            return *(m_current = f.get());
    }
    // A preview scaled step by step meets a new size at each step: the oldest sizes make room.
    if (m_fonts.size() >= 16)
        m_fonts.erase(m_fonts.begin());
    auto made = std::make_unique<Font>();
    made->family = family;
    made->cellHeight = cellHeight;
    made->metrics = std::make_unique<QFontMetricsF>(printFont(family, cellHeight));
    made->advances.assign(0x10000, -1.0f);
    m_current = made.get();
    m_fonts.push_back(std::move(made));
    return *m_current;
}

int QtTextMeasurer::textWidth(const QString& family, int cellHeight, const QString& text) {
    Font& f = font(family, cellHeight);
    double width = 0;
    for (const QChar c : text) {
        // Characters outside the basic plane come in pairs that only the font can measure together.
        if (c.isSurrogate())
            return int(std::lround(f.metrics->horizontalAdvance(text)));
        float& advance = f.advances[c.unicode()];
        if (advance < 0)
            advance = float(f.metrics->horizontalAdvance(c));
        width += advance;
    }
    return int(std::lround(width));
}

} // namespace lesaro::printing
