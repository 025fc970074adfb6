#pragma once

#include <QDate>
#include <QVariant>

namespace lesaro {

class LibraryData;
class Table;

// The rules of the lending desk on the library's tables, without any window: booking a loan of the current
// book to the current reader, booking the return of the current book, and keeping a book's `ausgeliehen`
// in step with its open loans. The windows call these; the benchmark drives them directly.
class LoanDesk {
public:
    explicit LoanDesk(LibraryData& data);

    enum class Booking { Booked, NoReaders, NoBooks };
    // Lends the book current in ClientBuecher to the reader current in ClientLeser, both as narrowed.
    Booking bookLoan(QDate lendingDate, QDate dueDate);

    enum class Return { Returned, NoBooks, NoOpenLoan };
    // Closes the open loan of the book current in ClientBuecher and marks the book as available.
    Return bookReturn(QDate returnDate);

    // True while the book with this ID has a loan row with an empty return date, whatever filter the
    // loan table carries.
    bool hasOpenLoan(const QVariant& bookId) const;
    // Sets the book's `ausgeliehen` to whether it has an open loan; posts only when that changes it.
    // The book table's current row stays where it was.
    void syncLentFlag(const QVariant& bookId);

    // Notices the windows show for the results above.
    static QString message(Booking result);
    static QString message(Return result);

private:
    bool locateOpenLoan(Table& loans, const QVariant& bookId);

    LibraryData& m_data;
};

} // namespace lesaro
