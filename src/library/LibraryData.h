#pragma once

#include "core/Table.h"

#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <functional>
#include <future>
#include <memory>

namespace lesaro {

class Journal;

// The questions the end of the run asks when the tables cannot be written to the data folder. The window
// code answers them with message boxes and the folder picker; tests answer them directly.
class SaveFailureQuestions {
public:
    enum class Choice { Retry, OtherFolder, WithoutSaving };
    virtual ~SaveFailureQuestions() = default;
    // True when nobody is there to answer: the system is ending the program.
    virtual bool nobodyToAsk() = 0;
    // message names the file and the reason.
    virtual Choice afterFailure(const QString& message) = 0;
    // The folder the user picks for the three tables; empty when the picker is cancelled.
    virtual QString otherFolder() = 0;
    // The second question before changes are given up.
    virtual bool reallyWithoutSaving() = 0;
    virtual void tell(const QString& message) = 0;
};

// The library's four tables and everything that moves them between memory and the data folder: where the
// folder is, the take-over from earlier editions, loading or creating the tables, the start-up copy, and
// saving at the end. Window code calls these steps and shows what they report.
class LibraryData : public QObject {
    Q_OBJECT
public:
    explicit LibraryData(QObject* parent = nullptr);
    ~LibraryData() override;

    Table ClientBuecher{QStringLiteral("ClientBuecher")};
    Table ClientLeser{QStringLiteral("ClientLeser")};
    Table ClientAusleihe{QStringLiteral("ClientAusleihe")};
    Table ClientDataSet4{QStringLiteral("ClientDataSet4")};

    // $XDG_DATA_HOME, or ~/.local/share: the folder that holds "Tomarelle 2022" and the earlier editions.
    static QString defaultBaseFolder();

    // Data folder, file names and the built-in postcode list. The folders default to the machine's.
    void FormCreate(const QString& baseFolder = defaultBaseFolder(), const QString& programFolder = {});
    QString DataFolder() const { return m_dataFolder; } // ends in "/"

    // A second run on the same data folder would overwrite this run's data at its end. False, with the
    // German reason, when another run holds the folder; this run then writes no file anywhere.
    bool acquireDataFolder(QString* error);

    // Migration, loading or creating, and the start-up copy, in that order. Throws EngineError; a German
    // explanation of what the failure means for this run is then in startupProblem(), and nothing of the
    // three library tables will be written to the data folder in this run.
    void loadAtStart();
    QString startupProblem() const { return m_startupProblem; }
    // What the start recovered from the crash journal of a run that did not end cleanly, or a damaged
    // journal it set aside; German, empty when there is nothing to tell.
    QString recoveryNotice() const { return m_recoveryNotice; }
    // Brings the journal's latest changes to the disk now (a window closed), after a failed write first the
    // changes it missed when the disk has room again. Returns a German text to show once: that the journal
    // could not be written, or that it is written again.
    QString flushJournal();
    // The crash journal itself (the kill test's driver reports its syncs).
    Journal& journal() { return *m_journal; }

    // Creates the three library tables empty and writes them, with the captions and settings of a fresh
    // installation.
    void CreateEmptyTables();
    void applySortOrders();
    void storeSortOrders();

    // Writes the three library tables to their files (closing the main window).
    void saveTables();
    // Closes every table, which writes each one that changed or whose file is missing (end of the run).
    void closeTables();
    // The same for the three library tables alone; the postcode list is closed by closePostcodes().
    void closeLibraryTables();
    void closePostcodes();

    // How the three library tables left the run when writing them to the data folder failed.
    enum class EndSave { Written, WrittenElsewhere, Emergency, NotWritten };
    // Runs write (saveTables or closeLibraryTables); when it fails, asks what to do until the tables are
    // written, written into another folder, or the user has twice agreed to give up the changes. With
    // nobody to ask they go to emergencyBaseFolder(). Unless written to the data folder, nothing is written
    // there for the rest of the run: the next failure would only ask again.
    EndSave saveAtEnd(const std::function<void()>& write, SaveFailureQuestions& questions);
    // Whether the end of this run left the tables outside the data folder without the user's choice (the
    // program then ends with a non-zero status).
    bool endedInEmergency() const { return m_endedInEmergency; }
    // The last saveAtEnd wrote the tables to the data folder.
    bool writtenAtEnd() const { return m_writtenAtEnd; }
    // "Lesaro-Notsicherung" in the user's home folder; each emergency gets a sub-folder named by the time.
    static QString emergencyBaseFolder();
    // Writes the three library tables into folder under their own names.
    void saveTablesTo(const QString& folder);

    bool savingBlocked() const { return m_savingBlocked; }
    void blockSaving();

    // The start-up copy's folder name: year, month, day, "-", hour, minute, second without leading zeros.
    static QString stamp(const QDateTime& when);
    QString lastStartupCopy() const { return m_lastStartupCopy; }

Q_SIGNALS:
    // A fresh installation's empty tables and their captions are there: the main window stores its lists'
    // column widths now, so that the installation starts with them.
    void emptyTablesCreated();
    // The end's save has written a library table, or left it as it was (the kill test's driver reports it and
    // holds the save there, so that its kills can land between two table files).
    void tableSaved();

private:
    bool migrateFrom(const QString& folder);
    // tablesInFiles: every table was just written to its file, so the files are the copy to keep.
    void makeStartupCopy(bool tablesInFiles);
    void finishJournal();
    void fillPostcodes();
    void preload();
    void loadTable(Table& table, int index);
    bool startupCopiesExist() const;
    QString restoreHint() const;
    QString file(const char* name) const;

    QString m_baseFolder;
    QString m_programFolder;
    QString m_dataFolder;
    QString m_startupProblem;
    QString m_lastStartupCopy;
    QString m_recoveryNotice;
    std::unique_ptr<Journal> m_journal;
    bool m_savingBlocked = false;
    bool m_endedInEmergency = false;
    bool m_writtenAtEnd = false;
    std::unique_ptr<QLockFile> m_lock;
    // The three library files of the data folder, read on worker threads while the windows are built.
    std::future<RowStore> m_preloaded[3];
};

} // namespace lesaro
