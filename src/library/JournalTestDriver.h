#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace lesaro {

class Journal;
class LibraryData;

// Drives changes through the real program for the crash test: with LESARO_JOURNAL_TEST_DRIVER set to
// "tag:count:interval", the running program posts count changes, one every interval milliseconds, into the
// book and loan tables (new books, edited titles, new loans, deleted loans), each marked with the tag and its
// number. It prints "ready" once the tables are loaded, "P <n> <I|M|D> <mark>" after the post of change n
// returned, and "S <n>" after each sync of the journal that covers changes 1 to n.
class JournalTestDriver : public QObject {
    Q_OBJECT
public:
    static void start(LibraryData& data, Journal& journal, const QString& plan);

private:
    JournalTestDriver(LibraryData& data, Journal& journal, const QString& tag, int count, int interval);
    void step();
    QString mark(int n) const;

    LibraryData& m_data;
    Journal& m_journal;
    QString m_tag;
    int m_count = 0;
    int m_done = 0;
    QTimer m_timer;
    std::vector<qint32> m_books; // IDs of the books this run inserted
    struct Loan {
        qint32 id;
        QString mark;
    };
    std::vector<Loan> m_loans;
};

} // namespace lesaro
