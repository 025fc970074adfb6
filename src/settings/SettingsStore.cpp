#include "settings/SettingsStore.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "settings/RegFileFormat.h"
#include "settings/RegFileReader.h"
#include "settings/RegFileWriter.h"
#include "settings/RegistryName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <memory>

namespace lesaro {

namespace {

using RegFileFormat::kMaxFileSize;
constexpr qint64 kWriteIntervalMs = 1000;

QString keyName(const QString& text) {
    return RegistryName::fromText(text, RegistryName::Kind::Key);
}

QString valueName(const QString& text) {
    return RegistryName::fromText(text, RegistryName::Kind::Value);
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool saveBytes(const QString& path, const QByteArray& bytes, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Unbuffered: a buffered write that the disk refuses would only fail inside commit(), which then still
    // replaces the old file with an empty one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = fileErrorReason(path, true, file.errorString(), bytes.size());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        const QString system = file.errorString();
        file.cancelWriting();
        *error = fileErrorReason(path, true, system, bytes.size());
        return false;
    }
    if (!file.commit()) {
        *error = fileErrorReason(path, true, file.errorString(), bytes.size());
        return false;
    }
    return true;
}

QString withoutFullStop(QString text) {
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

// Whether two files hold the same bytes; compared in pieces, a damaged settings file can be large.
bool sameContent(const QString& a, const QString& b) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray pa = fa.read(1 << 20);
        if (pa.isEmpty() || pa != fb.read(1 << 20))
            return false;
    }
    return true;
}

bool readBounded(QFile& file, QByteArray* bytes) {
    *bytes = file.read(kMaxFileSize + 1);
    return file.error() == QFileDevice::NoError;
}

std::unique_ptr<SettingsStore>& processStore() {
    static std::unique_ptr<SettingsStore> store;
    return store;
}

} // namespace

const QStringList& SettingsStore::keyPath() {
    // Never destroyed: the process-wide store flushes in its own static destructor and still needs it.
    static const QStringList* const path =
        new QStringList{QStringLiteral("HKEY_CURRENT_USER"), QStringLiteral("SOFTWARE"),
                        QStringLiteral("Orvendel Software"), QStringLiteral("Lesaro")};
    return *path;
}

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath)) {
    load();
}

SettingsStore::~SettingsStore() {
    flush();
}

QString SettingsStore::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orvendel Software/Lesaro.reg");
}

SettingsStore& SettingsStore::instance() {
    std::unique_ptr<SettingsStore>& store = processStore();
    if (!store)
        store = std::make_unique<SettingsStore>(defaultFilePath());
    return *store;
}

SettingsStore& SettingsStore::redirectInstance(const QString& filePath) {
    std::unique_ptr<SettingsStore>& store = processStore();
    store.reset(); // flushes to the old file before the new one is read
    store = std::make_unique<SettingsStore>(filePath);
    return *store;
}

QString SettingsStore::readString(const QString& name) {
    bool created = false;
    const RegistryValue* v = openSettingsKey(&created).value(valueName(name));
    if (created)
        noteChange();
    QString text;
    return v && v->toText(&text) ? text : QString();
}

int SettingsStore::readInteger(const QString& name) {
    bool created = false;
    const RegistryValue* v = openSettingsKey(&created).value(valueName(name));
    if (created)
        noteChange();
    quint32 number = 0;
    return v && v->toDword(&number) ? static_cast<int>(number) : 0;
}

void SettingsStore::writeString(const QString& name, const QString& value) {
    bool created = false;
    RegistryKey& key = openSettingsKey(&created);
    if (key.setValue(valueName(name), RegType::String, RegistryValue::stringData(value)) || created)
        noteChange();
}

void SettingsStore::writeInteger(const QString& name, int value) {
    bool created = false;
    RegistryKey& key = openSettingsKey(&created);
    if (key.setValue(valueName(name), RegType::Dword, RegistryValue::dwordData(static_cast<quint32>(value))) || created)
        noteChange();
}

void SettingsStore::addListEntry(const QString& list, const QString& entry) {
    if (entry.isEmpty())
        return;
    bool createdKey = false;
    bool createdList = false;
    bool createdEntry = false;
    openSettingsKey(&createdKey).createSubKey(keyName(list), &createdList).createSubKey(keyName(entry), &createdEntry);
    if (createdKey || createdList || createdEntry)
        noteChange();
}

QStringList SettingsStore::listEntries(const QString& list) {
    bool createdKey = false;
    bool createdList = false;
    const RegistryKey& listKey = openSettingsKey(&createdKey).createSubKey(keyName(list), &createdList);
    if (createdKey || createdList)
        noteChange();
    QStringList entries;
    for (const RegistryKey* entry : listKey.subKeys())
        entries.append(RegistryName::toText(entry->name()));
    return entries;
}

void SettingsStore::removeListEntry(const QString& list, const QString& entry) {
    RegistryKey* key = settingsKey();
    RegistryKey* listKey = key ? key->subKey(keyName(list)) : nullptr;
    if (listKey && listKey->removeSubKey(keyName(entry)))
        noteChange();
}

bool SettingsStore::hasValue(const QString& name) const {
    const RegistryKey* key = settingsKey();
    return key && key->value(valueName(name));
}

bool SettingsStore::flush() {
    return !m_dirty || writeFile();
}

bool SettingsStore::exportTo(const QString& path, QString* error) {
    QString reason;
    if (saveBytes(path, exportBytes(), &reason))
        return true;
    if (error)
        *error =
            QStringLiteral("Die Einstellungen konnten nicht nach „%1“ exportiert werden: %2").arg(shown(path), reason);
    return false;
}

bool SettingsStore::importFrom(const QString& path, QString* error) {
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QFile file(path);
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly) || !readBounded(file, &bytes))
        return fail(QStringLiteral("Die Datei „%1“ konnte nicht geöffnet werden: %2")
                        .arg(shown(path), fileErrorReason(path, false, file.errorString())));
    if (bytes.size() > kMaxFileSize)
        return fail(QStringLiteral("Die Datei „%1“ ist zu groß für eine Einstellungsdatei.").arg(shown(path)));
    const RegFileReader reader(bytes);
    if (!reader.headerFound())
        return fail(QStringLiteral("Die Datei „%1“ ist keine Registrierungsdatei.").arg(shown(path)));

    const RegReadResult result = reader.mergeInto(m_root, keyPath());
    m_key = nullptr; // the file may have removed the key
    // A restored backup is saved at once rather than within the next second.
    if (result.changed) {
        m_dirty = true;
        if (!writeFile()) {
            m_unreportedWriteError.clear();
            return fail(QStringLiteral("Die Einstellungen aus „%1“ wurden übernommen, aber nicht gespeichert: %2")
                            .arg(shown(path), m_writeError));
        }
    }
    if (result.badLines == 1) {
        return fail(QStringLiteral("Die Datei „%1“ ist beschädigt: Zeile %2 konnte nicht gelesen werden. Alle "
                                   "lesbaren Einstellungen wurden übernommen.")
                        .arg(shown(path))
                        .arg(result.firstBadLine));
    }
    if (result.badLines > 1) {
        return fail(QStringLiteral("Die Datei „%1“ ist beschädigt: %2 Zeilen, die erste davon Zeile %3, konnten "
                                   "nicht gelesen werden. Alle lesbaren Einstellungen wurden übernommen.")
                        .arg(shown(path))
                        .arg(result.badLines)
                        .arg(result.firstBadLine));
    }
    if (result.appliedSections == 0)
        return fail(QStringLiteral("Die Datei „%1“ enthält keine Einstellungen von Lesaro.").arg(shown(path)));
    return true;
}

QString SettingsStore::takeNotice() {
    return std::exchange(m_notice, QString());
}

QString SettingsStore::takeWriteError() {
    return std::exchange(m_unreportedWriteError, QString());
}

RegistryKey* SettingsStore::settingsKey() const {
    if (m_key)
        return m_key;
    const RegistryKey* key = &m_root;
    for (const QString& part : keyPath()) {
        key = key->subKey(part);
        if (!key)
            return nullptr;
    }
    return const_cast<RegistryKey*>(key);
}

RegistryKey& SettingsStore::openSettingsKey(bool* created) {
    *created = false;
    if (m_key)
        return *m_key;
    RegistryKey* key = &m_root;
    for (const QString& part : keyPath()) {
        bool made = false;
        key = &key->createSubKey(part, &made);
        *created = *created || made;
    }
    m_key = key;
    return *key;
}

void SettingsStore::load() {
    QFile file(m_filePath);
    if (!file.exists())
        return;
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly) || !readBounded(file, &bytes)) {
        m_readFailed = true;
        m_notice = QStringLiteral("Die Einstellungsdatei „%1“ konnte nicht gelesen werden: %2. Änderungen an den "
                                  "Einstellungen werden nicht gespeichert, damit die Datei erhalten bleibt.")
                       .arg(shown(m_filePath), withoutFullStop(fileErrorReason(m_filePath, false, file.errorString())));
        return;
    }
    file.close();
    const bool tooLarge = bytes.size() > kMaxFileSize;
    if (tooLarge)
        bytes.truncate(kMaxFileSize);
    const RegReadResult result = RegFileReader(bytes).mergeInto(m_root, keyPath());
    if (!tooLarge && result.exactEncoding && result.headerFound && result.badLines == 0 && result.ignoredSections == 0)
        return;
    keepDamagedFile();
    // What could be read is saved right away, so that the good file is in place before anything else.
    m_dirty = true;
    writeFile();
}

void SettingsStore::keepDamagedFile() {
    // A damaged file that could not be replaced (or a later start that finds the same bytes again) must
    // not leave a new copy at every start: the copy kept earlier holds them already.
    const QFileInfo settings(m_filePath);
    const QStringList earlier =
        settings.dir().entryList({settings.fileName() + QStringLiteral(".beschaedigt-*")}, QDir::Files, QDir::Name);
    QString aside;
    for (const QString& name : earlier) {
        const QString path = settings.dir().filePath(name);
        if (sameContent(m_filePath, path)) {
            aside = path;
            break;
        }
    }
    if (aside.isEmpty()) {
        const QString stem =
            m_filePath + QStringLiteral(".beschaedigt-") + Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString free = stem;
        for (int n = 2; QFileInfo::exists(free); ++n)
            free = stem + u'-' + QString::number(n);
        // A copy, not a rename: until the readable part is saved, the old file stays where it was.
        if (QFile::copy(m_filePath, free))
            aside = free;
    }
    if (!aside.isEmpty()) {
        m_notice = QStringLiteral("Die Einstellungsdatei war beschädigt. Alle lesbaren Einstellungen wurden "
                                  "übernommen; die beschädigte Datei wurde als „%1“ aufbewahrt.")
                       .arg(shown(aside));
    } else {
        m_notice = QStringLiteral("Die Einstellungsdatei war beschädigt. Alle lesbaren Einstellungen wurden "
                                  "übernommen; die beschädigte Datei konnte nicht aufbewahrt werden.");
    }
}

void SettingsStore::noteChange() {
    m_dirty = true;
    // The program's clock, so that tests can hold time still; a clock set back counts as a pause long over.
    const qint64 now = Clock::nowMSecsSinceEpoch();
    if (m_lastWriteEnd < 0 || now < m_lastWriteEnd || now - m_lastWriteEnd > kWriteIntervalMs)
        writeFile();
}

bool SettingsStore::writeFile() {
    // The pause before the next write counts from the end of this one: a big file that takes longer to
    // write than the pause would otherwise be written again at once by every following change.
    const auto restartPause = qScopeGuard([this] { m_lastWriteEnd = Clock::nowMSecsSinceEpoch(); });
    ++m_fileWrites;
    QString message;
    QString reason;
    if (m_readFailed) {
        message = QStringLiteral("Die Einstellungen wurden nicht gespeichert, weil die Einstellungsdatei „%1“ "
                                 "nicht gelesen werden konnte.")
                      .arg(shown(m_filePath));
    } else if (const QByteArray bytes = exportBytes(); bytes.size() > kMaxFileSize) {
        message = QStringLiteral("Die Einstellungen wurden nicht gespeichert: Sie wären mit %1 MB größer als jede "
                                 "Einstellungsdatei, die Lesaro liest. Bitte löschen Sie Einträge aus den "
                                 "gemerkten Listen.")
                      .arg(bytes.size() / (1024 * 1024));
    } else if (!saveBytes(m_filePath, bytes, &reason)) {
        message = QStringLiteral("Die Einstellungen konnten nicht in „%1“ gespeichert werden: %2")
                      .arg(shown(m_filePath), reason);
    } else {
        m_dirty = false;
        m_writeError.clear();
        return true;
    }
    if (m_writeError.isEmpty())
        m_unreportedWriteError = message;
    m_writeError = message;
    return false;
}

QByteArray SettingsStore::exportBytes() {
    bool created = false;
    openSettingsKey(&created);
    m_dirty = m_dirty || created;
    return RegFileWriter::write(m_root, keyPath());
}

} // namespace lesaro
