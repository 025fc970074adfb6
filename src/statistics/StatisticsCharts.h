#pragma once

#include "statistics/rules/LoanStatistics.h"

class QChart;
class QPainter;
class QRectF;

namespace lesaro::statistics {

// The charts of the statistics, one maker for the window, the files and the yearly report, so that all three
// show the same. Greys and a hatch instead of colours: a chart must read as well on a grey-scale printout.
class StatisticsCharts {
public:
    StatisticsCharts() = delete;

    // Loans per month, the same months of the year before beside them.
    static QChart* months(const StatisticsFigures& f);
    // Loans by subject group: the ten largest and "Übrige".
    static QChart* groups(const StatisticsFigures& f);
    // Readers who borrowed at least once, per month.
    static QChart* readers(const StatisticsFigures& f);

    // Draws a chart into target on any painter (an image, a PDF page, a printer), laid out at the given
    // logical size and scaled, so that its texts keep their proportions at any resolution.
    static void render(QChart& chart, QPainter& painter, const QRectF& target, const QSizeF& logicalSize);
};

} // namespace lesaro::statistics
