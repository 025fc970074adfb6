#pragma once

#include "printing/rules/ListLayout.h"

#include <QFontMetricsF>
#include <memory>
#include <vector>

namespace lesaro::printing {

// Text widths from the fonts the pages are drawn with. A list measures every entry of every column, so
// the advance of each character is looked up once per font and the widths are summed from a table; the
// fonts are used without kerning, so the sum is the width the text takes.
class QtTextMeasurer : public TextMeasurer {
public:
    int textWidth(const QString& family, int cellHeight, const QString& text) override;

private:
    QString m_family;
    int m_cellHeight = -1;
    std::unique_ptr<QFontMetricsF> m_metrics;
    std::vector<float> m_advances; // per UTF-16 unit; negative until looked up
};

} // namespace lesaro::printing
