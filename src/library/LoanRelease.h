#pragma once

#include <QVariant>

namespace lesaro {
class Table;
}

// Keeping a book's `ausgeliehen` in step when its loan ends outside the desk's own booking: a loan deleted in
// the main window's loan lists, or changed or deleted in the loan history, frees or holds its book here.
namespace lesaro::LoanRelease {

// Sets the `ausgeliehen` of the book with this ID; false when no book has it. Writes only when that changes
// the flag. The current book is changed where it stands: an entry being edited there takes the flag along
// and is saved by its window, as moving away would save it behind the window's back. Any other book is
// looked for among all books, whatever narrowing a window left on the list; the narrowing and the current
// row come back afterwards, also when the engine refuses the change.
bool setLentFlag(Table& books, const QVariant& bookId, bool lent);

// The current loan is about to be deleted: while it is still open, its book is lendable again.
void releaseBookOfDeletedLoan(Table& loans, Table& books);

} // namespace lesaro::LoanRelease
