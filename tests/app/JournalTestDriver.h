#pragma once

#include <QHash>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QTimer>
#include <vector>

class QLineEdit;

namespace lesaro {

class LibraryHandle;
class TAusleiheBuchenF;
class TDB1EingabeF;
class TLeserEingebenF;
class TMainform;
class TRueckgabeF;

// Works the running program as a librarian would, for the crash journal's kill test: given the plan
// "tag:count:interval" on the command line of the test's own program, one step every interval milliseconds, count steps
// at most, chosen at random from a generator seeded by the tag. Each step goes through the windows' own
// handlers, the very ones their buttons and the scanner's Enter call: a new book or a changed title typed
// into the book entry window and saved there, a loan booked by scanning a reader's and a book's number into
// the loan window, a return booked by scanning a book's number into the return window, a book that was never
// lent deleted in the book entry window with "Ja" to its question, and a reader typed into the reader window
// when there is none to lend to.
//
// Its output, one line each: "seed <n>"; "N <text>" for every message the program showed; "ready" once the
// main window is up; "B <n> <kind> <book ID>" before step n begins (the book ID of a loan or a return, 0
// otherwise), "P <n> ..." after every post of step n returned (see step()), "S <n>" after each sync of the
// journal that covers steps 1 to n, "W" after each table file of the end's save (which then holds 50 ms),
// and "E <text>" when a step did not come out as the windows promise, when a new book or reader was handed a
// number another one carries, or when the start left a number given twice or a lent flag that disagrees
// with the book's loans (the driver stops then).
class JournalTestDriver : public QObject {
    Q_OBJECT
public:
    static void start(TMainform& window, LibraryHandle& library, const QString& plan);
    ~JournalTestDriver() override;

private:
    JournalTestDriver(TMainform& window, LibraryHandle& library, const QString& tag, int count, int interval);

    struct Book {
        qint32 id = 0;
        qint32 number = 0;
        bool lent = false;
        qint32 openLoan = 0; // ID of its open loan, 0 when none
    };
    struct Reader {
        qint32 id = 0;
        qint32 number = 0;
    };

    void tick();
    bool begin();
    void readTables();
    void step(int n);
    // Each returns the "P" line, or an empty text after it reported the failure.
    QString addReader(int n);
    QString addBook(int n);
    QString editTitle(int n, const Book& book);
    QString bookLoan(int n, const Book& book, const Reader& reader);
    QString bookReturn(int n, const Book& book);
    QString deleteBook(int n, const Book& book);
    std::vector<Book> booksToScan(bool lent) const;
    // What a start must leave, after a crash too: every book and reader number given once, and every book's
    // lent flag agreeing with its open loan.
    bool checkStart();
    // A number handed out to a new book or reader repeats none that a live row carries.
    bool numberIsNew(const char* what, qint32 number, const QHash<qint32, int>& taken);
    bool fail(const QString& what);
    bool reportMessages();
    QString mark(int n) const;

    TMainform& m_window;
    LibraryHandle& m_library;
    QString m_tag;
    int m_count = 0;
    int m_done = 0;
    bool m_started = false;
    bool m_stopped = false;
    QTimer m_timer;
    QRandomGenerator m_random;
    TDB1EingabeF* m_bookEntry = nullptr;
    TLeserEingebenF* m_readerEntry = nullptr;
    TAusleiheBuchenF* m_lending = nullptr;
    TRueckgabeF* m_returns = nullptr;
    // The driver's picture of the tables, read at the start and kept up to date from what each step left
    // in them.
    std::vector<Book> m_books;
    QHash<qint32, size_t> m_bookAt; // ID → index in m_books
    QSet<qint32> m_everLent;        // books with loans, open or closed
    std::vector<Reader> m_readers;
    QHash<qint32, int> m_readerNumbers; // number → how many readers carry it
    QHash<qint32, int> m_bookNumbers;   // number → how many live books carry it
};

} // namespace lesaro
