#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace lesaro::labels {

// Which rows were added since a date. The tables keep no date of entry, but identifiers are issued in rising
// order and never reused, and every start leaves a copy of the tables in the data folder's "backup": the
// largest identifier in the first copy made on or after the date is the last one that existed then.
struct AddedSinceMark {
    qint32 idAbove = 0; // rows with a larger identifier were added since
    QDateTime copyMade; // the copy the mark comes from; invalid when none was needed
    QString note;       // German; a caveat for the user, empty when the mark is exact
    QString error;      // German; no mark could be found
};

namespace AddedSince {

// tableFile: "buecher30.b04" or "leser30.b04". currentLargest: the largest identifier the table holds now.
AddedSinceMark mark(const QString& dataFolder, const QString& tableFile, QDate since, QDate today,
                    qint32 currentLargest);

} // namespace AddedSince

} // namespace lesaro::labels
