#include "StartupBenchmark.h"

#include "BenchContext.h"
#include "FileBenchmarks.h"
#include "core/LibraryTables.h"
#include "core/Table.h"

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

// Seconds from starting the program until it reports its main window shown; negative on failure.
double startOnce(const QString& home) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(QStringLiteral(LESARO_PROBE_PROGRAM), {});
    if (!p.waitForStarted(10000))
        return -1;
    QByteArray out;
    while (!out.contains("shown\n")) {
        if (!p.waitForReadyRead(60000))
            return -1;
        out += p.readAllStandardOutput();
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    // The probe ends its run as "Beenden" does; the next start needs the data folder free again.
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return seconds;
}

} // namespace

std::optional<double> startupVsLoadRatio() {
    if (!QFileInfo::exists(QStringLiteral(LESARO_PROBE_PROGRAM)))
        return std::nullopt;
    const QStringList files = tenYearLibraryFiles();
    QTemporaryDir home;
    const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
    QDir().mkpath(data);
    const char* names[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};
    for (int i = 0; i < 3; ++i) {
        if (!QFile::copy(files[i], data + QString::fromLatin1(names[i])))
            return std::nullopt;
    }

    std::vector<double> loads;
    std::vector<double> starts;
    for (int run = 0; run < 5; ++run) {
        Table tables[3];
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 3; ++i)
            tables[i].LoadFromFile(data + QString::fromLatin1(names[i]));
        loads.push_back(double(timer.nsecsElapsed()) / 1e9);

        const double s = startOnce(home.path());
        if (s < 0)
            return std::nullopt;
        starts.push_back(s);
        QDir(data + QStringLiteral("backup")).removeRecursively();
    }
    const double load = median(loads);
    const double start = median(starts);
    BenchContext::instance().note(QStringLiteral("startup: %1 ms to the main window shown, loading the three files "
                                                 "%2 ms")
                                      .arg(start * 1000, 0, 'f', 1)
                                      .arg(load * 1000, 0, 'f', 1));
    return start / load;
}

} // namespace lesaro::bench
