#include "exchange/sources/CellText.h"

#include <QDateTime>
#include <cmath>

namespace lesaro::exchange::CellText {

QString number(double value) {
    if (!std::isfinite(value))
        return {};
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString decimal(const QString& cText) {
    bool ok = false;
    const double v = cText.trimmed().toDouble(&ok);
    return ok ? number(v) : cText;
}

QString isoDateTime(const QString& iso) {
    const QString t = iso.trimmed();
    const QDate date = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) {
        QString out = date.toString(QStringLiteral("dd.MM.yyyy"));
        const QString rest = t.mid(10).trimmed().remove(QLatin1Char('T'));
        const QTime time = QTime::fromString(rest.left(8), QStringLiteral("HH:mm:ss"));
        if (time.isValid() && time != QTime(0, 0))
            out += QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
        return out;
    }
    const QTime time = QTime::fromString(t.left(8), QStringLiteral("HH:mm:ss"));
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : iso;
}

QString serialDate(double serial, bool withTime) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465)
        return number(serial);
    double days = std::floor(serial);
    // The spreadsheet counts a 29 February 1900 that never was; days from 1 March 1900 on are one too many.
    const QDate base(1899, 12, 30);
    QDate date = days < 61 ? base.addDays(qint64(days) + 1) : base.addDays(qint64(days));
    QString out = date.toString(QStringLiteral("dd.MM.yyyy"));
    const int seconds = int(std::lround((serial - days) * 86400.0)) % 86400;
    if (withTime && seconds != 0)
        out += QLatin1Char(' ') + QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
    return out;
}

QString dayNumberDate(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return {};
    const double whole = std::trunc(days);
    const QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return {};
    QString out = date.toString(QStringLiteral("dd.MM.yyyy"));
    const int seconds = int(std::lround(std::fabs(days - whole) * 86400.0)) % 86400;
    if (seconds != 0)
        out += QLatin1Char(' ') + QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
    return out;
}

QString padded(const QString& digits, int width) {
    if (digits.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') + padded(digits.mid(1), width);
    return digits.size() >= width ? digits : QString(width - digits.size(), QLatin1Char('0')) + digits;
}

} // namespace lesaro::exchange::CellText
