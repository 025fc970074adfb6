#include "statistics/StatisticsCharts.h"

#include "statistics/rules/StatisticsTables.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsScene>
#include <QHorizontalBarSeries>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <memory>

namespace lesaro::statistics {

namespace {

const QColor kDark(64, 64, 64);
const QColor kLight(175, 175, 175);

QChart* makeChart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTheme(QChart::ChartThemeLight);
    chart->setBackgroundBrush(Qt::white);
    chart->setLocale(QLocale(QLocale::German, QLocale::Germany));
    chart->setLocalizeNumbers(true);
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    return chart;
}

QBarSet* makeSet(const QString& label, const QColor& color, Qt::BrushStyle style = Qt::SolidPattern) {
    auto* set = new QBarSet(label);
    set->setBrush(QBrush(color, style));
    set->setPen(QPen(Qt::black, 0.8));
    set->setLabelColor(Qt::black);
    return set;
}

QValueAxis* countAxis(int largest) {
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setMin(0);
    axis->setMax(std::max(4, largest + largest / 10 + 1));
    axis->setTickCount(5);
    axis->applyNiceNumbers();
    axis->setMin(0);
    return axis;
}

// The categories along one side of the chart and the counts, from 0 to a little above the largest, along
// another, both attached to the series.
void addAxes(QChart* chart, QAbstractBarSeries* series, const QStringList& categories, Qt::Alignment categorySide,
             int largest, Qt::Alignment countSide) {
    auto* categoryAxis = new QBarCategoryAxis;
    categoryAxis->append(categories);
    chart->addAxis(categoryAxis, categorySide);
    series->attachAxis(categoryAxis);
    QValueAxis* counts = countAxis(largest);
    chart->addAxis(counts, countSide);
    series->attachAxis(counts);
}

QString monthLabel(QDate month, bool withYear) {
    return withYear ? StatisticsTables::shortMonthName(month.month()) + QLatin1Char(' ') +
                          QString::number(month.year() % 100).rightJustified(2, QLatin1Char('0'))
                    : StatisticsTables::shortMonthName(month.month());
}

QStringList monthLabels(const StatisticsFigures& f) {
    const bool withYear = f.months.size() > 1 && f.months.first().month.year() != f.months.last().month.year();
    QStringList labels;
    for (const MonthFigures& m : f.months) {
        // Over more than two years only January is named, with its year; the other months stay unnamed (a
        // category must be unique, so each gets its own count of invisible spaces).
        if (f.months.size() > 24 && m.month.month() != 1)
            labels << QString(labels.size() + 1, QChar(0x200B));
        else
            labels << monthLabel(m.month, withYear);
    }
    return labels;
}

void emptyNote(QChart* chart, bool empty) {
    if (empty)
        chart->setTitle(chart->title() + QStringLiteral(" – ") + StatisticsTables::emptyPeriodText());
}

} // namespace

QChart* StatisticsCharts::months(const StatisticsFigures& f) {
    QChart* chart = makeChart(QStringLiteral("Ausleihen je Monat, ") + StatisticsTables::periodText(f.period));
    auto* now = makeSet(QStringLiteral("Zeitraum"), kDark);
    auto* before = makeSet(QStringLiteral("Vorjahr"), kLight, Qt::BDiagPattern);
    int largest = 0;
    for (const MonthFigures& m : f.months) {
        *now << m.loans;
        *before << m.loansYearBefore;
        largest = std::max({largest, m.loans, m.loansYearBefore});
    }
    auto* series = new QBarSeries;
    series->append(before);
    series->append(now);
    chart->addSeries(series);
    addAxes(chart, series, monthLabels(f), Qt::AlignBottom, largest, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignBottom);
    emptyNote(chart, f.loans == 0);
    return chart;
}

QChart* StatisticsCharts::groups(const StatisticsFigures& f) {
    QChart* chart = makeChart(QStringLiteral("Ausleihen nach Sachgruppe, ") + StatisticsTables::periodText(f.period));
    auto* set = makeSet(QStringLiteral("Ausleihen"), kDark);
    QStringList names;
    int largest = 0;
    // The largest group on top: a horizontal chart draws its first category at the bottom.
    for (qsizetype i = f.groups.size() - 1; i >= 0; --i) {
        *set << f.groups[i].loans;
        names << f.groups[i].name;
        largest = std::max(largest, f.groups[i].loans);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(QStringLiteral("@value"));
    chart->addSeries(series);
    addAxes(chart, series, names, Qt::AlignLeft, largest, Qt::AlignBottom);
    chart->legend()->hide();
    emptyNote(chart, f.loans == 0);
    return chart;
}

QChart* StatisticsCharts::readers(const StatisticsFigures& f) {
    QChart* chart = makeChart(QStringLiteral("Leser mit mindestens einer Ausleihe je Monat"));
    auto* set = makeSet(QStringLiteral("Leser"), kDark);
    int largest = 0;
    for (const MonthFigures& m : f.months) {
        *set << m.activeReaders;
        largest = std::max(largest, m.activeReaders);
    }
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    addAxes(chart, series, monthLabels(f), Qt::AlignBottom, largest, Qt::AlignLeft);
    chart->legend()->hide();
    emptyNote(chart, f.loans == 0);
    return chart;
}

void StatisticsCharts::render(QChart& chart, QPainter& painter, const QRectF& target, const QSizeF& logicalSize) {
    QGraphicsScene* scene = chart.scene();
    std::unique_ptr<QGraphicsScene> own;
    if (!scene) {
        own = std::make_unique<QGraphicsScene>();
        own->addItem(&chart);
        scene = own.get();
    }
    const QSizeF before = chart.size();
    const QPointF at = chart.pos();
    chart.setPos(0, 0);
    chart.resize(logicalSize);
    scene->setSceneRect(QRectF(QPointF(0, 0), logicalSize));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    scene->render(&painter, target, QRectF(QPointF(0, 0), logicalSize), Qt::KeepAspectRatio);
    painter.restore();
    if (own)
        own->removeItem(&chart);
    else {
        chart.setPos(at);
        chart.resize(before);
    }
}

} // namespace lesaro::statistics
