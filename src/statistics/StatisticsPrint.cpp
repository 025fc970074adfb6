#include "statistics/StatisticsPrint.h"

#include "core/GermanLocale.h"
#include "printing/TPrintJob.h"
#include "statistics/StatisticsCharts.h"
#include "statistics/rules/StatisticsTables.h"

#include <QChart>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <memory>

namespace lesaro::statistics {

namespace {

// Draws a small table: the columns share the width by the given weights; the texts are cut to their column.
// Returns the y below the table.
int drawTable(QPainter& painter, int x, int y, int width, const StatisticsTable& table, const QList<int>& weights,
              const QList<bool>& right, const QFont& font) {
    painter.setFont(font);
    const QFontMetrics fm(painter.fontMetrics());
    const int lineHeight = fm.height() * 5 / 4;
    int total = 0;
    for (int w : weights)
        total += w;
    QList<int> xs{x};
    for (int w : weights)
        xs.append(xs.last() + width * w / total);
    auto row = [&](const QStringList& cells, bool bold) {
        QFont f = font;
        f.setBold(bold);
        painter.setFont(f);
        const QFontMetrics m(f);
        for (int c = 0; c < cells.size() && c < weights.size(); ++c) {
            const int pad = m.averageCharWidth();
            const QRect cell(xs[c] + pad, y, xs[c + 1] - xs[c] - 2 * pad, lineHeight);
            painter.drawText(cell, Qt::AlignVCenter | (right.value(c) ? Qt::AlignRight : Qt::AlignLeft),
                             m.elidedText(cells[c], Qt::ElideRight, cell.width()));
        }
        y += lineHeight;
    };
    row(table.headers, true);
    painter.drawLine(x, y, x + width, y);
    for (const QStringList& cells : table.rows)
        row(cells, false);
    painter.setFont(font);
    return y;
}

void drawChart(QChart* made, QPainter& painter, const QRect& target) {
    std::unique_ptr<QChart> chart(made);
    // Laid out at 640 points across, the chart's texts come out at a readable size on the sheet.
    StatisticsCharts::render(*chart, painter, target, QSizeF(640, 640.0 * target.height() / target.width()));
}

} // namespace

void StatisticsPrint::drawReportPage(TPrintJob& job, QPainter& painter, int page, const QRect& rect,
                                     const StatisticsFigures& f) {
    const int margin = rect.width() / 12;
    const QRect area = rect.adjusted(margin, margin, -margin, -margin);
    const QFont body = job.PointFont(QStringLiteral("Arial"), 10);
    QFont title = job.PointFont(QStringLiteral("Arial"), 16);
    title.setBold(true);
    painter.setPen(Qt::black);
    int y = area.top();
    painter.setFont(title);
    painter.drawText(QRect(area.left(), y, area.width(), painter.fontMetrics().height()), Qt::AlignLeft,
                     page == 1 ? QStringLiteral("Jahresbericht der Bücherei")
                               : QStringLiteral("Jahresbericht (Fortsetzung)"));
    y += painter.fontMetrics().height();
    painter.setFont(body);
    painter.drawText(QRect(area.left(), y, area.width(), painter.fontMetrics().height()), Qt::AlignLeft,
                     QStringLiteral("Zeitraum: ") + StatisticsTables::periodText(f.period) +
                         QStringLiteral(" · Stand: ") + GermanLocale::formatDate(f.today) +
                         QStringLiteral(" · Seite %1 von %2").arg(page).arg(kReportPages));
    y += painter.fontMetrics().height() * 2;

    if (page == 1) {
        y = drawTable(painter, area.left(), y, area.width() * 2 / 3, StatisticsTables::keyFigures(f), {3, 2},
                      {false, true}, body);
        const QString notice = f.loans == 0 ? StatisticsTables::emptyPeriodText() : StatisticsTables::undatedNotice(f);
        if (!notice.isEmpty()) {
            y += painter.fontMetrics().height() / 2;
            painter.drawText(QRect(area.left(), y, area.width(), painter.fontMetrics().height()), Qt::AlignLeft,
                             notice);
            y += painter.fontMetrics().height();
        }
        y += painter.fontMetrics().height();
        drawChart(StatisticsCharts::months(f), painter,
                  QRect(area.left(), y, area.width(), std::min(area.bottom() - y, area.width() * 3 / 4)));
        return;
    }
    const int chartHeight = area.width() / 2;
    drawChart(StatisticsCharts::groups(f), painter, QRect(area.left(), y, area.width(), chartHeight));
    y += chartHeight + painter.fontMetrics().height();
    const int half = area.width() / 2 - painter.fontMetrics().averageCharWidth() * 2;
    const int below = y;
    drawTable(painter, area.left(), y, half, StatisticsTables::readers(f), {3, 2}, {false, true}, body);
    drawTable(painter, area.right() - half, below, half, StatisticsTables::newBooks(f), {3, 2}, {false, true}, body);
    y = below + (std::max(f.newReaders.size(), f.newBooks.size()) + 3) * painter.fontMetrics().height() * 5 / 4;
    if (y < area.bottom())
        drawChart(StatisticsCharts::readers(f), painter, QRect(area.left(), y, area.width(), area.bottom() - y));
}

int StatisticsPrint::drawWeedingPage(TPrintJob& job, QPainter& painter, int page, const QRect& rect,
                                     const QList<WeedingEntry>& list, const QString& heading) {
    const int margin = rect.width() / 14;
    const QRect area = rect.adjusted(margin, margin, -margin, -margin);
    const QFont body = job.PointFont(QStringLiteral("Arial"), 9);
    QFont bold = job.PointFont(QStringLiteral("Arial"), 12);
    bold.setBold(true);
    painter.setFont(body);
    const int line = painter.fontMetrics().height() * 4 / 3;
    painter.setFont(bold);
    const int headHeight = painter.fontMetrics().height() + line * 2;
    const int perPage = std::max(1, (area.height() - headHeight) / line - 1);
    const int pages = std::max<int>(1, int((list.size() + perPage - 1) / perPage));

    painter.setPen(Qt::black);
    painter.drawText(QRect(area.left(), area.top(), area.width(), painter.fontMetrics().height()), Qt::AlignLeft,
                     heading);
    painter.setFont(body);
    painter.drawText(QRect(area.left(), area.top(), area.width(), painter.fontMetrics().height()), Qt::AlignRight,
                     QStringLiteral("Seite %1 von %2").arg(page).arg(pages));
    const int first = (page - 1) * perPage;
    StatisticsTable table = StatisticsTables::weeding(list.mid(first, perPage));
    // A box to tick for each book found on the shelf comes first; the counts stay in the file only.
    table.headers.prepend(QStringLiteral("da"));
    for (QStringList& row : table.rows)
        row.prepend(QStringLiteral("[   ]"));
    if (list.isEmpty())
        table.rows.append({QString(), QStringLiteral("Kein Buch auf der Liste.")});
    drawTable(painter, area.left(), area.top() + headHeight, area.width(), table, {1, 4, 4, 2, 6, 9, 4, 4, 2},
              {false, false, false, true, false, false, false, false, true}, body);
    return pages;
}

} // namespace lesaro::statistics
