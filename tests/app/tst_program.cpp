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

private Q_SLOTS:
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
