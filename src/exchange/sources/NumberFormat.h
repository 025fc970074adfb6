#pragma once

#include <QString>

namespace lesaro::exchange {

// What a spreadsheet cell's number format makes of its number, reduced to what the import cares about:
// a date (with or without its time), digits padded with leading zeros (a postcode "00000"), or a plain
// number. Currency, thousands separators and decimals a format adds are left out, so a price "12,50 €"
// formatted from 12.5 arrives as "12,5", which the book's price field takes.
// The .xlsx and .xls readers both render numeric cells through here, so one workbook saved in either
// format gives the same texts.
class NumberFormat {
public:
    enum class Shown { Number, Date, DateTime, Padded };

    NumberFormat() = default;
    NumberFormat(Shown shown, int width)
        : m_shown(shown)
        , m_width(width) {}

    // The format of a built-in id (14 to 17 and 22 are Excel's dates) or of a format code.
    static NumberFormat parse(int id, const QString& code);

    Shown shown() const { return m_shown; }
    int width() const { return m_width; }
    bool isDate() const { return m_shown == Shown::Date || m_shown == Shown::DateTime; }

    // The cell's text as the import receives it (CellText's forms). A workbook that counts its days from
    // 1904 (old Mac workbooks) gives dates whose serial numbers are 1462 days short of the usual count.
    QString text(double value, bool date1904 = false) const;

    bool operator==(const NumberFormat&) const = default;

private:
    Shown m_shown = Shown::Number;
    int m_width = 0;
};

} // namespace lesaro::exchange
