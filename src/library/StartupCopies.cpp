#include "library/StartupCopies.h"

#include "core/Clock.h"
#include "core/LibraryTables.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace lesaro::StartupCopies {

namespace {

const char* const kTableFiles[] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};
const QString kStartsSetting = QStringLiteral("StartkopienAnzahl");
const QString kMonthsSetting = QStringLiteral("StartkopienMonate");

// "202235-973", or "202235-973-2" for the second start with the same stamp.
const QRegularExpression& stampPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\d+-\\d+(?:-(\\d+))?$"));
    return pattern;
}

int suffixOf(const QString& name) {
    const QRegularExpressionMatch m = stampPattern().match(name);
    return m.hasMatch() && m.hasCaptured(1) ? m.captured(1).toInt() : 1;
}

int settingOr(const QString& name, int fallback) {
    SettingsStore& store = SettingsStore::instance();
    if (!store.hasValue(name))
        return fallback;
    return std::max(0, store.readInteger(name));
}

int monthNumber(const QDate& d) {
    return d.year() * 12 + d.month() - 1;
}

QString cleaned(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

Policy policyFromSettings() {
    Policy p;
    p.latestStarts = settingOr(kStartsSetting, p.latestStarts);
    p.months = settingOr(kMonthsSetting, p.months);
    return p;
}

QList<Copy> list(const QString& backupFolder) {
    QList<Copy> copies;
    const QDir dir(backupFolder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (!stampPattern().match(fi.fileName()).hasMatch())
            continue;
        // A folder without all three tables is no copy to go back to, and its time may be that of
        // whatever was last done in it: it is left alone.
        const QDir copy(fi.absoluteFilePath());
        if (!std::all_of(std::begin(kTableFiles), std::end(kTableFiles),
                         [&copy](const char* file) { return copy.exists(QString::fromLatin1(file)); }))
            continue;
        copies.append({fi.fileName(), fi.absoluteFilePath() + QLatin1Char('/'), fi.lastModified()});
    }
    // Two starts within one second share the stamp; the suffix tells which came later.
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        if (a.made != b.made)
            return a.made > b.made;
        if (suffixOf(a.name) != suffixOf(b.name))
            return suffixOf(a.name) > suffixOf(b.name);
        return a.name > b.name;
    });
    return copies;
}

QList<bool> kept(const QList<Copy>& newestFirst, const QDateTime& now, const QDateTime& lastSave,
                 const Policy& policy) {
    QList<bool> keep(newestFirst.size(), false);
    for (qsizetype i = 0; i < newestFirst.size() && i < policy.latestStarts; ++i)
        keep[i] = true;
    if (policy.months > 0) {
        // A copy dated after today (the clock was set back since) is kept as its month's newest too:
        // nothing is thrown away on the strength of a clock that may be the wrong one.
        const int earliest = monthNumber(now.date()) - (policy.months - 1);
        QSet<int> seen;
        for (qsizetype i = 0; i < newestFirst.size(); ++i) {
            const int month = monthNumber(newestFirst[i].made.date());
            if (month >= earliest && !seen.contains(month)) {
                seen.insert(month);
                keep[i] = true;
            }
        }
    }
    for (qsizetype i = 0; i < newestFirst.size(); ++i) {
        if (!lastSave.isValid() || newestFirst[i].made >= lastSave) {
            keep[i] = true;
            break;
        }
    }
    return keep;
}

void markMade(const QString& copyFolder, const QDateTime& when) {
    const qint64 ms = when.toMSecsSinceEpoch();
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ms / 1000);
    times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    ::utimensat(AT_FDCWD, QFile::encodeName(QDir::cleanPath(copyFolder)).constData(), times, 0);
}

int prune(const QString& backupFolder, const QDateTime& now, const QDateTime& lastSave, const Policy& policy,
          const QString& keepAlways) {
    const QList<Copy> copies = list(backupFolder);
    const QList<bool> keep = kept(copies, now, lastSave, policy);
    const QString spared = keepAlways.isEmpty() ? QString() : cleaned(keepAlways);
    int removed = 0;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        if (keep[i] || cleaned(copies[i].folder) == spared)
            continue;
        // Only what a start writes is removed; a folder the user put more into keeps that and itself.
        QDir dir(copies[i].folder);
        for (const char* file : kTableFiles)
            dir.remove(QString::fromLatin1(file));
        if (QDir(backupFolder).rmdir(copies[i].name))
            ++removed;
    }
    return removed;
}

void afterStartupCopy(const QString& dataFolder, const QString& copyFolder) {
    const QDateTime now = Clock::now();
    markMade(copyFolder, now);
    QDateTime lastSave;
    for (const char* file : kTableFiles) {
        const QFileInfo fi(QDir(dataFolder).filePath(QString::fromLatin1(file)));
        if (fi.exists() && (!lastSave.isValid() || fi.lastModified() > lastSave))
            lastSave = fi.lastModified();
    }
    prune(QDir(dataFolder).filePath(QStringLiteral("backup")), now, lastSave, policyFromSettings(), copyFolder);
}

} // namespace lesaro::StartupCopies
