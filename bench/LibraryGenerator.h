#pragma once

#include "core/Value.h"

#include <QDate>
#include <vector>

namespace lesaro {
class Table;
}

namespace lesaro::bench {

class Random;

struct LibrarySizes {
    int books = 30000;  // live books today
    int readers = 3000; // live readers today
    int loans = 150000; // loans over the ten years, open and closed

    static LibrarySizes full() { return {}; }
    // A twentieth of everything, for the smoke run.
    static LibrarySizes small() { return {1500, 150, 7500}; }
};

// One value per stored column, in the column order of LibraryTables.
using Row = std::vector<Value>;

struct LoanPlan {
    qint32 book = 0;      // ID
    qint32 reader = 0;    // ID
    qint32 lent = 0;      // day number
    qint32 returned = -1; // day number, -1 while the book is out
};

struct LibraryEvent {
    // Within a day the events happen in this order, so that a book comes back before it is lent again
    // and is weeded only after its last return.
    enum Kind : quint8 { AcquireBook, RegisterReader, Return, Lend, WeedBook, Depart };
    qint32 day;
    Kind kind;
    qint32 id; // book, reader or loan ID
};

struct GeneratedLibrary {
    QDate today;
    std::vector<Row> books;            // every book ever acquired, index ID - 1, as it stands today
    std::vector<Row> readers;          // every reader ever registered, index ID - 1
    std::vector<Row> loans;            // index ID - 1, as it stands today
    std::vector<LoanPlan> loanPlans;   // index ID - 1
    std::vector<bool> bookWeeded;      // index ID - 1: deleted from the catalogue before today
    std::vector<bool> readerDeparted;  // index ID - 1: deleted from the readers before today
    std::vector<LibraryEvent> history; // ten years of the library, in order
};

// A realistic small German lending library, the same for every seed on every machine: ten years of
// acquisitions, readers and loans ending on a fixed day, with skewed popularity of authors, keywords,
// books and readers, a few weeded books and departed readers, and a few thousand loans still open.
class LibraryGenerator {
public:
    explicit LibraryGenerator(LibrarySizes sizes, quint64 seed = 20220615);

    const GeneratedLibrary& library() const { return m_library; }
    const LibrarySizes& sizes() const { return m_sizes; }

    // Gives the three tables the library's schemas and lookup fields and opens them empty.
    static void createTables(Table& books, Table& readers, Table& loans);
    // The library as it stands today, each row inserted once (no history in the change logs).
    void fillCurrent(Table& books, Table& readers, Table& loans) const;
    // The ten years replayed through Append, Edit, Post and Delete as the program does them: every loan
    // and return changes its book, every return changes its loan, so the change logs hold every step.
    void replayHistory(Table& books, Table& readers, Table& loans) const;

private:
    void generateBooks(Random& random);
    void generateReaders(Random& random);
    void generateLoans(Random& random);
    void buildHistory();

    LibrarySizes m_sizes;
    GeneratedLibrary m_library;
    std::vector<qint32> m_bookAcquired; // day numbers, index ID - 1
    std::vector<qint32> m_bookWeededOn; // day numbers, 0 when kept
    std::vector<qint32> m_readerJoined; // day numbers
    std::vector<qint32> m_readerLeftOn; // day numbers, 0 when still a reader
};

} // namespace lesaro::bench
