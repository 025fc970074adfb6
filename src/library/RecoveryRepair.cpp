#include "library/RecoveryRepair.h"

#include "core/Table.h"
#include "library/CurrentRowKeeper.h"
#include "library/FilterPause.h"
#include "settings/INI.h"

#include <QSet>
#include <algorithm>
#include <vector>

namespace lesaro {

namespace {

// The largest number on a live row; a number only an older version or a deleted row carried is free again.
qint64 largestLiveNumber(const RowStore& store) {
    const int column = store.columnIndex(QStringLiteral("Nummer"));
    qint64 largest = 0;
    if (column < 0 || store.columns()[column].kind != FieldKind::Integer)
        return largest;
    for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
        if (!SlotStatus::isLive(store.status(slot)))
            continue;
        const RowRef row(store, slot);
        if (!row.isNull(column))
            largest = std::max<qint64>(largest, row.int32(column));
    }
    return largest;
}

void raise(const char* counter, qint64 largest) {
    const QString name = QString::fromLatin1(counter);
    if (largest > INI::ReadSettingInteger(name))
        INI::WriteSettingInteger(name, int(largest));
}

} // namespace

void RecoveryRepair::raiseNumberCounters(const Table& books, const Table& readers) {
    raise("LastBuchNummer", largestLiveNumber(books.store()));
    raise("LastLeserNummer", largestLiveNumber(readers.store()));
}

void RecoveryRepair::raiseNumberCounter(const Table& table) {
    if (table.name() == QLatin1String("ClientBuecher"))
        raise("LastBuchNummer", largestLiveNumber(table.store()));
    else if (table.name() == QLatin1String("ClientLeser"))
        raise("LastLeserNummer", largestLiveNumber(table.store()));
}

int RecoveryRepair::alignLentFlags(Table& books, const Table& loans) {
    const RowStore& loanStore = loans.store();
    const int loanBook = loanStore.columnIndex(QStringLiteral("BuecherID"));
    const int returned = loanStore.columnIndex(QStringLiteral("DatumBis"));
    const RowStore& bookStore = books.store();
    const int bookId = bookStore.columnIndex(QStringLiteral("ID"));
    const int lent = bookStore.columnIndex(QStringLiteral("ausgeliehen"));
    if (loanBook < 0 || returned < 0 || bookId < 0 || lent < 0 || !books.Active())
        return 0;

    QSet<qint32> open;
    for (qsizetype slot = 0; slot < loanStore.slotCount(); ++slot) {
        if (!SlotStatus::isLive(loanStore.status(slot)))
            continue;
        const RowRef row(loanStore, slot);
        if (!row.isNull(loanBook) && row.isNull(returned))
            open.insert(row.int32(loanBook));
    }

    // The books to change are gathered first: each post stores a new slot, which the pass must not meet.
    // An empty flag reads as available everywhere (books from older editions and imports have one), so only
    // an empty flag on a book with an open loan is wrong.
    std::vector<std::pair<qint32, bool>> wrong;
    for (qsizetype slot = 0; slot < bookStore.slotCount(); ++slot) {
        if (!SlotStatus::isLive(bookStore.status(slot)))
            continue;
        const RowRef row(bookStore, slot);
        if (row.isNull(bookId))
            continue;
        const qint32 id = row.int32(bookId);
        const bool shouldBeLent = open.contains(id);
        const Value flag = row.value(lent);
        const bool isLent = !flag.isNull() && flag.toBool();
        if (isLent != shouldBeLent)
            wrong.emplace_back(id, shouldBeLent);
    }
    if (wrong.empty())
        return 0;

    int repaired = 0;
    const CurrentRowKeeper keep(books);
    const FilterPause pause(books);
    books.CheckBrowseMode();
    for (const auto& [id, shouldBeLent] : wrong) {
        if (!books.Locate(QStringLiteral("ID"), {id}))
            continue;
        const Field flag = books.FieldByName(QStringLiteral("ausgeliehen"));
        // Two books sharing an identifier: the one found may be right already.
        if ((!flag.IsNull() && flag.AsBoolean()) == shouldBeLent)
            continue;
        books.Edit();
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(shouldBeLent);
        books.Post();
        ++repaired;
    }
    return repaired;
}

QString RecoveryRepair::lentFlagsSentence(int repaired) {
    if (repaired <= 0)
        return {};
    if (repaired == 1)
        return QStringLiteral("Bei einem Buch wurde der Ausleihstatus an die offenen Ausleihen angepasst.");
    return QStringLiteral("Bei %1 Büchern wurde der Ausleihstatus an die offenen Ausleihen angepasst.").arg(repaired);
}

} // namespace lesaro
