#include "library/LibraryData.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "core/Win1252.h"
#include "library/Journal.h"
#include "library/LoanPeriod.h"
#include "library/RecoveryRepair.h"
#include "library/StartupCopies.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace lesaro {

namespace {
constexpr const char* kDataFolderName = "Tomarelle 2022";
constexpr const char* kEarlierEditions[] = {"Lesaro 2011", "Lesaro 2009"};
} // namespace

LibraryData::LibraryData(QObject* parent)
    : QObject(parent) {
    ClientBuecher.setColumns(LibraryTables::bookColumns());
    ClientLeser.setColumns(LibraryTables::readerColumns());
    ClientAusleihe.setColumns(LibraryTables::loanColumns());
    ClientDataSet4.setColumns(LibraryTables::postcodeColumns());
    LibraryTables::addLoanLookupFields(ClientAusleihe, ClientBuecher, ClientLeser);
    m_journal = std::make_unique<Journal>(std::array<Table*, 3>{&ClientBuecher, &ClientLeser, &ClientAusleihe});
}

LibraryData::~LibraryData() {
    try {
        closeTables();
    } catch (const EngineError&) {
        // Too late to tell anyone; the program's end already reported what it could.
    }
}

QString LibraryData::defaultBaseFolder() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString LibraryData::file(const char* name) const {
    return m_dataFolder + QString::fromLatin1(name);
}

void LibraryData::FormCreate(const QString& baseFolder, const QString& programFolder) {
    const QString program = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    const QString dataFolder = QDir(baseFolder).filePath(QString::fromLatin1(kDataFolderName)) + QLatin1Char('/');
    // The program's run starts reading the files before it builds the windows, and the main window asks again
    // for the same folder: the reading already under way is kept.
    if (dataFolder == m_dataFolder && program == m_programFolder && baseFolder == m_baseFolder)
        return;
    m_baseFolder = baseFolder;
    m_programFolder = program;
    m_dataFolder = dataFolder;
    QDir().mkpath(m_dataFolder);
    ClientBuecher.setFileName(file(LibraryTables::kBookFile));
    ClientLeser.setFileName(file(LibraryTables::kReaderFile));
    ClientAusleihe.setFileName(file(LibraryTables::kLoanFile));
    ClientDataSet4.setFileName(file(LibraryTables::kPostcodeFile));
    preload();
    fillPostcodes();
}

void LibraryData::preload() {
    // Reading a large library is most of the start-up; it runs beside the building of the windows. Only the
    // bytes are read here: the tables take them over on the user-interface thread, in the usual order, and a
    // failure surfaces there exactly as a failed load does.
    if (!QFileInfo::exists(ClientBuecher.FileName()))
        return;
    const QString paths[3] = {ClientLeser.FileName(), ClientAusleihe.FileName(), ClientBuecher.FileName()};
    for (int i = 0; i < 3; ++i)
        m_preloaded[i] =
            std::async(std::launch::async, [path = paths[i]] { return ReadDatapacket(readWholeFile(path)); });
}

void LibraryData::loadTable(Table& table, int index) {
    try {
        if (m_preloaded[index].valid())
            table.LoadFrom([this, index] { return m_preloaded[index].get(); });
        else
            table.LoadFromFile();
    } catch (const EngineError& e) {
        // The reader's own text says what is wrong inside the file, not which of the three it is.
        const QString path = QDir::toNativeSeparators(table.FileName());
        if (e.message().contains(path))
            throw;
        const char* what = &table == &ClientBuecher ? "Bücherdatei"
                           : &table == &ClientLeser ? "Leserdatei"
                                                    : "Ausleihdatei";
        throw EngineError(QStringLiteral("Die %1 „%2“ kann nicht gelesen werden: %3")
                              .arg(QString::fromUtf8(what), path, DatapacketMessageForUser(e.message())));
    }
}

bool LibraryData::startupCopiesExist() const {
    const QDir backup(m_dataFolder + QStringLiteral("backup"));
    for (const QString& copy : backup.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFileInfo::exists(backup.filePath(copy) + u'/' + QString::fromLatin1(LibraryTables::kBookFile)))
            return true;
    }
    return false;
}

QString LibraryData::restoreHint() const {
    if (!startupCopiesExist())
        return {};
    return QStringLiteral("\n\nSie können die Daten aus einer Startsicherung im Ordner \"backup\" des Datenordners "
                          "(%1) wiederherstellen.")
        .arg(QDir::toNativeSeparators(m_dataFolder));
}

bool LibraryData::acquireDataFolder(QString* error) {
    const QString lockPath = m_dataFolder + QStringLiteral(".lesaro.lock");
    m_lock = std::make_unique<QLockFile>(lockPath);
    m_lock->setStaleLockTime(0); // a lock is stale only when its process is gone
    if (m_lock->tryLock(0))
        return true;
    const bool heldByOtherRun = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    // A refused start leaves everything as it was: the end of the run would otherwise write the postcode
    // file into the folder another run holds.
    blockSaving();
    ClientDataSet4.setFileWritesBlocked(true);
    if (!error)
        return false;
    const QString folder = QDir::toNativeSeparators(m_dataFolder);
    if (heldByOtherRun) {
        *error = QStringLiteral("Lesaro läuft bereits mit diesem Datenordner (%1).\n\n"
                                "Bitte arbeiten Sie im bereits geöffneten Programmfenster weiter. Ein zweites "
                                "Programmfenster würde beim Beenden die Daten des ersten überschreiben.")
                     .arg(folder);
        return false;
    }
    // Anything else keeps this run from writing into the folder at all; the user needs the true reason.
    // When the folder could not even be made, the reason lies with making it.
    QString dataFolder = m_dataFolder;
    dataFolder.chop(1);
    const QString probe = QFileInfo::exists(dataFolder) ? lockPath : dataFolder;
    QString where;
    const FileProblem problem = fileProblem(probe, true, 4096, &where);
    const QString shownWhere = QDir::toNativeSeparators(where);
    QString reason;
    QString advice;
    switch (problem) {
    case FileProblem::NotAFolder:
        reason = QStringLiteral("„%1“ ist eine Datei und kein Ordner.").arg(shownWhere);
        advice = QStringLiteral("Benennen Sie diese Datei um oder verschieben Sie sie, damit Lesaro dort seinen "
                                "Datenordner anlegen kann, und starten Sie Lesaro dann erneut.");
        break;
    case FileProblem::DiskFull:
        reason = QStringLiteral("Der Datenträger ist voll.");
        advice = QStringLiteral("Bitte schaffen Sie Platz auf dem Datenträger, zum Beispiel indem Sie nicht mehr "
                                "benötigte Dateien löschen, und starten Sie Lesaro dann erneut.");
        break;
    case FileProblem::ReadOnly:
        reason = QStringLiteral("Der Datenträger ist schreibgeschützt.");
        advice = QStringLiteral("Lesaro speichert die Bibliothek beim Beenden im Datenordner und braucht dort "
                                "Schreibzugriff. Bitte wenden Sie sich an die Person, die diesen Rechner betreut.");
        break;
    case FileProblem::NoPermission:
        reason = QStringLiteral("Keine Schreibberechtigung für „%1“.").arg(shownWhere);
        advice = QStringLiteral("Lesaro speichert die Bibliothek beim Beenden im Datenordner und braucht dort "
                                "Schreibrechte. Bitte lassen Sie sich diese Rechte von der Person geben, die "
                                "diesen Rechner betreut.");
        break;
    case FileProblem::FolderMissing:
    case FileProblem::FileMissing:
        reason = QStringLiteral("Der Ordner „%1“ ist nicht vorhanden und konnte nicht angelegt werden.")
                     .arg(QDir::toNativeSeparators(dataFolder));
        advice = QStringLiteral("Bitte prüfen Sie, ob der Ordner darüber erreichbar ist, und starten Sie Lesaro "
                                "dann erneut.");
        break;
    case FileProblem::IsAFolder:
    case FileProblem::Other:
        reason =
            QStringLiteral("Die Sperrdatei „%1“ kann nicht angelegt werden.").arg(QDir::toNativeSeparators(lockPath));
        advice = QStringLiteral("Bitte prüfen Sie, ob der Datenordner erreichbar und beschreibbar ist, und starten "
                                "Sie Lesaro dann erneut.");
        break;
    }
    *error = QStringLiteral("Lesaro kann den Datenordner (%1) nicht verwenden: %2\n\n%3").arg(folder, reason, advice);
    return false;
}

void LibraryData::fillPostcodes() {
    // The built-in list, ordered by postcode; every row carries the status "inserted", as the list
    // always has, so the file written from it at the first shutdown is the same every time.
    QFile f(QStringLiteral(":/data/postcodes.tsv"));
    RowStore store(LibraryTables::postcodeColumns());
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray all = f.readAll();
        Value values[2];
        qsizetype start = 0;
        while (start < all.size()) {
            qsizetype end = all.indexOf('\n', start);
            if (end < 0)
                end = all.size();
            const QByteArrayView line(all.constData() + start, end - start);
            const qsizetype tab = line.indexOf('\t');
            if (tab > 0) {
                values[0] = Value::text(line.first(tab).toByteArray());
                values[1] = Value::text(win1252::encode(QString::fromUtf8(line.sliced(tab + 1))));
                store.appendValues(values, SlotStatus::Inserted);
            }
            start = end + 1;
        }
    }
    ClientDataSet4.Close();
    ClientDataSet4.replaceStore(std::move(store));
    ClientDataSet4.Open();
}

void LibraryData::blockSaving() {
    m_savingBlocked = true;
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe})
        t->setFileWritesBlocked(true);
    // The journal file stays: it may be all that holds this run's changes.
    m_journal->stop();
}

QString LibraryData::flushJournal() {
    m_journal->resume();
    m_journal->flush();
    return m_journal->takeProblem();
}

bool LibraryData::migrateFrom(const QString& folder) {
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(QString::fromLatin1(LibraryTables::kBookFile))))
        return false;
    ClientLeser.LoadFromFile(dir.filePath(QString::fromLatin1(LibraryTables::kReaderFile)));
    ClientAusleihe.LoadFromFile(dir.filePath(QString::fromLatin1(LibraryTables::kLoanFile)));
    ClientBuecher.LoadFromFile(dir.filePath(QString::fromLatin1(LibraryTables::kBookFile)));
    ClientBuecher.SaveToFile(ClientBuecher.FileName());
    ClientLeser.SaveToFile(ClientLeser.FileName());
    ClientAusleihe.SaveToFile(ClientAusleihe.FileName());
    return true;
}

void LibraryData::loadAtStart() {
    try {
        const QString bookFile = ClientBuecher.FileName();
        if (!QFileInfo::exists(bookFile)) {
            bool migrated = false;
            for (const char* edition : kEarlierEditions) {
                if (!migrated)
                    migrated = migrateFrom(QDir(m_baseFolder).filePath(QString::fromLatin1(edition)));
            }
            if (!migrated && QDir(m_programFolder) != QDir(m_dataFolder))
                migrateFrom(m_programFolder);
        }
        // After a recovery the tables were written just now; otherwise a table is in its file while unchanged.
        bool tablesInFiles = false;
        if (QFileInfo::exists(bookFile)) {
            loadTable(ClientLeser, 0);
            loadTable(ClientAusleihe, 1);
            loadTable(ClientBuecher, 2);
            const Journal::Recovery recovery = m_journal->recover(m_dataFolder);
            m_recoveryNotice = recovery.notice;
            // The counters live in the user's settings, the rows in the data folder: after a crash (the settings
            // reach the disk later than the journal), on another account, or with the tables of a backup the
            // counters lag behind the rows, and the next new book would be proposed a number a book carries.
            RecoveryRepair::raiseNumberCounters(ClientBuecher, ClientLeser);
            if (recovery.tablesChanged) {
                // The crash may have fallen between a loan's two posts.
                const QString repaired =
                    RecoveryRepair::lentFlagsSentence(RecoveryRepair::alignLentFlags(ClientBuecher, ClientAusleihe));
                if (!repaired.isEmpty())
                    m_recoveryNotice += u' ' + repaired;
                saveTables();
                tablesInFiles = !m_savingBlocked;
            }
        } else if (QFileInfo::exists(ClientLeser.FileName()) || QFileInfo::exists(ClientAusleihe.FileName())) {
            // Creating empty tables now would replace the readers and loans that are still there.
            m_startupProblem =
                QStringLiteral("Im Datenordner fehlt die Bücherdatei \"%1\", die Leser- und Ausleihdaten sind aber "
                               "vorhanden. Damit sie nicht durch leere Tabellen ersetzt werden, legt Lesaro keine "
                               "neuen Tabellen an und speichert in dieser Sitzung nichts.")
                    .arg(QString::fromLatin1(LibraryTables::kBookFile)) +
                restoreHint();
            blockSaving();
            throw EngineError(
                QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(QDir::toNativeSeparators(bookFile)));
        } else {
            m_recoveryNotice = m_journal->setAsideStray(m_dataFolder);
            CreateEmptyTables();
        }
        makeStartupCopy(tablesInFiles);
        QString journalProblem;
        if (!m_journal->start(m_dataFolder, &journalProblem))
            m_recoveryNotice += (m_recoveryNotice.isEmpty() ? QString() : QStringLiteral("\n\n")) + journalProblem;
    } catch (const EngineError&) {
        if (m_startupProblem.isEmpty()) {
            m_startupProblem = QStringLiteral("Die Bibliotheksdaten konnten nicht vollständig geladen werden. Damit "
                                              "keine Datei durch unvollständige Daten ersetzt wird, speichert Lesaro "
                                              "in dieser Sitzung nichts.") +
                               restoreHint();
        }
        blockSaving();
        throw;
    }
}

void LibraryData::CreateEmptyTables() {
    struct Step {
        Table* table;
        QList<ColumnDef> columns;
    };
    const Step steps[] = {{&ClientBuecher, LibraryTables::bookColumns()},
                          {&ClientLeser, LibraryTables::readerColumns()},
                          {&ClientAusleihe, LibraryTables::loanColumns()}};
    for (const Step& s : steps) {
        s.table->Close();
        s.table->setColumns(s.columns);
        s.table->CreateDataSet();
        s.table->SaveToFile();
    }
    FieldCaptions::ApplyFieldCaptions();
    Q_EMIT emptyTablesCreated();
    INI::WriteSettingString(QStringLiteral("SortLeser"), QStringLiteral("ID"));
    INI::WriteSettingString(QStringLiteral("SortBuecher"), QStringLiteral("ID"));
    INI::WriteSettingString(QStringLiteral("SortAusleihe"), QStringLiteral("ID"));
    INI::WriteSettingInteger(QStringLiteral("Tage"), LoanPeriod::kDefaultDays);
}

QString LibraryData::stamp(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("%1%2%3-%4%5%6")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

void LibraryData::makeStartupCopy(bool tablesInFiles) {
    QDir backup(m_dataFolder + QStringLiteral("backup"));
    backup.mkpath(QStringLiteral("."));
    // Stamps are not unique (11 January and 1 November spell the same digits): a copy never replaces an
    // earlier one, it takes the next free suffix instead.
    const QString base = stamp(Clock::now());
    QString name = base;
    for (int n = 2; backup.exists(name); ++n)
        name = QStringLiteral("%1-%2").arg(base).arg(n);
    backup.mkpath(name);
    const QString folder = backup.filePath(name) + QLatin1Char('/');
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe}) {
        const QString copy = folder + QFileInfo(t->FileName()).fileName();
        // A table unchanged since it was loaded from its file, or just written to it, holds exactly that file's
        // content. Files are only ever replaced, never rewritten in place, so a second name for the same
        // file is a copy that later saves cannot touch, and it costs nothing at start-up.
        if ((tablesInFiles || t->ChangeCount() == 0) && QFileInfo::exists(t->FileName()) &&
            ::link(QFile::encodeName(t->FileName()).constData(), QFile::encodeName(copy).constData()) == 0)
            continue;
        t->SaveToFile(copy);
    }
    m_lastStartupCopy = folder;
    StartupCopies::afterStartupCopy(m_dataFolder, folder);
}

void LibraryData::applySortOrders() {
    const std::pair<Table*, const char*> orders[] = {
        {&ClientLeser, "SortLeser"}, {&ClientBuecher, "SortBuecher"}, {&ClientAusleihe, "SortAusleihe"}};
    for (const auto& [table, name] : orders) {
        try {
            table->setIndexFieldNames(INI::ReadSettingString(QString::fromLatin1(name)));
        } catch (const EngineError&) {
            // An order naming a field the table does not have (a hand-edited or foreign setting) would fail at
            // every start and, failing, never be stored anew: the list starts in number order instead, and
            // the end of the run stores whatever order the user then chose.
            table->setIndexFieldNames(QStringLiteral("ID"));
        }
    }
}

void LibraryData::storeSortOrders() {
    INI::WriteSettingString(QStringLiteral("SortLeser"), ClientLeser.IndexFieldNames());
    INI::WriteSettingString(QStringLiteral("SortBuecher"), ClientBuecher.IndexFieldNames());
    INI::WriteSettingString(QStringLiteral("SortAusleihe"), ClientAusleihe.IndexFieldNames());
}

void LibraryData::saveTables() {
    if (m_savingBlocked)
        return;
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe}) {
        t->SaveToFile();
        Q_EMIT tableSaved();
    }
    finishJournal();
}

void LibraryData::finishJournal() {
    // The number counters of this run's new rows must be on the disk before the journal goes: a crash in
    // between would leave no journal to tell the next start that they may lag behind the tables.
    INI::FlushSettings();
    m_journal->finish();
}

void LibraryData::closeTables() {
    // Every table is closed even when an earlier one fails to write; the first failure is reported.
    std::optional<EngineError> first;
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe, &ClientDataSet4}) {
        try {
            t->Close();
        } catch (const EngineError& e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
}

void LibraryData::closeLibraryTables() {
    std::optional<EngineError> first;
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe}) {
        try {
            t->Close();
            Q_EMIT tableSaved();
        } catch (const EngineError& e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
    if (!m_savingBlocked)
        finishJournal();
}

void LibraryData::closePostcodes() {
    ClientDataSet4.Close();
}

QString LibraryData::emergencyBaseFolder() {
    return QDir::homePath() + QStringLiteral("/Lesaro-Notsicherung");
}

void LibraryData::saveTablesTo(const QString& folder) {
    const QDir dir(folder);
    for (Table* t : {&ClientBuecher, &ClientLeser, &ClientAusleihe})
        t->SaveToFile(dir.filePath(QFileInfo(t->FileName()).fileName()));
}

LibraryData::EndSave LibraryData::saveAtEnd(const std::function<void()>& write, SaveFailureQuestions& questions) {
    using Choice = SaveFailureQuestions::Choice;
    const QString dataFolder = QDir::toNativeSeparators(m_dataFolder);
    m_writtenAtEnd = false;
    QString failure;
    try {
        write();
        m_writtenAtEnd = true;
        return EndSave::Written;
    } catch (const EngineError& e) {
        failure = e.message();
    }
    for (;;) {
        if (questions.nobodyToAsk()) {
            // The system ends the program and nobody can free space or pick a folder: the tables go where
            // the user will find them, and the exit status says that the data folder is behind.
            m_endedInEmergency = true;
            blockSaving();
            const QString folder =
                emergencyBaseFolder() + u'/' + Clock::now().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + u'/';
            try {
                QDir().mkpath(folder);
                saveTablesTo(folder);
                questions.tell(QStringLiteral("Die Bibliotheksdaten konnten nicht im Datenordner (%1) gespeichert "
                                              "werden: %2\n\nSie wurden in den Notfallordner „%3“ gespeichert.")
                                   .arg(dataFolder, failure, QDir::toNativeSeparators(folder)));
            } catch (const EngineError& e) {
                questions.tell(QStringLiteral("Die Bibliotheksdaten konnten weder im Datenordner (%1) noch im "
                                              "Notfallordner gespeichert werden: %2\n%3")
                                   .arg(dataFolder, failure, e.message()));
            }
            return EndSave::Emergency;
        }
        const Choice choice = questions.afterFailure(
            QStringLiteral("Die Bibliotheksdaten konnten nicht gespeichert werden.\n\n%1\n\nSchaffen Sie Platz "
                           "oder beheben Sie die Ursache und versuchen Sie es erneut, oder speichern Sie die drei "
                           "Tabellen in einen anderen Ordner. Ohne Speichern gehen alle Änderungen dieser Sitzung "
                           "verloren.")
                .arg(failure));
        switch (choice) {
        case Choice::Retry:
            try {
                write();
                m_writtenAtEnd = true;
                return EndSave::Written;
            } catch (const EngineError& e) {
                failure = e.message();
            }
            break;
        case Choice::OtherFolder: {
            const QString folder = questions.otherFolder();
            if (folder.isEmpty())
                break;
            try {
                saveTablesTo(folder);
            } catch (const EngineError& e) {
                questions.tell(e.message());
                break;
            }
            blockSaving();
            questions.tell(
                QStringLiteral("Die Bibliotheksdaten wurden in „%1“ gespeichert.\n\nDer Datenordner (%2) enthält "
                               "noch den alten Stand. Kopieren Sie die Dateien „%3“, „%4“ und „%5“ in den "
                               "Datenordner, bevor Sie Lesaro wieder starten.")
                    .arg(QDir::toNativeSeparators(folder), dataFolder, QString::fromLatin1(LibraryTables::kBookFile),
                         QString::fromLatin1(LibraryTables::kReaderFile),
                         QString::fromLatin1(LibraryTables::kLoanFile)));
            return EndSave::WrittenElsewhere;
        }
        case Choice::WithoutSaving:
            if (questions.reallyWithoutSaving()) {
                blockSaving();
                return EndSave::NotWritten;
            }
            break;
        }
    }
}

} // namespace lesaro
