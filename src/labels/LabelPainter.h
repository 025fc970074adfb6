#pragma once

#include "labels/rules/Barcode.h"
#include "labels/rules/LabelLayout.h"
#include "labels/rules/LabelSelection.h"
#include "labels/rules/LabelSheet.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRect>
#include <map>
#include <memory>

class QPainter;

namespace lesaro::labels {

// Everything a printout of labels needs: the sheet, which labels and where, and how they look.
struct LabelPrintout {
    LabelKind kind = LabelKind::Book;
    LabelSheet sheet;
    QList<LabelRecord> records;
    LabelPlan plan;
    Symbology symbology = Symbology::Code128;
    QString library;
    ReaderCardOptions card;
};

// Draws the sheets of a printout with a QPainter in the printer's device units (the printer, the PDF file
// and the preview's recording alike). The barcodes are Zint's bars, drawn as rectangles snapped to whole
// device dots, so that every bar of one width comes out the same on the printer.
class LabelPainter {
public:
    // dpi: the device's dots per inch; printable: where the printer prints, in dots from the sheet's corner
    // (an empty rectangle: everywhere).
    LabelPainter(const LabelPrintout& printout, int dpi, const QRect& printable);

    void drawSheet(QPainter& painter, int sheet);
    // The label's rectangle in device dots, from the sheet's corner.
    QRect labelRect(int index) const;
    // Empty when every barcode of the printout fits its label at this resolution; otherwise why not (German).
    QString checkBarcodes();

private:
    void drawLabel(QPainter& painter, const LabelRecord& record, int index);
    void drawBarcode(QPainter& painter, const QRectF& bandMm, const QString& text);
    const BarcodeSymbol& symbol(const QString& text);
    struct Font {
        QFont font;
        std::unique_ptr<QFontMetricsF> metrics;
    };
    // The font for a line of the given cell height; a printout has a handful, so each is made once.
    const Font& font(double cellHeightMm, bool bold);
    double textWidthMm(const QString& text, double cellHeightMm, bool bold);
    int dots(double mm) const;
    double toMm(int dots) const;

    const LabelPrintout& m_printout;
    int m_dpi;
    QRectF m_printableMm;
    QHash<QString, BarcodeSymbol> m_symbols; // one sheet's worth, dropped between sheets
    std::map<std::pair<int, bool>, Font> m_fonts;
};

} // namespace lesaro::labels
