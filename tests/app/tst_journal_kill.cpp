// The real program killed without warning again and again while it posts changes: every change whose post
// had returned before the last sync the program reported is in the tables after the next start, and the
// tables load every time.
#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace lesaro;

namespace {

struct Expected {
    QString mark;
    char kind; // 'I', 'M': some stored version holds the mark; 'D': no live row holds it
    int run;
    int change;
};

// One run of the program with the test driver, its output read line by line.
class Run {
public:
    Run(const QString& home, const QString& tag, int count, int interval) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LESARO_JOURNAL_TEST_DRIVER"),
                   QStringLiteral("%1:%2:%3").arg(tag).arg(count).arg(interval));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral(LESARO_PROGRAM), {});
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
            if (m_ready)
                return true;
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
    // Posts for a while, is asked to end (as at logout), and is killed while it writes its tables.
    void terminateThenKill(int postMs, int endMs) {
        wait(postMs);
        signal(SIGTERM);
        killAfter(endMs);
    }
    bool terminate() {
        signal(SIGTERM);
        const bool ended = m_process.waitForFinished(30000);
        take();
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    // The changes whose post returned before the last reported sync.
    std::vector<std::pair<char, QString>> synced() const {
        std::vector<std::pair<char, QString>> out;
        for (const auto& [n, change] : m_posted) {
            if (n <= m_lastSync)
                out.push_back(change);
        }
        return out;
    }
    int posted() const { return int(m_posted.size()); }
    int lastSync() const { return m_lastSync; }
    QByteArray errors() { return m_process.readAllStandardError(); }

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
            const QList<QByteArray> words = m_pending.left(end).split(' ');
            m_pending.remove(0, end + 1);
            if (words.value(0) == "ready")
                m_ready = true;
            else if (words.value(0) == "S" && words.size() == 2)
                m_lastSync = words[1].toInt();
            else if (words.value(0) == "P" && words.size() == 4)
                m_posted.push_back({words[1].toInt(), {words[2].at(0), QString::fromLatin1(words[3])}});
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    bool m_ready = false;
    bool m_endedBeforeKill = false;
    int m_lastSync = 0;
    std::vector<std::pair<int, std::pair<char, QString>>> m_posted;
};

// The marks in the stored versions of the book titles and loan remarks, and those of the live rows.
struct Marks {
    QSet<QString> stored;
    QSet<QString> live;
};

Marks marksIn(const QString& folder) {
    Marks m;
    const struct {
        const char* file;
        const char* column;
    } tables[] = {{"buecher30.b04", "Titel"}, {"ausleihe30.b04", "Bemerkung"}};
    for (const auto& t : tables) {
        const RowStore s = ReadDatapacket(readWholeFile(folder + QLatin1String(t.file)));
        int column = -1;
        for (int c = 0; c < s.columnCount(); ++c) {
            if (s.columns()[c].name == QLatin1String(t.column))
                column = c;
        }
        for (qsizetype i = 0; i < s.slotCount(); ++i) {
            const Value v = s.value(i, column);
            if (v.isNull())
                continue;
            const QString text = QString::fromLatin1(v.bytes());
            m.stored.insert(text);
            if (SlotStatus::isLive(s.status(i)))
                m.live.insert(text);
        }
    }
    // The reader table must load too.
    ReadDatapacket(readWholeFile(folder + QStringLiteral("leser30.b04")));
    return m;
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
        std::vector<Expected> expected;
        int kills = 0, duringEnd = 0, recoveredRuns = 0, syncedTotal = 0, postedTotal = 0;
        const int runs = 56;
        QString lastRun;
        const auto check = [&](int run) {
            Marks marks;
            try {
                marks = marksIn(folder);
            } catch (const EngineError& e) {
                QFAIL(qPrintable(QStringLiteral("seed %1, start %2: the tables do not load: %3")
                                     .arg(seed)
                                     .arg(run)
                                     .arg(e.message())));
            }
            for (const Expected& e : expected) {
                const bool ok = e.kind == 'D' ? !marks.live.contains(e.mark) : marks.stored.contains(e.mark);
                if (!ok)
                    QFAIL(qPrintable(QStringLiteral("seed %1, start %2: change %3 (%4 %5) of run %6 is lost; %7")
                                         .arg(seed)
                                         .arg(run)
                                         .arg(e.change)
                                         .arg(QChar::fromLatin1(e.kind))
                                         .arg(e.mark)
                                         .arg(e.run)
                                         .arg(lastRun)));
            }
        };
        for (int r = 0; r < runs; ++r) {
            // A journal left by the killed run before (none when the kill came after the end's clean-up).
            if (QFileInfo::exists(folder + QStringLiteral("journal.lsj")))
                ++recoveredRuns;
            Run run(home.path(), QStringLiteral("r%1").arg(r), 5000, 1);
            QVERIFY2(run.waitForReady(60000), run.errors().constData());
            // What the start found: every change synced in every earlier run.
            check(r);
            // Most runs are killed while they post; every fourth is asked to end and killed during its end,
            // while it writes the tables.
            const bool atEnd = r % 4 == 3;
            const int delay = int(rng.bounded(700));
            const int endDelay = int(rng.bounded(80));
            if (atEnd) {
                run.terminateThenKill(delay, endDelay);
                ++duringEnd;
            } else {
                run.killAfter(delay);
            }
            if (!atEnd)
                QVERIFY2(!run.endedBeforeKill(), run.errors().constData());
            ++kills;
            lastRun = QStringLiteral("run %1 killed after %2 ms%3: %4 posted, synced up to %5")
                          .arg(r)
                          .arg(delay)
                          .arg(atEnd ? QStringLiteral(" and %1 ms into its end").arg(endDelay) : QString())
                          .arg(run.posted())
                          .arg(run.lastSync());
            int n = 0;
            for (const auto& [kind, mark] : run.synced())
                expected.push_back({mark, kind, r, ++n});
            syncedTotal += run.lastSync();
            postedTotal += run.posted();
        }
        // A last, clean run: everything is there, and the clean end leaves no journal behind.
        Run last(home.path(), QStringLiteral("end"), 0, 1);
        QVERIFY(last.waitForReady(60000));
        check(runs);
        QVERIFY(last.terminate());
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("journal.lsj")));
        check(runs + 1);
        qInfo("%d kills (%d during the end), %d posts returned, %d of them reported synced, %d starts found a "
              "journal left behind",
              kills, duringEnd, postedTotal, syncedTotal, recoveredRuns);
    }
};

QTEST_GUILESS_MAIN(JournalKillTest)
#include "tst_journal_kill.moc"
