#pragma once

#include "settings/RegistryValue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <map>
#include <memory>
#include <vector>

namespace lesaro {

// One key of the settings tree: named values and named sub-keys, both found without regard to case and
// keeping the case they were created with. A value and a sub-key of the same name are independent.
class RegistryKey {
public:
    explicit RegistryKey(QString name = QString());
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    const QString& name() const { return m_name; }

    const RegistryValue* value(QStringView name) const;
    // Sets or replaces a value; true when the stored type or bytes changed. An existing value keeps the
    // letter case of its name.
    bool setValue(const QString& name, quint32 type, const QByteArray& data);
    bool removeValue(QStringView name);
    // In the order of creation, the order in which the registry lists a key's values.
    const std::vector<RegistryValue>& values() const { return m_values; }

    RegistryKey* subKey(QStringView name) const;
    RegistryKey& createSubKey(const QString& name, bool* created = nullptr);
    // Removes the sub-key with everything below it; false when there was none.
    bool removeSubKey(QStringView name);
    // Ordered by the upper-case form of the names, the order in which the registry enumerates sub-keys.
    QList<const RegistryKey*> subKeys() const;
    bool hasSubKeys() const { return !m_subKeys.empty(); }

private:
    QString m_name;
    std::vector<RegistryValue> m_values;
    QHash<QString, std::size_t> m_valueIndex;                  // folded name -> position in m_values
    std::map<QString, std::unique_ptr<RegistryKey>> m_subKeys; // keyed by folded name
};

} // namespace lesaro
