#include "library/LoanRelease.h"

#include "core/Table.h"
#include "library/CurrentRowKeeper.h"
#include "library/FilterPause.h"

namespace lesaro::LoanRelease {

bool setLentFlag(Table& books, const QVariant& bookId, bool lent) {
    if (!bookId.isValid() || bookId.isNull())
        return false;
    const auto setFlag = [&] {
        const Field flag = books.FieldByName(QStringLiteral("ausgeliehen"));
        if (!flag.IsNull() && flag.AsBoolean() == lent)
            return false;
        if (books.State() == TableState::Browse)
            books.Edit();
        books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(lent);
        return true;
    };
    // Often the book is the current one (the loan history shows the book entry window's book). An entry being
    // edited there takes the flag along and is saved by that window; moving away would save it behind its back.
    if (books.RecordCount() > 0 && books.FieldByName(QStringLiteral("ID")).AsVariant() == bookId) {
        const bool browsing = books.State() == TableState::Browse;
        if (setFlag() && browsing)
            books.Post();
        return true;
    }
    // Otherwise it is looked for among all books, whatever narrowing a window left. The book the user marked
    // in the list stays marked: the next "Buch löschen" must not hit this one. An engine error on the way must
    // not leave the narrowing off either, or the loan desk would offer lent books for lending.
    const CurrentRowKeeper keep(books);
    const FilterPause pause(books);
    if (!books.Locate(QStringLiteral("ID"), {bookId}))
        return false;
    if (setFlag())
        books.Post();
    return true;
}

void releaseBookOfDeletedLoan(Table& loans, Table& books) {
    if (loans.RecordCount() == 0 || !loans.FieldByName(QStringLiteral("DatumBis")).IsNull())
        return;
    setLentFlag(books, loans.FieldByName(QStringLiteral("BuecherID")).AsVariant(), false);
}

} // namespace lesaro::LoanRelease
