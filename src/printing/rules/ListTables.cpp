#include "printing/rules/ListTables.h"

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "settings/FieldCaptions.h"

#include <QDate>
#include <limits>

namespace lesaro::printing {

ListDesign bookListDesign(const QStringList& bookColumnCaptions) {
    ListDesign d;
    for (int i = 0; i < 23; ++i) {
        ListColumn c;
        c.heading = bookColumnCaptions.value(i);
        c.numberWidthRule = i == 0;
        c.wrapBefore = i >= 3;
        d.columns.append(c);
    }
    return d;
}

ListDesign readerListDesign() {
    ListDesign d;
    for (const QString& heading : FieldCaptions::ReaderColumnCaptions()) {
        ListColumn c;
        c.heading = heading;
        c.wrapAfter = true;
        d.columns.append(c);
    }
    return d;
}

ListDesign loanListDesign() {
    ListDesign d;
    const QStringList headings = FieldCaptions::LoanColumnCaptions();
    for (int i = 0; i < headings.size(); ++i) {
        ListColumn c;
        c.heading = headings[i];
        c.numberWidthRule = i == 0 || i == 3;
        c.wrapBefore = i >= 3;
        d.columns.append(c);
    }
    d.alwaysPortrait = true;
    d.firstRuleByWidth = true;
    d.ruleLength = 5000;
    d.headingBaseline = 417;
    d.wrapLimit = 4104;
    d.continuationX = 324;
    d.bottomLimit = 6300;
    return d;
}

QList<SourceColumn> bookListColumns() {
    QList<SourceColumn> columns;
    for (const QString& field : FieldCaptions::bookColumnFields())
        columns.append(
            {field, field == QLatin1String("Preis") ? SourceColumn::Kind::Money : SourceColumn::Kind::Plain});
    return columns;
}

QList<SourceColumn> readerListColumns() {
    QList<SourceColumn> columns;
    for (const char* field :
         {"Nummer", "Vorname", "Nachname", "Strae", "PLZ", "Ort", "Telefon", "eMail", "Sonstiges1", "Bemerkung"})
        columns.append({QString::fromLatin1(field), SourceColumn::Kind::Plain});
    return columns;
}

QList<SourceColumn> loanListColumns() {
    QList<SourceColumn> columns;
    // The book's and the reader's fields follow their identifiers, and a date column's text its day.
    for (const char* field : {"BuchNummer", "BuchVerfasser", "BuchTitel"})
        columns.append({QString::fromLatin1(field), SourceColumn::Kind::Plain, QStringLiteral("BuecherID")});
    for (const char* field : {"LeserNummer", "LeserVorname", "LeserNachname"})
        columns.append({QString::fromLatin1(field), SourceColumn::Kind::Plain, QStringLiteral("LeserID")});
    for (const char* field : {"DatumVon", "DatumBis", "DatumBisSoll"})
        columns.append({QString::fromLatin1(field), SourceColumn::Kind::Date, QString::fromLatin1(field)});
    return columns;
}

TableListSource::TableListSource(Table& table, QList<SourceColumn> columns, QList<Table*> partners)
    : m_table(table)
    , m_columns(std::move(columns)) {
    for (const SourceColumn& c : m_columns) {
        m_fields.append(table.fieldIndex(c.field));
        m_keyFields.append(c.sameTextField.isEmpty() ? -1 : table.fieldIndex(c.sameTextField));
    }
    partners.prepend(&table);
    for (Table* t : partners) {
        auto bump = [this] { ++m_generation; };
        m_connections.append(QObject::connect(t, &Table::viewReset, bump));
        m_connections.append(QObject::connect(t, &Table::rowsChanged, bump));
    }
}

TableListSource::~TableListSource() {
    for (const QMetaObject::Connection& c : m_connections)
        QObject::disconnect(c);
}

int TableListSource::rowCount() const {
    return m_table.Active() ? m_table.viewCount() : 0;
}

QString TableListSource::text(int row, int column) const {
    const int field = m_fields.value(column, -1);
    if (field < 0)
        return {};
    if (m_columns[column].kind == SourceColumn::Kind::Money)
        return m_table.displayTextAt(row, field);
    return m_table.stringAt(row, field);
}

QString TableListSource::measuredText(int row, int column) const {
    QString t = text(row, column);
    // An empty date is measured as the calendar's day zero, so a date column is always as wide as a date.
    if (t.isEmpty() && m_columns[column].kind == SourceColumn::Kind::Date)
        return GermanLocale::formatDate(QDate(1899, 12, 30));
    return t;
}

std::optional<qint64> TableListSource::sameTextKey(int row, int column) const {
    const int keyField = m_keyFields.value(column, -1);
    if (keyField < 0)
        return std::nullopt;
    const Value key = m_table.valueAt(row, keyField);
    if (key.isNull())
        return std::numeric_limits<qint64>::min(); // every empty key shows the same text
    if (key.kind() != FieldKind::Integer && key.kind() != FieldKind::Date)
        return std::nullopt;
    return key.toInt();
}

QString TableListSource::signature() const {
    return m_table.name() + QLatin1Char('/') + QString::number(m_generation);
}

} // namespace lesaro::printing
