// The system ends the program (SIGTERM, SIGINT) while a message box waits for an answer: the run must end,
// with the box closed, the tables saved as far as the close rules allow and the data folder free again.
#include "app/ProgramSession.h"
#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "library/LibraryData.h"
#include "settings/SettingsStore.h"
#include "shell/TMainform.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

using namespace lesaro;

class TerminationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString base() const { return m_dir->path() + QStringLiteral("/share"); }
    QString dataFolder() const { return base() + QStringLiteral("/Tomarelle 2022"); }
    QString settingsFile() const { return m_dir->path() + QStringLiteral("/Lesaro.reg"); }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // Sends the signal as soon as a message box waits in its own event loop.
    static void signalWhenABoxIsOpen(int signal, QStringList* seen) {
        auto* poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, signal, seen] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen->append(box->text());
                poll->deleteLater();
                ::raise(signal);
            }
        });
        poll->start(20);
    }

    // One run of the program as main() runs it; returns its exit status.
    int run() {
        LibraryHandle library;
        TMainform window(library);
        window.FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
        if (!library.data().acquireDataFolder(nullptr))
            return -1;
        ProgramSession session(window, library);
        return session.exec();
    }

    bool dataFolderIsFree() {
        LibraryData other;
        other.FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
        return other.acquireDataFolder(nullptr);
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(m_dir->path() + QStringLiteral("/bin"));
        qputenv("HOME", QFile::encodeName(m_dir->path() + QStringLiteral("/home")));
        SettingsStore::redirectInstance(settingsFile());
        // A first run leaves a library in the data folder.
        {
            LibraryData first;
            first.FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
            first.loadAtStart();
        }
        QVERIFY(QFileInfo::exists(dataFolder() + QStringLiteral("/buecher30.b04")));
        MessageService::setAnswering(false);
        // A hang must fail the test, not the whole test run.
        m_watchdog.start(30000);
    }

    void cleanup() {
        m_watchdog.stop();
        MessageService::setAnswering(false);
        MessageService::setTerminating(false);
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/danach.reg"));
    }

    void duringAStartupMessage_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("damage"); // "books": the book file; "settings": the settings file
        QTest::addColumn<QString>("message");
        QTest::newRow("SIGTERM, damaged book file") << int(SIGTERM) << "books"
                                                    << "buecher30.b04";
        QTest::newRow("SIGINT, damaged book file") << int(SIGINT) << "books"
                                                   << "buecher30.b04";
        QTest::newRow("SIGTERM, damaged settings file") << int(SIGTERM) << "settings"
                                                        << "beschädigt";
    }

    void duringAStartupMessage() {
        QFETCH(int, signal);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const QString books = dataFolder() + QStringLiteral("/buecher30.b04");
        const QByteArray goodBooks = [&] {
            QFile f(books);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        if (damage == QLatin1String("books")) {
            writeFile(books, "kaputt");
        } else {
            SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/anders.reg"));
            writeFile(settingsFile(), "kein Registrierungsexport");
            SettingsStore::redirectInstance(settingsFile());
        }
        QStringList seen;
        signalWhenABoxIsOpen(signal, &seen);
        QCOMPARE(run(), 0);
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen.first().contains(message), qPrintable(seen.first()));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(dataFolderIsFree());
        QFile f(books);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // A damaged file is never replaced; a sound library is saved as at every end.
        QCOMPARE(f.readAll(), damage == QLatin1String("books") ? QByteArray("kaputt") : goodBooks);
    }

    // Another window waits in its own event loop (here the About window): it closes, and so does the run.
    void whileAWindowIsOpen() {
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TMainform*>(w))
                    window->findChild<QAction*>(QStringLiteral("Info1"))->trigger();
        });
        auto* poll = new QTimer(qApp);
        QString opened;
        QObject::connect(poll, &QTimer::timeout, poll, [poll, &opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = QString::fromLatin1(modal->metaObject()->className());
                poll->deleteLater();
                ::raise(SIGTERM);
            }
        });
        poll->start(20);
        QCOMPARE(run(), 0);
        QCOMPARE(opened, QStringLiteral("lesaro::TInfoF"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(dataFolderIsFree());
    }

    // The save at closing fails and asks what to do; the signal comes while that question is open. Nobody
    // answers: the tables go to the emergency folder and the exit status says so.
    void duringTheQuestionAfterAFailedSave() {
        QTimer::singleShot(0, [this] {
            // The data folder becomes a file, so that every write into it fails.
            QVERIFY(QDir().rename(dataFolder(), dataFolder() + QStringLiteral(".weg")));
            writeFile(dataFolder(), "");
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<TMainform*>(w))
                    w->close();
        });
        QStringList seen;
        signalWhenABoxIsOpen(SIGTERM, &seen);
        QCOMPARE(run(), 2);
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen.first().contains(QStringLiteral("buecher30.b04")), qPrintable(seen.first()));
        const QStringList emergencies =
            QDir(LibraryData::emergencyBaseFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(emergencies.size(), 1);
        for (const char* name : {"buecher30.b04", "leser30.b04", "ausleihe30.b04"})
            QVERIFY(QFileInfo::exists(LibraryData::emergencyBaseFolder() + u'/' + emergencies.first() + u'/' +
                                      QLatin1String(name)));
    }

    // Closing the window writes the tables; the close rule at the end of the run does not write the same
    // bytes a second time (on a nearly full disk that second write fails where the first succeeded).
    void closingWritesTheTablesOnce() {
        MessageService::setAnswering(true);
        const QByteArray books = QFile::encodeName(dataFolder() + QStringLiteral("/buecher30.b04"));
        // Every write replaces the file by a new one: the same inode at the end means no second write.
        const auto inode = [&books] {
            struct stat st {};
            return ::stat(books.constData(), &st) == 0 ? st.st_ino : ino_t(0);
        };
        const ino_t before = inode();
        ino_t afterClosing = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TMainform*>(w)) {
                    Table& t = window->data().ClientBuecher;
                    t.Append();
                    t.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Neu"));
                    t.Post();
                    window->close();
                }
            afterClosing = inode();
        });
        QCOMPARE(run(), 0);
        QVERIFY(afterClosing != 0);
        QVERIFY(afterClosing != before);
        QCOMPARE(inode(), afterClosing);
        QCOMPARE(MessageService::takeShown().size(), 0);
    }

private:
    QTimer m_watchdog{this};

public:
    TerminationTest() {
        m_watchdog.setSingleShot(true);
        connect(&m_watchdog, &QTimer::timeout, [] { qFatal("The run did not end."); });
    }
};

QTEST_MAIN(TerminationTest)
#include "tst_termination.moc"
