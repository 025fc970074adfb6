#include "maintenance/rules/PeriodInput.h"

#include <algorithm>

namespace lesaro::PeriodInput {

namespace {
constexpr int kShortestPeriod = 1;
constexpr int kLongestPeriod = 365;
} // namespace

std::optional<int> fromText(const QString& text) {
    bool ok = false;
    const int days = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return days;
}

QString stepped(const QString& text, bool up) {
    const auto typed = fromText(text);
    const int days = typed ? std::clamp(*typed + (up ? 1 : -1), kShortestPeriod, kLongestPeriod) : kShortestPeriod;
    return QString::number(days);
}

QString notAnIntegerMessage(const QString& text) {
    return QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text);
}

QString negativePeriodMessage(int days) {
    return QStringLiteral("Eine Leihfrist von %1 Tagen ist nicht möglich. Bitte geben Sie mindestens 1 Tag ein.")
        .arg(days);
}

} // namespace lesaro::PeriodInput
