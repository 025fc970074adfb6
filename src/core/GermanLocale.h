#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <optional>

namespace lesaro::GermanLocale {

// The program speaks German whatever the machine's locale: dates dd.MM.yyyy, decimal comma, "#.00 €".
void install();

QString formatDate(QDate date);
// Reads day.month.year (two-digit years fall within fifty years of today); nullopt when not a date.
std::optional<QDate> parseDate(QStringView text);
QString formatMoney(double amount);   // "#.00 €": ",50 €", "12,00 €"
QString formatDecimal(double amount); // plain decimal with comma and no trailing zeros, "12,5"
std::optional<double> parseDecimal(QStringView text);
std::optional<qint32> parseInteger(QStringView text);

// German linguistic order on Windows-1252 texts: umlauts beside their base letters, punctuation and
// blanks significant, case as the last tie-break with lower case first.
QByteArray sortKey(QByteArrayView win1252Text);
int compareText(QByteArrayView a, QByteArrayView b, bool ignoreCase);

} // namespace lesaro::GermanLocale
