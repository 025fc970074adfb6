#include "settings/RegistryKey.h"

#include "settings/RegistryName.h"

namespace lesaro {

RegistryKey::RegistryKey(QString name)
    : m_name(std::move(name)) {}

RegistryKey::~RegistryKey() = default;

const RegistryValue* RegistryKey::value(QStringView name) const {
    const auto it = m_valueIndex.constFind(RegistryName::fold(name));
    return it == m_valueIndex.cend() ? nullptr : &m_values[*it];
}

bool RegistryKey::setValue(const QString& name, quint32 type, const QByteArray& data) {
    QString folded = RegistryName::fold(name);
    const auto it = m_valueIndex.constFind(folded);
    if (it == m_valueIndex.cend()) {
        m_valueIndex.insert(std::move(folded), m_values.size());
        m_values.push_back(RegistryValue{name, type, data});
        return true;
    }
    RegistryValue& v = m_values[*it];
    if (v.type == type && v.data == data)
        return false;
    v.type = type;
    v.data = data;
    return true;
}

bool RegistryKey::removeValue(QStringView name) {
    const auto it = m_valueIndex.constFind(RegistryName::fold(name));
    if (it == m_valueIndex.cend())
        return false;
    m_values.erase(m_values.begin() + qsizetype(*it));
    m_valueIndex.clear();
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_valueIndex.insert(RegistryName::fold(m_values[i].name), i);
    return true;
}

RegistryKey* RegistryKey::subKey(QStringView name) const {
    const auto it = m_subKeys.find(RegistryName::fold(name));
    return it == m_subKeys.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::createSubKey(const QString& name, bool* created) {
    auto [it, inserted] = m_subKeys.try_emplace(RegistryName::fold(name));
    if (inserted)
        it->second = std::make_unique<RegistryKey>(name);
    if (created)
        *created = inserted;
    return *it->second;
}

bool RegistryKey::removeSubKey(QStringView name) {
    return m_subKeys.erase(RegistryName::fold(name)) > 0;
}

QList<const RegistryKey*> RegistryKey::subKeys() const {
    QList<const RegistryKey*> keys;
    keys.reserve(qsizetype(m_subKeys.size()));
    for (const auto& [folded, key] : m_subKeys)
        keys.append(key.get());
    return keys;
}

} // namespace lesaro
