#pragma once

#include <QString>

namespace lesaro::exchange::CellText {

// Cell and field values as the import receives them, alike for every kind of source: whole numbers in
// plain digits (a postcode 79100 stays "79100", never "79100.0" or "7.91E+04"), other numbers with a decimal
// comma and no trailing zeros, dates as dd.MM.yyyy, a time of day only when there is one.
QString number(double value);
// "12.5000" (a C locale decimal) as number() would write it; the text unchanged when it is no number.
QString decimal(const QString& cText);
// "2024-03-01", "2024-03-01 10:15:00" or "10:15:00" to the German form; the text unchanged otherwise.
QString isoDateTime(const QString& iso);
// A spreadsheet's day count (1 = 1 January 1900, with the 1900 leap-day slip) to the German form.
QString serialDate(double serial, bool withTime);
// A day number as Access and OLE store dates (0 = 30 December 1899, the fraction the time of day, counted
// from midnight also before 1899) to the German form, for the years 100 to 9999; empty for any other.
QString dayNumberDate(double days);
// Digits padded with zeros to a width, as a number format "00000" shows a postcode.
QString padded(const QString& digits, int width);

} // namespace lesaro::exchange::CellText
