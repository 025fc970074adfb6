#pragma once

#include <QByteArray>
#include <QDate>
#include <QtGlobal>

namespace lesaro {

enum class FieldKind : quint8 { Integer, Text, Money, Boolean, Date };

// Day numbers count 1 January of the year 1 (proleptic Gregorian) as day 1, as the table files do.
constexpr qint64 kJulianDayOfDayZero = 1721425;
inline qint32 dayFromDate(QDate date) {
    return static_cast<qint32>(date.toJulianDay() - kJulianDayOfDayZero);
}
inline QDate dateFromDay(qint32 day) {
    return QDate::fromJulianDay(qint64(day) + kJulianDayOfDayZero);
}

// One field value as the engine holds it: null, or a value of the column's kind.
// Texts are kept as Windows-1252 bytes, the form they have in the table files.
class Value {
public:
    Value() = default;
    static Value integer(qint32 v);
    static Value text(QByteArray bytes);
    static Value money(double v);
    static Value boolean(bool v);
    static Value date(qint32 day);

    bool isNull() const { return m_null; }
    FieldKind kind() const { return m_kind; }
    qint32 toInt() const { return m_int; }
    double toMoney() const { return m_money; }
    bool toBool() const { return m_int != 0; }
    qint32 toDay() const { return m_int; }
    const QByteArray& bytes() const { return m_text; }

    bool operator==(const Value& other) const;

private:
    bool m_null = true;
    FieldKind m_kind = FieldKind::Integer;
    qint32 m_int = 0;
    double m_money = 0;
    QByteArray m_text;
};

} // namespace lesaro
