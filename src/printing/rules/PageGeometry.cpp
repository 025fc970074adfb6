#include "printing/rules/PageGeometry.h"

#include <algorithm>
#include <cmath>

namespace lesaro::pagegeometry {

namespace {

constexpr double MmPerInch = 25.4;

// To k decimal places, an exact half to the even neighbour (the default floating-point rounding mode).
double roundTo(double value, int places) {
    const double scale = std::pow(10.0, places);
    return std::nearbyint(value * scale) / scale;
}

int whole(double value) {
    return int(std::lrint(value));
}

double resolution(TDirection direction, int dpiX, int dpiY) {
    // A device that reports no resolution would divide by zero; it counts as one dot per inch.
    return std::max(1, direction == TDirection::dirHorizontal ? dpiX : dpiY);
}

// A rectangle given by its four edges, the right and bottom ones exclusive.
QRect edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

int pixels(TUnits units, double fullRange, TDirection direction, double value, const TPrinterCaps& caps) {
    return whole(ConvertUnits(units, TUnits::unPixels, fullRange, direction, value, caps.dpiX, caps.dpiY));
}

} // namespace

double ConvertUnits(TUnits from, TUnits to, double fullRange, TDirection direction, double value, int dpiX, int dpiY) {
    if (from == to)
        return value;
    const double dpi = resolution(direction, dpiX, dpiY);
    double mm = value;
    switch (from) {
    case TUnits::unPixels:
        mm = value * MmPerInch / dpi;
        break;
    case TUnits::unPercents:
        mm = value * fullRange / 100.0 * MmPerInch / dpi;
        break;
    case TUnits::unInches:
        mm = value * MmPerInch;
        break;
    case TUnits::unMillimeters:
        break;
    }
    switch (to) {
    case TUnits::unPixels:
        return roundTo(mm * dpi / MmPerInch, 0);
    case TUnits::unPercents:
        // Per cent of nothing has no meaning; it reads as 0 rather than as infinity.
        return fullRange == 0 ? 0.0 : roundTo(mm * dpi / MmPerInch * 100.0 / fullRange, 3);
    case TUnits::unInches:
        return roundTo(mm / MmPerInch, 3);
    case TUnits::unMillimeters:
        return roundTo(mm, 2);
    }
    return value;
}

TMargins ConvertMargins(TUnits from, TUnits to, const TMargins& m, double pageWidth, double pageHeight, int dpiX,
                        int dpiY) {
    const auto h = TDirection::dirHorizontal;
    const auto v = TDirection::dirVertical;
    return {ConvertUnits(from, to, pageWidth, h, m.Left, dpiX, dpiY),
            ConvertUnits(from, to, pageHeight, v, m.Top, dpiX, dpiY),
            ConvertUnits(from, to, pageWidth, h, m.Right, dpiX, dpiY),
            ConvertUnits(from, to, pageHeight, v, m.Bottom, dpiX, dpiY)};
}

double InchToMm(double inches) {
    return ConvertUnits(TUnits::unInches, TUnits::unMillimeters, 0, TDirection::dirHorizontal, inches, 1, 1);
}

double MmToInch(double mm) {
    return ConvertUnits(TUnits::unMillimeters, TUnits::unInches, 0, TDirection::dirHorizontal, mm, 1, 1);
}

double InchToPix(double inches, int dpi) {
    return ConvertUnits(TUnits::unInches, TUnits::unPixels, 0, TDirection::dirHorizontal, inches, dpi, dpi);
}

double PixToInch(double pixels, int dpi) {
    return ConvertUnits(TUnits::unPixels, TUnits::unInches, 0, TDirection::dirHorizontal, pixels, dpi, dpi);
}

double MmToPix(double mm, int dpi) {
    return ConvertUnits(TUnits::unMillimeters, TUnits::unPixels, 0, TDirection::dirHorizontal, mm, dpi, dpi);
}

double PixToMm(double pixels, int dpi) {
    return ConvertUnits(TUnits::unPixels, TUnits::unMillimeters, 0, TDirection::dirHorizontal, pixels, dpi, dpi);
}

QSizeF defaultPageSize(const TPrinterCaps& caps, TUnits pageUnits) {
    if (!caps.ok)
        return QSizeF(2000, 3000);
    return QSizeF(ConvertUnits(TUnits::unPixels, pageUnits, caps.physicalWidth, TDirection::dirHorizontal,
                               caps.physicalWidth, caps.dpiX, caps.dpiY),
                  ConvertUnits(TUnits::unPixels, pageUnits, caps.physicalHeight, TDirection::dirVertical,
                               caps.physicalHeight, caps.dpiX, caps.dpiY));
}

QRect sheetRect(const TPrinterCaps& caps, const TPageSettings& page) {
    if (!caps.ok)
        return QRect(0, 0, 2000, 3000);
    return QRect(0, 0, pixels(page.pageUnits, caps.physicalWidth, TDirection::dirHorizontal, page.pageWidth, caps),
                 pixels(page.pageUnits, caps.physicalHeight, TDirection::dirVertical, page.pageHeight, caps));
}

QRect printableRect(const TPrinterCaps& caps, const TPageSettings& page) {
    if (!caps.ok)
        return sheetRect(caps, page);
    return QRect(0, 0, caps.printableWidth, caps.printableHeight);
}

QRect printableAreaOnSheet(const TPrinterCaps& caps, const TPageSettings& page) {
    if (!caps.ok)
        return sheetRect(caps, page);
    return QRect(caps.offsetX, caps.offsetY, caps.printableWidth, caps.printableHeight);
}

QRect marginRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas) {
    QRect r = sheetRect(caps, page);
    const int sheetWidth = r.width();
    const int sheetHeight = r.height();
    if (onPrinterCanvas && caps.ok)
        r.translate(-caps.canvasOrigin);
    if (!page.options.testFlag(TJobOption::joMargins))
        return r;
    const auto h = TDirection::dirHorizontal;
    const auto v = TDirection::dirVertical;
    const TMargins& m = page.margins;
    return edges(r.left() + pixels(page.marginsUnits, sheetWidth, h, m.Left, caps),
                 r.top() + pixels(page.marginsUnits, sheetHeight, v, m.Top, caps),
                 r.left() + r.width() - pixels(page.marginsUnits, sheetWidth, h, m.Right, caps),
                 r.top() + r.height() - pixels(page.marginsUnits, sheetHeight, v, m.Bottom, caps));
}

namespace {

int headerHeight(const TPrinterCaps& caps, const TPageSettings& page, const QRect& margins) {
    if (!page.options.testFlag(TJobOption::joHeader))
        return 0;
    return pixels(page.headerUnits, margins.height(), TDirection::dirVertical, page.header, caps);
}

int footerHeight(const TPrinterCaps& caps, const TPageSettings& page, const QRect& margins) {
    if (!page.options.testFlag(TJobOption::joFooter))
        return 0;
    return pixels(page.footerUnits, margins.height(), TDirection::dirVertical, page.footer, caps);
}

} // namespace

QRect headerRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas) {
    if (!page.options.testFlag(TJobOption::joHeader))
        return QRect(0, 0, 0, 0);
    const QRect m = marginRect(caps, page, onPrinterCanvas);
    return QRect(m.left(), m.top(), m.width(), headerHeight(caps, page, m));
}

QRect footerRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas) {
    if (!page.options.testFlag(TJobOption::joFooter))
        return QRect(0, 0, 0, 0);
    const QRect m = marginRect(caps, page, onPrinterCanvas);
    const int height = footerHeight(caps, page, m);
    return QRect(m.left(), m.top() + m.height() - height, m.width(), height);
}

QRect pageRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas) {
    const QRect m = marginRect(caps, page, onPrinterCanvas);
    return edges(m.left(), m.top() + headerHeight(caps, page, m), m.left() + m.width(),
                 m.top() + m.height() - footerHeight(caps, page, m));
}

MarginsCheck checkMargins(const TPrinterCaps& caps, const TPageSettings& page) {
    MarginsCheck check;
    check.fixed = page.margins;
    if (!caps.ok)
        return check;
    const QRect sheet = sheetRect(caps, page);
    const auto h = TDirection::dirHorizontal;
    const auto v = TDirection::dirVertical;
    const TUnits units = page.marginsUnits;
    // The unprintable edge of the sheet on each side, in pixels.
    const int leftEdge = caps.offsetX;
    const int topEdge = caps.offsetY;
    const int rightEdge = caps.physicalWidth - caps.offsetX - caps.printableWidth;
    const int bottomEdge = caps.physicalHeight - caps.offsetY - caps.printableHeight;
    auto fix = [&](double& margin, double fullRange, TDirection direction, int edge) {
        if (pixels(units, fullRange, direction, margin, caps) >= edge)
            return;
        check.outside = true;
        margin = ConvertUnits(TUnits::unPixels, units, fullRange, direction, edge, caps.dpiX, caps.dpiY);
        // Rounded to its unit's places the edge may come back a pixel short of itself (an inch to 3 places
        // is more than a pixel at 1200 dpi) and would count as outside again: the margin then takes the
        // next value of its unit that clears the edge.
        const double step = units == TUnits::unMillimeters ? 0.01 : units == TUnits::unPixels ? 1.0 : 0.001;
        for (int i = 0; i < 1000 && pixels(units, fullRange, direction, margin, caps) < edge; ++i)
            margin = roundTo(margin + step, units == TUnits::unMillimeters ? 2 : units == TUnits::unPixels ? 0 : 3);
    };
    fix(check.fixed.Left, sheet.width(), h, leftEdge);
    fix(check.fixed.Top, sheet.height(), v, topEdge);
    fix(check.fixed.Right, sheet.width(), h, rightEdge);
    fix(check.fixed.Bottom, sheet.height(), v, bottomEdge);
    return check;
}

QRect pictureRect(const QSize& picture, const QRect& rect, TStretchMode mode, Qt::Alignment alignment) {
    if (picture.isEmpty() || rect.isEmpty())
        return QRect(rect.topLeft(), QSize(0, 0));
    QSize size = picture;
    switch (mode) {
    case TStretchMode::smStretch:
        return rect;
    case TStretchMode::smProportional: {
        const double scale = std::min(double(rect.width()) / picture.width(), double(rect.height()) / picture.height());
        size = QSize(std::max(1, whole(picture.width() * scale)), std::max(1, whole(picture.height() * scale)));
        break;
    }
    case TStretchMode::smNone:
        break;
    }
    int x = rect.left();
    if (alignment.testFlag(Qt::AlignRight))
        x = rect.left() + rect.width() - size.width();
    else if (alignment.testFlag(Qt::AlignHCenter))
        x = rect.left() + (rect.width() - size.width()) / 2;
    int y = rect.top();
    if (alignment.testFlag(Qt::AlignBottom))
        y = rect.top() + rect.height() - size.height();
    else if (alignment.testFlag(Qt::AlignVCenter))
        y = rect.top() + (rect.height() - size.height()) / 2;
    return QRect(QPoint(x, y), size);
}

QList<TabbedPiece> tabbedPieces(int x, const QString& text, int tabWidth,
                                const std::function<int(const QString&)>& textWidth) {
    tabWidth = std::max(1, tabWidth);
    QList<TabbedPiece> pieces;
    int at = x;
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            // The next stop strictly after the present position, counted from where the text began.
            const int offset = at - x;
            at = x + (offset >= 0 ? offset / tabWidth + 1 : 0) * tabWidth;
        }
        if (parts[i].isEmpty())
            continue;
        pieces.append({at, parts[i]});
        at += textWidth(parts[i]);
    }
    return pieces;
}

} // namespace lesaro::pagegeometry
