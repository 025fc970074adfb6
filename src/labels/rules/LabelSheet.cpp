#include "labels/rules/LabelSheet.h"

#include "settings/INI.h"

#include <cmath>

namespace lesaro::labels {

namespace {

// Measures are compared to a hundredth of a millimetre: the makers give them to a tenth, and sums of
// decimal fractions must not refuse a sheet that fits exactly.
constexpr double kTolerance = 0.005;
// A printer's edges come in whole dots and rounded minimum margins: a sheet that reaches the paper's edge must
// not be warned of because the printable area ends a fraction of a millimetre short of it.
constexpr double kEdgeTolerance = 0.25;

// A measure as the makers write it: "42,3", "0,45", "70".
QString mm(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

// Settings keep the millimetres as hundredths, since the store holds whole numbers.
int hundredths(double value) {
    return int(std::lround(value * 100.0));
}

} // namespace

QRectF LabelSheet::labelRect(int index) const {
    const int row = index / std::max(1, columns);
    const int column = index % std::max(1, columns);
    return {left + column * hPitch, top + row * vPitch, labelWidth, labelHeight};
}

QString LabelSheet::check() const {
    if (columns < 1)
        return QStringLiteral("Die Zahl der Spalten muss mindestens 1 sein.");
    if (rows < 1)
        return QStringLiteral("Die Zahl der Zeilen muss mindestens 1 sein.");
    if (labelWidth <= 0)
        return QStringLiteral("Die Etikettenbreite muss größer als 0 mm sein.");
    if (labelHeight <= 0)
        return QStringLiteral("Die Etikettenhöhe muss größer als 0 mm sein.");
    if (left < 0)
        return QStringLiteral("Der linke Rand darf nicht negativ sein.");
    if (top < 0)
        return QStringLiteral("Der obere Rand darf nicht negativ sein.");
    if (columns > 1 && hPitch + kTolerance < labelWidth)
        return QStringLiteral("Der waagerechte Abstand (%1 mm) ist kleiner als die Etikettenbreite (%2 mm): die "
                              "Etiketten einer Zeile würden sich überdecken.")
            .arg(mm(hPitch), mm(labelWidth));
    if (rows > 1 && vPitch + kTolerance < labelHeight)
        return QStringLiteral("Der senkrechte Abstand (%1 mm) ist kleiner als die Etikettenhöhe (%2 mm): die "
                              "Etiketten einer Spalte würden sich überdecken.")
            .arg(mm(vPitch), mm(labelHeight));
    const double right = left + (columns - 1) * (columns > 1 ? hPitch : 0) + labelWidth;
    if (right > kA4Width + kTolerance)
        return QStringLiteral("Die Etiketten passen nicht in die Breite des A4-Blatts: linker Rand %1 mm + %2 × "
                              "waagerechter Abstand %3 mm + Etikettenbreite %4 mm = %5 mm, das Blatt ist aber nur "
                              "210 mm breit.")
            .arg(mm(left))
            .arg(columns - 1)
            .arg(mm(hPitch), mm(labelWidth), mm(right));
    const double bottom = top + (rows - 1) * (rows > 1 ? vPitch : 0) + labelHeight;
    if (bottom > kA4Height + kTolerance)
        return QStringLiteral("Die Etiketten passen nicht in die Höhe des A4-Blatts: oberer Rand %1 mm + %2 × "
                              "senkrechter Abstand %3 mm + Etikettenhöhe %4 mm = %5 mm, das Blatt ist aber nur "
                              "297 mm hoch.")
            .arg(mm(top))
            .arg(rows - 1)
            .arg(mm(vPitch), mm(labelHeight), mm(bottom));
    return {};
}

QString LabelSheet::edgeWarning(const QRectF& printable) const {
    if (!printable.isValid())
        return {};
    const QRectF all = labelRect(0).united(labelRect(perSheet() - 1));
    const QString tail = QStringLiteral(" Was dort steht, druckt der Drucker nicht; der Inhalt der Etiketten "
                                        "wird an dieser Seite eingerückt.");
    if (all.left() + kEdgeTolerance < printable.left())
        return QStringLiteral("Die erste Spalte beginnt %1 mm vom linken Blattrand, der Drucker druckt aber erst ab "
                              "%2 mm.")
                   .arg(mm(all.left()), mm(printable.left())) +
               tail;
    if (all.right() > printable.right() + kEdgeTolerance)
        return QStringLiteral("Die letzte Spalte reicht bis %1 mm, der Drucker druckt aber nur bis %2 mm.")
                   .arg(mm(all.right()), mm(printable.right())) +
               tail;
    if (all.top() + kEdgeTolerance < printable.top())
        return QStringLiteral("Die erste Zeile beginnt %1 mm vom oberen Blattrand, der Drucker druckt aber erst ab "
                              "%2 mm.")
                   .arg(mm(all.top()), mm(printable.top())) +
               tail;
    if (all.bottom() > printable.bottom() + kEdgeTolerance)
        return QStringLiteral("Die letzte Zeile reicht bis %1 mm, der Drucker druckt aber nur bis %2 mm.")
                   .arg(mm(all.bottom()), mm(printable.bottom())) +
               tail;
    return {};
}

namespace LabelSheets {

const QList<LabelSheet>& builtIn() {
    // The margins centre the labels where the makers leave a strip free; a sheet cut to the edge starts at 0.
    static const QList<LabelSheet> sheets = {
        {QStringLiteral("3 × 8 Etiketten, 70 × 37 mm"), 3, 8, 70.0, 37.0, 0.5, 0.0, 70.0, 37.0},
        {QStringLiteral("3 × 7 Etiketten, 70 × 42,3 mm"), 3, 7, 70.0, 42.3, 0.45, 0.0, 70.0, 42.3},
        {QStringLiteral("2 × 8 Etiketten, 105 × 37 mm"), 2, 8, 105.0, 37.0, 0.5, 0.0, 105.0, 37.0},
        // Four across at 25,4 mm high: twelve rows would need 304,8 mm, so the sheet holds ten.
        {QStringLiteral("4 × 10 Etiketten, 48,5 × 25,4 mm"), 4, 10, 48.5, 25.4, 21.5, 8.0, 48.5, 25.4},
        {QStringLiteral("2 × 5 Karten, 85 × 54 mm (Ausweisgröße)"), 2, 5, 85.0, 54.0, 13.5, 15.0, 95.0, 54.0},
    };
    return sheets;
}

QString userSheetName() {
    return QStringLiteral("Eigener Bogen");
}

LabelSheet loadUserSheet() {
    LabelSheet sheet = builtIn().first();
    sheet.name = userSheetName();
    if (INI::ReadSettingInteger(QStringLiteral("EtikettBogenSpalten")) <= 0)
        return sheet;
    sheet.columns = INI::ReadSettingInteger(QStringLiteral("EtikettBogenSpalten"));
    sheet.rows = INI::ReadSettingInteger(QStringLiteral("EtikettBogenZeilen"));
    sheet.labelWidth = INI::ReadSettingInteger(QStringLiteral("EtikettBogenBreite")) / 100.0;
    sheet.labelHeight = INI::ReadSettingInteger(QStringLiteral("EtikettBogenHoehe")) / 100.0;
    sheet.top = INI::ReadSettingInteger(QStringLiteral("EtikettBogenOben")) / 100.0;
    sheet.left = INI::ReadSettingInteger(QStringLiteral("EtikettBogenLinks")) / 100.0;
    sheet.hPitch = INI::ReadSettingInteger(QStringLiteral("EtikettBogenAbstandWaagerecht")) / 100.0;
    sheet.vPitch = INI::ReadSettingInteger(QStringLiteral("EtikettBogenAbstandSenkrecht")) / 100.0;
    return sheet;
}

void storeUserSheet(const LabelSheet& sheet) {
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenSpalten"), sheet.columns);
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenZeilen"), sheet.rows);
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenBreite"), hundredths(sheet.labelWidth));
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenHoehe"), hundredths(sheet.labelHeight));
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenOben"), hundredths(sheet.top));
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenLinks"), hundredths(sheet.left));
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenAbstandWaagerecht"), hundredths(sheet.hPitch));
    INI::WriteSettingInteger(QStringLiteral("EtikettBogenAbstandSenkrecht"), hundredths(sheet.vPitch));
}

} // namespace LabelSheets

} // namespace lesaro::labels
