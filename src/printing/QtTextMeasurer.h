#pragma once

#include "printing/rules/ListLayout.h"

#include <QFontMetricsF>
#include <memory>
#include <vector>

namespace lesaro::printing {

// Text widths from the fonts the pages are drawn with. A list measures every entry of every column, so
// the advance of each character is looked up once per font and the widths are summed from a table; the
// fonts are used without kerning, so the sum is the width the text takes. The overdue letters switch between
// their few sizes with nearly every line, so each font keeps its table for the measurer's life.
class QtTextMeasurer : public TextMeasurer {
public:
    int textWidth(const QString& family, int cellHeight, const QString& text) override;

private:
    struct Font {
        QString family;
        int cellHeight = -1;
        std::unique_ptr<QFontMetricsF> metrics;
        std::vector<float> advances; // per UTF-16 unit; negative until looked up
    };
    Font& font(const QString& family, int cellHeight);

    std::vector<std::unique_ptr<Font>> m_fonts;
    Font* m_current = nullptr;
};

} // namespace lesaro::printing
