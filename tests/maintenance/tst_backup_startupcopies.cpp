// The start-up copies that are kept: the latest starts, the newest copy of each recent month, and the copy
// that holds what the data folder holds now. The rules as a case table, a year of daily starts of the
// real start-up, and a model run over random start sequences.
#include "core/Clock.h"
#include "library/LibraryData.h"
#include "library/StartupCopies.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace lesaro;

namespace {

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString bits(const QList<bool>& kept) {
    QString s;
    for (bool k : kept)
        s += k ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// A start-up copy as the start writes it: a folder named by the stamp (with the next free suffix) holding
// the three table files, marked with the moment of the start.
QString makeCopy(const QString& backupFolder, const QDateTime& when) {
    QDir backup(backupFolder);
    const QString base = LibraryData::stamp(when);
    QString name = base;
    for (int n = 2; backup.exists(name); ++n)
        name = QStringLiteral("%1-%2").arg(base).arg(n);
    backup.mkpath(name);
    for (const char* file : {"buecher30.b04", "leser30.b04", "ausleihe30.b04"}) {
        QFile f(backup.filePath(name) + QLatin1Char('/') + QString::fromLatin1(file));
        if (f.open(QIODevice::WriteOnly))
            f.write("x");
    }
    StartupCopies::markMade(backup.filePath(name), when);
    return name;
}

} // namespace

class TestStartupCopies : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void keptRules_data();
    void keptRules();
    void policyFromSettings_data();
    void policyFromSettings();
    void yearOfDailyStarts();
    void foreignFoldersAndFilesStay();
    void modelOfRandomStarts();
};

void TestStartupCopies::initTestCase() {
    static QTemporaryDir settings;
    SettingsStore::redirectInstance(settings.filePath(QStringLiteral("Lesaro.reg")));
}

void TestStartupCopies::keptRules_data() {
    QTest::addColumn<QStringList>("copies"); // newest first
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("lastSave"); // empty: unknown
    QTest::addColumn<int>("latestStarts");
    QTest::addColumn<int>("months");
    QTest::addColumn<QString>("expected");

    const QString save = QStringLiteral("2020-01-01 00:00:00"); // before every copy below
    QStringList oneDay;
    for (int i = 11; i >= 1; --i)
        oneDay << QStringLiteral("2024-05-20 %1:00:00").arg(i + 8, 2, 10, QLatin1Char('0'));
    QTest::newRow("fewer copies than starts kept")
        << oneDay.mid(0, 3) << "2024-05-20 20:00:00" << save << 10 << 12 << "111";
    QTest::newRow("eleventh start of the day goes")
        << oneDay << "2024-05-20 20:00:00" << save << 10 << 12 << "11111111110";
    QTest::newRow("newest copy of each earlier month")
        << QStringList{"2024-05-20 09:00:00", "2024-04-30 18:00:00", "2024-04-02 08:00:00", "2024-03-31 23:59:59",
                       "2024-03-01 00:00:00"}
        << "2024-05-20 20:00:00" << save << 1 << 12 << "11010";
    QTest::newRow("thirteenth month back goes")
        << QStringList{"2024-05-01 09:00:00", "2024-01-15 09:00:00", "2023-06-30 09:00:00", "2023-05-31 09:00:00"}
        << "2024-05-20 20:00:00" << save << 0 << 12 << "1110";
    QTest::newRow("month count reaches over the new year")
        << QStringList{"2024-01-02 09:00:00", "2023-12-31 09:00:00", "2023-11-30 09:00:00"} << "2024-01-02 10:00:00"
        << save << 0 << 2 << "110";
    QTest::newRow("no rule keeps any: the only copy since the last save stays")
        << QStringList{"2024-05-20 09:00:00", "2024-05-19 09:00:00", "2024-05-18 09:00:00"} << "2024-05-20 20:00:00"
        << "2024-05-19 12:00:00" << 0 << 0 << "100";
    QTest::newRow("several since the last save: the newest of them stays")
        << QStringList{"2024-05-20 09:00:00", "2024-05-19 09:00:00", "2024-05-18 09:00:00"} << "2024-05-20 20:00:00"
        << "2024-05-17 12:00:00" << 0 << 0 << "100";
    QTest::newRow("saved after the newest copy: none protected")
        << QStringList{"2024-05-20 09:00:00", "2024-05-19 09:00:00"} << "2024-05-20 20:00:00"
        << "2024-05-20 19:00:00" << 0 << 0 << "00";
    QTest::newRow("copy made at the moment of the save counts as after it")
        << QStringList{"2024-05-20 09:00:00", "2024-05-19 09:00:00"} << "2024-05-20 20:00:00"
        << "2024-05-20 09:00:00" << 0 << 0 << "10";
    QTest::newRow("last save unknown: the newest stays") << QStringList{"2024-05-20 09:00:00", "2024-05-19 09:00:00"}
                                                         << "2024-05-20 20:00:00" << QString() << 0 << 0 << "10";
    // The clock went back: a copy dated later than now is its month's newest and is not thrown away.
    QTest::newRow("copy from after now stays")
        << QStringList{"2024-06-01 09:00:00", "2024-01-10 09:00:00", "2024-01-05 09:00:00"} << "2024-01-15 09:00:00"
        << save << 0 << 1 << "110";
    QTest::newRow("no copies") << QStringList{} << "2024-05-20 20:00:00" << save << 10 << 12 << "";
}

void TestStartupCopies::keptRules() {
    QFETCH(QStringList, copies);
    QFETCH(QString, now);
    QFETCH(QString, lastSave);
    QFETCH(int, latestStarts);
    QFETCH(int, months);
    QFETCH(QString, expected);
    QList<StartupCopies::Copy> list;
    for (const QString& c : copies)
        list.append({c, c, at(c)});
    const StartupCopies::Policy policy{latestStarts, months};
    QCOMPARE(bits(StartupCopies::kept(list, at(now), lastSave.isEmpty() ? QDateTime() : at(lastSave), policy)),
             expected);
}

void TestStartupCopies::policyFromSettings_data() {
    QTest::addColumn<QVariant>("starts"); // invalid: the value is missing
    QTest::addColumn<QVariant>("months");
    QTest::addColumn<int>("expectedStarts");
    QTest::addColumn<int>("expectedMonths");
    QTest::newRow("missing: defaults") << QVariant() << QVariant() << 10 << 12;
    QTest::newRow("set") << QVariant(3) << QVariant(24) << 3 << 24;
    QTest::newRow("zero means none") << QVariant(0) << QVariant(0) << 0 << 0;
    QTest::newRow("negative counts as zero") << QVariant(-4) << QVariant(5) << 0 << 5;
}

void TestStartupCopies::policyFromSettings() {
    QFETCH(QVariant, starts);
    QFETCH(QVariant, months);
    QFETCH(int, expectedStarts);
    QFETCH(int, expectedMonths);
    QTemporaryDir dir;
    SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
    if (starts.isValid())
        INI::WriteSettingInteger(QStringLiteral("StartkopienAnzahl"), starts.toInt());
    if (months.isValid())
        INI::WriteSettingInteger(QStringLiteral("StartkopienMonate"), months.toInt());
    const StartupCopies::Policy p = StartupCopies::policyFromSettings();
    QCOMPARE(p.latestStarts, expectedStarts);
    QCOMPARE(p.months, expectedMonths);
}

// A start every morning of 2023 through the real start-up: at the end of the year the copies of the last
// ten mornings and the last morning of each of the eleven months before December remain.
void TestStartupCopies::yearOfDailyStarts() {
    QTemporaryDir dir;
    SettingsStore::redirectInstance(dir.filePath(QStringLiteral("config/Lesaro.reg")));
    const QString base = dir.filePath(QStringLiteral("daten"));
    QString backupFolder;
    for (QDate day(2023, 1, 1); day.year() == 2023; day = day.addDays(1)) {
        Clock::setFixedNow(QDateTime(day, QTime(8, 0, 0)));
        LibraryData data;
        data.FormCreate(base, dir.filePath(QStringLiteral("programm")));
        data.loadAtStart();
        backupFolder = data.DataFolder() + QStringLiteral("backup");
        QVERIFY2(QDir(data.lastStartupCopy()).exists(), qPrintable(day.toString(Qt::ISODate)));
        QVERIFY(StartupCopies::list(backupFolder).size() <= 22);
    }
    Clock::setFixedNow({});

    QList<QDate> expected;
    for (int d = 31; d >= 22; --d)
        expected << QDate(2023, 12, d);
    for (int m = 11; m >= 1; --m)
        expected << QDate(2023, m, 1).addMonths(1).addDays(-1);
    QList<QDate> found;
    for (const StartupCopies::Copy& c : StartupCopies::list(backupFolder)) {
        found << c.made.date();
        QCOMPARE(c.made.time(), QTime(8, 0, 0));
        QCOMPARE(QDir(c.folder).entryList(QDir::Files).size(), 3);
    }
    QCOMPARE(found, expected);
    QCOMPARE(QDir(backupFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), expected.size());
}

void TestStartupCopies::foreignFoldersAndFilesStay() {
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup"));
    QVERIFY(QDir().mkpath(backup + QStringLiteral("/Meine Sicherung")));
    QVERIFY(QDir().mkpath(backup + QStringLiteral("/2023-alt")));
    const QString old = makeCopy(backup, at(QStringLiteral("2023-01-01 08:00:00")));
    const QString withNote = makeCopy(backup, at(QStringLiteral("2023-01-02 08:00:00")));
    QFile note(backup + QLatin1Char('/') + withNote + QStringLiteral("/notiz.txt"));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.close();
    // Adding the note moved the folder's time; the copy's moment is set back to that of its start.
    StartupCopies::markMade(backup + QLatin1Char('/') + withNote, at(QStringLiteral("2023-01-02 08:00:00")));
    const QString newest = makeCopy(backup, at(QStringLiteral("2024-05-20 08:00:00")));

    const int removed = StartupCopies::prune(backup, at(QStringLiteral("2024-05-20 09:00:00")), QDateTime(),
                                             StartupCopies::Policy{1, 1}, newest);
    QCOMPARE(removed, 1);
    QStringList left = QDir(backup).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QCOMPARE(left, QStringList({"2023-alt", withNote, newest, "Meine Sicherung"}));
    QVERIFY(!left.contains(old));
    // The folder with the user's note lost the table files only, and is no start-up copy any more.
    QCOMPARE(QDir(backup + QLatin1Char('/') + withNote).entryList(QDir::Files), QStringList{"notiz.txt"});
    QCOMPARE(StartupCopies::list(backup).size(), 1);
    // A stamp folder without the three tables (a start that failed while copying) is neither listed nor
    // removed.
    QVERIFY(QDir(backup).mkpath(QStringLiteral("2024520-900")));
    QCOMPARE(StartupCopies::list(backup).size(), 1);
    StartupCopies::prune(backup, at(QStringLiteral("2024-05-20 09:00:00")), QDateTime(), StartupCopies::Policy{0, 0});
    QVERIFY(QDir(backup).exists(QStringLiteral("2024520-900")));
}

// Random sequences of starts (same second, minutes, days, months apart, now and then the clock set back)
// with random policies, against a plain model: after each start the survivors are exactly those the
// rules name, counted over the survivors of the step before.
void TestStartupCopies::modelOfRandomStarts() {
    struct ModelCopy {
        QDateTime made;
        QString name;
        int seq; // order of the starts: the later of two at the same moment is the newer
    };
    for (quint32 seed = 1; seed <= 12; ++seed) {
        QRandomGenerator rng(seed);
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("backup"));
        QVERIFY(QDir().mkpath(backup));
        const StartupCopies::Policy policy{int(rng.bounded(0, 13)), int(rng.bounded(0, 15))};
        QList<ModelCopy> model;
        QStringList ops;
        QDateTime now(QDate(2022, 1, 1), QTime(8, 0, 0));
        for (int step = 0; step < 120; ++step) {
            switch (rng.bounded(6)) {
            case 0:
                now = now.addMSecs(rng.bounded(1, 900));
                break; // the same second: the stamp repeats
            case 1:
                now = now.addSecs(60 * rng.bounded(1, 600));
                break;
            case 2:
                now = now.addDays(rng.bounded(1, 4));
                break;
            case 3:
                now = now.addDays(rng.bounded(20, 80));
                break;
            case 4:
                now = now.addDays(-rng.bounded(1, 40));
                break; // the clock set back
            default:
                now = now.addSecs(3600 * rng.bounded(1, 30));
                break;
            }
            // Now and then a save after the last start; otherwise the last save lies before it.
            const QDateTime lastSave = rng.bounded(3) == 0 ? now.addSecs(rng.bounded(-90000, 90000))
                                                           : QDateTime(QDate(2000, 1, 1), QTime(0, 0));
            const QString name = makeCopy(backup, now);
            StartupCopies::prune(backup, now, lastSave, policy, backup + QLatin1Char('/') + name);
            ops << QStringLiteral("%1 start %2 as %3, save %4")
                       .arg(step)
                       .arg(now.toString(Qt::ISODateWithMs), name, lastSave.toString(Qt::ISODate));

            model.append({now, name, step});
            std::stable_sort(model.begin(), model.end(), [](const ModelCopy& a, const ModelCopy& b) {
                return a.made != b.made ? a.made > b.made : a.seq > b.seq;
            });
            QList<ModelCopy> survivors;
            QSet<int> monthsSeen;
            bool savedOneKept = false;
            for (int i = 0; i < model.size(); ++i) {
                const QDate d = model[i].made.date();
                const int monthsBack = (now.date().year() - d.year()) * 12 + now.date().month() - d.month();
                const int month = d.year() * 12 + d.month();
                bool keep = i < policy.latestStarts || model[i].name == name;
                if (monthsBack < policy.months && !monthsSeen.contains(month)) {
                    monthsSeen.insert(month);
                    keep = true;
                }
                if (!savedOneKept && model[i].made >= lastSave) {
                    savedOneKept = true;
                    keep = true;
                }
                if (keep)
                    survivors.append(model[i]);
            }
            model = survivors;

            QStringList expected;
            for (const ModelCopy& c : model)
                expected << c.name;
            QStringList actual;
            for (const StartupCopies::Copy& c : StartupCopies::list(backup))
                actual << c.name;
            if (actual != expected) {
                qWarning().noquote() << "seed" << seed << "step" << step << "policy" << policy.latestStarts
                                     << policy.months << "last operations:\n"
                                     << ops.mid(ops.size() - 8).join('\n');
            }
            QCOMPARE(actual, expected);
        }
    }
}

QTEST_MAIN(TestStartupCopies)
#include "tst_backup_startupcopies.moc"
