#pragma once

#include "core/Value.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace lesaro {

class Table;

// A handle on one field of a table's current row (stored column or lookup field).
class Field {
public:
    Field(Table* table, int index)
        : m_table(table)
        , m_index(index) {}
    QString FieldName() const;
    FieldKind kind() const;
    bool isLookup() const;
    int index() const { return m_index; }

    bool IsNull() const;
    Value value() const;
    QString AsString() const;
    qint32 AsInteger() const;
    bool AsBoolean() const;
    QDate AsDate() const;
    double AsCurrency() const;
    QString DisplayText() const; // "#.00 €" for money, dd.MM.yyyy for dates, "Wahr"/"Falsch"
    QVariant AsVariant() const;

    void setAsString(const QString& text);
    void setAsInteger(qint32 v);
    void setAsBoolean(bool v);
    void setAsDate(QDate v);
    void setAsCurrency(double v);
    void setValue(const Value& v);
    void Clear();

    // A value of the given kind as AsString, DisplayText and AsVariant give it; empty for a null.
    static QString textOf(FieldKind kind, const Value& v);
    static QString displayTextOf(FieldKind kind, const Value& v);
    static QVariant variantOf(FieldKind kind, const Value& v);

private:
    Table* m_table;
    int m_index;
};

} // namespace lesaro
