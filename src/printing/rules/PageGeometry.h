#pragma once

#include "core/EngineError.h"

#include <QFlags>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

namespace lesaro {

// The members' order is their stored value.
enum class TUnits { unPixels, unPercents, unInches, unMillimeters };
enum class TDirection { dirHorizontal, dirVertical };
enum class TPageMode { pmDefault, pmCustom };
enum class TPageOrientation { orDefault, orPortrait, orLandscape };
enum class TJobOption { joMargins = 0x1, joHeader = 0x2, joFooter = 0x4 };
Q_DECLARE_FLAGS(TJobOptions, TJobOption)
enum class TMarginsError { meNone, meAutoFix, meMessageBox, meException };
enum class TDrawTarget { dtPrint, dtPreview, dtMetaPreview, dtExternal };
enum class TDrawArea { daHeader, daPage, daFooter };
enum class TPrintMode { pmReverse = 0x1, pmMultiDoc = 0x2 };
Q_DECLARE_FLAGS(TPrintModes, TPrintMode)
// How a picture fills the rectangle it is drawn into.
enum class TStretchMode { smNone, smStretch, smProportional };

Q_DECLARE_OPERATORS_FOR_FLAGS(TJobOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TPrintModes)

struct TMargins {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    bool operator==(const TMargins&) const = default;
};

// Raised by the margins check in meException. An engine error, so the windows' one error path shows it as
// a message instead of letting it end the program.
class EPrintJobException : public EngineError {
public:
    using EngineError::EngineError;
};

// What the page geometry needs of a printer, all in its device units. Without a printer the values stand
// for a sheet of 2000 × 3000 at 300 dots per inch that can be printed to the edge.
struct TPrinterCaps {
    bool ok = false;
    int dpiX = 300;             // LOGPIXELSX
    int dpiY = 300;             // LOGPIXELSY
    int physicalWidth = 2000;   // PHYSICALWIDTH
    int physicalHeight = 3000;  // PHYSICALHEIGHT
    int offsetX = 0;            // PHYSICALOFFSETX: the unprintable edge at the left
    int offsetY = 0;            // PHYSICALOFFSETY: the unprintable edge at the top
    int printableWidth = 2000;  // HORZRES
    int printableHeight = 3000; // VERTRES
    QPoint canvasOrigin{0, 0};  // where the printer's own canvas has its origin on the sheet
    bool operator==(const TPrinterCaps&) const = default;
};

// The settings of a print job that its rectangles depend on.
struct TPageSettings {
    TPageMode pageMode = TPageMode::pmDefault;
    double pageWidth = 2000;
    double pageHeight = 3000;
    TUnits pageUnits = TUnits::unPixels;
    TJobOptions options;
    TMargins margins;
    TUnits marginsUnits = TUnits::unPixels;
    double header = 0;
    TUnits headerUnits = TUnits::unPixels;
    double footer = 0;
    TUnits footerUnits = TUnits::unPixels;
};

// The page geometry of the print job as plain functions of a printer's capabilities and the job's settings,
// so that every figure can be checked without a printer.
namespace pagegeometry {

// Converts a length between units; fullRange is the length in pixels that 100 per cent stands for, and the
// direction chooses the horizontal or the vertical resolution. Pixels come out whole, per cent and inches
// to 3 decimal places, millimetres to 2, each rounded half to even.
double ConvertUnits(TUnits from, TUnits to, double fullRange, TDirection direction, double value, int dpiX, int dpiY);
// The four margins, left and right against the page width, top and bottom against the page height.
TMargins ConvertMargins(TUnits from, TUnits to, const TMargins& margins, double pageWidth, double pageHeight, int dpiX,
                        int dpiY);

// The single steps, each rounded as the unit it gives.
double InchToMm(double inches);
double MmToInch(double mm);
double InchToPix(double inches, int dpi);
double PixToInch(double pixels, int dpi);
double MmToPix(double mm, int dpi);
double PixToMm(double pixels, int dpi);

// The page size in pageUnits that a reset in pmDefault stores: the printer's physical page.
QSizeF defaultPageSize(const TPrinterCaps& caps, TUnits pageUnits);
QRect sheetRect(const TPrinterCaps& caps, const TPageSettings& page);
// (0, 0, HORZRES, VERTRES); the sheet without a printer.
QRect printableRect(const TPrinterCaps& caps, const TPageSettings& page);
// The printable area where it lies on the sheet.
QRect printableAreaOnSheet(const TPrinterCaps& caps, const TPageSettings& page);
// onPrinterCanvas: the draw in progress goes to the printer, whose canvas has its own origin.
QRect marginRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas);
QRect headerRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas);
QRect pageRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas);
QRect footerRect(const TPrinterCaps& caps, const TPageSettings& page, bool onPrinterCanvas);

// The margins check: which margins reach into the unprintable edge of the sheet, and the margins with each
// of those set to the width of that edge.
struct MarginsCheck {
    bool outside = false;
    TMargins fixed;
};
MarginsCheck checkMargins(const TPrinterCaps& caps, const TPageSettings& page);

// Where a picture of the given size is drawn inside rect.
QRect pictureRect(const QSize& picture, const QRect& rect, TStretchMode mode, Qt::Alignment alignment);

// The pieces of a line with tab characters and where each begins: a tab moves on to the next stop, the
// stops every tabWidth from x.
struct TabbedPiece {
    int x = 0;
    QString text;
    bool operator==(const TabbedPiece&) const = default;
};
QList<TabbedPiece> tabbedPieces(int x, const QString& text, int tabWidth,
                                const std::function<int(const QString&)>& textWidth);

} // namespace pagegeometry

} // namespace lesaro
