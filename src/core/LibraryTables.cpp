#include "core/LibraryTables.h"

#include "core/Table.h"

namespace lesaro::LibraryTables {

namespace {
ColumnDef text(const char* name, int width = 100) {
    return ColumnDef::make(QString::fromLatin1(name), FieldKind::Text, width);
}
ColumnDef integer(const char* name) {
    return ColumnDef::make(QString::fromLatin1(name), FieldKind::Integer);
}
ColumnDef date(const char* name) {
    return ColumnDef::make(QString::fromLatin1(name), FieldKind::Date);
}
} // namespace

QList<ColumnDef> bookColumns() {
    QList<ColumnDef> c{integer("ID"),
                       integer("Nummer"),
                       text("Verfasser"),
                       text("Titel"),
                       text("Verlag"),
                       text("Erscheinungsjahr"),
                       text("Erscheinungsort"),
                       text("Auflage"),
                       text("Sachgruppe"),
                       text("Signatur"),
                       text("Standort"),
                       text("ISBN"),
                       ColumnDef::make(QStringLiteral("Preis"), FieldKind::Money),
                       text("Bemerkung", 1500),
                       ColumnDef::make(QStringLiteral("ausgeliehen"), FieldKind::Boolean)};
    for (int i = 1; i <= 10; ++i)
        c.append(ColumnDef::make(QStringLiteral("Schlagwort%1").arg(i), FieldKind::Text, 100));
    return c;
}

QList<ColumnDef> readerColumns() {
    return {integer("ID"), integer("Nummer"), text("Vorname"), text("Nachname"),   text("Strae"),          text("PLZ"),
            text("Ort"),   text("Telefon"),   text("eMail"),   text("Sonstiges1"), text("Bemerkung", 1500)};
}

QList<ColumnDef> loanColumns() {
    return {integer("ID"),    integer("BuecherID"),    integer("LeserID"),  date("DatumVon"),
            date("DatumBis"), text("Bemerkung", 1500), date("DatumBisSoll")};
}

QList<ColumnDef> postcodeColumns() {
    QList<ColumnDef> c{text("PLZ", 5), text("Ort", 100)};
    for (ColumnDef& d : c)
        d.attributes = 0x0010;
    return c;
}

void addLoanLookupFields(Table& loans, Table& books, Table& readers) {
    // Lookup fields stand after Bemerkung (the sixth stored field) and before DatumBisSoll.
    int position = 6;
    auto add = [&](const char* name, FieldKind kind, const char* key, Table& table, const char* result) {
        LookupFieldDef d;
        d.name = QString::fromLatin1(name);
        d.kind = kind;
        d.width = kind == FieldKind::Text ? 150 : 0;
        d.keyField = QString::fromLatin1(key);
        d.lookupTable = &table;
        d.lookupKeyField = QStringLiteral("ID");
        d.resultField = QString::fromLatin1(result);
        d.position = position++;
        loans.addLookupField(d);
    };
    add("BuchVerfasser", FieldKind::Text, "BuecherID", books, "Verfasser");
    add("BuchTitel", FieldKind::Text, "BuecherID", books, "Titel");
    add("BuchNummer", FieldKind::Integer, "BuecherID", books, "Nummer");
    add("LeserVorname", FieldKind::Text, "LeserID", readers, "Vorname");
    add("LeserNachname", FieldKind::Text, "LeserID", readers, "Nachname");
    add("LeserNummer", FieldKind::Integer, "LeserID", readers, "Nummer");
}

} // namespace lesaro::LibraryTables
