#pragma once

#include "statistics/rules/LoanStatistics.h"

#include <QRect>

class QPainter;

namespace lesaro {
class TPrintJob;
}

namespace lesaro::statistics {

// The pages of the yearly report ("Jahresbericht") and of the weeding list, drawn by the print job's
// callbacks in the printer's device units, the same for the printer and the PDF file.
class StatisticsPrint {
public:
    StatisticsPrint() = delete;

    static constexpr int kReportPages = 2;
    // Page 1: the period, the key figures and the monthly chart; page 2: subject groups, readers, most-lent books.
    static void drawReportPage(TPrintJob& job, QPainter& painter, int page, const QRect& rect,
                               const StatisticsFigures& f);

    // The weeding list as a ruled list for the walk along the shelves: shelf mark and place first, a box to
    // tick per book. Returns the number of pages the whole list takes.
    static int drawWeedingPage(TPrintJob& job, QPainter& painter, int page, const QRect& rect,
                               const QList<WeedingEntry>& list, const QString& heading);
};

} // namespace lesaro::statistics
