#include "statistics/rules/StatisticsTables.h"

#include "core/GermanLocale.h"
#include "exchange/rules/ExportWriter.h"

namespace lesaro::statistics {

namespace {

QString plural(int n, const char* one, const char* many) {
    return StatisticsTables::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

// The first year of appearance holds everything entered before the first loan, so it says so.
QString yearText(const QList<YearFigures>& years, const YearFigures& y) {
    return &y == &years.first() ? QStringLiteral("bis ") + QString::number(y.year) : QString::number(y.year);
}

} // namespace

QString StatisticsTables::number(qint64 n) {
    // Groups of three with a dot, as German readers expect of a count.
    const QString digits = QString::number(n < 0 ? -n : n);
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QLatin1Char('.');
        out += digits[i];
    }
    return n < 0 ? QLatin1Char('-') + out : out;
}

QString StatisticsTables::monthName(int month) {
    static const char* const names[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                        "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    return month >= 1 && month <= 12 ? QString::fromUtf8(names[month - 1]) : QString();
}

QString StatisticsTables::shortMonthName(int month) {
    static const char* const names[] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                        "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    return month >= 1 && month <= 12 ? QString::fromUtf8(names[month - 1]) : QString();
}

QString StatisticsTables::periodText(const StatisticsPeriod& period) {
    return GermanLocale::formatDate(period.from) + QStringLiteral(" – ") + GermanLocale::formatDate(period.to);
}

QString StatisticsTables::undatedNotice(const StatisticsFigures& f) {
    QStringList parts;
    if (f.loansWithoutDate > 0)
        parts << plural(f.loansWithoutDate, "Ausleihe ohne Datum", "Ausleihen ohne Datum");
    if (f.loansWithImpossibleDate > 0)
        parts << plural(f.loansWithImpossibleDate, "Ausleihe mit unmöglichem Datum", "Ausleihen mit unmöglichem Datum");
    if (parts.isEmpty())
        return {};
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" (in keiner Zahl mit Datum mitgezählt)");
}

StatisticsTable StatisticsTables::keyFigures(const StatisticsFigures& f) {
    StatisticsTable t{{QStringLiteral("Kennzahl"), QStringLiteral("Wert")}, {}};
    auto add = [&](const char* label, qint64 value) { t.rows.append({QString::fromUtf8(label), number(value)}); };
    t.rows.append({QStringLiteral("Zeitraum"), periodText(f.period)});
    add("Ausleihen im Zeitraum", f.loans);
    add("Ausleihen im Vorjahreszeitraum", f.loansYearBefore);
    add("Leser mit Ausleihen im Zeitraum", f.activeReaders);
    add("Leser insgesamt", f.readers);
    add("Bücher insgesamt", f.books);
    add("Bücher zurzeit ausgeliehen", f.booksLentNow);
    add("Ausleihen zurzeit überfällig", f.loansOverdueNow);
    add("Bücher nie ausgeliehen", f.booksNeverLent);
    if (f.loansWithoutDate > 0)
        add("Ausleihen ohne Datum", f.loansWithoutDate);
    if (f.loansWithImpossibleDate > 0)
        add("Ausleihen mit unmöglichem Datum", f.loansWithImpossibleDate);
    return t;
}

StatisticsTable StatisticsTables::months(const StatisticsFigures& f) {
    StatisticsTable t{{QStringLiteral("Monat"), QStringLiteral("Ausleihen"), QStringLiteral("Vorjahr"),
                       QStringLiteral("Leser mit Ausleihen")},
                      {}};
    for (const MonthFigures& m : f.months)
        t.rows.append({monthName(m.month.month()) + QLatin1Char(' ') + QString::number(m.month.year()), number(m.loans),
                       number(m.loansYearBefore), number(m.activeReaders)});
    return t;
}

StatisticsTable StatisticsTables::groups(const StatisticsFigures& f) {
    StatisticsTable t{{QStringLiteral("Sachgruppe"), QStringLiteral("Ausleihen")}, {}};
    for (const GroupFigures& g : f.groups)
        t.rows.append({g.name, number(g.loans)});
    return t;
}

StatisticsTable StatisticsTables::topBooks(const StatisticsFigures& f) {
    StatisticsTable t{
        {QStringLiteral("Nummer"), QStringLiteral("Verfasser"), QStringLiteral("Titel"), QStringLiteral("Ausleihen")},
        {}};
    for (const BookFigures& b : f.topBooks)
        t.rows.append({b.nummer, b.verfasser, b.titel, number(b.loans)});
    return t;
}

StatisticsTable StatisticsTables::readers(const StatisticsFigures& f) {
    StatisticsTable t{{QStringLiteral("Jahr"), QStringLiteral("Neue Leser")}, {}};
    for (const YearFigures& y : f.newReaders)
        t.rows.append({yearText(f.newReaders, y), number(y.count)});
    if (f.readersNotYetDated > 0)
        t.rows.append({QStringLiteral("noch ohne Ausleihe"), number(f.readersNotYetDated)});
    return t;
}

StatisticsTable StatisticsTables::newBooks(const StatisticsFigures& f) {
    StatisticsTable t{{QStringLiteral("Jahr"), QStringLiteral("Neue Bücher")}, {}};
    for (const YearFigures& y : f.newBooks)
        t.rows.append({yearText(f.newBooks, y), number(y.count)});
    if (f.booksNotYetDated > 0)
        t.rows.append({QStringLiteral("noch ohne Ausleihe"), number(f.booksNotYetDated)});
    return t;
}

QStringList StatisticsTables::weedingHeaders() {
    return {QStringLiteral("Signatur"),
            QStringLiteral("Standort"),
            QStringLiteral("Nummer"),
            QStringLiteral("Verfasser"),
            QStringLiteral("Titel"),
            QStringLiteral("Sachgruppe"),
            QStringLiteral("Zuletzt ausgeliehen"),
            QStringLiteral("Ausleihen")};
}

QStringList StatisticsTables::weedingRow(const WeedingEntry& e) {
    const QString last = e.lastLent.isValid() ? GermanLocale::formatDate(e.lastLent)
                         : e.loans > 0        ? QStringLiteral("ohne Datum")
                                              : QStringLiteral("nie");
    return {e.signatur, e.standort, e.nummer, e.verfasser, e.titel, e.sachgruppe, last, number(e.loans)};
}

StatisticsTable StatisticsTables::weeding(const QList<WeedingEntry>& list) {
    StatisticsTable t{weedingHeaders(), {}};
    t.rows.reserve(list.size());
    for (const WeedingEntry& e : list)
        t.rows.append(weedingRow(e));
    return t;
}

QByteArray StatisticsTables::csv(const StatisticsTable& table, bool utf8) {
    ExportSettings settings;
    settings.format = ExportFormat::Csv;
    settings.separator = ';';
    settings.qualifier = '"';
    settings.titleRow = true;
    settings.utf8 = utf8;
    for (const QString& h : table.headers)
        settings.columns.append({h, h});
    ExportFile file(settings);
    for (const QStringList& row : table.rows) {
        file.beginRow();
        for (const QString& v : row)
            file.value(v);
        file.endRow();
    }
    return file.finish();
}

} // namespace lesaro::statistics
