#include "exchange/sources/NumberFormat.h"

#include "exchange/sources/CellText.h"

#include <QRegularExpression>
#include <cmath>

namespace lesaro::exchange {

NumberFormat NumberFormat::parse(int id, const QString& code) {
    if ((id >= 14 && id <= 17) || id == 22)
        return {id == 22 ? Shown::DateTime : Shown::Date, 0};
    if (code.isEmpty())
        return {};
    static const QRegularExpression zeros(QStringLiteral("^0+$"));
    if (zeros.match(code).hasMatch())
        return {Shown::Padded, int(code.size())};
    // Letters of a date format outside quoted text and [colour] or [$€-407] brackets.
    static const QRegularExpression quoted(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]|\\\\."));
    static const QRegularExpression dateLetters(QStringLiteral("[dDyY]|[mM]{3,}"));
    static const QRegularExpression hours(QStringLiteral("[hH]"));
    QString bare = code;
    bare.remove(quoted);
    if (!bare.contains(dateLetters))
        return {};
    return {bare.contains(hours) ? Shown::DateTime : Shown::Date, 0};
}

QString NumberFormat::text(double value, bool date1904) const {
    // Day 0 of the 1904 count is 1 January 1904, day 1462 of the usual one.
    const double days = date1904 ? value + 1462 : value;
    switch (m_shown) {
    case Shown::Date:
        return CellText::serialDate(days, false);
    case Shown::DateTime:
        return CellText::serialDate(days, true);
    case Shown::Padded:
        if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::floor(value))
            return CellText::padded(CellText::number(value), m_width);
        break;
    case Shown::Number:
        break;
    }
    return CellText::number(value);
}

} // namespace lesaro::exchange
