#pragma once

#include "printing/ListLayout.h"

#include <QFontMetrics>
#include <QHash>
#include <memory>

namespace lesaro::printing {

// Text widths from the fonts the pages are drawn with.
class QtTextMeasurer : public TextMeasurer {
public:
    int textWidth(const QString& family, int cellHeight, const QString& text) override;

private:
    QString m_family;
    int m_cellHeight = -1;
    std::unique_ptr<QFontMetrics> m_metrics;
};

} // namespace lesaro::printing
