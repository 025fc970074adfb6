#pragma once

#include "settings/RegistryKey.h"

#include <QString>
#include <QStringList>

namespace lesaro {

// The program's settings: the key "HKEY_CURRENT_USER\SOFTWARE\Orvendel Software\Lesaro" with its values
// and the sub-keys of the remembered-value lists, held in memory and kept in a file in the registry
// editor's export format. Reads never fail; a missing value reads as 0 or the empty text. Writes only mark
// the tree changed: the file is replaced (atomically) when a write comes more than a second after the
// last file write, on flush() and when the store is destroyed, so that thousands of counter updates in a
// row cost little and a crash loses at most about a second of changes. For the user-interface thread only.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/Orvendel Software/Lesaro.reg (~/.config when the variable is unset).
    static QString defaultFilePath();
    // The store the INI functions use, opened on defaultFilePath() at first use.
    static SettingsStore& instance();
    // Flushes and closes the process-wide store and opens it again on filePath (tests use a temporary file).
    static SettingsStore& redirectInstance(const QString& filePath);

    const QString& filePath() const { return m_filePath; }
    // "HKEY_CURRENT_USER", "SOFTWARE", "Orvendel Software", "Lesaro"
    static const QStringList& keyPath();

    // Each of these opens the settings key, creating it when it does not exist yet.
    QString readString(const QString& name);
    int readInteger(const QString& name);
    void writeString(const QString& name, const QString& value);
    void writeInteger(const QString& name, int value);
    // Whether the value exists at all, for settings whose default is not 0 or the empty text.
    bool hasValue(const QString& name) const;

    // Remembered-value lists: one sub-key per entry below the list key ("Verlag", "Standort", …). An
    // entry that exists in any letter case is not added again; an empty text adds nothing. Entries come
    // in the order in which the registry enumerates keys (by their upper-case form).
    void addListEntry(const QString& list, const QString& entry);
    QStringList listEntries(const QString& list);
    void removeListEntry(const QString& list, const QString& entry);

    // Writes pending changes now; false when the file could not be written (see writeError()).
    bool flush();
    // The whole settings key as a .reg file, the same bytes as the settings file.
    bool exportTo(const QString& path, QString* error = nullptr);
    // Merges a .reg file into the settings and saves them. A file that is not a .reg file changes nothing;
    // from a damaged one every readable line is taken and the result is false with the German reason.
    bool importFrom(const QString& path, QString* error = nullptr);

    // A German notice about the settings file found at start (damaged and kept aside, or unreadable),
    // given out once; empty when there is nothing to tell.
    QString takeNotice();
    // The German text of the last failed file write; empty once a write succeeds.
    const QString& writeError() const { return m_writeError; }
    // The same text, given out once per run of failures so that a repeating failure is shown once.
    QString takeWriteError();

    bool keyExists() const { return settingsKey() != nullptr; }
    bool isDirty() const { return m_dirty; }
    // How often the file was written (or a write tried) since the store was made.
    qint64 fileWrites() const { return m_fileWrites; }

private:
    RegistryKey* settingsKey() const;
    RegistryKey& openSettingsKey(bool* created);
    void load();
    void keepDamagedFile();
    void noteChange();
    bool writeFile();
    QByteArray exportBytes();

    QString m_filePath;
    RegistryKey m_root; // stands above the hives
    // The settings key once opened, so that a counter update does not walk the path each time. Only a
    // merged file can remove the key; the pointer is dropped after each merge.
    RegistryKey* m_key = nullptr;
    bool m_dirty = false;
    // The file exists but could not be read: writing it would throw away what it holds.
    bool m_readFailed = false;
    qint64 m_lastWriteEnd = -1; // ms since the epoch by the program's clock; -1 before the first write
    qint64 m_fileWrites = 0;
    QString m_notice;
    QString m_writeError;
    QString m_unreportedWriteError;
};

} // namespace lesaro
