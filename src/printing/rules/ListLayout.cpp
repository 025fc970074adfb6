#include "printing/rules/ListLayout.h"

#include <QHash>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

namespace lesaro::printing {

namespace {

const QString Arial = QStringLiteral("Arial");
const QString ArialNarrow = QStringLiteral("Arial Narrow");

} // namespace

int roundHalfEven(double value) {
    // The default floating-point rounding mode rounds an exact half to the even neighbour.
    return int(std::lrint(value));
}

ListLayout::ListLayout(ListDesign design, TextMeasurer& measurer)
    : m_design(std::move(design))
    , m_measurer(measurer) {}

bool ListLayout::visible(const ListOptions& options, int column) const {
    const bool ticked = column >= options.ticked.size() || options.ticked[column];
    return ticked && m_metrics.widths.value(column) > VisibilityThreshold;
}

double ListLayout::wrapLimit(const PageSetup& page) const {
    return m_design.wrapLimit ? *m_design.wrapLimit * m_metrics.sx : 0.95 * page.width;
}

double ListLayout::bottomLimit(const PageSetup& page) const {
    return m_design.bottomLimit ? *m_design.bottomLimit * m_metrics.sy : 0.95 * page.height;
}

template <typename OnVisible, typename OnWrap>
void ListLayout::walkColumns(const ListOptions& options, const PageSetup& page, OnVisible onVisible,
                             OnWrap onWrap) const {
    const double limit = wrapLimit(page);
    const int lineStart = roundHalfEven(m_design.continuationX * m_metrics.sx);
    const int columns = int(m_design.columns.size());
    int x = roundHalfEven(250 * m_metrics.sx);
    // The width of the line piece that begins at column from and runs to the next place where a line may wrap.
    auto pieceWidth = [&](int from) {
        int width = 0;
        for (int c = from; c < columns; ++c) {
            if (c > from && m_design.columns[c].wrapBefore)
                break;
            if (visible(options, c))
                width += m_metrics.widths[c];
            if (m_design.columns[c].wrapAfter)
                break;
        }
        return width;
    };
    // Besides the wrap limit, a piece that would run off the sheet goes onto a new line: a long place name
    // that starts just left of the limit would otherwise be cut at the paper's edge.
    auto wrap = [&](int from) {
        if (x > limit || (x > lineStart && x + pieceWidth(from) > page.width)) {
            x = lineStart;
            onWrap();
        }
    };
    for (int c = 0; c < columns; ++c) {
        if (m_design.columns[c].wrapBefore)
            wrap(c);
        if (visible(options, c)) {
            onVisible(c, x);
            x += m_metrics.widths[c];
        }
        if (m_design.columns[c].wrapAfter)
            wrap(c + 1);
    }
}

void ListLayout::measure(const ListSource& source, const WidthKey& key) {
    const int columns = int(m_design.columns.size());
    std::vector<int> widths(size_t(columns), 0);
    // A long list repeats itself: 150,000 loans show 30,000 books and some thousand days.
    std::vector<QHash<qint64, int>> widthOfKey(static_cast<size_t>(columns));
    const int rows = source.rowCount();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            int& width = widths[size_t(c)];
            const std::optional<qint64> same = source.sameTextKey(r, c);
            if (same) {
                const auto known = widthOfKey[size_t(c)].constFind(*same);
                if (known != widthOfKey[size_t(c)].cend()) {
                    width = std::max(width, *known);
                    continue;
                }
            }
            const QString text = source.measuredText(r, c);
            const int w = text.isEmpty() ? 0 : m_measurer.textWidth(Arial, key.fontHeight, text);
            if (same)
                widthOfKey[size_t(c)].insert(*same, w);
            width = std::max(width, w);
        }
    }
    m_measured.clear();
    for (int c = 0; c < columns; ++c) {
        int width = widths[size_t(c)];
        if (m_design.columns[c].numberWidthRule && width < 50)
            width = key.numberWidth;
        m_measured.append(width + key.padding);
    }
    m_widthKey = key;
    ++m_measureCount;
}

const ListMetrics& ListLayout::prepare(const ListSource& source, const PageSetup& page, const ListOptions& options) {
    ListMetrics& m = m_metrics;
    if (!page.landscape || m_design.alwaysPortrait) {
        m.sx = page.width / 4961;
        m.sy = page.height / 7016;
    } else {
        m.sx = page.width / 7016;
        m.sy = page.height / 4961;
    }
    const WidthKey key{source.signature(), roundHalfEven(71 * m.sy), roundHalfEven(60 * m.sx),
                       roundHalfEven(200 * m.sx)};
    if (!m_widthKey || !(*m_widthKey == key))
        measure(source, key);
    m.widths = m_measured;

    m.firstRowBaseline = drawHeading(nullptr, page, options, 1);
    int pitch = 0;
    const int continuation = roundHalfEven(108 * m.sy);
    walkColumns(
        options, page, [](int, int) {}, [&] { pitch += continuation; });
    m.pitch = std::max(1, pitch + roundHalfEven(216 * m.sy));

    // The rows k >= 0 whose baseline y0 + k * pitch stays within the bottom limit. A heading so tall that
    // not even one row fits would give pages without rows and a list that never ends; such a page holds
    // one row, which then runs below the limit.
    const double room = bottomLimit(page) - m.firstRowBaseline;
    m.rowsPerPage = room < 0 ? 1 : int(std::floor(room / m.pitch)) + 1;
    return m;
}

int ListLayout::drawHeading(ListCanvas* canvas, const PageSetup& page, const ListOptions& options,
                            int pageNumber) const {
    const double sx = m_metrics.sx;
    const double sy = m_metrics.sy;
    const int ruleEnd = roundHalfEven(m_design.ruleLength * sx);
    if (canvas) {
        canvas->setFont(Arial, roundHalfEven(65 * sx));
        if (options.pageNumbers)
            canvas->textOut(roundHalfEven(500 * sx), roundHalfEven(100 * sy), TextAlign::LeftTop,
                            QStringLiteral("Seite ") + QString::number(pageNumber));
        canvas->setFont(Arial, roundHalfEven(100 * sy));
        canvas->textOut(roundHalfEven(0.5 * page.width), roundHalfEven(183 * sy), TextAlign::CentreTop, options.title);
        canvas->setPenWidth(roundHalfEven(5 * sy));
    }
    int y = m_design.firstRuleByWidth ? roundHalfEven(158 * sx) : roundHalfEven(158 * sy);
    if (canvas)
        canvas->horizontalLine(0, ruleEnd, y);
    y += roundHalfEven(151 * sy);
    if (canvas)
        canvas->horizontalLine(0, ruleEnd, y);
    y = m_design.headingBaseline ? roundHalfEven(*m_design.headingBaseline * sy) : y + roundHalfEven(216 * sy);

    const int headingCell = roundHalfEven(80 * sx);
    if (canvas)
        canvas->setFont(ArialNarrow, headingCell);
    const int continuation = roundHalfEven(108 * sy);
    struct Placed {
        int column;
        int x;
        int y;
    };
    QList<Placed> placed;
    walkColumns(
        options, page,
        [&](int c, int x) {
            placed.append({c, x, y});
        },
        [&] { y += continuation; });
    if (canvas) {
        // Each heading is drawn on a white ground, so one wider than its column would be covered by the
        // next one on its line ("Leser-NVorname"): it is cut to the room up to that heading.
        for (qsizetype i = 0; i < placed.size(); ++i) {
            const Placed& p = placed[i];
            const bool neighbour = i + 1 < placed.size() && placed[i + 1].y == p.y;
            const QString text = neighbour ? fittedHeading(p.column, headingCell, placed[i + 1].x - p.x)
                                           : m_design.columns[p.column].heading;
            if (!text.isEmpty())
                canvas->textOut(p.x, p.y, TextAlign::LeftBaseline, text);
        }
    }

    if (canvas) {
        canvas->setFont(Arial, roundHalfEven(71 * sy));
        canvas->setPenWidth(roundHalfEven(2 * sy));
    }
    y += roundHalfEven(65 * sy);
    if (canvas)
        canvas->horizontalLine(0, ruleEnd, y);
    y += roundHalfEven(12 * sy);
    if (canvas)
        canvas->horizontalLine(0, ruleEnd, y);
    return y + roundHalfEven(100 * sy);
}

QString ListLayout::fittedHeading(int column, int cellHeight, int room) const {
    for (const FittedHeading& f : m_fitted) {
        if (f.column == column && f.cellHeight == cellHeight && f.room == room)
            return f.text;
    }
    QString text = elided(m_measurer, ArialNarrow, cellHeight, m_design.columns[column].heading, room);
    // The figures change only with the scale and the widths: a handful of entries serve a whole printout.
    if (m_fitted.size() > 64)
        m_fitted.clear();
    m_fitted.append({column, cellHeight, room, text});
    return text;
}

QString elided(TextMeasurer& measurer, const QString& family, int cellHeight, const QString& text, int room) {
    if (measurer.textWidth(family, cellHeight, text) <= room)
        return text;
    const QString ellipsis(QChar(0x2026));
    QString cut = text;
    while (!cut.isEmpty()) {
        cut.chop(1);
        const QString candidate = cut.trimmed() + ellipsis;
        if (measurer.textWidth(family, cellHeight, candidate) <= room)
            return candidate;
    }
    return QString();
}

int ListLayout::firstRowOfPage(int pageNumber) const {
    return int(std::min<qint64>(qint64(std::max(0, pageNumber - 1)) * m_metrics.rowsPerPage, INT_MAX));
}

bool ListLayout::drawPage(ListCanvas& canvas, const ListSource& source, const PageSetup& page,
                          const ListOptions& options, int pageNumber) {
    int y = drawHeading(&canvas, page, options, pageNumber);
    const double sy = m_metrics.sy;
    const int continuation = roundHalfEven(108 * sy);
    const int toRule = roundHalfEven(100 * sy);
    const int toNext = roundHalfEven(116 * sy);
    const int ruleEnd = roundHalfEven(m_design.ruleLength * m_metrics.sx);

    const int count = source.rowCount();
    const int first = firstRowOfPage(pageNumber);
    // A page holds exactly its share of rows. Stopping where the baseline passes the bottom limit instead
    // would print a row twice or skip one at a page break whenever the rounded steps 100 + 116 differ
    // from the rounded pitch of 216 on which the page starts were computed.
    const int last = int(std::min<qint64>(qint64(first) + m_metrics.rowsPerPage, count));
    for (int r = first; r < last; ++r) {
        walkColumns(
            options, page, [&](int c, int x) { canvas.textOut(x, y, TextAlign::LeftBaseline, source.text(r, c)); },
            [&] { y += continuation; });
        y += toRule;
        canvas.horizontalLine(0, ruleEnd, y);
        y += toNext;
    }
    // A page that the last record fills exactly does not end the list: the next page, with the heading
    // alone, does.
    return qint64(count) - first < m_metrics.rowsPerPage;
}

int ListLayout::pageCount(const ListSource& source) const {
    return source.rowCount() / m_metrics.rowsPerPage + 1;
}

} // namespace lesaro::printing
