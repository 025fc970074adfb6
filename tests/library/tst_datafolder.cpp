// The data folder under bad conditions: why it cannot be used, which table file is damaged, and what the
// end of the run does when the tables cannot be written.
#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "library/LibraryData.h"
#include "settings/SettingsStore.h"
#include "support/Files.h"
#include "support/SmallDisk.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace lesaro;
using lesaro::testing::readAll;

namespace {

// Answers the end of the run's questions from a script; "fix" before an answer repairs the data folder.
struct ScriptedQuestions : SaveFailureQuestions {
    QStringList steps;    // "retry", "fix+retry", "other", "without"
    QStringList folders;  // answers of the folder picker, "" for a cancelled one
    QList<bool> reallies; // answers of the second question
    bool nobody = false;
    std::function<void()> fix;
    QStringList asked;
    QStringList told;

    bool nobodyToAsk() override { return nobody; }
    Choice afterFailure(const QString& message) override {
        asked.append(message);
        if (steps.isEmpty()) {
            // A script that runs out would loop for ever; give up the changes so the test ends and fails.
            nobody = true;
            return Choice::Retry;
        }
        const QString step = steps.takeFirst();
        if (step == QLatin1String("fix+retry")) {
            fix();
            return Choice::Retry;
        }
        if (step == QLatin1String("other"))
            return Choice::OtherFolder;
        if (step == QLatin1String("without"))
            return Choice::WithoutSaving;
        return Choice::Retry;
    }
    QString otherFolder() override { return folders.isEmpty() ? QString() : folders.takeFirst(); }
    bool reallyWithoutSaving() override { return !reallies.isEmpty() && reallies.takeFirst(); }
    void tell(const QString& message) override { told.append(message); }
};

QString authorOfFirstBook(const QString& file) {
    Table books;
    books.setColumns(LibraryTables::bookColumns());
    books.LoadFromFile(file);
    books.First();
    return books.FieldByName(QStringLiteral("Verfasser")).AsString();
}

} // namespace

class DataFolderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString base() const { return m_dir->path() + QStringLiteral("/share"); }
    QString dataFolder() const { return base() + QStringLiteral("/Tomarelle 2022"); }

    std::unique_ptr<LibraryData> startLibrary(const QString& baseFolder) {
        auto data = std::make_unique<LibraryData>();
        data->FormCreate(baseFolder, m_dir->path() + QStringLiteral("/bin"));
        return data;
    }

    // A run that got as far as the user's first change: one new book.
    std::unique_ptr<LibraryData> runWithNewBook() {
        auto data = startLibrary(base());
        data->loadAtStart();
        Table& books = data->ClientBuecher;
        books.Append();
        books.FieldByName(QStringLiteral("ID")).setAsInteger(1);
        books.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Neu"));
        books.Post();
        return data;
    }

    // The data folder turns into a file: every write into it fails, as on a disk that takes nothing.
    void breakDataFolder() {
        QVERIFY(QDir().rename(dataFolder(), dataFolder() + QStringLiteral(".weg")));
        QFile f(dataFolder());
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    void repairDataFolder() {
        QVERIFY(QFile::remove(dataFolder()));
        QVERIFY(QDir().rename(dataFolder() + QStringLiteral(".weg"), dataFolder()));
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(m_dir->path() + QStringLiteral("/bin"));
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        qputenv("HOME", QFile::encodeName(m_dir->path() + QStringLiteral("/home")));
        Clock::setFixedNow(QDateTime(QDate(2022, 3, 5), QTime(9, 7, 3)));
    }

    void cleanup() {
        Clock::setFixedNow({});
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/danach.reg"));
    }

    // Only a lock held by a live run says "läuft bereits"; every other failure names the true reason.
    void lockFailureNamesTheReason_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("reason");
        QTest::newRow("held by another run") << "held"
                                             << "Lesaro läuft bereits mit diesem Datenordner";
        QTest::newRow("data folder is a file") << "file"
                                               << "Tomarelle 2022“ ist eine Datei und kein Ordner.";
        QTest::newRow("a folder above is a file") << "above"
                                                  << "/share“ ist eine Datei und kein Ordner.";
        QTest::newRow("no write permission") << "permission"
                                             << "Keine Schreibberechtigung";
        QTest::newRow("read-only file system") << "readonly"
                                               << "Der Datenträger ist schreibgeschützt.";
        QTest::newRow("full disk") << "full"
                                   << "Der Datenträger ist voll.";
    }

    void lockFailureNamesTheReason() {
        QFETCH(QString, situation);
        QFETCH(QString, reason);
        std::unique_ptr<LibraryData> holder;
        std::unique_ptr<test::SmallDisk> disk;
        if (situation == QLatin1String("held")) {
            holder = startLibrary(base());
            QVERIFY(holder->acquireDataFolder(nullptr));
        } else if (situation == QLatin1String("file")) {
            QDir().mkpath(base());
            QFile f(dataFolder());
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (situation == QLatin1String("above")) {
            QFile f(base());
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (situation == QLatin1String("permission")) {
            if (::geteuid() == 0)
                QSKIP("The system's administrator may write into any folder.");
            QDir().mkpath(dataFolder());
            QFile::setPermissions(dataFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        } else {
            disk = std::make_unique<test::SmallDisk>(base(), QStringLiteral("256k"));
            if (!disk->mounted())
                QSKIP("No rights to mount a small file system.");
            QDir().mkpath(dataFolder());
            if (situation == QLatin1String("readonly"))
                QVERIFY(disk->makeReadOnly());
            else
                disk->fill();
        }
        auto data = startLibrary(base());
        QString error;
        QVERIFY(!data->acquireDataFolder(&error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(dataFolder())), qPrintable(error));
        if (situation != QLatin1String("held"))
            QVERIFY2(!error.contains(QStringLiteral("läuft bereits")), qPrintable(error));
        data.reset();
        QFile::setPermissions(dataFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A second start on a folder that a running program holds is refused and changes nothing there: not the
    // postcode file the running program writes only at its own end, not a table, not a start-up copy.
    void refusedStartWritesNothing() {
        auto running = startLibrary(base());
        QVERIFY(running->acquireDataFolder(nullptr));
        running->loadAtStart();
        const auto contents = [this] {
            QStringList all;
            QDirIterator it(dataFolder(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo info = it.nextFileInfo();
                all << QStringLiteral("%1 %2 %3")
                           .arg(info.filePath())
                           .arg(info.size())
                           .arg(info.lastModified().toMSecsSinceEpoch());
            }
            all.sort();
            return all;
        };
        const QStringList before = contents();
        QVERIFY(!before.filter(QStringLiteral("buecher30.b04")).isEmpty());
        QVERIFY(before.filter(QStringLiteral("plz.xml")).isEmpty());

        auto refused = startLibrary(base());
        QString error;
        QVERIFY(!refused->acquireDataFolder(&error));
        QVERIFY2(error.contains(QStringLiteral("läuft bereits")), qPrintable(error));
        refused->closeTables();
        refused.reset();
        QCOMPARE(contents(), before);
    }

    // The German reason for a failed read or write: found on the file system, whatever the system's text;
    // the system's text for the common errors turned into ours; any other text kept.
    void fileReasons_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("writing");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QString>("reason");
        const QString unknown = QStringLiteral("Unknown error");
        QTest::newRow("missing file") << "missing" << false << unknown << "Die Datei ist nicht vorhanden.";
        QTest::newRow("missing folder, reading") << "noFolder" << false << unknown << "/fehlt“ ist nicht vorhanden.";
        QTest::newRow("missing folder, writing") << "noFolder" << true << unknown << "/fehlt“ ist nicht vorhanden.";
        QTest::newRow("a file where a folder belongs")
            << "underFile" << true << unknown << "/datei“ ist eine Datei und kein Ordner.";
        QTest::newRow("a folder where the file belongs")
            << "isFolder" << false << unknown << "/ordner“ ist ein Ordner und keine Datei.";
        QTest::newRow("full disk") << "full" << true << unknown << "Der Datenträger ist voll.";
        QTest::newRow("read-only file system")
            << "readonly" << true << unknown << "Der Datenträger ist schreibgeschützt.";
        QTest::newRow("system's text for a full disk")
            << "fine" << true << QString::fromLocal8Bit(std::strerror(ENOSPC)) << "Der Datenträger ist voll.";
        QTest::newRow("system's text for no permission")
            << "fine" << true << QString::fromLocal8Bit(std::strerror(EACCES))
            << "Keine Berechtigung für diesen Zugriff.";
        QTest::newRow("any other system text") << "fine" << true << QString::fromLocal8Bit(std::strerror(EIO))
                                               << QString::fromLocal8Bit(std::strerror(EIO));
    }

    void fileReasons() {
        QFETCH(QString, situation);
        QFETCH(bool, writing);
        QFETCH(QString, systemText);
        QFETCH(QString, reason);
        const QString root = m_dir->path();
        QString path = root + QStringLiteral("/gut.b04");
        std::unique_ptr<test::SmallDisk> disk;
        if (situation == QLatin1String("missing")) {
            path = root + QStringLiteral("/nicht-da.b04");
        } else if (situation == QLatin1String("noFolder")) {
            path = root + QStringLiteral("/fehlt/gut.b04");
        } else if (situation == QLatin1String("underFile")) {
            QFile(root + QStringLiteral("/datei")).open(QIODevice::WriteOnly);
            path = root + QStringLiteral("/datei/gut.b04");
        } else if (situation == QLatin1String("isFolder")) {
            path = root + QStringLiteral("/ordner");
            QDir().mkpath(path);
        } else if (situation == QLatin1String("full") || situation == QLatin1String("readonly")) {
            disk = std::make_unique<test::SmallDisk>(root + QStringLiteral("/klein"), QStringLiteral("128k"));
            if (!disk->mounted())
                QSKIP("No rights to mount a small file system.");
            path = root + QStringLiteral("/klein/gut.b04");
            if (situation == QLatin1String("full"))
                disk->fill();
            else
                QVERIFY(disk->makeReadOnly());
        } else {
            QFile(path).open(QIODevice::WriteOnly);
        }
        const QString got = fileErrorReason(path, writing, systemText, 1000);
        QVERIFY2(got.endsWith(reason), qPrintable(got));
    }

    // The load error says which of the three files failed, and points to the start-up copies only when
    // there are any to go back to.
    void loadErrorNamesTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is missing
        QTest::addColumn<bool>("copies");
        QTest::addColumn<QString>("named");
        QTest::newRow("damaged books, copies") << "buecher30.b04" << QByteArray("kaputt") << true << "Bücherdatei";
        QTest::newRow("damaged readers, no copies") << "leser30.b04" << QByteArray("kaputt") << false << "Leserdatei";
        QTest::newRow("damaged loans, copies")
            << "ausleihe30.b04" << QByteArray("\x96\x19\xE0\xBD", 4) << true << "Ausleihdatei";
        QTest::newRow("missing readers, no copies")
            << "leser30.b04" << QByteArray() << false << "Die Datei ist nicht vorhanden.";
    }

    void loadErrorNamesTheFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, copies);
        QFETCH(QString, named);
        startLibrary(base())->loadAtStart();
        if (!copies)
            QVERIFY(QDir(dataFolder() + QStringLiteral("/backup")).removeRecursively());
        const QString path = dataFolder() + u'/' + file;
        QFile::remove(path);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        auto data = startLibrary(base());
        QString error;
        try {
            data->loadAtStart();
        } catch (const EngineError& e) {
            error = e.message();
        }
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY2(!error.contains(QStringLiteral("No such file")), qPrintable(error));
        QCOMPARE(data->startupProblem().contains(QStringLiteral("\"backup\"")), copies);
        QVERIFY(data->savingBlocked());
    }

    // A failed save at the end of the run: the changes are lost only on an explicit, confirmed choice.
    void failedSaveAtTheEnd_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("folders"); // "good", "bad" (under a file) or "" (picker cancelled)
        QTest::addColumn<QList<bool>>("reallies");
        QTest::addColumn<bool>("nobody");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("newBookIn"); // "data", "other", "emergency", ""

        using E = LibraryData::EndSave;
        QTest::newRow("retry after making room") << QStringList{"retry", "fix+retry"} << QStringList{} << QList<bool>{}
                                                 << false << int(E::Written) << 2 << "data";
        QTest::newRow("another folder") << QStringList{"other"} << QStringList{"good"} << QList<bool>{} << false
                                        << int(E::WrittenElsewhere) << 1 << "other";
        QTest::newRow("another folder refuses, then one that works")
            << QStringList{"other", "other"} << QStringList{"bad", "good"} << QList<bool>{} << false
            << int(E::WrittenElsewhere) << 2 << "other";
        QTest::newRow("picker cancelled, then retry") << QStringList{"other", "fix+retry"} << QStringList{""}
                                                      << QList<bool>{} << false << int(E::Written) << 2 << "data";
        QTest::newRow("without saving only after the second yes")
            << QStringList{"without", "without"} << QStringList{} << QList<bool>{false, true} << false
            << int(E::NotWritten) << 2 << "";
        QTest::newRow("nobody to ask") << QStringList{} << QStringList{} << QList<bool>{} << true << int(E::Emergency)
                                       << 0 << "emergency";
    }

    void failedSaveAtTheEnd() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, folders);
        QFETCH(QList<bool>, reallies);
        QFETCH(bool, nobody);
        QFETCH(int, outcome);
        QFETCH(int, questions);
        QFETCH(QString, newBookIn);

        auto data = runWithNewBook();
        const QByteArray oldBooks = readAll(dataFolder() + QStringLiteral("/buecher30.b04"));
        breakDataFolder();
        const QString other = m_dir->path() + QStringLiteral("/stick");
        QDir().mkpath(other);
        ScriptedQuestions q;
        q.steps = steps;
        for (const QString& f : folders)
            q.folders.append(f == QLatin1String("good")  ? other
                             : f == QLatin1String("bad") ? dataFolder() + QStringLiteral("/darunter")
                                                         : QString());
        q.reallies = reallies;
        q.nobody = nobody;
        q.fix = [this] { repairDataFolder(); };

        QCOMPARE(int(data->saveAtEnd([&data] { data->saveTables(); }, q)), outcome);
        QCOMPARE(q.asked.size(), questions);
        for (const QString& message : q.asked) {
            QVERIFY2(message.contains(QStringLiteral("buecher30.b04")), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("ist eine Datei und kein Ordner")), qPrintable(message));
        }
        QCOMPARE(data->endedInEmergency(), nobody);
        if (QFileInfo(dataFolder()).isFile())
            repairDataFolder();

        const QString emergency = LibraryData::emergencyBaseFolder() + QStringLiteral("/2022-03-05_09-07-03");
        const QString written = newBookIn == QLatin1String("data")        ? dataFolder()
                                : newBookIn == QLatin1String("other")     ? other
                                : newBookIn == QLatin1String("emergency") ? emergency
                                                                          : QString();
        if (!written.isEmpty()) {
            for (const char* name : {"buecher30.b04", "leser30.b04", "ausleihe30.b04"})
                QVERIFY2(QFileInfo::exists(written + u'/' + QLatin1String(name)), name);
            QCOMPARE(authorOfFirstBook(written + QStringLiteral("/buecher30.b04")), QStringLiteral("Neu"));
            if (newBookIn != QLatin1String("data")) {
                QVERIFY2(q.told.last().contains(QDir::toNativeSeparators(written)), qPrintable(q.told.last()));
            }
        }
        if (newBookIn != QLatin1String("data")) {
            // The data folder keeps its last good state, and the close rule leaves it alone too.
            QVERIFY(data->savingBlocked());
            data->closeTables();
            QCOMPARE(readAll(dataFolder() + QStringLiteral("/buecher30.b04")), oldBooks);
        }
    }

    // Random failures and answers against the plain rule: the tables end up written (in the data folder,
    // another folder or the emergency folder) unless the user said yes to the second question; every
    // failure asks once; only a write to the data folder leaves later writes there allowed.
    void endSaveModel() {
        const QString good = m_dir->path() + QStringLiteral("/stick");
        const QString bad = m_dir->path() + QStringLiteral("/datei/darunter");
        QDir().mkpath(good);
        QFile(m_dir->path() + QStringLiteral("/datei")).open(QIODevice::WriteOnly);
        std::unique_ptr<LibraryData> data;
        for (quint32 seed = 1; seed <= 120; ++seed) {
            QRandomGenerator rng(seed);
            QStringList log;
            const auto fail = [&](const QString& what) {
                QFAIL(qPrintable(QStringLiteral("seed %1: %2\nlast steps: %3").arg(seed).arg(what, log.join(u' '))));
            };
            // Each write to the data folder fails with this chance; the script answers at random.
            const int failPercent = int(rng.bounded(20, 95));
            struct RandomQuestions : SaveFailureQuestions {
                QRandomGenerator* rng;
                QStringList* log;
                QString good, bad;
                int asked = 0;
                bool saidYes = false;
                bool nobody = false;
                bool nobodyToAsk() override {
                    // Now and then the system ends the program in the middle of it.
                    if (!nobody && rng->bounded(10) == 0)
                        nobody = true;
                    return nobody;
                }
                Choice afterFailure(const QString&) override {
                    ++asked;
                    const Choice c = Choice(rng->bounded(3));
                    log->append(QStringLiteral("ask:%1").arg(int(c)));
                    return c;
                }
                QString otherFolder() override {
                    const int pick = int(rng->bounded(3));
                    log->append(QStringLiteral("folder:%1").arg(pick));
                    return pick == 0 ? QString() : pick == 1 ? bad : good;
                }
                bool reallyWithoutSaving() override {
                    saidYes = rng->bounded(2) == 0;
                    log->append(saidYes ? QStringLiteral("yes") : QStringLiteral("no"));
                    return saidYes;
                }
                void tell(const QString&) override { log->append(QStringLiteral("told")); }
            } q;
            q.rng = &rng;
            q.log = &log;
            q.good = good;
            q.bad = bad;
            // Each round starts from a run that may write to the data folder.
            data = runWithNewBook();
            QDir(good).removeRecursively();
            QDir().mkpath(good);
            QDir(LibraryData::emergencyBaseFolder()).removeRecursively();
            const auto outcome = data->saveAtEnd(
                [&] {
                    const bool fails = int(rng.bounded(100)) < failPercent;
                    log.append(fails ? QStringLiteral("write:fails") : QStringLiteral("write:ok"));
                    if (fails)
                        throw EngineError(QStringLiteral("Die Datei 'buecher30.b04' kann nicht geschrieben werden"));
                },
                q);
            using E = LibraryData::EndSave;
            // The model: how it must have ended, from what happened.
            const bool lastWriteOk = log.contains(QStringLiteral("write:ok"));
            const bool inOther = QFileInfo::exists(good + QStringLiteral("/buecher30.b04"));
            const bool inEmergency =
                !QDir(LibraryData::emergencyBaseFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
            E expected = E::NotWritten;
            if (lastWriteOk)
                expected = E::Written;
            else if (inOther)
                expected = E::WrittenElsewhere;
            else if (inEmergency)
                expected = E::Emergency;
            if (outcome != expected)
                fail(QStringLiteral("outcome %1, expected %2").arg(int(outcome)).arg(int(expected)));
            if (outcome == E::NotWritten && !q.saidYes)
                fail(QStringLiteral("changes given up without a yes"));
            // Every failed write, cancelled picker, refusing folder and "Nein" leads to the next question;
            // only when the system ends the program is the last of them left unasked.
            const int reasks = int(log.count(QStringLiteral("write:fails")) + log.count(QStringLiteral("folder:0")) +
                                   log.count(QStringLiteral("folder:1")) + log.count(QStringLiteral("no")));
            if (q.nobody ? q.asked != reasks - 1 : q.asked != reasks)
                fail(QStringLiteral("%1 questions for %2 reasons to ask").arg(q.asked).arg(reasks));
            if (data->savingBlocked() != (outcome != E::Written))
                fail(QStringLiteral("saving blocked: %1").arg(data->savingBlocked()));
            if (data->endedInEmergency() != (outcome == E::Emergency))
                fail(QStringLiteral("emergency flag"));
            data->blockSaving(); // the next round's run replaces this one without writing
        }
    }

    // A real full disk: the reason is the disk, whatever the system's text says; after making room the
    // retry writes.
    void fullDiskAtTheEnd() {
        test::SmallDisk disk(base(), QStringLiteral("512k"));
        if (!disk.mounted())
            QSKIP("No rights to mount a small file system.");
        auto data = runWithNewBook();
        const QString books = dataFolder() + QStringLiteral("/buecher30.b04");
        const QByteArray before = readAll(books);
        QVERIFY(!before.isEmpty());
        disk.fill();
        ScriptedQuestions q;
        q.steps = QStringList{"fix+retry"};
        q.fix = [&] {
            // The failed write left the old file as it was, not an empty one in its place.
            QCOMPARE(readAll(books), before);
            disk.makeRoom();
        };
        QCOMPARE(data->saveAtEnd([&data] { data->saveTables(); }, q), LibraryData::EndSave::Written);
        QCOMPARE(q.asked.size(), 1);
        QVERIFY2(q.asked.first().contains(QStringLiteral("Der Datenträger ist voll.")), qPrintable(q.asked.first()));
        QCOMPARE(authorOfFirstBook(dataFolder() + QStringLiteral("/buecher30.b04")), QStringLiteral("Neu"));
    }
};

QTEST_GUILESS_MAIN(DataFolderTest)
#include "tst_datafolder.moc"
