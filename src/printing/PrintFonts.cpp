#include "printing/PrintFonts.h"

#include <QFontMetricsF>
#include <QHash>
#include <cmath>

namespace lesaro::printing {

namespace {

QFont baseFont(const QString& family) {
    QFont font(family);
    if (family == QLatin1String("Arial Narrow"))
        font.setFamilies({family, QStringLiteral("Liberation Sans Narrow")});
    else
        font.setFamilies({family, QStringLiteral("Liberation Sans")});
    // Unhinted outlines measure the same on the printer, the PDF and the preview's recording.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

// Cell height per pixel of em size, found once per family.
double cellPerPixel(const QString& family) {
    static QHash<QString, double> ratios;
    const auto it = ratios.constFind(family);
    if (it != ratios.constEnd())
        return *it;
    QFont font = baseFont(family);
    font.setPixelSize(1000);
    const QFontMetricsF metrics(font);
    const double ratio = metrics.height() > 0 ? metrics.height() / 1000.0 : 1.0;
    ratios.insert(family, ratio);
    return ratio;
}

} // namespace

QFont printFont(const QString& family, int cellHeight) {
    QFont font = baseFont(family);
    font.setPixelSize(std::max(1, int(std::lround(cellHeight / cellPerPixel(family)))));
    return font;
}

} // namespace lesaro::printing
