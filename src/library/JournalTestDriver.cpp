#include "library/JournalTestDriver.h"

#include "core/Clock.h"
#include "core/EngineError.h"
#include "library/Journal.h"
#include "library/LibraryData.h"

#include <cstdio>

namespace lesaro {

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

} // namespace

void JournalTestDriver::start(LibraryData& data, Journal& journal, const QString& plan) {
    const QStringList parts = plan.split(u':');
    if (parts.size() != 3)
        return;
    auto* driver = new JournalTestDriver(data, journal, parts[0], parts[1].toInt(), parts[2].toInt());
    driver->setParent(&data);
}

JournalTestDriver::JournalTestDriver(LibraryData& data, Journal& journal, const QString& tag, int count, int interval)
    : m_data(data)
    , m_journal(journal)
    , m_tag(tag)
    , m_count(count) {
    m_journal.afterSync = [this] { say(QStringLiteral("S %1").arg(m_done)); };
    say(QStringLiteral("ready"));
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &JournalTestDriver::step);
    m_timer.start();
}

QString JournalTestDriver::mark(int n) const {
    return QStringLiteral("J%1-%2").arg(m_tag).arg(n);
}

void JournalTestDriver::step() {
    if (m_done >= m_count) {
        m_timer.stop();
        return;
    }
    const int n = m_done + 1;
    const QString m = mark(n);
    Table& books = m_data.ClientBuecher;
    Table& loans = m_data.ClientAusleihe;
    QString line;
    try {
        const int choice = n % 5;
        if (choice == 2 && !m_books.empty() &&
            books.Locate(QStringLiteral("ID"), {m_books[size_t(n) % m_books.size()]})) {
            books.Edit();
            books.FieldByName(QStringLiteral("Titel")).setAsString(m);
            books.Post();
            line = QStringLiteral("P %1 M %2").arg(n).arg(m);
        } else if (choice == 4 && !m_loans.empty() && loans.Locate(QStringLiteral("ID"), {m_loans.back().id})) {
            const QString gone = m_loans.back().mark;
            loans.Delete();
            m_loans.pop_back();
            line = QStringLiteral("P %1 D %2").arg(n).arg(gone);
        } else if (choice == 3 && !m_books.empty()) {
            loans.Append();
            loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(m_books.back());
            loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(1);
            loans.FieldByName(QStringLiteral("DatumVon")).setAsDate(Clock::today());
            loans.FieldByName(QStringLiteral("Bemerkung")).setAsString(m);
            loans.Post();
            m_loans.push_back({loans.FieldByName(QStringLiteral("ID")).AsInteger(), m});
            line = QStringLiteral("P %1 I %2").arg(n).arg(m);
        } else {
            books.Append();
            books.FieldByName(QStringLiteral("Titel")).setAsString(m);
            books.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Prüfer, Jörg"));
            books.Post();
            m_books.push_back(books.FieldByName(QStringLiteral("ID")).AsInteger());
            line = QStringLiteral("P %1 I %2").arg(n).arg(m);
        }
    } catch (const EngineError& e) {
        say(QStringLiteral("E %1").arg(e.message()));
        m_timer.stop();
        return;
    }
    m_done = n;
    say(line);
}

} // namespace lesaro
