#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace lesaro::printing {

// Rounds to the nearest whole number, an exact half to the even one, as every figure of a printed list.
int roundHalfEven(double value);

enum class TextAlign { LeftTop, CentreTop, LeftBaseline };

// What a list page is drawn on: the printer, the preview's recording, or a test's record. All figures in
// device units; a font is named by its family and its full cell height (ascent plus descent).
class ListCanvas {
public:
    virtual ~ListCanvas() = default;
    virtual void setFont(const QString& family, int cellHeight) = 0;
    virtual void setPenWidth(int width) = 0;
    // Text in one line, unclipped, on an opaque white background.
    virtual void textOut(int x, int y, TextAlign align, const QString& text) = 0;
    virtual void horizontalLine(int x1, int x2, int y) = 0;
};

// Widths of texts in a font given as above. The layout measures through this alone, so that the preview,
// the printer and the PDF agree on every column.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int textWidth(const QString& family, int cellHeight, const QString& text) = 0;
};

// The rows of one list, in the table's current order and filter.
class ListSource {
public:
    virtual ~ListSource() = default;
    virtual int rowCount() const = 0;
    virtual QString text(int row, int column) const = 0;
    // The text a column is measured on; a date column measures an empty date as a full date.
    virtual QString measuredText(int row, int column) const { return text(row, column); }
    // Cells of a column that share a key show the same measured text (the loans of one book show its title),
    // so the widths pass measures each key's text once; empty for a cell whose text stands alone.
    virtual std::optional<qint64> sameTextKey(int /*row*/, int /*column*/) const { return std::nullopt; }
    // Changes whenever the rows, their order, their filter or their data change; the measured widths are
    // kept until it does.
    virtual QString signature() const = 0;
};

struct ListColumn {
    QString heading;
    bool numberWidthRule = false; // a column narrower than 50 becomes 200 design units wide
    bool wrapBefore = false;
    bool wrapAfter = false;
};

// The columns of a list and the design constants in which the book, reader and loan lists differ.
struct ListDesign {
    QList<ListColumn> columns;
    bool alwaysPortrait = false;
    bool firstRuleByWidth = false;      // the first title rule at round(158 × sx)
    int ruleLength = 8000;              // design units
    std::optional<int> headingBaseline; // fixed, from the top of the page; else second rule + 216
    std::optional<double> wrapLimit;    // design units × sx; else 0.95 × page width
    int continuationX = 400;
    std::optional<double> bottomLimit; // design units × sy; else 0.95 × page height
};

struct PageSetup {
    double width = 4961;
    double height = 7016;
    bool landscape = false;
};

// What the options window holds while a page is drawn.
struct ListOptions {
    QString title;
    bool pageNumbers = false;
    QList<bool> ticked; // one per column; a missing entry counts as ticked
};

struct ListMetrics {
    double sx = 1;
    double sy = 1;
    QList<int> widths;
    int firstRowBaseline = 0;
    int pitch = 0;
    int rowsPerPage = 1;
};

// text as it fits into room: whole, or cut at its end with "…"; empty when not even "…" fits.
QString elided(TextMeasurer& measurer, const QString& family, int cellHeight, const QString& text, int room);

// The shared layout of the printed lists: column widths from the widest entry, a heading with title and
// column titles, rows wrapped onto continuation lines, a fixed number of rows per page.
//
// The widths are measured once and kept until the list or the page scale changes, and page n starts
// straight at its first record, so a long list costs one pass however many pages are drawn.
class ListLayout {
public:
    ListLayout(ListDesign design, TextMeasurer& measurer);

    const ListDesign& design() const { return m_design; }

    // The preparation before each page: scale, widths, first-row baseline, pitch and rows per page.
    const ListMetrics& prepare(const ListSource& source, const PageSetup& page, const ListOptions& options);
    // Draws page n (from 1) after prepare(); returns true when the list ends on this page, so that it is
    // the last one.
    bool drawPage(ListCanvas& canvas, const ListSource& source, const PageSetup& page, const ListOptions& options,
                  int pageNumber);
    // The pages of the list as prepared: a page the last record fills exactly is followed by one more,
    // which holds the heading alone.
    int pageCount(const ListSource& source) const;
    // Where page n begins in the list.
    int firstRowOfPage(int pageNumber) const;

    // How often the whole list has been measured (the widths are cached between pages).
    int measureCount() const { return m_measureCount; }

    static constexpr int VisibilityThreshold = 60;

private:
    struct WidthKey {
        QString signature;
        int fontHeight = 0;
        int padding = 0;
        int numberWidth = 0;
        bool operator==(const WidthKey&) const = default;
    };

    void measure(const ListSource& source, const WidthKey& key);
    bool visible(const ListOptions& options, int column) const;
    double wrapLimit(const PageSetup& page) const;
    double bottomLimit(const PageSetup& page) const;
    template <typename OnVisible, typename OnWrap>
    void walkColumns(const ListOptions& options, const PageSetup& page, OnVisible onVisible, OnWrap onWrap) const;
    int drawHeading(ListCanvas* canvas, const PageSetup& page, const ListOptions& options, int pageNumber) const;
    QString fittedHeading(int column, int cellHeight, int room) const;

    struct FittedHeading {
        int column;
        int cellHeight;
        int room;
        QString text;
    };

    ListDesign m_design;
    TextMeasurer& m_measurer;
    ListMetrics m_metrics;
    std::optional<WidthKey> m_widthKey;
    QList<int> m_measured;
    int m_measureCount = 0;
    mutable QList<FittedHeading> m_fitted;
};

} // namespace lesaro::printing
