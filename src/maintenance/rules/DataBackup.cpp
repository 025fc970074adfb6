#include "maintenance/rules/DataBackup.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/LibraryData.h"
#include "settings/INI.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lesaro::DataBackup {

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

struct TableFile {
    const char* file;
    QString what; // "Büchertabelle", as in "enthält keine Büchertabelle"
    QList<ColumnDef> columns;
};

// A file of another table, or of another program, loads without complaint and would replace the table's
// fields with its own; every list and window would then miss the fields it shows.
void requireColumns(const RowStore& store, const TableFile& expected, const QString& path) {
    for (const ColumnDef& want : expected.columns) {
        bool found = false;
        for (const ColumnDef& have : store.columns()) {
            if (have.name.compare(want.name, Qt::CaseInsensitive) == 0 && have.kind == want.kind) {
                found = true;
                break;
            }
        }
        if (!found) {
            throw EngineError(QStringLiteral("Die Datei „%1“ enthält keine %2 (das Feld „%3“ fehlt oder hat einen "
                                             "anderen Typ). Es wurde nichts zurückgelesen.")
                                  .arg(shown(path), expected.what, want.name));
        }
    }
}

RowStore readTable(const QString& folder, const TableFile& expected) {
    const QString path = folder + QString::fromLatin1(expected.file);
    if (!QFileInfo(path).isFile())
        throw EngineError(QStringLiteral("Die Datei „%1“ fehlt. Es wurde nichts zurückgelesen.").arg(shown(path)));
    RowStore store;
    try {
        store = ReadDatapacket(readWholeFile(path));
    } catch (const EngineError& e) {
        throw EngineError(QStringLiteral("Die Datei „%1“ ist beschädigt oder kann nicht gelesen werden: %2\n\nEs "
                                         "wurde nichts zurückgelesen.")
                              .arg(shown(path), DatapacketMessageForUser(e.message())));
    }
    requireColumns(store, expected, path);
    return store;
}

const char* const kSetFiles[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile,
                                 kSettingsFile};
const QByteArray kListHeader = QByteArrayLiteral("Lesaro-Sicherung 1");
// The sub-folders of a backup folder in which the new files are made and the old ones wait while the two
// change places.
const char* const kNewFolder = ".lesaro-sicherung-neu";
const char* const kOldFolder = ".lesaro-sicherung-alt";
constexpr qint64 kMaxListSize = 64 * 1024;

struct ListEntry {
    qint64 size = -1;
    QByteArray checksum; // SHA-256, hexadecimal
};

ListEntry entryFor(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EngineError(QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2")
                              .arg(shown(path), fileErrorReason(path, false, f.errorString())));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        throw EngineError(QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2")
                              .arg(shown(path), fileErrorReason(path, false, f.errorString())));
    return {f.size(), hash.result().toHex()};
}

void moveFile(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const QString system = QString::fromLocal8Bit(std::strerror(errno));
        throw EngineError(QStringLiteral("Die Datei „%1“ kann nicht an ihren Platz „%2“ gebracht werden: %3")
                              .arg(shown(from), shown(to), fileErrorReason(to, true, system)));
    }
}

// The new files take the old ones' places. The old list of contents stays until the very end: should the
// program die in between, it no longer fits the files, and a restore refuses the mixture. A failure on the
// way puts the old files back.
void swapIn(const QString& dir, const QString& fresh) {
    const QString old = dir + QString::fromLatin1(kOldFolder) + u'/';
    QDir(old).removeRecursively();
    if (!QDir().mkpath(old))
        throw EngineError(QStringLiteral("Im Ordner „%1“ kann nichts angelegt werden: %2")
                              .arg(shown(dir), fileErrorReason(old + QStringLiteral("x"), true, QString())));
    QStringList movedAway;
    QStringList movedIn;
    try {
        for (const char* file : kSetFiles) {
            const QString name = QString::fromLatin1(file);
            if (QFileInfo::exists(dir + name)) {
                moveFile(dir + name, old + name);
                movedAway << name;
            }
            moveFile(fresh + name, dir + name);
            movedIn << name;
        }
        const QString list = QString::fromLatin1(kManifestFile);
        moveFile(fresh + list, dir + list);
    } catch (...) {
        for (const QString& name : movedIn)
            std::rename(QFile::encodeName(dir + name).constData(), QFile::encodeName(fresh + name).constData());
        for (const QString& name : movedAway)
            std::rename(QFile::encodeName(old + name).constData(), QFile::encodeName(dir + name).constData());
        QDir(old).removeRecursively();
        throw;
    }
    QDir(old).removeRecursively();
}

} // namespace

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

void requireFolder(const QString& folder) {
    if (folder.trimmed().isEmpty())
        throw EngineError(QStringLiteral("Bitte wählen Sie zuerst einen Ordner aus."));
    if (!QFileInfo(folder).isDir())
        throw EngineError(QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(shown(folder)));
}

void writeBackup(LibraryData& data, const QString& folder) {
    requireFolder(folder);
    // After a failed start the tables in memory are incomplete; written over an earlier backup they would
    // take the last good copy of the data with them.
    if (data.savingBlocked()) {
        throw EngineError(QStringLiteral("Die Daten wurden beim Start nicht vollständig geladen. Eine Sicherung "
                                         "würde unvollständige Tabellen schreiben und wurde daher nicht angelegt."));
    }
    const QString dir = withSeparator(folder);
    // Something other than a file under one of the backup's names (a folder the user made) is the user's;
    // the backup neither moves nor replaces it.
    for (const char* file : kSetFiles) {
        const QFileInfo there(dir + QString::fromLatin1(file));
        if (there.exists() && !there.isFile())
            throw EngineError(QStringLiteral("„%1“ ist ein Ordner und keine Datei. Die Sicherung wurde nicht "
                                             "angelegt.")
                                  .arg(shown(there.filePath())));
    }
    const QString fresh = dir + QString::fromLatin1(kNewFolder) + u'/';
    // A sub-folder left by a backup that did not end is of no use.
    QDir(fresh).removeRecursively();
    if (!QDir().mkpath(fresh))
        throw EngineError(QStringLiteral("Im Ordner „%1“ kann nichts angelegt werden: %2")
                              .arg(shown(dir), fileErrorReason(fresh + QStringLiteral("x"), true, QString())));
    try {
        data.ClientBuecher.SaveToFile(fresh + QString::fromLatin1(LibraryTables::kBookFile));
        data.ClientLeser.SaveToFile(fresh + QString::fromLatin1(LibraryTables::kReaderFile));
        data.ClientAusleihe.SaveToFile(fresh + QString::fromLatin1(LibraryTables::kLoanFile));
        QString error;
        if (!INI::ExportSettings(fresh + QString::fromLatin1(kSettingsFile), &error))
            throw EngineError(error);
        // Sizes and checksums of the files as they lie on the disk, read back.
        QByteArray list = kListHeader + '\n';
        list += "Zeit\t" + Clock::now().toString(Qt::ISODate).toLatin1() + '\n';
        for (const char* file : kSetFiles) {
            const ListEntry entry = entryFor(fresh + QString::fromLatin1(file));
            list += QByteArray(file) + '\t' + QByteArray::number(entry.size) + '\t' + entry.checksum + '\n';
        }
        writeFileAtomically(fresh + QString::fromLatin1(kManifestFile), list);
        swapIn(dir, fresh);
    } catch (...) {
        QDir(fresh).removeRecursively();
        throw;
    }
    QDir(fresh).removeRecursively();
    INI::WriteSettingString(QStringLiteral("Sicherung"), dir);
}

BackupSet checkBackupSet(const QString& folder) {
    requireFolder(folder);
    const QString dir = withSeparator(folder);
    const QString listPath = dir + QString::fromLatin1(kManifestFile);
    if (!QFileInfo::exists(listPath))
        return BackupSet::WithoutList;
    const auto damaged = [&listPath] {
        return EngineError(QStringLiteral("Das Inhaltsverzeichnis „%1“ der Sicherung ist beschädigt. Es wurde "
                                          "nichts zurückgelesen.")
                               .arg(shown(listPath)));
    };
    QByteArray bytes;
    try {
        bytes = readWholeFile(listPath, kMaxListSize);
    } catch (const EngineError& e) {
        throw EngineError(e.message() + QStringLiteral("\n\nEs wurde nichts zurückgelesen."));
    }
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.value(0).trimmed() != kListHeader)
        throw damaged();
    QString written;
    QHash<QByteArray, ListEntry> entries;
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> parts = line.trimmed().split('\t');
        if (parts.size() == 2 && parts[0] == "Zeit") {
            const QDateTime when = QDateTime::fromString(QString::fromLatin1(parts[1]), Qt::ISODate);
            if (when.isValid())
                written = when.toString(QStringLiteral("dd.MM.yyyy, HH:mm"));
        } else if (parts.size() == 3) {
            bool ok = false;
            const qint64 size = parts[1].toLongLong(&ok);
            if (!ok || size < 0)
                throw damaged();
            entries.insert(parts[0], {size, parts[2].toLower()});
        } else if (!line.trimmed().isEmpty()) {
            throw damaged();
        }
    }
    for (const char* file : kSetFiles) {
        const QString path = dir + QString::fromLatin1(file);
        const auto listed = entries.constFind(QByteArray(file));
        if (listed == entries.constEnd())
            throw damaged();
        if (!QFileInfo(path).isFile())
            throw EngineError(QStringLiteral("Die Datei „%1“ fehlt. Es wurde nichts zurückgelesen.").arg(shown(path)));
        const ListEntry found = entryFor(path);
        if (found.size != listed->size || found.checksum != listed->checksum) {
            throw EngineError(
                QStringLiteral("Die Dateien im Ordner „%1“ stammen nicht aus einer einzigen Sicherung: „%2“ ist nicht "
                               "die Datei, die die Sicherung%3 geschrieben hat. Vermutlich ist eine Sicherung nicht "
                               "vollständig gelungen, oder Dateien verschiedener Sicherungen wurden zusammenkopiert. "
                               "Es wurde nichts zurückgelesen.")
                    .arg(shown(dir), QString::fromLatin1(file),
                         written.isEmpty() ? QString() : QStringLiteral(" vom %1").arg(written)));
        }
    }
    return BackupSet::Whole;
}

Tables readTables(const QString& folder) {
    requireFolder(folder);
    const QString dir = withSeparator(folder);
    Tables t;
    t.books = readTable(dir, {LibraryTables::kBookFile, QStringLiteral("Büchertabelle"), LibraryTables::bookColumns()});
    t.readers =
        readTable(dir, {LibraryTables::kReaderFile, QStringLiteral("Lesertabelle"), LibraryTables::readerColumns()});
    t.loans =
        readTable(dir, {LibraryTables::kLoanFile, QStringLiteral("Ausleihtabelle"), LibraryTables::loanColumns()});
    return t;
}

void restoreTables(LibraryData& data, Tables tables) {
    struct Step {
        Table* table;
        RowStore* store;
    };
    const Step steps[] = {{&data.ClientBuecher, &tables.books},
                          {&data.ClientLeser, &tables.readers},
                          {&data.ClientAusleihe, &tables.loans}};
    // A row still being edited belongs to the data being replaced; posting it could fail halfway through.
    for (const Step& s : steps) {
        if (s.table->State() == TableState::Edit || s.table->State() == TableState::Insert)
            s.table->Cancel();
    }
    for (const Step& s : steps) {
        // Loading closes the table first, and closing would write the rows being replaced to the data
        // folder: wasted time for a large library, and a failure there would stop the restore halfway.
        const bool blocked = s.table->fileWritesBlocked();
        s.table->setFileWritesBlocked(true);
        try {
            s.table->LoadFrom([&s] { return std::move(*s.store); });
        } catch (...) {
            s.table->setFileWritesBlocked(blocked);
            throw;
        }
        s.table->setFileWritesBlocked(blocked);
    }
    for (const Step& s : steps)
        s.table->SaveToFile(s.table->FileName());
}

} // namespace lesaro::DataBackup
