#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

// The real program, started on empty data and settings folders and ended by the system as at logout or
// shutdown: what it must leave behind.
class ProgramTest : public QObject {
    Q_OBJECT

    static QProcessEnvironment environment(const QString& home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

private Q_SLOTS:
    // The system ends the program while the start-up's message about a damaged book file waits for an
    // answer: the program ends anyway, leaves the damaged file alone and frees the data folder.
    void terminateDuringAStartupMessage() {
        QTemporaryDir home;
        const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
        QDir().mkpath(data);
        for (const char* name : {"buecher30.b04", "leser30.b04", "ausleihe30.b04"}) {
            QFile f(data + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("kaputt");
        }
        QProcess p;
        p.setProcessEnvironment(environment(home.path()));
        p.start(QStringLiteral(LESARO_PROGRAM), {});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + QStringLiteral(".lesaro.lock")), 20000);
        QTest::qWait(1500); // the message box is up by now
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY2(p.waitForFinished(20000), "the program did not end");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        // The readers are loaded first; the message names their file.
        QVERIFY(p.readAllStandardError().contains("leser30.b04"));
        QVERIFY(!QFileInfo::exists(data + QStringLiteral(".lesaro.lock")));
        QFile books(data + QStringLiteral("buecher30.b04"));
        QVERIFY(books.open(QIODevice::ReadOnly));
        QCOMPARE(books.readAll(), QByteArray("kaputt"));
    }

    // The disk is full when the system ends the program: nobody can be asked, so the tables go to the
    // emergency folder in the home folder and the exit status is not 0.
    void terminateOnAFullDisk() {
        QTemporaryDir home;
        lesaro::test::SmallDisk disk(home.path() + QStringLiteral("/data"), QStringLiteral("2m"));
        if (!disk.mounted())
            QSKIP("No rights to mount a small file system.");
        const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
        QProcess p;
        p.setProcessEnvironment(environment(home.path()));
        p.start(QStringLiteral(LESARO_PROGRAM), {});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(data + QStringLiteral("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() == 1, 20000);
        QTest::qWait(500);
        disk.fill();
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY2(p.waitForFinished(20000), "the program did not end");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        const QString emergency = home.path() + QStringLiteral("/Lesaro-Notsicherung/");
        const QStringList runs = QDir(emergency).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(runs.size(), 1);
        for (const char* name : {"buecher30.b04", "leser30.b04", "ausleihe30.b04"})
            QVERIFY2(QFileInfo(emergency + runs.first() + u'/' + QLatin1String(name)).size() > 0, name);
        // The files in the data folder are the ones from before, not empty ones.
        QCOMPARE(QFileInfo(data + QStringLiteral("buecher30.b04")).size(), 755);
    }

    void firstStartThenTerminate() {
        QTemporaryDir home;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LESARO_PROGRAM), {});
        QVERIFY(p.waitForStarted());
        const QString data = home.path() + QStringLiteral("/data/Tomarelle 2022/");
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(data + QStringLiteral("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() == 1, 20000);
        QTest::qWait(500);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);

        QCOMPARE(QFileInfo(data + QStringLiteral("buecher30.b04")).size(), 755);
        QCOMPARE(QFileInfo(data + QStringLiteral("leser30.b04")).size(), 298);
        QCOMPARE(QFileInfo(data + QStringLiteral("ausleihe30.b04")).size(), 156);
        QFile plz(data + QStringLiteral("plz.xml"));
        QVERIFY(plz.open(QIODevice::ReadOnly));
        QVERIFY(plz.read(64).startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET"));
        QVERIFY(!QFileInfo::exists(data + QStringLiteral(".lesaro.lock")));

        QFile settings(home.path() + QStringLiteral("/config/Orvendel Software/Lesaro.reg"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray bytes = settings.readAll();
        QVERIFY(bytes.startsWith("\xff\xfe"));
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
        for (const char* line :
             {"\"WindowState\"=\"wsNormal\"", "\"Height\"=dword:000001f4", "\"Width\"=dword:000002bc",
              "\"Tage\"=dword:0000001e", "\"SortBuecher\"=\"ID\"", "\"Erscheinungsort\"=\"Ort\""})
            QVERIFY2(text.contains(QString::fromLatin1(line)), line);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
