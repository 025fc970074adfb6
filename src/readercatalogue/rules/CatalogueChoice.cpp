#include "readercatalogue/rules/CatalogueChoice.h"

#include <QStringList>
#include <algorithm>

namespace lesaro {

using namespace Qt::Literals::StringLiterals;

const QList<CatalogueColumnInfo>& CatalogueChoice::allColumns() {
    using C = CatalogueColumn;
    static const QList<CatalogueColumnInfo> columns{
        // column, key, caption, heading, field, on by default, fixed
        {C::Nummer, u"nummer"_s, u"Nummer"_s, u"Nummer"_s, u"Nummer"_s, false, false},
        {C::Verfasser, u"verfasser"_s, u"Verfasser"_s, u"Verfasser"_s, u"Verfasser"_s, true, true},
        {C::Titel, u"titel"_s, u"Titel"_s, u"Titel"_s, u"Titel"_s, true, true},
        {C::Erscheinungsjahr, u"jahr"_s, u"Erscheinungsjahr"_s, u"Jahr"_s, u"Erscheinungsjahr"_s, true, false},
        {C::Verlag, u"verlag"_s, u"Verlag"_s, u"Verlag"_s, u"Verlag"_s, false, false},
        {C::Erscheinungsort, u"ort"_s, u"Erscheinungsort"_s, u"Ort"_s, u"Erscheinungsort"_s, false, false},
        {C::Auflage, u"auflage"_s, u"Auflage"_s, u"Auflage"_s, u"Auflage"_s, false, false},
        {C::ISBN, u"isbn"_s, u"ISBN"_s, u"ISBN"_s, u"ISBN"_s, false, false},
        {C::Sachgruppe, u"sachgruppe"_s, u"Sachgruppe"_s, u"Sachgruppe"_s, u"Sachgruppe"_s, true, false},
        {C::Schlagwoerter, u"schlagwoerter"_s, u"Schlagwörter"_s, u"Schlagwörter"_s, u"Schlagwort"_s, true, false},
        {C::Signatur, u"signatur"_s, u"Signatur"_s, u"Signatur"_s, u"Signatur"_s, true, false},
        {C::Standort, u"standort"_s, u"Standort"_s, u"Standort"_s, u"Standort"_s, true, false},
        {C::Preis, u"preis"_s, u"Preis"_s, u"Preis"_s, u"Preis"_s, false, false},
        {C::Bemerkung, u"bemerkung"_s, u"Bemerkung"_s, u"Bemerkung"_s, u"Bemerkung"_s, false, false},
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
