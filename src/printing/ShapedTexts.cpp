#include "printing/ShapedTexts.h"

#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace lesaro::printing {

void ShapedTexts::select(const QFont& font) {
    if (m_current >= 0 && m_fonts[m_current].font == font)
        return;
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i].font == font) {
            m_current = int(i);
            return;
        }
    }
    // A list uses three fonts and the letters a few more; anything beyond that starts afresh.
    if (m_fonts.size() >= 16) {
        m_fonts.clear();
        m_count = 0;
    }
    m_fonts.append({font, QRawFont::fromFont(font).familyName(), {}});
    m_current = int(m_fonts.size() - 1);
}

const ShapedText& ShapedTexts::shape(const QString& text) {
    Q_ASSERT(m_current >= 0);
    FontTexts& f = m_fonts[m_current];
    const auto known = f.texts.constFind(text);
    if (known != f.texts.cend())
        return *known;
    if (m_count >= m_limit) {
        for (FontTexts& other : m_fonts)
            other.texts.clear();
        m_count = 0;
    }

    QTextLayout layout(text, f.font);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();

    ShapedText shaped;
    // The layout puts the baseline of its one line at the line's ascent.
    const QPointF toBaseline(0, -line.ascent());
    const QList<QGlyphRun> runs = layout.glyphRuns();
    for (const QGlyphRun& run : runs) {
        shaped.background |= run.boundingRect().translated(toBaseline);
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            shaped.ink |= font.boundingRect(glyphs[i]).translated(positions[i] + toBaseline);
    }
    if (runs.size() == 1 && runs[0].rawFont().familyName() == f.family) {
        shaped.font = runs[0].rawFont();
        shaped.glyphs = runs[0].glyphIndexes();
        shaped.positions = runs[0].positions();
        shaped.positions.resize(std::min(shaped.positions.size(), shaped.glyphs.size()));
        shaped.glyphs.resize(shaped.positions.size());
        for (QPointF& p : shaped.positions)
            p += toBaseline;
    }
    ++m_count;
    return *f.texts.emplace(text, std::move(shaped));
}

} // namespace lesaro::printing
