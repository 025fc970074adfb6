#include "core/Field.h"

#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "core/Win1252.h"

#include <cmath>

namespace lesaro {

QString Field::textOf(FieldKind kind, const Value& v) {
    if (v.isNull())
        return {};
    switch (kind) {
    case FieldKind::Integer:
        return QString::number(v.toInt());
    case FieldKind::Text:
        return win1252::decode(v.bytes());
    case FieldKind::Money:
        return GermanLocale::formatDecimal(v.toMoney());
    case FieldKind::Boolean:
        return v.toBool() ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case FieldKind::Date:
        return GermanLocale::formatDate(dateFromDay(v.toDay()));
    }
    return {};
}

QString Field::displayTextOf(FieldKind kind, const Value& v) {
    if (!v.isNull() && kind == FieldKind::Money)
        return GermanLocale::formatMoney(v.toMoney());
    return textOf(kind, v);
}

QVariant Field::variantOf(FieldKind kind, const Value& v) {
    if (v.isNull())
        return {};
    switch (kind) {
    case FieldKind::Integer:
        return v.toInt();
    case FieldKind::Text:
        return win1252::decode(v.bytes());
    case FieldKind::Money:
        return v.toMoney();
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::Date:
        return dateFromDay(v.toDay());
    }
    return {};
}

QString Field::FieldName() const {
    return m_table->m_fields[size_t(m_index)].name;
}

FieldKind Field::kind() const {
    return m_table->fieldKind(m_index);
}

bool Field::isLookup() const {
    return m_table->m_fields[size_t(m_index)].column < 0;
}

bool Field::IsNull() const {
    return m_table->currentValue(m_index).isNull();
}

Value Field::value() const {
    return m_table->currentValue(m_index);
}

QString Field::AsString() const {
    return textOf(kind(), value());
}

QString Field::DisplayText() const {
    return displayTextOf(kind(), value());
}

qint32 Field::AsInteger() const {
    const Value v = value();
    if (v.isNull())
        return 0;
    switch (kind()) {
    case FieldKind::Integer:
    case FieldKind::Date:
        return v.toInt();
    case FieldKind::Boolean:
        return v.toBool() ? 1 : 0;
    case FieldKind::Money:
        return qint32(std::llround(v.toMoney()));
    case FieldKind::Text: {
        const QString t = win1252::decode(v.bytes());
        const auto i = GermanLocale::parseInteger(t);
        if (!i)
            throw EngineError(QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(t, FieldName()));
        return *i;
    }
    }
    return 0;
}

bool Field::AsBoolean() const {
    const Value v = value();
    if (v.isNull())
        return false;
    if (kind() == FieldKind::Text) {
        const QString t = win1252::decode(v.bytes());
        if (!t.isEmpty() && QStringLiteral("Wahr").startsWith(t, Qt::CaseInsensitive))
            return true;
        if (!t.isEmpty() && QStringLiteral("Falsch").startsWith(t, Qt::CaseInsensitive))
            return false;
        throw EngineError(QStringLiteral("'%1' ist kein gültiger boolescher Wert für Feld '%2'").arg(t, FieldName()));
    }
    if (kind() == FieldKind::Money)
        return v.toMoney() != 0;
    return v.toInt() != 0;
}

QDate Field::AsDate() const {
    const Value v = value();
    if (v.isNull())
        return {};
    if (kind() == FieldKind::Text) {
        const QString t = win1252::decode(v.bytes());
        const auto d = GermanLocale::parseDate(t);
        if (!d)
            throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(t));
        return *d;
    }
    return dateFromDay(v.toDay());
}

double Field::AsCurrency() const {
    const Value v = value();
    if (v.isNull())
        return 0;
    switch (kind()) {
    case FieldKind::Money:
        return v.toMoney();
    case FieldKind::Text: {
        const QString t = win1252::decode(v.bytes());
        const auto d = GermanLocale::parseDecimal(t);
        if (!d)
            throw EngineError(
                QStringLiteral("'%1' ist kein gültiger Fließkommawert für Feld '%2'").arg(t, FieldName()));
        return *d;
    }
    case FieldKind::Boolean:
        return v.toBool() ? 1 : 0;
    default:
        return v.toInt();
    }
}

QVariant Field::AsVariant() const {
    return variantOf(kind(), value());
}

void Field::setAsString(const QString& text) {
    m_table->assignText(m_index, text);
}

void Field::setAsInteger(qint32 v) {
    switch (kind()) {
    case FieldKind::Integer:
        return m_table->assign(m_index, Value::integer(v));
    case FieldKind::Money:
        return m_table->assign(m_index, Value::money(v));
    case FieldKind::Boolean:
        return m_table->assign(m_index, Value::boolean(v != 0));
    default:
        return m_table->assignText(m_index, QString::number(v));
    }
}

void Field::setAsBoolean(bool v) {
    if (kind() == FieldKind::Boolean)
        return m_table->assign(m_index, Value::boolean(v));
    m_table->assignText(m_index, v ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
}

void Field::setAsDate(QDate v) {
    if (!v.isValid())
        return Clear();
    if (kind() == FieldKind::Date)
        return m_table->assign(m_index, Value::date(dayFromDate(v)));
    m_table->assignText(m_index, GermanLocale::formatDate(v));
}

void Field::setAsCurrency(double v) {
    if (kind() == FieldKind::Money)
        return m_table->assign(m_index, Value::money(v));
    m_table->assignText(m_index, GermanLocale::formatDecimal(v));
}

void Field::setValue(const Value& v) {
    if (!v.isNull() && v.kind() != kind())
        throw EngineError(QStringLiteral("Fehlende Typübereinstimmung im Ausdruck"));
    m_table->assign(m_index, v);
}

void Field::Clear() {
    m_table->assign(m_index, Value());
}

} // namespace lesaro
