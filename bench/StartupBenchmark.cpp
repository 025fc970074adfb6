#include "StartupBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/Journal.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace lesaro::bench {

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct StartTimes {
    double start = -1;  // seconds from starting the program until it reports its main window shown
    double close = -1;  // seconds from then ("Beenden") until the process has ended, its tables written
    qint64 peakKb = -1; // the session's peak resident size, when the probe ran one
};

QProcessEnvironment probeEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// Negative times on failure.
StartTimes runOnce(const QString& home, const QStringList& arguments = {}) {
    StartTimes times;
    QProcess p;
    p.setProcessEnvironment(probeEnvironment(home));
    QElapsedTimer timer;
    timer.start();
    p.start(QStringLiteral(LESARO_PROBE_PROGRAM), arguments);
    if (!p.waitForStarted(10000))
        return times;
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (!p.waitForReadyRead(60000))
            return times;
        out += p.readAllStandardOutput();
    }
    const double start = double(timer.nsecsElapsed()) / 1e9;
    // The probe ends its run as "Beenden" does; the next start needs the data folder free again.
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return times;
    const double end = double(timer.nsecsElapsed()) / 1e9;
    out += p.readAllStandardOutput();
    if (out.contains("session failed"))
        return times;
    const qsizetype peak = out.indexOf("peak-kb ");
    if (peak >= 0)
        times.peakKb = out.mid(peak + 8).split('\n').value(0).trimmed().toLongLong();
    times.start = start;
    times.close = end - start;
    return times;
}

// Seconds from starting the program until it reports its main window shown; negative on failure.
double startOnce(const QString& home) {
    return runOnce(home).start;
}

const char* const kNames[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};

// Loans booked during the day that ended in a crash.
constexpr int kCrashLoans = 300;

bool copyLibrary(const QString& data) {
    const QStringList files = tenYearLibraryFiles();
    for (int i = 0; i < 3; ++i) {
        const QString target = data + QString::fromLatin1(kNames[i]);
        QFile::remove(target);
        if (!QFile::copy(files[i], target))
            return false;
    }
    return true;
}

// A day's loans written into the crash journal of the data folder, and the tables left as they were: the
// folder as a run leaves it that never reached its end. The crash fell between the last loan's two posts,
// so that book's lent flag is put right at the next start.
bool leaveCrashedDay(const QString& data) {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    Table* tables[] = {&books, &readers, &loans};
    for (int i = 0; i < 3; ++i) {
        tables[i]->LoadFromFile(data + QString::fromLatin1(kNames[i]));
        tables[i]->setFileWritesBlocked(true);
    }
    Journal journal({&books, &readers, &loans});
    QString error;
    if (!journal.start(data, &error))
        return false;
    qint32 loanId = qint32(loans.largestStoredInteger(QStringLiteral("ID")) + 1);
    readers.First();
    const qint32 reader = readers.FieldByName(QStringLiteral("ID")).AsInteger();
    const QDate day = QDate::currentDate();
    // A changed book is stored anew and moves in the table's natural order: the books are chosen first.
    std::vector<qint32> free;
    for (books.First(); !books.Eof() && int(free.size()) < kCrashLoans; books.Next()) {
        if (!books.FieldByName(QStringLiteral("ausgeliehen")).AsBoolean())
            free.push_back(books.FieldByName(QStringLiteral("ID")).AsInteger());
    }
    int booked = 0;
    for (const qint32 book : free) {
        loans.Append();
        loans.FieldByName(QStringLiteral("ID")).setAsInteger(loanId++);
        loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
        loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(reader);
        loans.FieldByName(QStringLiteral("DatumVon")).setAsDate(day);
        loans.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(day.addDays(28));
        loans.Post();
        if (++booked < kCrashLoans && books.Locate(QStringLiteral("ID"), {book})) {
            books.Edit();
            books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(true);
            books.Post();
        }
    }
    journal.flush();
    journal.stop();
    return booked == kCrashLoans && QFileInfo::exists(data + QString::fromLatin1(Journal::kFileName));
}

double g_startSeconds = 0;
double g_closeSeconds = 0;
double g_saveSeconds = 0;

} // namespace

std::optional<double> startupVsLoadRatio() {
    if (!QFileInfo::exists(QStringLiteral(LESARO_PROBE_PROGRAM)))
        return std::nullopt;
    QTemporaryDir home;
    const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
    QDir().mkpath(data);
    if (!copyLibrary(data))
        return std::nullopt;
    const char* const* names = kNames;

    std::vector<double> loads;
    std::vector<double> saves;
    std::vector<double> starts;
    std::vector<double> closes;
    QTemporaryDir saved;
    for (int run = 0; run < 5; ++run) {
        Table tables[3];
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 3; ++i)
            tables[i].LoadFromFile(data + QString::fromLatin1(names[i]));
        loads.push_back(double(timer.nsecsElapsed()) / 1e9);
        // The bare save the end of a run does, on the same disk.
        timer.start();
        for (int i = 0; i < 3; ++i)
            tables[i].SaveToFile(saved.filePath(QString::fromLatin1(names[i])));
        saves.push_back(double(timer.nsecsElapsed()) / 1e9);

        const StartTimes s = runOnce(home.path());
        if (s.start < 0)
            return std::nullopt;
        starts.push_back(s.start);
        closes.push_back(s.close);
        QDir(data + QStringLiteral("backup")).removeRecursively();
    }
    const double load = median(loads);
    const double start = median(starts);
    g_startSeconds = start;
    g_closeSeconds = median(closes);
    g_saveSeconds = median(saves);
    BenchContext::instance().note(QStringLiteral("startup: %1 ms to the main window shown, loading the three files "
                                                 "%2 ms; end of the run %3 ms, saving the three files %4 ms")
                                      .arg(start * 1000, 0, 'f', 1)
                                      .arg(load * 1000, 0, 'f', 1)
                                      .arg(g_closeSeconds * 1000, 0, 'f', 1)
                                      .arg(g_saveSeconds * 1000, 0, 'f', 1));
    return start / load;
}

std::optional<double> closeLibrarySeconds() {
    if (g_closeSeconds <= 0)
        return std::nullopt;
    return g_closeSeconds;
}

std::optional<double> closeVsSaveRatio() {
    if (g_closeSeconds <= 0 || g_saveSeconds <= 0)
        return std::nullopt;
    return g_closeSeconds / g_saveSeconds;
}

std::optional<SessionMemory> sessionMemory() {
    if (!QFileInfo::exists(QStringLiteral(LESARO_PROBE_PROGRAM)))
        return std::nullopt;
    const auto peakOf = [](bool withLibrary) -> qint64 {
        QTemporaryDir home;
        const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
        QDir().mkpath(data);
        if (withLibrary && !copyLibrary(data))
            return -1;
        return runOnce(home.path(), {QStringLiteral("--session"), home.filePath(QStringLiteral("leser.pdf"))}).peakKb;
    };
    const qint64 empty = peakOf(false);
    const qint64 full = peakOf(true);
    if (empty <= 0 || full <= 0) {
        BenchContext::instance().note(QStringLiteral("session memory: the scripted session did not run"));
        return std::nullopt;
    }
    qint64 files = 0;
    for (const QString& file : tenYearLibraryFiles())
        files += QFileInfo(file).size();
    SessionMemory m;
    m.peakMb = double(full) / 1024;
    m.ratioToFiles = double(full - empty) * 1024 / double(files);
    BenchContext::instance().note(QStringLiteral("session memory: peak %1 MB on the library, %2 MB on an empty one, "
                                                 "files %3 MB")
                                      .arg(double(full) / 1024, 0, 'f', 1)
                                      .arg(double(empty) / 1024, 0, 'f', 1)
                                      .arg(double(files) / 1048576, 0, 'f', 1));
    return m;
}

std::optional<double> recoveryStartMilliseconds() {
    if (!QFileInfo::exists(QStringLiteral(LESARO_PROBE_PROGRAM)))
        return std::nullopt;
    QTemporaryDir home;
    const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
    QDir().mkpath(data);
    std::vector<double> starts;
    for (int run = 0; run < 3; ++run) {
        // The start after the crash writes the recovered tables: each run begins from the crashed folder.
        QDir(data + QStringLiteral("backup")).removeRecursively();
        if (!copyLibrary(data) || !leaveCrashedDay(data)) {
            BenchContext::instance().note(QStringLiteral("recovery start: the crashed day could not be prepared"));
            return std::nullopt;
        }
        const double s = startOnce(home.path());
        // A clean end removes the journal: it is gone when the run replayed it and ended as it should.
        if (s < 0 || QFileInfo::exists(data + QString::fromLatin1(Journal::kFileName))) {
            BenchContext::instance().note(QStringLiteral("recovery start: the program did not start and end"));
            return std::nullopt;
        }
        starts.push_back(s);
    }
    const double start = median(starts);
    BenchContext::instance().note(
        QStringLiteral("recovery start: %1 ms to the main window shown after replaying %2 loans of a crashed day")
            .arg(start * 1000, 0, 'f', 1)
            .arg(kCrashLoans));
    return start * 1000;
}

std::optional<double> recoveryVsStartRatio(std::optional<double> recoveryMs) {
    if (!recoveryMs || g_startSeconds <= 0)
        return std::nullopt;
    return *recoveryMs / 1000 / g_startSeconds;
}

} // namespace lesaro::bench
