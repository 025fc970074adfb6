#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The copies of the three table files that every start leaves in the data folder's "backup" folder. Left
// alone they grow by the whole library at every start (a ten-year library fills a gigabyte in a fortnight),
// so after each successful start only these stay: the copies of the latest starts, the newest copy of each
// of the latest calendar months, and the newest copy made since the tables were last saved (the only one
// holding what the data folder holds now, should the next start fail).
namespace lesaro::StartupCopies {

struct Copy {
    QString name;   // folder name: the start's stamp, with "-2", "-3", … when the stamp was taken already
    QString folder; // absolute path, ending in "/"
    QDateTime made; // when the start made it
};

struct Policy {
    int latestStarts = 10; // copies of this many latest starts
    int months = 12;       // the newest copy of each of this many calendar months, the current one included
};

// The settings "StartkopienAnzahl" and "StartkopienMonate"; a missing value gives the default above, a
// negative one counts as 0.
Policy policyFromSettings();

// The start-up copies in backupFolder, newest first. Only folders named like a stamp and holding the three
// table files count; anything else the user keeps there is never listed and never removed.
QList<Copy> list(const QString& backupFolder);

// Whether each copy of newestFirst stays (same order). lastSave is when the data folder's tables were last
// written; invalid when unknown, in which case the newest copy stays.
QList<bool> kept(const QList<Copy>& newestFirst, const QDateTime& now, const QDateTime& lastSave, const Policy& policy);

// Records the moment a copy was made on its folder: the stamp alone cannot be read back (1 November and
// 11 January spell the same digits).
void markMade(const QString& copyFolder, const QDateTime& when);

// Removes the copies the policy does not keep, never the one in keepAlways. A folder that holds more than
// the three table files loses those and stays. Returns the number of copies removed.
int prune(const QString& backupFolder, const QDateTime& now, const QDateTime& lastSave, const Policy& policy,
          const QString& keepAlways = {});

// After a successful start-up copy into copyFolder: marks it with the clock's time and prunes the data
// folder's "backup" folder by the settings. Failures to remove are silent; the copies simply stay.
void afterStartupCopy(const QString& dataFolder, const QString& copyFolder);

} // namespace lesaro::StartupCopies
