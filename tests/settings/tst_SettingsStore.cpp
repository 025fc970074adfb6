// The settings store: reads that never fail, the remembered-value lists, durable and cheap writes, and
// a damaged settings file.
#include "core/Clock.h"
#include "settings/INI.h"
#include "settings/RegFileCheck.h"
#include "settings/SettingsStore.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace lesaro;
using lesaro::testing::readAll;
using lesaro::testing::writeAll;

namespace {

QString fileText(const QString& path) {
    QStringDecoder dec(QStringDecoder::Utf16LE);
    return dec(readAll(path).mid(2));
}

QByteArray utf16(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QString kKeySection = QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]");

} // namespace

class tst_SettingsStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void defaultFileLiesInTheConfigFolder();
    void firstReadCreatesTheKey();
    void valueOfOtherTypeReadsAsNothing_data();
    void valueOfOtherTypeReadsAsNothing();
    void valueNamesIgnoreCase();
    void rememberedListKeepsOneEntryPerText();
    void removeEntry();
    void valueAndSubKeyOfOneNameCoexist();
    void settingsSurviveTheStore();
    void manyWritesAreCoalesced();
    void writeAfterASecondReachesTheFile();
    void fileIsReplacedNotRewritten();
    void failedWriteKeepsTheOldFile();
    void damagedFileIsReadAndKeptAside_data();
    void damagedFileIsReadAndKeptAside();
    void damagedFileIsStampedByTheClock();
    void sameDamagedFileIsKeptAsideOnce();
    void largeFileSurvivesRestarts_data();
    void largeFileSurvivesRestarts();
    void unreadableFileIsNotOverwritten();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList filesInDir() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SettingsStore::initTestCase() {
    // Run by hand, the test must not touch the real configuration folder either.
    static QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
}

void tst_SettingsStore::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_SettingsStore::cleanup() {
    Clock::setFixedNow({});
    // Leave no process-wide store behind that would write into a removed folder.
    SettingsStore::redirectInstance(path(QStringLiteral("nach-dem-test.reg")));
}

void tst_SettingsStore::defaultFileLiesInTheConfigFolder() {
    QCOMPARE(SettingsStore::defaultFilePath(),
             qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Orvendel Software/Lesaro.reg"));
}

void tst_SettingsStore::firstReadCreatesTheKey() {
    const QString file = path(QStringLiteral("Orvendel Software/Lesaro.reg"));
    const SettingsStore& store = SettingsStore::redirectInstance(file);
    QVERIFY(!store.keyExists());
    QVERIFY(!QFile::exists(file));

    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchID")), 0);
    QVERIFY(store.keyExists());
    QCOMPARE(INI::ReadSettingString(QStringLiteral("SortBuecher")), QString());
    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 0);
    QCOMPARE(INI::ReadRememberedValues(INI::Standort), QStringList());

    QVERIFY(INI::FlushSettings());
    const QString text = fileText(file);
    QVERIFY2(text.contains(kKeySection + QStringLiteral("\r\n\r\n")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("\\Lesaro\\Standort]")));
}

void tst_SettingsStore::valueOfOtherTypeReadsAsNothing_data() {
    QTest::addColumn<bool>("writeText");
    QTest::newRow("text read as number") << true;
    QTest::newRow("number read as text") << false;
}

void tst_SettingsStore::valueOfOtherTypeReadsAsNothing() {
    QFETCH(bool, writeText);
    SettingsStore::redirectInstance(path(QStringLiteral("Lesaro.reg")));
    if (writeText) {
        INI::WriteSettingString(QStringLiteral("Tage"), QStringLiteral("30"));
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 0);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Tage")), QStringLiteral("30"));
    } else {
        INI::WriteSettingInteger(QStringLiteral("DruckTitel"), 7);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("DruckTitel")), QString());
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("DruckTitel")), 7);
    }
}

void tst_SettingsStore::valueNamesIgnoreCase() {
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.writeInteger(QStringLiteral("Tage"), 30);
    store.writeInteger(QStringLiteral("TAGE"), 14);
    QCOMPARE(store.readInteger(QStringLiteral("tage")), 14);
    QVERIFY(store.flush());
    const QString text = fileText(store.filePath());
    QVERIFY2(text.contains(QStringLiteral("\"Tage\"=dword:0000000e")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("=dword:")), 1);
}

void tst_SettingsStore::rememberedListKeepsOneEntryPerText() {
    SettingsStore::redirectInstance(path(QStringLiteral("Lesaro.reg")));
    INI::AddRememberedValue(INI::Standort, QStringLiteral("Keller"));
    INI::AddRememberedValue(INI::Standort, QStringLiteral("Keller"));
    INI::AddRememberedValue(INI::Standort, QStringLiteral("KELLER"));
    INI::AddRememberedValue(INI::Standort, QStringLiteral("kelLer"));
    INI::AddRememberedValue(INI::Standort, QString());
    INI::AddRememberedValue(INI::Verlag, QStringLiteral("keller"));
    QCOMPARE(INI::ReadRememberedValues(INI::Standort), QStringList({"Keller"}));
    QCOMPARE(INI::ReadRememberedValues(INI::Verlag), QStringList({"keller"}));
    QCOMPARE(INI::ReadRememberedValues(INI::Schlagwort), QStringList());
}

void tst_SettingsStore::removeEntry() {
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.addListEntry(QStringLiteral("Schlagwort"), QStringLiteral("Krimi"));
    store.addListEntry(QStringLiteral("Schlagwort"), QStringLiteral("Reihe\\Band"));
    store.addListEntry(QStringLiteral("Schlagwort"), QStringLiteral("Roman"));
    store.removeListEntry(QStringLiteral("Schlagwort"), QStringLiteral("KRIMI"));
    store.removeListEntry(QStringLiteral("Schlagwort"), QStringLiteral("Reihe\\Band"));
    store.removeListEntry(QStringLiteral("Schlagwort"), QStringLiteral("gibt es nicht"));
    store.removeListEntry(QStringLiteral("Sachgruppe"), QStringLiteral("Roman"));
    QCOMPARE(store.listEntries(QStringLiteral("Schlagwort")), QStringList({"Roman"}));
}

void tst_SettingsStore::valueAndSubKeyOfOneNameCoexist() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    {
        SettingsStore store(file);
        store.writeString(QStringLiteral("Standort"), QStringLiteral("Aufstellung"));
        store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Keller"));
        store.writeString(QStringLiteral("Standort"), QStringLiteral("Regal"));
    }
    SettingsStore store(file);
    QCOMPARE(store.readString(QStringLiteral("Standort")), QStringLiteral("Regal"));
    QCOMPARE(store.listEntries(QStringLiteral("Standort")), QStringList({"Keller"}));
    QCOMPARE(store.takeNotice(), QString());
}

void tst_SettingsStore::settingsSurviveTheStore() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    {
        SettingsStore store(file);
        store.writeInteger(QStringLiteral("LastBuchID"), 1);
        store.writeInteger(QStringLiteral("LastBuchID"), 2); // within the second: only in memory
        store.writeString(QStringLiteral("WindowState"), QStringLiteral("wsMaximized"));
        store.addListEntry(QStringLiteral("Sachgruppe"), QStringLiteral("Märchen"));
    } // the destructor writes what is pending
    SettingsStore store(file);
    QCOMPARE(store.readInteger(QStringLiteral("LastBuchID")), 2);
    QCOMPARE(store.readString(QStringLiteral("WindowState")), QStringLiteral("wsMaximized"));
    QCOMPARE(store.listEntries(QStringLiteral("Sachgruppe")), QStringList({"Märchen"}));
    QVERIFY(!store.isDirty());
}

void tst_SettingsStore::manyWritesAreCoalesced() {
    // The clock stands still, however slow the machine: the changes wait for the pause to pass.
    Clock::setFixedNow(QDateTime(QDate(2031, 12, 24), QTime(18, 0)));
    // An import of many books bumps a counter once per book; the settings also hold a long keyword list.
    const QString file = path(QStringLiteral("Lesaro.reg"));
    SettingsStore& store = SettingsStore::redirectInstance(file);
    for (int i = 0; i < 500; ++i)
        INI::AddRememberedValue(INI::Schlagwort, QStringLiteral("Schlagwort %1").arg(i));
    QVERIFY(INI::FlushSettings());
    const QByteArray before = readAll(file);

    const qint64 writesBefore = store.fileWrites();
    for (int i = 0; i < 10000; ++i)
        INI::WriteSettingInteger(QStringLiteral("LastBuchID"),
                                 INI::ReadSettingInteger(QStringLiteral("LastBuchID")) + 1);
    QCOMPARE(store.fileWrites(), writesBefore);
    QCOMPARE(readAll(file), before); // all within the second after the last file write
    QVERIFY(store.isDirty());

    QVERIFY(INI::FlushSettings());
    QVERIFY(!store.isDirty());
    QVERIFY(fileText(file).contains(QStringLiteral("\"LastBuchID\"=dword:00002710")));
}

void tst_SettingsStore::writeAfterASecondReachesTheFile() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    SettingsStore store(file);
    store.writeInteger(QStringLiteral("LastLeserID"), 1); // the first write goes to the file at once
    QVERIFY(fileText(file).contains(QStringLiteral("\"LastLeserID\"=dword:00000001")));
    store.writeInteger(QStringLiteral("LastLeserID"), 2);
    QVERIFY(fileText(file).contains(QStringLiteral("\"LastLeserID\"=dword:00000001")));
    QThread::msleep(1100);
    store.writeInteger(QStringLiteral("LastLeserID"), 3);
    QVERIFY(fileText(file).contains(QStringLiteral("\"LastLeserID\"=dword:00000003")));
    QVERIFY(!store.isDirty());
}

void tst_SettingsStore::fileIsReplacedNotRewritten() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    const QString oldVersion = path(QStringLiteral("vorher.reg"));
    SettingsStore store(file);
    store.writeString(QStringLiteral("DruckTitel"), QStringLiteral("alt"));
    QVERIFY(store.flush());
    const QByteArray before = readAll(file);
    // A second name for the same file: an in-place rewrite would change what it shows.
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(oldVersion).constData()), 0);

    store.writeString(QStringLiteral("DruckTitel"), QStringLiteral("neu"));
    QVERIFY(store.flush());
    QCOMPARE(readAll(oldVersion), before);
    QVERIFY(fileText(file).contains(QStringLiteral("\"DruckTitel\"=\"neu\"")));
    QCOMPARE(filesInDir(), QStringList({"Lesaro.reg", "vorher.reg"}));
}

void tst_SettingsStore::failedWriteKeepsTheOldFile() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    SettingsStore store(file);
    for (int i = 0; i < 200; ++i)
        store.addListEntry(QStringLiteral("Verlag"), QStringLiteral("Verlag Nummer %1").arg(i));
    QVERIFY(store.flush());
    const QByteArray before = readAll(file);
    QVERIFY(before.size() > 8192);

    // A disk that takes only the first 4 KiB of any file.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    store.writeInteger(QStringLiteral("LastBuchID"), 42);
    const bool firstFlush = store.flush();
    const bool secondFlush = store.flush();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!firstFlush);
    QVERIFY(!secondFlush);
    QCOMPARE(readAll(file), before);
    QCOMPARE(filesInDir(), QStringList({"Lesaro.reg"}));
    QVERIFY2(store.writeError().startsWith(QStringLiteral("Die Einstellungen konnten nicht in")),
             qPrintable(store.writeError()));
    QCOMPARE(store.takeWriteError(), store.writeError()); // told once, not on every retry
    QCOMPARE(store.takeWriteError(), QString());
    QVERIFY(store.isDirty());
    QCOMPARE(store.readInteger(QStringLiteral("LastBuchID")), 42);

    QVERIFY(store.flush());
    QCOMPARE(store.writeError(), QString());
    QVERIFY(fileText(file).contains(QStringLiteral("\"LastBuchID\"=dword:0000002a")));
}

void tst_SettingsStore::damagedFileIsReadAndKeptAside_data() {
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<int>("tage");
    QTest::addColumn<QString>("titel");
    QTest::addColumn<int>("lastBuchId");
    QTest::addColumn<QStringList>("standorte");

    const QString good = QStringLiteral("Windows Registry Editor Version 5.00\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\r\n"
                                        "\"Tage\"=dword:0000001e\r\n"
                                        "\"DruckTitel\"=\"Bücherliste\"\r\n"
                                        "\"LastBuchID\"=dword:000004d2\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort]\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort\\Keller]\r\n"
                                        "\r\n");
    const QStringList all{QStringLiteral("Keller")};
    const QString titel = QStringLiteral("Bücherliste");

    QString garbage = good;
    garbage.insert(good.indexOf(QStringLiteral("\"DruckTitel\"")),
                   QStringLiteral("#~ü\u0007 Müll ohne Form\r\n\"x\"=\r\n"));
    QTest::newRow("garbage lines") << utf16(garbage) << 30 << titel << 1234 << all;

    // Cut inside the number: it must not read as a smaller one.
    const qsizetype cut = good.indexOf(QStringLiteral("000004d2")) + 6; // leaves "dword:000004"
    QTest::newRow("cut in the middle") << utf16(good.left(cut)) << 30 << titel << 0 << QStringList();
    // Mark, the text up to the cut, and half of the next character.
    QTest::newRow("cut inside a character") << utf16(good).left(2 * cut + 3) << 30 << titel << 0 << QStringList();
    QTest::newRow("UTF-8") << good.toUtf8() << 30 << titel << 1234 << all;
    QTest::newRow("Windows-1252") << good.toLatin1() << 30 << titel << 1234 << all;
    QTest::newRow("UTF-16 without mark") << utf16(good).mid(2) << 30 << titel << 1234 << all;
    QTest::newRow("no header") << utf16(good.mid(good.indexOf(u'['))) << 30 << titel << 1234 << all;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\xff\xfe[", 19) << 0 << QString() << 0
                            << QStringList();
    QTest::newRow("empty") << QByteArray("") << 0 << QString() << 0 << QStringList();
}

void tst_SettingsStore::damagedFileIsReadAndKeptAside() {
    QFETCH(QByteArray, damaged);
    QFETCH(int, tage);
    QFETCH(QString, titel);
    QFETCH(int, lastBuchId);
    QFETCH(QStringList, standorte);

    const QString file = path(QStringLiteral("Lesaro.reg"));
    writeAll(file, damaged);
    QByteArray repaired;
    {
        SettingsStore store(file);
        const QString notice = store.takeNotice();
        QVERIFY2(notice.startsWith(QStringLiteral("Die Einstellungsdatei war beschädigt.")), qPrintable(notice));
        QCOMPARE(store.takeNotice(), QString());
        QCOMPARE(store.readInteger(QStringLiteral("Tage")), tage);
        QCOMPARE(store.readString(QStringLiteral("DruckTitel")), titel);
        QCOMPARE(store.readInteger(QStringLiteral("LastBuchID")), lastBuchId);
        QCOMPARE(store.listEntries(QStringLiteral("Standort")), standorte);

        const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("Lesaro.reg.beschaedigt-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(notice.contains(aside.first()));
        QCOMPARE(readAll(path(aside.first())), damaged);
        // What could be read is already saved as a sound file.
        QVERIFY(fileText(file).startsWith(QStringLiteral("Windows Registry Editor Version 5.00\r\n")));
        store.writeInteger(QStringLiteral("LastBuchID"), 7);
    }
    SettingsStore again(file);
    QCOMPARE(again.takeNotice(), QString());
    QCOMPARE(again.readInteger(QStringLiteral("Tage")), tage);
    QCOMPARE(again.readString(QStringLiteral("DruckTitel")), titel);
    QCOMPARE(again.readInteger(QStringLiteral("LastBuchID")), 7);
}

// The copy kept aside carries the program's time, not the system's, and a second damaged file within the
// same second does not overwrite the first copy.
void tst_SettingsStore::damagedFileIsStampedByTheClock() {
    Clock::setFixedNow(QDateTime(QDate(2031, 12, 24), QTime(18, 5, 9)));
    const QString file = path(QStringLiteral("Lesaro.reg"));
    const QByteArray damaged[] = {"kein Registrierungsexport", "ein anderer kaputter Inhalt"};
    for (const QByteArray& bytes : damaged) {
        writeAll(file, bytes);
        SettingsStore store(file);
        QVERIFY(store.takeNotice().contains(QStringLiteral("beschaedigt-20311224-180509")));
    }
    const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("Lesaro.reg.beschaedigt-*")});
    QCOMPARE(aside, (QStringList{QStringLiteral("Lesaro.reg.beschaedigt-20311224-180509"),
                                 QStringLiteral("Lesaro.reg.beschaedigt-20311224-180509-2")}));
    QCOMPARE(readAll(path(aside[0])), damaged[0]);
    QCOMPARE(readAll(path(aside[1])), damaged[1]);
}

// The same damaged bytes found again (the file could not be replaced, or came back from a copy) keep the
// one copy made of them; each start's notice names it.
void tst_SettingsStore::sameDamagedFileIsKeptAsideOnce() {
    const QString file = path(QStringLiteral("Lesaro.reg"));
    const QByteArray damaged = "kein Registrierungsexport";
    QString firstNotice;
    for (int start = 0; start < 3; ++start) {
        Clock::setFixedNow(QDateTime(QDate(2031, 12, 24), QTime(18, 5, start)));
        writeAll(file, damaged);
        SettingsStore store(file);
        const QString notice = store.takeNotice();
        if (start == 0)
            firstNotice = notice;
        QCOMPARE(notice, firstNotice);
    }
    const QStringList aside = QDir(m_dir->path()).entryList({QStringLiteral("Lesaro.reg.beschaedigt-*")});
    QCOMPARE(aside, QStringList{QStringLiteral("Lesaro.reg.beschaedigt-20311224-180500")});
    QCOMPARE(readAll(path(aside.first())), damaged);
}

// A long-used settings file, below and well above 8 MB (the reader's bound until now, at which the program
// cut such a file and called it damaged at every start): read whole, written back whole, the same after two
// more starts, nothing kept aside.
void tst_SettingsStore::largeFileSurvivesRestarts_data() {
    QTest::addColumn<qint64>("size");
    QTest::newRow("just below 8 MB") << qint64(8 * 1024 * 1024 - 64 * 1024);
    QTest::newRow("just above 8 MB") << qint64(8 * 1024 * 1024 + 64 * 1024);
    QTest::newRow("24 MB") << qint64(24 * 1024 * 1024);
}

void tst_SettingsStore::largeFileSurvivesRestarts() {
    QFETCH(qint64, size);
    const QString file = path(QStringLiteral("Lesaro.reg"));
    const auto entry = [](int i) {
        return QStringLiteral("Schlagwort %1 ").arg(i, 7, 10, QLatin1Char('0')) + QString(180, u'x');
    };
    int count = 0;
    Clock::setFixedNow(QDateTime(QDate(2031, 12, 24), QTime(18, 0)));
    {
        SettingsStore store(file);
        // Measure what one entry costs, then add the rest in one go.
        qint64 sizes[2] = {};
        for (qint64& measured : sizes) {
            for (const int end = count + 200; count < end; ++count)
                store.addListEntry(QStringLiteral("Schlagwort"), entry(count));
            QVERIFY(store.flush());
            measured = QFileInfo(file).size();
        }
        const qint64 perEntry = (sizes[1] - sizes[0]) / 200;
        const int wanted = count + int((size - sizes[1]) / perEntry) + 1;
        // A file that takes long to write is written at most once per pause, not once per entry: with the clock
        // standing still since the flush above, the pause never passes.
        const qint64 writesBefore = store.fileWrites();
        for (; count < wanted; ++count)
            store.addListEntry(QStringLiteral("Schlagwort"), entry(count));
        QCOMPARE(store.fileWrites(), writesBefore);
        Clock::setFixedNow({});
        store.writeInteger(QStringLiteral("LastBuchID"), 1);
    }
    QVERIFY(QFileInfo(file).size() >= size);
    QByteArray bytes = readAll(file);
    for (int start = 2; start <= 3; ++start) {
        {
            SettingsStore store(file);
            QCOMPARE(store.takeNotice(), QString());
            QCOMPARE(store.listEntries(QStringLiteral("Schlagwort")).size(), count);
            QCOMPARE(store.readInteger(QStringLiteral("LastBuchID")), start - 1);
            store.writeInteger(QStringLiteral("LastBuchID"), start);
        }
        const QByteArray now = readAll(file);
        // Only the counter changed: same size, and the entries untouched.
        QCOMPARE(now.size(), bytes.size());
        bytes = now;
    }
    {
        // A start that changes nothing leaves every byte as it was.
        SettingsStore store(file);
        QCOMPARE(store.listEntries(QStringLiteral("Schlagwort")).size(), count);
    }
    QCOMPARE(readAll(file), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("Lesaro.reg.beschaedigt-*")}), QStringList());
    // A backup of it is taken back as well.
    QString error;
    QVERIFY2(RegFileCheck::usable(file, &error), qPrintable(error));
}

void tst_SettingsStore::unreadableFileIsNotOverwritten() {
    // Something that exists but cannot be read as a file: replacing it would lose what it holds.
    const QString file = path(QStringLiteral("Lesaro.reg"));
    QVERIFY(QDir().mkpath(file));
    writeAll(file + QStringLiteral("/inhalt"), "x");
    SettingsStore store(file);
    const QString notice = store.takeNotice();
    QVERIFY2(notice.contains(QStringLiteral("konnte nicht gelesen werden")), qPrintable(notice));
    store.writeInteger(QStringLiteral("Tage"), 30);
    QCOMPARE(store.readInteger(QStringLiteral("Tage")), 30);
    QVERIFY(!store.flush());
    QVERIFY(store.writeError().contains(QStringLiteral("nicht gespeichert")));
    QVERIFY(QFile::exists(file + QStringLiteral("/inhalt")));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
