#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

// The settings unit: the key "HKEY_CURRENT_USER\SOFTWARE\Orvendel Software\Lesaro" and its remembered-value
// lists, through the process-wide SettingsStore. Reads never fail: a missing value, or one of the other
// type, reads as 0 or the empty text. A failed file write does not reach the caller here; the window layer
// shows SettingsStore::instance().takeWriteError().
namespace lesaro::INI {

QString ReadSettingString(const QString& name);
int ReadSettingInteger(const QString& name);
void WriteSettingString(const QString& name, const QString& value);
void WriteSettingInteger(const QString& name, int value);

// The sub-keys of the remembered-value lists.
inline constexpr QLatin1StringView Verlag{"Verlag"};
inline constexpr QLatin1StringView Erscheinungsort{"Erscheinungsort"};
inline constexpr QLatin1StringView Sachgruppe{"Sachgruppe"};
inline constexpr QLatin1StringView Standort{"Standort"};
inline constexpr QLatin1StringView Schlagwort{"Schlagwort"};
QStringList RememberedLists();

// An entry that exists in any letter case is left as it is; an empty text adds nothing.
void AddRememberedValue(const QString& list, const QString& entry);
// The entries in the registry's enumeration order (without regard to case).
QStringList ReadRememberedValues(const QString& list);
void RemoveRememberedValue(const QString& list, const QString& entry);

// Export of the whole settings key as a .reg file and the merge of such a file into the settings;
// on failure error receives the German text to show.
bool ExportSettings(const QString& path, QString* error = nullptr);
bool ImportSettings(const QString& path, QString* error = nullptr);
// Writes pending changes to the settings file (at shutdown and from a timer).
bool FlushSettings();

} // namespace lesaro::INI
