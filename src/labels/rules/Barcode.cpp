#include "labels/rules/Barcode.h"

#include <zint.h>

#include <cmath>
#include <memory>

namespace lesaro::labels::Barcode {

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

} // namespace

QString symbologyName(Symbology symbology) {
    return symbology == Symbology::Code39 ? QStringLiteral("Code 39") : QStringLiteral("Code 128");
}

BarcodeSymbol encode(const QString& text, Symbology symbology) {
    BarcodeSymbol out;
    const std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        out.error = QStringLiteral("Der Strichcode kann nicht erzeugt werden (kein Speicher).");
        return out;
    }
    symbol->symbology = symbology == Symbology::Code39 ? BARCODE_CODE39 : BARCODE_CODE128;
    symbol->show_hrt = 0;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    symbol->scale = 1.0f;
    const QByteArray data = text.toUtf8();
    int result =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    if (result < ZINT_ERROR)
        result = ZBarcode_Buffer_Vector(symbol.get(), 0);
    if (result >= ZINT_ERROR || !symbol->vector) {
        out.error = QStringLiteral("„%1“ lässt sich nicht als %2 darstellen: %3")
                        .arg(text, symbologyName(symbology), QString::fromLatin1(symbol->errtxt));
        return out;
    }
    // Zint's vector output draws a module two units wide at scale 1.
    const double unit = 2.0 * symbol->scale;
    out.modules = symbol->vector->width / unit;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        if (r->colour == -1)
            out.bars.append({r->x / unit, r->width / unit});
    }
    return out;
}

int moduleDots(double modules, int availableDots, int dpi, double minMm, double maxMm) {
    if (modules <= 0 || availableDots <= 0 || dpi <= 0)
        return 0;
    const double dotsPerMm = dpi / 25.4;
    const int fits = int(std::floor(availableDots / modules));
    const int widest = std::max(1, int(std::floor(maxMm * dotsPerMm)));
    const int dots = std::min(fits, widest);
    if (dots < 1 || dots / dotsPerMm + 1e-9 < minMm)
        return 0;
    return dots;
}

} // namespace lesaro::labels::Barcode
