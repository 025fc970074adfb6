#include "readercatalogue/rules/CatalogueChoice.h"

#include <QStringList>
#include <algorithm>

namespace lesaro {

const QList<CatalogueColumnInfo>& CatalogueChoice::allColumns() {
    using C = CatalogueColumn;
    static const QList<CatalogueColumnInfo> columns{
        {C::Nummer, QStringLiteral("nummer"), QStringLiteral("Nummer"), QStringLiteral("Nummer"), false, false},
        {C::Verfasser, QStringLiteral("verfasser"), QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), true,
         true},
        {C::Titel, QStringLiteral("titel"), QStringLiteral("Titel"), QStringLiteral("Titel"), true, true},
        {C::Erscheinungsjahr, QStringLiteral("jahr"), QStringLiteral("Erscheinungsjahr"),
         QStringLiteral("Erscheinungsjahr"), true, false},
        {C::Verlag, QStringLiteral("verlag"), QStringLiteral("Verlag"), QStringLiteral("Verlag"), false, false},
        {C::Erscheinungsort, QStringLiteral("ort"), QStringLiteral("Erscheinungsort"),
         QStringLiteral("Erscheinungsort"), false, false},
        {C::Auflage, QStringLiteral("auflage"), QStringLiteral("Auflage"), QStringLiteral("Auflage"), false, false},
        {C::ISBN, QStringLiteral("isbn"), QStringLiteral("ISBN"), QStringLiteral("ISBN"), false, false},
        {C::Sachgruppe, QStringLiteral("sachgruppe"), QStringLiteral("Sachgruppe"), QStringLiteral("Sachgruppe"), true,
         false},
        {C::Schlagwoerter, QStringLiteral("schlagwoerter"), QStringLiteral("Schlagwörter"), QStringLiteral("Schlagwort"),
         true, false},
        {C::Signatur, QStringLiteral("signatur"), QStringLiteral("Signatur"), QStringLiteral("Signatur"), true, false},
        {C::Standort, QStringLiteral("standort"), QStringLiteral("Standort"), QStringLiteral("Standort"), true, false},
        {C::Preis, QStringLiteral("preis"), QStringLiteral("Preis"), QStringLiteral("Preis"), false, false},
        {C::Bemerkung, QStringLiteral("bemerkung"), QStringLiteral("Bemerkung"), QStringLiteral("Bemerkung"), false,
         false},
    };
    return columns;
}

const CatalogueColumnInfo& CatalogueChoice::info(CatalogueColumn column) {
    return allColumns()[int(column)];
}

CatalogueChoice CatalogueChoice::defaults() {
    CatalogueChoice c;
    for (const CatalogueColumnInfo& i : allColumns())
        if (i.onByDefault)
            c.columns.append(i.column);
    return c;
}

void CatalogueChoice::normalize() {
    for (CatalogueColumn fixed : {CatalogueColumn::Verfasser, CatalogueColumn::Titel})
        if (!columns.contains(fixed))
            columns.append(fixed);
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
}

QString CatalogueChoice::toSetting() const {
    QStringList keys;
    for (CatalogueColumn c : columns)
        keys.append(info(c).key);
    return keys.join(QLatin1Char(',')) + QLatin1Char(';') + QString::number(int(availability)) + QLatin1Char(';') +
           QString::number(int(dueDates)) + QLatin1Char(';') +
           (books == Books::Listed ? QStringLiteral("liste") : QStringLiteral("alle"));
}

CatalogueChoice CatalogueChoice::fromSetting(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(';'));
    if (parts.size() != 4)
        return defaults();
    CatalogueChoice c;
    for (const QString& key : parts[0].split(QLatin1Char(','), Qt::SkipEmptyParts))
        for (const CatalogueColumnInfo& i : allColumns())
            if (i.key == key)
                c.columns.append(i.column);
    c.availability = parts[1] != QLatin1String("0");
    c.dueDates = parts[2] != QLatin1String("0");
    c.books = parts[3] == QLatin1String("liste") ? Books::Listed : Books::All;
    c.normalize();
    return c;
}

} // namespace lesaro
