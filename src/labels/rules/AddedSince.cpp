#include "labels/rules/AddedSince.h"

#include "core/Datapacket.h"
#include "library/StartupCopies.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <exception>

namespace lesaro::labels::AddedSince {

namespace {

QString day(QDate date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// The largest identifier any stored version of the copy's table has held, deleted ones included.
qint32 largestId(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Die Startkopie „%1“ kann nicht gelesen werden: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return 0;
    }
    try {
        const RowStore store = ReadDatapacket(file.readAll());
        const int column = store.columnIndex(QStringLiteral("ID"));
        qint32 largest = 0;
        for (qsizetype s = 0; column >= 0 && s < store.slotCount(); ++s) {
            const RowRef row(store, s);
            if (!row.isNull(column))
                largest = std::max(largest, row.value(column).toInt());
        }
        return largest;
    } catch (const std::exception& e) {
        error = QStringLiteral("Die Startkopie „%1“ ist nicht lesbar: %2")
                    .arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what()));
        return 0;
    }
}

} // namespace

AddedSinceMark mark(const QString& dataFolder, const QString& tableFile, QDate since, QDate today,
                    qint32 currentLargest) {
    AddedSinceMark out;
    if (!since.isValid()) {
        out.error = QStringLiteral("Bitte ein gültiges Datum angeben.");
        return out;
    }
    if (since > today) {
        // Nothing can have been added on a day still to come.
        out.idAbove = currentLargest;
        return out;
    }
    const QList<StartupCopies::Copy> copies = StartupCopies::list(QDir(dataFolder).filePath(QStringLiteral("backup")));
    const StartupCopies::Copy* first = nullptr;
    for (const StartupCopies::Copy& copy : copies) { // newest first
        if (copy.made.date() >= since)
            first = &copy;
    }
    if (!first) {
        out.error = QStringLiteral("Seit dem %1 gibt es keine Startkopie der Daten; ohne sie lässt sich nicht "
                                   "sagen, was seitdem hinzugekommen ist.")
                        .arg(day(since));
        return out;
    }
    out.idAbove = largestId(QDir(first->folder).filePath(tableFile), out.error);
    if (!out.error.isEmpty())
        return out;
    out.copyMade = first->made;
    if (first->made.date() > since)
        out.note = QStringLiteral("Die älteste Startkopie seit dem %1 ist vom %2: was dazwischen hinzukam, "
                                  "fehlt.")
                       .arg(day(since), day(first->made.date()));
    return out;
}

} // namespace lesaro::labels::AddedSince
