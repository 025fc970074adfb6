#include "settings/INI.h"

#include "settings/SettingsStore.h"

namespace lesaro::INI {

QString ReadSettingString(const QString& name) {
    return SettingsStore::instance().readString(name);
}

int ReadSettingInteger(const QString& name) {
    return SettingsStore::instance().readInteger(name);
}

void WriteSettingString(const QString& name, const QString& value) {
    SettingsStore::instance().writeString(name, value);
}

void WriteSettingInteger(const QString& name, int value) {
    SettingsStore::instance().writeInteger(name, value);
}

QStringList RememberedLists() {
    return {Verlag, Erscheinungsort, Sachgruppe, Standort, Schlagwort};
}

void AddRememberedValue(const QString& list, const QString& entry) {
    SettingsStore::instance().addListEntry(list, entry);
}

QStringList ReadRememberedValues(const QString& list) {
    return SettingsStore::instance().listEntries(list);
}

void RemoveRememberedValue(const QString& list, const QString& entry) {
    SettingsStore::instance().removeListEntry(list, entry);
}

bool ExportSettings(const QString& path, QString* error) {
    return SettingsStore::instance().exportTo(path, error);
}

bool ImportSettings(const QString& path, QString* error) {
    return SettingsStore::instance().importFrom(path, error);
}

bool FlushSettings() {
    return SettingsStore::instance().flush();
}

} // namespace lesaro::INI
