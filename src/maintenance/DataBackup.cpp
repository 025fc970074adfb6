#include "maintenance/DataBackup.h"

#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/LibraryData.h"
#include "settings/INI.h"

#include <QDir>
#include <QFileInfo>

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
                              .arg(shown(path), e.message()));
    }
    requireColumns(store, expected, path);
    return store;
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
    data.ClientBuecher.SaveToFile(dir + QString::fromLatin1(LibraryTables::kBookFile));
    data.ClientLeser.SaveToFile(dir + QString::fromLatin1(LibraryTables::kReaderFile));
    data.ClientAusleihe.SaveToFile(dir + QString::fromLatin1(LibraryTables::kLoanFile));
    QString error;
    if (!INI::ExportSettings(dir + QString::fromLatin1(kSettingsFile), &error))
        throw EngineError(error);
    INI::WriteSettingString(QStringLiteral("Sicherung"), dir);
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
