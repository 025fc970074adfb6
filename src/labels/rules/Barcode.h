#pragma once

#include <QList>
#include <QString>

namespace lesaro::labels {

enum class Symbology { Code128, Code39 };

// One bar of a barcode, in modules (the narrowest bar's width) from the symbol's left edge, the quiet zone
// included.
struct Bar {
    double x = 0;
    double width = 0;
};

// A one-line barcode as Zint encodes it: the bars and the whole width in modules, the quiet zones on both
// sides included, so that whatever is drawn beside the symbol keeps off them.
struct BarcodeSymbol {
    QList<Bar> bars;
    double modules = 0; // the whole width, quiet zones included
    QString error;      // German; empty when the text was encoded

    bool ok() const { return error.isEmpty() && !bars.isEmpty(); }
};

namespace Barcode {

QString symbologyName(Symbology symbology);
// Encodes text through Zint, with the quiet zones the symbology asks for.
BarcodeSymbol encode(const QString& text, Symbology symbology);

// The module width, in whole device dots, at which a symbol of the given modules fits into available dots:
// as wide as fits up to maxMm, and never below minMm; 0 when even minMm does not fit. Whole dots keep every
// bar the same width on the printer, which the scanner's decoding relies on.
int moduleDots(double modules, int availableDots, int dpi, double minMm = 0.19, double maxMm = 0.5);

} // namespace Barcode

} // namespace lesaro::labels
