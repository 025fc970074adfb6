#include "core/KeySearch.h"

#include "core/EngineError.h"
#include "core/FilterExpr.h"
#include "core/GermanLocale.h"
#include "core/Win1252.h"

#include <QDate>
#include <limits>

namespace lesaro {

namespace {

EngineError mismatch() {
    return EngineError(QStringLiteral("Fehlende Typübereinstimmung im Ausdruck"));
}

bool isIntegral(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

// A whole number passed as a number, which must fit an integer field's 32 bits as its digits in a filter would.
qint64 int32Constant(const QVariant& v) {
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || (v.typeId() == QMetaType::ULongLong && v.toULongLong() > quint64(std::numeric_limits<qint32>::max())) ||
        n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        throw EngineError(QStringLiteral("Konstante außerhalb des zulässigen Wertebereichs"));
    return n;
}

} // namespace

KeySearch::KeySearch(const QList<ColumnDef>& schema, const QStringList& lookupFields, const std::vector<int>& columns,
                     const QVariantList& values, bool ignoreCase, bool partialKey)
    : m_ignoreCase(ignoreCase)
    , m_partialKey(partialKey)
    , m_emptyReadsAsValue(columns.size() > 1) {
    m_conditions.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const QVariant value = qsizetype(i) < values.size() ? values[qsizetype(i)] : QVariant();
        m_conditions.push_back(condition(schema, lookupFields, columns[i], value, i + 1 == columns.size()));
    }
}

KeySearch::Condition KeySearch::condition(const QList<ColumnDef>& schema, const QStringList& lookupFields, int column,
                                          const QVariant& value, bool last) const {
    const FieldKind kind = schema[column].kind;
    Condition c;
    c.column = column;
    c.kind = kind;
    if (!value.isValid() || value.isNull())
        return c; // IS NULL
    switch (kind) {
    case FieldKind::Text: {
        // The last field of a partial key gets the "*" that makes it a prefix test; otherwise no partial compare,
        // so a "*" the caller typed is an ordinary character.
        QString text = value.toString();
        if (m_partialKey && last)
            text += QLatin1Char('*');
        FilterOptions options;
        if (!m_partialKey)
            options |= FilterOption::NoPartialCompare;
        FilterExpr::TextConstant constant = FilterExpr::textConstant(text, options);
        c.test = Test::Text;
        c.text = m_ignoreCase ? win1252::foldLower(constant.bytes) : constant.bytes;
        c.prefix = constant.prefix;
        return c;
    }
    case FieldKind::Boolean:
        c.test = Test::Whole;
        if (value.typeId() == QMetaType::Bool) {
            c.whole = value.toBool() ? 1 : 0;
        } else if (value.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            c.whole = 1;
        } else if (value.toString().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            c.whole = 0;
        } else {
            throw mismatch();
        }
        return c;
    case FieldKind::Date: {
        if (value.typeId() == QMetaType::QDate) {
            if (!value.toDate().isValid())
                return c; // no date: an empty field, as assigning it would give
            c.test = Test::Whole;
            c.whole = dayFromDate(value.toDate());
            return c;
        }
        const QString text = value.toString();
        const auto date = GermanLocale::parseDate(text);
        if (!date)
            throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(text));
        c.test = Test::Whole;
        c.whole = dayFromDate(*date);
        return c;
    }
    case FieldKind::Integer:
    case FieldKind::Money: {
        std::optional<double> number;
        if (isIntegral(value)) {
            number = kind == FieldKind::Integer ? double(int32Constant(value)) : value.toDouble();
        } else if (kind == FieldKind::Money && value.typeId() == QMetaType::Double) {
            number = value.toDouble();
        } else {
            // Any other value is taken as its text, which must read as a number constant does in a filter.
            number = FilterExpr::numberConstant(schema, lookupFields, value.toString(), kind);
            if (!number)
                return c; // NULL
        }
        if (kind == FieldKind::Money) {
            c.test = Test::Money;
            c.money = *number;
        } else {
            c.test = Test::Whole;
            c.whole = qint64(*number);
        }
        return c;
    }
    }
    return c;
}

bool KeySearch::matches(const RowRef& row) const {
    for (const Condition& c : m_conditions) {
        const bool null = row.isNull(c.column);
        if (c.test == Test::IsNull) {
            if (!null)
                return false;
            continue;
        }
        if (null && !m_emptyReadsAsValue)
            return false;
        switch (c.test) {
        case Test::Whole: {
            qint64 v = 0;
            if (!null)
                v = c.kind == FieldKind::Boolean ? (row.int16(c.column) != 0 ? 1 : 0) : row.int32(c.column);
            if (v != c.whole)
                return false;
            break;
        }
        case Test::Money:
            if ((null ? 0.0 : row.float64(c.column)) != c.money)
                return false;
            break;
        case Test::Text: {
            QByteArrayView field = null ? QByteArrayView() : row.text(c.column);
            if (c.prefix && field.size() > c.text.size())
                field = field.first(c.text.size());
            if (field.size() != c.text.size())
                return false;
            if (m_ignoreCase) {
                for (qsizetype i = 0; i < field.size(); ++i) {
                    if (win1252::foldLower(static_cast<unsigned char>(field[i])) !=
                        static_cast<unsigned char>(c.text[i]))
                        return false;
                }
            } else if (field != QByteArrayView(c.text)) {
                return false;
            }
            break;
        }
        case Test::IsNull:
            break;
        }
    }
    return true;
}

bool KeySearch::indexedKey(int* column, qint32* value) const {
    for (const Condition& c : m_conditions) {
        // An index holds no empty fields, so a key of 0 that an empty field would also meet cannot use it.
        if (c.kind != FieldKind::Integer || c.test != Test::Whole || (m_emptyReadsAsValue && c.whole == 0))
            continue;
        *column = c.column;
        *value = qint32(c.whole);
        return true;
    }
    return false;
}

} // namespace lesaro
