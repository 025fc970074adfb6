#pragma once

#include "core/RowStore.h"

#include <QString>

namespace lesaro {

class LibraryData;

// Backing up the three library tables and the settings to a folder, and reading such a folder (or a
// start-up copy) back over the data. No windows here: every failure is an EngineError with the German
// text the window shows, and nothing in this class asks the user anything.
namespace DataBackup {

inline constexpr const char* kSettingsFile = "einstellungen.reg";
// Written last by every backup: the time and each file's size and checksum, so that a restore can tell a
// folder whose files come from different backups.
inline constexpr const char* kManifestFile = "sicherung.txt";

// The folder with its final separator; an empty text stays empty.
QString withSeparator(const QString& folder);

// A folder field that names no existing folder (a picker location that is not a file-system folder gives
// the empty text) is refused before any file name is formed from it.
void requireFolder(const QString& folder);

// Writes "buecher30.b04", "leser30.b04", "ausleihe30.b04" (whole tables, whatever filter is set),
// "einstellungen.reg" and the list of contents "sicherung.txt" into folder, and only then stores the folder
// as "Sicherung". The files are made in a hidden sub-folder first and take the old ones' places only when
// all of them are complete, so that a failure at any point leaves the folder with the whole old backup.
void writeBackup(LibraryData& data, const QString& folder);

enum class BackupSet {
    Whole,       // every file is the one the list of contents names
    WithoutList, // no list of contents: a backup of an earlier edition, whose files cannot be checked
};

// Checks a backup folder's files against its list of contents before anything is read back. Throws, naming
// the file, when a file is missing or is not the one that backup wrote (a backup that failed half-way, or
// files copied together from different backups).
BackupSet checkBackupSet(const QString& folder);

// The three tables of a backup folder or start-up copy, read and checked but not yet used.
struct Tables {
    RowStore books;
    RowStore readers;
    RowStore loans;
};

// Reads all three table files of folder. A missing, unreadable, damaged or foreign file (one that is not
// that table) throws, naming the file, before anything has changed.
Tables readTables(const QString& folder);

// Replaces the content of the library's tables in place (every window keeps its table) and writes them to
// the data folder. The tables were read and checked before, so the replacement cannot stop halfway; a
// failed write to the data folder throws afterwards, with the restored rows still in memory.
void restoreTables(LibraryData& data, Tables tables);

} // namespace DataBackup
} // namespace lesaro
