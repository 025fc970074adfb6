// The real program, worked through its windows (new books and titles typed into the book entry window, loans
// and returns scanned into the lending windows), killed without warning again and again: every change whose
// post had returned before the last sync the program reported is in the tables after the next start, the
// tables load every time, each book's lent flag agrees with its open loans (also when a kill fell between the
// two posts of a loan or a return) and no book or reader number is ever handed out twice.
#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <csignal>
#include <optional>
#include <sys/stat.h>

using namespace lesaro;

namespace {

// The runs after the first, each killed once; every fourth of them in its end.
constexpr int kRuns = 48;
// A start that takes longer than this has hung: the limit is far beyond a start of the sanitizer build on a
// busy machine.
constexpr int kStartLimitMs = 180000;

const QString kRecovered = QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet.");

// How many books the start put right, from its notice; 0 when it names none.
int repairsIn(const QString& notice) {
    static const QRegularExpression sentence(QStringLiteral(
        " Bei (\\d+|einem) (Buch|Büchern) wurde der Ausleihstatus an die offenen Ausleihen angepasst\\.$"));
    const QRegularExpressionMatch m = sentence.match(notice);
    if (!m.hasMatch())
        return 0;
    return m.captured(1) == QLatin1String("einem") ? 1 : m.captured(1).toInt();
}

// One step of the program's driver: R new reader, N new book, M new title, D deleted book, L loan, T return.
// id is the reader's or the book's ID; loan and reader are set for L and T.
struct Step {
    int n = 0;
    char kind = 0;
    qint32 id = 0;
    QString mark;
    qint32 loan = 0;
    qint32 reader = 0;

    QString text() const {
        const QString head = QStringLiteral("%1 %2 %3").arg(n).arg(QChar::fromLatin1(kind)).arg(id);
        if (kind == 'L' || kind == 'T')
            return head + QStringLiteral(" loan %1 reader %2").arg(loan).arg(reader);
        return head + u' ' + mark;
    }
};

// One run of the program with the driver, its output read line by line.
class Run {
public:
    Run(const QString& home, const QString& tag, int count, int interval) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(LESARO_DRIVEN_PROGRAM),
                        {QStringLiteral("%1:%2:%3").arg(tag).arg(count).arg(interval)});
    }
    ~Run() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    bool waitForReady(int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            take();
            if (m_ready || !m_failures.isEmpty())
                return m_ready;
            if (m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(100);
        }
        return false;
    }
    void wait(int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(std::max(1, int(ms - clock.elapsed())));
    }
    void killAfter(int ms) {
        wait(ms);
        m_endedBeforeKill = ended();
        signal(SIGKILL);
        m_process.waitForFinished(10000);
        take();
    }
    // Works until the journal covers its first steps synced steps: the work of a run is counted in steps, not
    // in time, so a slow machine does the same work, only later. False when the program stopped first.
    bool workUntilSynced(int steps) {
        while (m_lastSync < steps && m_failures.isEmpty()) {
            if (m_process.state() != QProcess::Running)
                return false;
            m_process.waitForReadyRead(100);
            take();
        }
        return m_failures.isEmpty();
    }
    // Is asked to end (as at logout) and killed ms later, somewhere in its end.
    void terminateThenKill(int ms) {
        signal(SIGTERM);
        killAfter(ms);
    }
    // Is asked to end and killed ms after the end's save reported its first table file.
    void terminateThenKillInSave(int ms) {
        // Tables a start wrote after replaying a journal are not the end's save.
        take();
        m_tablesSaved = 0;
        signal(SIGTERM);
        while (m_tablesSaved == 0 && m_process.state() == QProcess::Running) {
            m_process.waitForReadyRead(100);
            take();
        }
        killAfter(ms);
    }
    bool terminate() {
        signal(SIGTERM);
        const bool ended = m_process.waitForFinished(kStartLimitMs);
        take();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    const std::vector<Step>& posted() const { return m_posted; }
    int lastSync() const { return m_lastSync; }
    // The step that had begun but not reported its posts when the program died: some of them may be in.
    std::optional<Step> inFlight() const {
        if (m_begun.n == 0 || (!m_posted.empty() && m_posted.back().n >= m_begun.n))
            return std::nullopt;
        return m_begun;
    }
    // Messages the program showed before it was ready, and the driver's reports of steps gone wrong.
    const QStringList& notices() const { return m_notices; }
    const QStringList& failures() const { return m_failures; }
    QString output() { return m_seed + QLatin1Char('\n') + QString::fromLocal8Bit(m_process.readAllStandardError()); }
    bool ended() const { return m_process.state() == QProcess::NotRunning; }
    bool endedBeforeKill() const { return m_endedBeforeKill; }

private:
    // Only the program itself: a process id of 0 would mean this test's whole process group.
    void signal(int sig) {
        const qint64 pid = m_process.processId();
        if (m_process.state() == QProcess::Running && pid > 0)
            ::kill(pid_t(pid), sig);
    }
    void take() {
        m_pending += m_process.readAllStandardOutput();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(end));
            m_pending.remove(0, end + 1);
            const QStringList w = line.split(u' ');
            const QString head = w.value(0);
            if (head == QLatin1String("ready")) {
                m_ready = true;
            } else if (head == QLatin1String("seed")) {
                m_seed = line;
            } else if (head == QLatin1String("N") && !m_ready) {
                m_notices << line.mid(2);
            } else if (head == QLatin1String("E")) {
                m_failures << line.mid(2);
            } else if (head == QLatin1String("W")) {
                ++m_tablesSaved;
            } else if (head == QLatin1String("S") && w.size() == 2) {
                m_lastSync = w[1].toInt();
            } else if (head == QLatin1String("B") && w.size() == 4) {
                m_begun = Step{w[1].toInt(), w[2].at(0).toLatin1(), w[3].toInt(), {}};
            } else if (head == QLatin1String("P") && w.size() >= 5) {
                Step s{w[1].toInt(), w[2].at(0).toLatin1(), w[3].toInt(), {}};
                if (s.kind == 'L' || s.kind == 'T') {
                    s.loan = w[4].toInt();
                    s.reader = w.value(5).toInt();
                } else {
                    s.mark = w[4];
                }
                m_posted.push_back(s);
            }
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    bool m_ready = false;
    bool m_endedBeforeKill = false;
    int m_lastSync = 0;
    int m_tablesSaved = 0;
    QString m_seed;
    Step m_begun;
    std::vector<Step> m_posted;
    QStringList m_notices;
    QStringList m_failures;
};

// What a killed run left for the next start to check.
struct Finished {
    QString tag;
    std::vector<Step> posted;
    int lastSync = 0;
    std::optional<Step> inFlight;
};

// Writing a table replaces its file, so the files' identities tell how far a save had come.
struct FileState {
    std::array<quint64, 3> inodes{};
    bool journal = false;
};

FileState fileStateIn(const QString& folder) {
    FileState state;
    const char* names[] = {"buecher30.b04", "leser30.b04", "ausleihe30.b04"};
    for (size_t i = 0; i < state.inodes.size(); ++i) {
        struct stat st {};
        if (::stat(QFile::encodeName(folder + QLatin1String(names[i])).constData(), &st) == 0)
            state.inodes[i] = quint64(st.st_ino);
    }
    state.journal = QFileInfo::exists(folder + QStringLiteral("journal.lsj"));
    return state;
}

int replacedFiles(const FileState& before, const FileState& after) {
    int n = 0;
    for (size_t i = 0; i < before.inodes.size(); ++i)
        n += before.inodes[i] != after.inodes[i];
    return n;
}

// What the table files in the data folder hold.
struct Tables {
    struct Book {
        QString title;
        QString author;
        bool lent = false;
        int openLoans = 0;
        qint32 number = 0;
    };
    struct Loan {
        qint32 book = 0;
        qint32 reader = 0;
        bool lentOn = false; // DatumVon set
        bool open = false;   // DatumBis empty
        bool due = false;    // DatumBisSoll set
    };
    QHash<qint32, Book> books; // live rows by ID
    QHash<qint32, QSet<QString>> titlesEver;
    QHash<qint32, Loan> loans;
    QHash<qint32, QString> readers;      // ID → Nachname
    QHash<qint32, qint32> readerNumbers; // ID → Nummer
};

int columnOf(const RowStore& s, const char* name) {
    for (int c = 0; c < s.columnCount(); ++c) {
        if (s.columns()[c].name == QLatin1String(name))
            return c;
    }
    throw EngineError(QStringLiteral("column %1 missing").arg(QLatin1String(name)));
}

Tables tablesIn(const QString& folder) {
    Tables t;
    const RowStore books = ReadDatapacket(readWholeFile(folder + QStringLiteral("buecher30.b04")));
    const int bookId = columnOf(books, "ID"), title = columnOf(books, "Titel"), lent = columnOf(books, "ausgeliehen"),
              author = columnOf(books, "Verfasser"), number = columnOf(books, "Nummer");
    for (qsizetype i = 0; i < books.slotCount(); ++i) {
        const qint32 id = books.value(i, bookId).toInt();
        const QString text = QString::fromLatin1(books.value(i, title).bytes());
        t.titlesEver[id].insert(text);
        if (SlotStatus::isLive(books.status(i)))
            t.books.insert(id, {text, QString::fromLatin1(books.value(i, author).bytes()),
                                books.value(i, lent).toBool(), 0, books.value(i, number).toInt()});
    }
    const RowStore loans = ReadDatapacket(readWholeFile(folder + QStringLiteral("ausleihe30.b04")));
    const int loanId = columnOf(loans, "ID"), book = columnOf(loans, "BuecherID"), reader = columnOf(loans, "LeserID"),
              from = columnOf(loans, "DatumVon"), back = columnOf(loans, "DatumBis"),
              due = columnOf(loans, "DatumBisSoll");
    for (qsizetype i = 0; i < loans.slotCount(); ++i) {
        if (!SlotStatus::isLive(loans.status(i)))
            continue;
        const Tables::Loan l{loans.value(i, book).toInt(), loans.value(i, reader).toInt(),
                             !loans.value(i, from).isNull(), loans.value(i, back).isNull(),
                             !loans.value(i, due).isNull()};
        t.loans.insert(loans.value(i, loanId).toInt(), l);
        if (l.open && t.books.contains(l.book))
            ++t.books[l.book].openLoans;
    }
    const RowStore readers = ReadDatapacket(readWholeFile(folder + QStringLiteral("leser30.b04")));
    const int readerId = columnOf(readers, "ID"), name = columnOf(readers, "Nachname"),
              readerNumber = columnOf(readers, "Nummer");
    for (qsizetype i = 0; i < readers.slotCount(); ++i) {
        if (!SlotStatus::isLive(readers.status(i)))
            continue;
        const qint32 id = readers.value(i, readerId).toInt();
        t.readers.insert(id, QString::fromLatin1(readers.value(i, name).bytes()));
        t.readerNumbers.insert(id, readers.value(i, readerNumber).toInt());
    }
    return t;
}

// A reason the tables contradict a step that was synced; empty when they hold it. What a later step may have
// changed since (a later title, the return of a loan) is checked by checkLatest().
QString missing(const Tables& t, const Step& s, const QSet<qint32>& returnedLoans, const QSet<qint32>& returnTried,
                const QSet<qint32>& deleteTried) {
    switch (s.kind) {
    case 'R':
        return t.readers.value(s.id) == s.mark ? QString() : QStringLiteral("the reader is not there");
    case 'D':
        return t.books.contains(s.id) ? QStringLiteral("the deleted book is there") : QString();
    case 'N':
        if (!t.books.contains(s.id) && !deleteTried.contains(s.id))
            return QStringLiteral("the book is not there");
        // The author typed into the book entry window, umlauts and all.
        if (t.books.contains(s.id) && t.books.value(s.id).author != QStringLiteral("Prüfer, Jörg"))
            return QStringLiteral("the book's author is %1").arg(t.books.value(s.id).author);
        [[fallthrough]];
    case 'M':
        return t.titlesEver.value(s.id).contains(s.mark) ? QString() : QStringLiteral("no version has the title");
    case 'L': {
        const auto loan = t.loans.constFind(s.loan);
        if (loan == t.loans.cend())
            return QStringLiteral("the loan is not there");
        if (loan->book != s.id || loan->reader != s.reader || !loan->lentOn)
            return QStringLiteral("the loan names another book or reader, or no date");
        if (loan->open && returnedLoans.contains(s.loan))
            return QStringLiteral("the loan is open after its synced return");
        if (!loan->open && !returnedLoans.contains(s.loan) && !returnTried.contains(s.id))
            return QStringLiteral("the loan is closed without any return");
        return {};
    }
    case 'T': {
        const auto loan = t.loans.constFind(s.loan);
        if (loan == t.loans.cend() || loan->book != s.id || loan->open || loan->due)
            return QStringLiteral("the loan is not closed");
        return {};
    }
    }
    return QStringLiteral("unknown step");
}

} // namespace

class JournalKillTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySyncedChangeSurvivesAKill() {
        QTemporaryDir home;
        const QString folder = home.path() + QStringLiteral("/data/Tomarelle 2022/");
        const quint32 seed = 20261210;
        QRandomGenerator rng(seed);
        std::vector<std::pair<int, Step>> synced; // with the run that made it
        QSet<qint32> returnedLoans;               // loans whose return was synced
        QSet<qint32> returnTried;                 // books with a return posted or begun, synced or not
        QSet<qint32> deleteTried;                 // books whose deletion was posted or begun, synced or not
        int kills = 0, duringEnd = 0, duringStep = 0, recoveries = 0, journalsLeft = 0, postedTotal = 0;
        int beforeSave = 0, duringSave = 0, afterSave = 0, inBookings = 0, repairs = 0;
        int found = 0;
        QHash<char, int> syncedKinds;
        QString lastRun;
        std::optional<Finished> previous;
        const auto fail = [&](int start, const QString& what) {
            QString last;
            if (previous) {
                const auto& posted = previous->posted;
                for (size_t i = posted.size() > 6 ? posted.size() - 6 : 0; i < posted.size(); ++i)
                    last += QStringLiteral("\n  P ") + posted[i].text();
                if (const auto f = previous->inFlight)
                    last += QStringLiteral("\n  in flight: ") + f->text();
            }
            QFAIL(qPrintable(
                QStringLiteral("seed %1, start %2: %3; %4%5").arg(seed).arg(start).arg(what, lastRun, last)));
        };
        // What a start said. Every change is appended before its post returns, so only the step a kill caught
        // can be torn, and only a loan or a return is two posts: a start puts right one book at most, and only
        // after such a kill.
        const auto checkStart = [&](int start, Run& run) {
            const bool bookingInFlight =
                previous && previous->inFlight && (previous->inFlight->kind == 'L' || previous->inFlight->kind == 'T');
            for (const QString& notice : run.notices()) {
                const int repaired = repairsIn(notice);
                if (repaired > (bookingInFlight ? 1 : 0))
                    return fail(start, QStringLiteral("%1 lent flags put right: ").arg(repaired) + notice);
                repairs += repaired;
            }
        };
        const auto check = [&](int start, Run& run) {
            for (const QString& notice : run.notices()) {
                if (!notice.startsWith(kRecovered))
                    return fail(start, QStringLiteral("unexpected message: ") + notice);
            }
            Tables t;
            try {
                t = tablesIn(folder);
            } catch (const EngineError& e) {
                return fail(start, QStringLiteral("the tables do not load: ") + e.message());
            }
            found = 0;
            for (const auto& [r, s] : synced) {
                const QString why = missing(t, s, returnedLoans, returnTried, deleteTried);
                if (!why.isEmpty())
                    return fail(start, QStringLiteral("step %1 of run %2 is lost: %3").arg(s.text()).arg(r).arg(why));
                ++found;
            }
            // The latest state of what the run before changed: a synced title, loan or return is still the
            // book's state unless a later step of that run (posted or begun) touched the book again.
            if (previous) {
                const std::vector<Step>& posted = previous->posted;
                const std::optional<Step> flying = previous->inFlight;
                for (size_t i = 0; i < posted.size() && posted[i].n <= previous->lastSync; ++i) {
                    const Step& s = posted[i];
                    if (s.kind == 'R' || s.kind == 'D')
                        continue;
                    QSet<QString> titles{s.mark};
                    bool touchedLater = flying && flying->id == s.id && flying->kind != 'N' && flying->kind != 'R';
                    if (flying && flying->kind == 'M' && flying->id == s.id)
                        titles.insert(QStringLiteral("J%1-%2").arg(previous->tag).arg(flying->n));
                    for (size_t j = i + 1; j < posted.size(); ++j) {
                        if (posted[j].id == s.id && posted[j].kind != 'R') {
                            touchedLater = true;
                            titles.insert(posted[j].mark);
                        }
                    }
                    // A book deleted by a later step may be gone; that the deletion was posted is checked above.
                    if (!t.books.contains(s.id) && deleteTried.contains(s.id))
                        continue;
                    const Tables::Book book = t.books.value(s.id);
                    if ((s.kind == 'N' || s.kind == 'M') && !titles.contains(book.title))
                        return fail(start, QStringLiteral("book %1 has the title %2, older than step %3")
                                               .arg(s.id)
                                               .arg(book.title, s.text()));
                    if (touchedLater)
                        continue;
                    if (s.kind == 'L' && (!book.lent || book.openLoans != 1 || !t.loans.value(s.loan).open))
                        return fail(start,
                                    QStringLiteral("the loan of step %1 is not the book's open loan").arg(s.text()));
                    if (s.kind == 'T' && (book.lent || book.openLoans != 0))
                        return fail(start,
                                    QStringLiteral("book %1 is still lent after step %2").arg(s.id).arg(s.text()));
                }
            }
            // Every book, also one a kill caught between the two posts of its loan or return.
            QHash<qint32, qint32> bookWithNumber;
            for (auto b = t.books.cbegin(); b != t.books.cend(); ++b) {
                if (b->lent != (b->openLoans > 0) || b->openLoans > 1)
                    return fail(start, QStringLiteral("book %1 is %2lent with %3 open loans")
                                           .arg(b.key())
                                           .arg(b->lent ? QString() : QStringLiteral("not "))
                                           .arg(b->openLoans));
                if (const qint32 other = bookWithNumber.value(b->number))
                    return fail(start, QStringLiteral("books %1 and %2 both carry the number %3")
                                           .arg(other)
                                           .arg(b.key())
                                           .arg(b->number));
                bookWithNumber.insert(b->number, b.key());
            }
            QHash<qint32, qint32> readerWithNumber;
            for (auto r = t.readerNumbers.cbegin(); r != t.readerNumbers.cend(); ++r) {
                if (const qint32 other = readerWithNumber.value(r.value()))
                    return fail(start, QStringLiteral("readers %1 and %2 both carry the number %3")
                                           .arg(other)
                                           .arg(r.key())
                                           .arg(r.value()));
                readerWithNumber.insert(r.value(), r.key());
            }
        };
        const auto takeSynced = [&](int r, const std::vector<Step>& posted, int lastSync) {
            for (const Step& s : posted) {
                if (s.kind == 'T')
                    returnTried.insert(s.id);
                if (s.kind == 'D')
                    deleteTried.insert(s.id);
            }
            for (const Step& s : posted) {
                if (s.n > lastSync)
                    break;
                synced.push_back({r, s});
                ++syncedKinds[s.kind];
                if (s.kind == 'T')
                    returnedLoans.insert(s.loan);
            }
            postedTotal += int(posted.size());
        };
        // A first run ends cleanly: a clean end writes every step and leaves no journal.
        {
            Run first(home.path(), QStringLiteral("c"), 100000, 1);
            QVERIFY2(first.waitForReady(kStartLimitMs), qPrintable(first.failures().join(u'\n') + first.output()));
            QVERIFY2(first.workUntilSynced(30), qPrintable(first.failures().join(u'\n') + first.output()));
            QVERIFY2(first.terminate(), qPrintable(first.output()));
            QVERIFY2(first.failures().isEmpty(), qPrintable(first.failures().join(u'\n')));
            QVERIFY(!QFileInfo::exists(folder + QStringLiteral("journal.lsj")));
            const int all = first.posted().empty() ? 0 : first.posted().back().n;
            takeSynced(-1, first.posted(), all);
            previous = Finished{QStringLiteral("c"), first.posted(), all, std::nullopt};
        }
        // Each kind of step must be synced often enough to mean something (see the end).
        const auto enoughOfEachKind = [&] {
            for (const char kind : {'R', 'N', 'M', 'D', 'L', 'T'}) {
                if (syncedKinds.value(kind) < (kind == 'R' ? 1 : 20))
                    return false;
            }
            return true;
        };
        int r = 0;
        for (; r < kRuns; ++r) {
            // A journal left by the killed run before (none when the kill came after the end's clean-up).
            if (QFileInfo::exists(folder + QStringLiteral("journal.lsj")))
                ++journalsLeft;
            Run run(home.path(), QStringLiteral("r%1").arg(r), 100000, 1);
            QVERIFY2(run.waitForReady(kStartLimitMs), qPrintable(run.failures().join(u'\n') + run.output()));
            // What the start found: every change synced in every earlier run.
            checkStart(r, run);
            check(r, run);
            if (!run.notices().isEmpty())
                ++recoveries;
            if (QTest::currentTestFailed())
                return;
            const FileState atReady = fileStateIn(folder);
            // Each run works until a number of its steps reached the disk, then goes on working a few
            // milliseconds more, so that the kill may catch a step, or one post of a loan or a return.
            const int steps = 5 + int(rng.bounded(36));
            QVERIFY2(run.workUntilSynced(steps), qPrintable(run.failures().join(u'\n') + run.output()));
            const int delay = int(rng.bounded(20));
            // Most runs are killed while they work; every fourth is asked to end and killed during its end:
            // half of those somewhere in the end, the other half while the save holds after its first table
            // file, so that some kills surely land between two table files however fast or slow the machine.
            const bool atEnd = r % 4 == 3;
            const bool inSave = atEnd && (r / 4) % 2 == 1;
            QString landed;
            if (atEnd) {
                if (inSave) {
                    const int intoSave = int(rng.bounded(100));
                    run.terminateThenKillInSave(intoSave);
                    landed = QStringLiteral("%1 ms after its first table file").arg(intoSave);
                } else {
                    run.terminateThenKill(delay);
                    landed = QStringLiteral("%1 ms into its end").arg(delay);
                }
                ++duringEnd;
                const FileState after = fileStateIn(folder);
                if (!after.journal) {
                    ++afterSave;
                    landed += QStringLiteral(", after its save");
                } else if (replacedFiles(atReady, after) == 0) {
                    ++beforeSave;
                    landed += QStringLiteral(", before its save");
                } else {
                    ++duringSave;
                    landed += QStringLiteral(", inside its save");
                }
            } else {
                run.killAfter(delay);
                QVERIFY2(!run.endedBeforeKill(), qPrintable(run.output()));
            }
            QVERIFY2(run.failures().isEmpty(), qPrintable(run.failures().join(u'\n') + run.output()));
            ++kills;
            lastRun = QStringLiteral("run %1 killed %2 ms after %3 steps were synced%4: %5 posted, synced up to %6")
                          .arg(r)
                          .arg(delay)
                          .arg(steps)
                          .arg(atEnd ? QStringLiteral(" and asked to end, ") + landed : QString())
                          .arg(run.posted().size())
                          .arg(run.lastSync());
            if (const auto f = run.inFlight()) {
                ++duringStep;
                if (f->kind == 'L' || f->kind == 'T')
                    ++inBookings;
                if (f->kind == 'T')
                    returnTried.insert(f->id);
                if (f->kind == 'D')
                    deleteTried.insert(f->id);
            }
            takeSynced(r, run.posted(), run.lastSync());
            previous = Finished{QStringLiteral("r%1").arg(r), run.posted(), run.lastSync(), run.inFlight()};
        }
        // A last, clean run: everything is there, and the clean end leaves no journal behind.
        Run last(home.path(), QStringLiteral("end"), 0, 1);
        QVERIFY(last.waitForReady(kStartLimitMs));
        checkStart(r, last);
        check(r, last);
        if (!last.notices().isEmpty())
            ++recoveries;
        if (QTest::currentTestFailed())
            return;
        QVERIFY(last.terminate());
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("journal.lsj")));
        previous.reset();
        check(r + 1, last);
        // Each kind of step must have been synced often enough to mean something, and some kills must have
        // caught the final save between its first replaced table file and the journal's removal.
        QVERIFY2(duringSave > 0,
                 qPrintable(QStringLiteral("%1 kills before the save, %2 after it").arg(beforeSave).arg(afterSave)));
        QVERIFY2(enoughOfEachKind(),
                 qPrintable(QStringLiteral("synced after %1 runs: %2 R, %3 N, %4 M, %5 D, %6 L, %7 T")
                                .arg(r)
                                .arg(syncedKinds.value('R'))
                                .arg(syncedKinds.value('N'))
                                .arg(syncedKinds.value('M'))
                                .arg(syncedKinds.value('D'))
                                .arg(syncedKinds.value('L'))
                                .arg(syncedKinds.value('T'))));
        qInfo("%d kills (%d during the end: %d before the final save, %d inside it, %d after it; %d during a step, %d "
              "of them during a booking or return), "
              "%d steps posted, %d reported synced (%d readers, %d "
              "books, %d titles, %d deleted books, %d loans, %d returns), %d starts found a journal, %d of them "
              "recovered changes, %d lent flags put right by a start (kills between the two posts), "
              "%d synced changes found at the last start",
              kills, duringEnd, beforeSave, duringSave, afterSave, duringStep, inBookings, postedTotal,
              int(synced.size()), syncedKinds.value('R'), syncedKinds.value('N'), syncedKinds.value('M'),
              syncedKinds.value('D'), syncedKinds.value('L'), syncedKinds.value('T'), journalsLeft, recoveries, repairs,
              found);
    }
};

QTEST_GUILESS_MAIN(JournalKillTest)
#include "tst_journal_kill.moc"
