#include "core/Value.h"

namespace lesaro {

Value Value::integer(qint32 v) {
    Value r;
    r.m_null = false;
    r.m_kind = FieldKind::Integer;
    r.m_int = v;
    return r;
}

Value Value::text(QByteArray bytes) {
    Value r;
    r.m_null = false;
    r.m_kind = FieldKind::Text;
    r.m_text = std::move(bytes);
    return r;
}

Value Value::money(double v) {
    Value r;
    r.m_null = false;
    r.m_kind = FieldKind::Money;
    r.m_money = v;
    return r;
}

Value Value::boolean(bool v) {
    Value r;
    r.m_null = false;
    r.m_kind = FieldKind::Boolean;
    r.m_int = v ? 1 : 0;
    return r;
}

Value Value::date(qint32 day) {
    Value r;
    r.m_null = false;
    r.m_kind = FieldKind::Date;
    r.m_int = day;
    return r;
}

bool Value::operator==(const Value& other) const {
    if (m_null || other.m_null)
        return m_null == other.m_null;
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case FieldKind::Text:
        return m_text == other.m_text;
    case FieldKind::Money:
        return m_money == other.m_money;
    default:
        return m_int == other.m_int;
    }
}

} // namespace lesaro
