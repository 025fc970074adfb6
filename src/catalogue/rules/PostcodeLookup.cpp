#include "catalogue/rules/PostcodeLookup.h"

#include "core/Table.h"

namespace lesaro {

PostcodeLookup::PostcodeLookup(Table& postcodes, QObject* parent)
    : QObject(parent)
    , m_postcodes(postcodes) {
    const auto stale = [this] { m_stale = true; };
    connect(&m_postcodes, &Table::viewReset, this, stale);
    connect(&m_postcodes, &Table::rowsChanged, this, stale);
}

QStringList PostcodeLookup::towns(const QString& postcode) {
    if (m_stale)
        build();
    return m_towns.value(postcode);
}

void PostcodeLookup::build() {
    m_towns.clear();
    m_stale = false;
    if (!m_postcodes.Active())
        return;
    const int plz = m_postcodes.fieldIndex(QStringLiteral("PLZ"));
    const int ort = m_postcodes.fieldIndex(QStringLiteral("Ort"));
    if (plz < 0 || ort < 0)
        return;
    const int count = m_postcodes.viewCount();
    m_towns.reserve(count / 2);
    for (int i = 0; i < count; ++i)
        m_towns[m_postcodes.stringAt(i, plz)].append(m_postcodes.stringAt(i, ort));
}

} // namespace lesaro
