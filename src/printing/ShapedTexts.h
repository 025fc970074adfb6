#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>

namespace lesaro::printing {

// One line of text as the font's shaping lays it out, with its origin on the baseline where the text begins.
struct ShapedText {
    // The glyphs and their places when the text is one run in the font's own face, and empty otherwise: only
    // then is drawing the glyphs the same as drawing the text, since QPainter whitens each piece of a text in
    // another face to that face's ascent and descent.
    QRawFont font;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    // What QPainter whitens beneath the text in opaque mode, from the ascent to the descent along the
    // advance; for a text of several runs a rectangle that holds all of it.
    QRectF background;
    // Where the outlines of the glyphs may leave ink.
    QRectF ink;
};

// The texts of a printout shaped once each. A long list repeats itself (the same dates, names and titles on
// page after page), and shaping a text costs more than drawing it; the cache is emptied whenever it grows
// past its bound, so that a list of any length keeps its memory. The bound holds the book numbers, titles,
// names and dates of the ten-year library's loan list nearly all at once, in some ten megabytes.
class ShapedTexts {
public:
    static constexpr int DefaultLimit = 32768;

    explicit ShapedTexts(int limit = DefaultLimit)
        : m_limit(limit) {}

    // The font of the texts that follow.
    void select(const QFont& font);
    // The text in the selected font; the reference holds until the next call.
    const ShapedText& shape(const QString& text);
    // The texts held, in all fonts.
    int size() const { return m_count; }

private:
    struct FontTexts {
        QFont font;
        QString family; // of the face the font resolves to
        QHash<QString, ShapedText> texts;
    };

    int m_limit;
    QList<FontTexts> m_fonts;
    int m_current = -1;
    int m_count = 0;
};

} // namespace lesaro::printing
