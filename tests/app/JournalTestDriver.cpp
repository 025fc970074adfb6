#include "JournalTestDriver.h"

#include "catalogue/TDB1EingabeF.h"
#include "catalogue/TLeserEingebenF.h"
#include "core/EngineError.h"
#include "core/RowStore.h"
#include "core/Table.h"
#include "lending/NarrowingGroup.h"
#include "lending/TAusleiheBuchenF.h"
#include "lending/TRueckgabeF.h"
#include "library/Journal.h"
#include "library/LibraryData.h"
#include "shell/TMainform.h"
#include "ui/DBEdit.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QLineEdit>
#include <QThread>
#include <cstdio>

namespace lesaro {

namespace {

// How long the end's save holds after each table file.
constexpr unsigned long kSavePauseMs = 50;

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// FNV-1a: the same tag gives the same steps on every machine and with every Qt.
quint32 seedOf(const QString& tag) {
    quint32 h = 2166136261u;
    for (const char c : tag.toUtf8()) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return h;
}

int columnOf(const RowStore& store, const char* name) {
    const auto& columns = store.columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name == QLatin1String(name))
            return i;
    }
    throw EngineError(QStringLiteral("Feld \"%1\" fehlt").arg(QLatin1String(name)));
}

qint32 intOr0(const RowRef& row, int column) {
    return row.isNull(column) ? 0 : row.int32(column);
}

// As typing does: the edit hears the change as the user's (textEdited), so a bound edit puts its table into
// edit state and stores the text, and a search box searches.
void type(QLineEdit* edit, const QString& text) {
    edit->clear();
    edit->insert(text);
}

QString oneLine(QString text) {
    text.replace(u'\n', u' ');
    return text;
}

qint32 currentInt(Table& table, const char* field) {
    const Field f = table.FieldByName(QLatin1String(field));
    return f.IsNull() ? 0 : f.AsInteger();
}

} // namespace

void JournalTestDriver::start(TMainform& window, LibraryHandle& library, const QString& plan) {
    const QStringList parts = plan.split(u':');
    bool countOk = false;
    bool intervalOk = false;
    const int count = parts.value(1).toInt(&countOk);
    const int interval = parts.value(2).toInt(&intervalOk);
    if (parts.size() != 3 || !countOk || !intervalOk || count < 0 || interval < 0) {
        say(QStringLiteral("E Der Plan \"%1\" hat nicht die Form Kennung:Anzahl:Abstand.").arg(plan));
        return;
    }
    new JournalTestDriver(window, library, parts[0], count, interval);
}

JournalTestDriver::JournalTestDriver(TMainform& window, LibraryHandle& library, const QString& tag, int count,
                                     int interval)
    : QObject(&window)
    , m_window(window)
    , m_library(library)
    , m_tag(tag)
    , m_count(count)
    , m_random(seedOf(tag)) {
    say(QStringLiteral("seed %1").arg(seedOf(tag)));
    // Nobody answers a message box in the test; the driver reports each one instead, the recovery notice at
    // the start included.
    MessageService::setAnswering(true);
    connect(&m_library.data().journal(), &Journal::synced, this, [this] { say(QStringLiteral("S %1").arg(m_done)); });
    // The end's save of a small library takes a few milliseconds, too short for a kill timed from outside
    // to land in it reliably; the pause after each table file gives the test a window it cannot miss. The
    // connection outlives this driver (the tables are closed after the main window is gone), so it holds
    // nothing of it.
    connect(&m_library.data(), &LibraryData::tableSaved, &m_library.data(), [] {
        say(QStringLiteral("W"));
        QThread::msleep(kSavePauseMs);
    });
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &JournalTestDriver::tick);
    // The first tick comes once the main window is up and its start-up is through.
    m_timer.start();
}

JournalTestDriver::~JournalTestDriver() = default;

QString JournalTestDriver::mark(int n) const {
    return QStringLiteral("J%1-%2").arg(m_tag).arg(n);
}

bool JournalTestDriver::fail(const QString& what) {
    say(QStringLiteral("E ") + oneLine(what));
    m_stopped = true;
    m_timer.stop();
    return false;
}

bool JournalTestDriver::reportMessages() {
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    for (const MessageService::Shown& s : shown)
        say(QStringLiteral("N ") + oneLine(s.text));
    return !shown.isEmpty();
}

void JournalTestDriver::tick() {
    if (m_stopped)
        return;
    if (!m_started) {
        m_started = true;
        if (!begin())
            return;
        say(QStringLiteral("ready"));
        return;
    }
    // Nothing is posted into the end of a run that the system is ending.
    if (m_done >= m_count || MessageService::terminating()) {
        m_timer.stop();
        return;
    }
    step(m_done + 1);
}

bool JournalTestDriver::begin() {
    reportMessages();
    if (!m_window.startupDone())
        return fail(QStringLiteral("Die Tabellen wurden nicht geladen."));
    m_bookEntry = m_window.findChild<TDB1EingabeF*>();
    m_readerEntry = m_window.findChild<TLeserEingebenF*>();
    m_lending = m_window.findChild<TAusleiheBuchenF*>();
    m_returns = m_window.findChild<TRueckgabeF*>();
    if (!m_bookEntry || !m_readerEntry || !m_lending || !m_returns)
        return fail(QStringLiteral("Ein Fenster fehlt."));
    for (QWidget* w : {static_cast<QWidget*>(m_bookEntry), static_cast<QWidget*>(m_readerEntry)}) {
        for (const char* name : {"DBEdit1", "DBEdit2"}) {
            if (!w->findChild<DBEdit*>(QLatin1String(name)))
                return fail(QStringLiteral("Im Fenster %1 fehlt %2.").arg(w->objectName(), QLatin1String(name)));
        }
    }
    try {
        readTables();
    } catch (const EngineError& e) {
        return fail(e.message());
    }
    return checkStart();
}

void JournalTestDriver::readTables() {
    const RowStore& books = m_library.ClientBuecher().store();
    const int bookId = columnOf(books, "ID");
    const int bookNumber = columnOf(books, "Nummer");
    const int lent = columnOf(books, "ausgeliehen");
    for (qsizetype slot = 0; slot < books.slotCount(); ++slot) {
        if (!SlotStatus::isLive(books.status(slot)))
            continue;
        const RowRef row(books, slot);
        m_bookAt.insert(intOr0(row, bookId), m_books.size());
        m_books.push_back({intOr0(row, bookId), intOr0(row, bookNumber), row.value(lent).toBool(), 0});
    }
    for (const Book& b : m_books)
        ++m_bookNumbers[b.number];
    const RowStore& loans = m_library.ClientAusleihe().store();
    const int loanId = columnOf(loans, "ID");
    const int loanBook = columnOf(loans, "BuecherID");
    const int returned = columnOf(loans, "DatumBis");
    for (qsizetype slot = 0; slot < loans.slotCount(); ++slot) {
        if (!SlotStatus::isLive(loans.status(slot)))
            continue;
        const RowRef row(loans, slot);
        m_everLent.insert(intOr0(row, loanBook));
        const auto at = m_bookAt.constFind(intOr0(row, loanBook));
        if (row.isNull(returned) && at != m_bookAt.cend()) {
            if (m_books[*at].openLoan != 0)
                throw EngineError(QStringLiteral("Das Buch %1 hat zwei offene Ausleihen.").arg(intOr0(row, loanBook)));
            m_books[*at].openLoan = intOr0(row, loanId);
        }
    }
    const RowStore& readers = m_library.ClientLeser().store();
    const int readerId = columnOf(readers, "ID");
    const int readerNumber = columnOf(readers, "Nummer");
    for (qsizetype slot = 0; slot < readers.slotCount(); ++slot) {
        if (!SlotStatus::isLive(readers.status(slot)))
            continue;
        const RowRef row(readers, slot);
        m_readers.push_back({intOr0(row, readerId), intOr0(row, readerNumber)});
        ++m_readerNumbers[intOr0(row, readerNumber)];
    }
}

std::vector<JournalTestDriver::Book> JournalTestDriver::booksToScan(bool lent) const {
    // The loan window searches the books that can be lent, the return window those that are lent. Every
    // book is fair game: numbers are unique and flags agree with the loans, after a crash too (begin()).
    std::vector<Book> out;
    for (const Book& b : m_books) {
        if (b.lent == lent)
            out.push_back(b);
    }
    return out;
}

bool JournalTestDriver::checkStart() {
    QHash<qint32, qint32> bookWithNumber;
    for (const Book& b : m_books) {
        if (b.number == 0)
            return fail(QStringLiteral("Das Buch %1 hat keine Nummer.").arg(b.id));
        if (const qint32 other = bookWithNumber.value(b.number))
            return fail(
                QStringLiteral("Die Buchnummer %1 tragen die Bücher %2 und %3.").arg(b.number).arg(other).arg(b.id));
        bookWithNumber.insert(b.number, b.id);
        if (b.lent != (b.openLoan != 0))
            return fail(QStringLiteral("Das Buch %1 ist %2ausgeliehen, hat aber %3 offene Ausleihe.")
                            .arg(b.id)
                            .arg(b.lent ? QString() : QStringLiteral("nicht "))
                            .arg(b.openLoan ? QStringLiteral("eine") : QStringLiteral("keine")));
    }
    for (auto r = m_readerNumbers.cbegin(); r != m_readerNumbers.cend(); ++r) {
        if (r.key() == 0 || r.value() != 1)
            return fail(QStringLiteral("Die Lesernummer %1 ist %2 Mal vergeben.").arg(r.key()).arg(r.value()));
    }
    return true;
}

bool JournalTestDriver::numberIsNew(const char* what, qint32 number, const QHash<qint32, int>& taken) {
    if (number != 0 && taken.value(number) == 0)
        return true;
    fail(QStringLiteral("Die neue %1 %2 ist schon vergeben.").arg(QLatin1String(what)).arg(number));
    return false;
}

void JournalTestDriver::step(int n) {
    const std::vector<Reader>& readers = m_readers;
    const std::vector<Book> lendable = booksToScan(false);
    const std::vector<Book> returnable = booksToScan(true);
    const int roll = int(m_random.bounded(100));
    const auto pick = [this](const auto& list) { return list[size_t(m_random.bounded(quint32(list.size())))]; };
    QString line;
    try {
        // Without a reader to lend to, the first steps of a new library type one in.
        if (readers.empty() || roll < 3) {
            say(QStringLiteral("B %1 R 0").arg(n));
            line = addReader(n);
        } else if (m_books.empty() || roll < 28 || (roll >= 50 && lendable.empty() && returnable.empty())) {
            say(QStringLiteral("B %1 N 0").arg(n));
            line = addBook(n);
        } else if (roll < 45) {
            const Book book = pick(m_books);
            say(QStringLiteral("B %1 M %2").arg(n).arg(book.id));
            line = editTitle(n, book);
        } else if (roll < 50) {
            std::vector<Book> neverLent;
            for (const Book& b : m_books) {
                if (!m_everLent.contains(b.id))
                    neverLent.push_back(b);
            }
            if (neverLent.empty()) {
                say(QStringLiteral("B %1 N 0").arg(n));
                line = addBook(n);
            } else {
                const Book book = pick(neverLent);
                say(QStringLiteral("B %1 D %2").arg(n).arg(book.id));
                line = deleteBook(n, book);
            }
        } else if ((roll < 78 && !lendable.empty()) || returnable.empty()) {
            const Book book = pick(lendable);
            say(QStringLiteral("B %1 L %2").arg(n).arg(book.id));
            line = bookLoan(n, book, pick(readers));
        } else {
            const Book book = pick(returnable);
            say(QStringLiteral("B %1 T %2").arg(n).arg(book.id));
            line = bookReturn(n, book);
        }
    } catch (const EngineError& e) {
        fail(e.message());
        return;
    }
    if (line.isEmpty())
        return;
    if (reportMessages()) {
        fail(QStringLiteral("Schritt %1 zeigte eine Meldung.").arg(n));
        return;
    }
    m_done = n;
    say(line);
}

QString JournalTestDriver::addReader(int n) {
    const QString m = mark(n);
    m_readerEntry->SRColorButton1Click();
    type(m_readerEntry->findChild<DBEdit*>(QStringLiteral("DBEdit1")), QStringLiteral("Jörg"));
    type(m_readerEntry->findChild<DBEdit*>(QStringLiteral("DBEdit2")), m);
    m_readerEntry->BSpeichernClick();
    Table& readers = m_library.ClientLeser();
    if (readers.State() != TableState::Browse || readers.FieldByName(QStringLiteral("Nachname")).AsString() != m) {
        fail(QStringLiteral("Der Leser %1 wurde nicht gespeichert.").arg(m));
        return {};
    }
    const Reader r{currentInt(readers, "ID"), currentInt(readers, "Nummer")};
    if (!numberIsNew("Lesernummer", r.number, m_readerNumbers))
        return {};
    m_readers.push_back(r);
    ++m_readerNumbers[r.number];
    return QStringLiteral("P %1 R %2 %3").arg(n).arg(r.id).arg(m);
}

QString JournalTestDriver::addBook(int n) {
    const QString m = mark(n);
    m_bookEntry->BNeuClick();
    type(m_bookEntry->findChild<DBEdit*>(QStringLiteral("DBEdit1")), QStringLiteral("Prüfer, Jörg"));
    type(m_bookEntry->findChild<DBEdit*>(QStringLiteral("DBEdit2")), m);
    m_bookEntry->Button3Click();
    Table& books = m_library.ClientBuecher();
    if (books.State() != TableState::Browse || books.FieldByName(QStringLiteral("Titel")).AsString() != m) {
        fail(QStringLiteral("Das Buch %1 wurde nicht gespeichert.").arg(m));
        return {};
    }
    const Book b{currentInt(books, "ID"), currentInt(books, "Nummer"), false, 0};
    if (!numberIsNew("Buchnummer", b.number, m_bookNumbers))
        return {};
    ++m_bookNumbers[b.number];
    m_bookAt.insert(b.id, m_books.size());
    m_books.push_back(b);
    return QStringLiteral("P %1 N %2 %3").arg(n).arg(b.id).arg(m);
}

QString JournalTestDriver::editTitle(int n, const Book& book) {
    const QString m = mark(n);
    Table& books = m_library.ClientBuecher();
    // The book marked in the main window's list is the one the window opens on.
    if (!books.Locate(QStringLiteral("ID"), {book.id})) {
        fail(QStringLiteral("Das Buch %1 fehlt.").arg(book.id));
        return {};
    }
    m_bookEntry->FormShow();
    type(m_bookEntry->findChild<DBEdit*>(QStringLiteral("DBEdit2")), m);
    m_bookEntry->Button3Click();
    if (books.State() != TableState::Browse || currentInt(books, "ID") != book.id ||
        books.FieldByName(QStringLiteral("Titel")).AsString() != m) {
        fail(QStringLiteral("Der Titel %1 des Buchs %2 wurde nicht gespeichert.").arg(m).arg(book.id));
        return {};
    }
    return QStringLiteral("P %1 M %2 %3").arg(n).arg(book.id).arg(m);
}

QString JournalTestDriver::bookLoan(int n, const Book& book, const Reader& reader) {
    m_lending->FormShow();
    type(m_lending->readerGroup()->numberBox(), QString::number(reader.number));
    m_lending->ELeserNummerReturn();
    QLineEdit* bookBox = m_lending->bookGroup()->numberBox();
    type(bookBox, QString::number(book.number));
    m_lending->EBuchNummerReturn();
    // The window empties the book number box once the loan is booked, ready for the next book.
    const bool booked = bookBox->text().isEmpty();
    Table& loans = m_library.ClientAusleihe();
    const qint32 loanId = currentInt(loans, "ID");
    const bool rightLoan = currentInt(loans, "BuecherID") == book.id && currentInt(loans, "LeserID") == reader.id &&
                           loans.FieldByName(QStringLiteral("DatumBis")).IsNull();
    m_lending->FormClose();
    Table& books = m_library.ClientBuecher();
    if (!booked || !rightLoan || !books.Locate(QStringLiteral("ID"), {book.id}) ||
        !books.FieldByName(QStringLiteral("ausgeliehen")).AsBoolean()) {
        fail(QStringLiteral("Die Ausleihe des Buchs %1 an den Leser %2 wurde nicht gebucht.")
                 .arg(book.id)
                 .arg(reader.id));
        return {};
    }
    m_everLent.insert(book.id);
    Book& b = m_books[m_bookAt.value(book.id)];
    b.lent = true;
    b.openLoan = loanId;
    return QStringLiteral("P %1 L %2 %3 %4").arg(n).arg(book.id).arg(loanId).arg(reader.id);
}

QString JournalTestDriver::bookReturn(int n, const Book& book) {
    m_returns->FormShow();
    QLineEdit* box = m_returns->bookGroup()->numberBox();
    type(box, QString::number(book.number));
    m_returns->EBuchNummerReturn();
    const bool returned = box->text().isEmpty();
    Table& loans = m_library.ClientAusleihe();
    const bool rightLoan = currentInt(loans, "ID") == book.openLoan && currentInt(loans, "BuecherID") == book.id &&
                           !loans.FieldByName(QStringLiteral("DatumBis")).IsNull();
    m_returns->FormClose();
    Table& books = m_library.ClientBuecher();
    if (!returned || !rightLoan || !books.Locate(QStringLiteral("ID"), {book.id}) ||
        books.FieldByName(QStringLiteral("ausgeliehen")).AsBoolean()) {
        fail(QStringLiteral("Die Rückgabe des Buchs %1 wurde nicht gebucht.").arg(book.id));
        return {};
    }
    Book& b = m_books[m_bookAt.value(book.id)];
    b.lent = false;
    b.openLoan = 0;
    return QStringLiteral("P %1 T %2 %3").arg(n).arg(book.id).arg(book.openLoan);
}

QString JournalTestDriver::deleteBook(int n, const Book& book) {
    Table& books = m_library.ClientBuecher();
    if (!books.Locate(QStringLiteral("ID"), {book.id})) {
        fail(QStringLiteral("Das Buch %1 fehlt.").arg(book.id));
        return {};
    }
    m_bookEntry->FormShow();
    MessageService::answerNext(MessageService::Button::Yes);
    m_bookEntry->Button4Click();
    // The window asks once before it deletes; that question is the only message of this step.
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    const bool asked = shown.size() == 1 && shown[0].kind == MessageService::Kind::Confirmation;
    if (!asked || books.Locate(QStringLiteral("ID"), {book.id})) {
        fail(QStringLiteral("Das Buch %1 wurde nicht gelöscht.").arg(book.id));
        return {};
    }
    const size_t at = m_bookAt.take(book.id);
    // A deleted book's number is free; the counter has moved past it all the same.
    if (--m_bookNumbers[book.number] == 0)
        m_bookNumbers.remove(book.number);
    if (at + 1 != m_books.size()) {
        m_books[at] = m_books.back();
        m_bookAt[m_books[at].id] = at;
    }
    m_books.pop_back();
    return QStringLiteral("P %1 D %2 %3").arg(n).arg(book.id).arg(mark(n));
}

} // namespace lesaro
