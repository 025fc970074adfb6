#include "lending/rules/LoanDesk.h"

#include "core/RowStore.h"
#include "library/FilterPause.h"
#include "library/LibraryData.h"
#include "library/LoanRelease.h"

namespace lesaro {

namespace {
const QString kBookKeyFields = QStringLiteral("BuecherID;DatumBis");

} // namespace

LoanDesk::LoanDesk(LibraryData& data)
    : m_data(data) {}

LoanDesk::Booking LoanDesk::bookLoan(QDate lendingDate, QDate dueDate) {
    Table& readers = m_data.ClientLeser;
    Table& books = m_data.ClientBuecher;
    Table& loans = m_data.ClientAusleihe;
    if (readers.RecordCount() == 0)
        return Booking::NoReaders;
    if (books.RecordCount() == 0)
        return Booking::NoBooks;
    const QVariant bookId = books.FieldByName(QStringLiteral("ID")).AsVariant();
    const QVariant readerId = readers.FieldByName(QStringLiteral("ID")).AsVariant();
    loans.Insert();
    try {
        loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(bookId.toInt());
        loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(readerId.toInt());
        loans.FieldByName(QStringLiteral("DatumVon")).setAsDate(lendingDate);
        loans.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(dueDate);
        loans.Post();
    } catch (...) {
        loans.Cancel();
        throw;
    }
    books.Edit();
    books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(true);
    books.Post();
    return Booking::Booked;
}

bool LoanDesk::locateOpenLoan(Table& loans, const QVariant& bookId) {
    return loans.Locate(kBookKeyFields, {bookId, QVariant()});
}

LoanDesk::Return LoanDesk::bookReturn(QDate returnDate) {
    Table& books = m_data.ClientBuecher;
    Table& loans = m_data.ClientAusleihe;
    if (books.RecordCount() == 0)
        return Return::NoBooks;
    const QVariant bookId = books.FieldByName(QStringLiteral("ID")).AsVariant();
    const auto closeLoan = [&] {
        loans.Edit();
        loans.FieldByName(QStringLiteral("DatumBis")).setAsDate(returnDate);
        loans.FieldByName(QStringLiteral("DatumBisSoll")).Clear();
        loans.Post();
    };
    if (locateOpenLoan(loans, bookId)) {
        closeLoan();
    } else {
        // Another window may have left a filter on the loan table (the overdue page, a reader's open loans)
        // that hides this book's open loan; the return must still find it. Only this rare case pays for
        // switching the filter off and on again.
        if (!loans.Filtered() || !hasOpenLoan(bookId))
            return Return::NoOpenLoan;
        const FilterPause pause(loans);
        if (!locateOpenLoan(loans, bookId))
            return Return::NoOpenLoan;
        closeLoan();
    }
    books.Edit();
    books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(false);
    books.Post();
    return Return::Returned;
}

bool LoanDesk::hasOpenLoan(const QVariant& bookId) const {
    if (!bookId.isValid() || bookId.isNull())
        return false;
    const RowStore& store = m_data.ClientAusleihe.store();
    const int bookColumn = store.columnIndex(QStringLiteral("BuecherID"));
    const int returnColumn = store.columnIndex(QStringLiteral("DatumBis"));
    if (bookColumn < 0 || returnColumn < 0)
        return false;
    const qint32 id = bookId.toInt();
    for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
        if (!SlotStatus::isLive(store.status(slot)))
            continue;
        const RowRef row(store, slot);
        if (!row.isNull(bookColumn) && row.int32(bookColumn) == id && row.isNull(returnColumn))
            return true;
    }
    return false;
}

void LoanDesk::syncLentFlag(const QVariant& bookId) {
    LoanRelease::setLentFlag(m_data.ClientBuecher, bookId, hasOpenLoan(bookId));
}

QString LoanDesk::message(Booking result) {
    switch (result) {
    case Booking::NoReaders:
        return QStringLiteral("Keine Leser vorhanden");
    case Booking::NoBooks:
        return QStringLiteral("Keine ausleihbaren Bücher vorhanden");
    case Booking::Booked:
        break;
    }
    return {};
}

QString LoanDesk::message(Return result) {
    switch (result) {
    case Return::NoBooks:
        return QStringLiteral("Keine rückbuchbaren Bücher vorhanden");
    case Return::NoOpenLoan:
        return QStringLiteral("Fehler 165");
    case Return::Returned:
        break;
    }
    return {};
}

} // namespace lesaro
