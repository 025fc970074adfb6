// The backup window: a backup folder with the three tables and the settings, reading it back over the
// data, and going back to the state of an earlier start. Every refused restore must leave tables, files
// and settings exactly as they were.
#include "core/Clock.h"
#include "core/Datapacket.h"
#include "core/Table.h"
#include "maintenance/TDatenSichernF.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/Files.h"
#include "support/SmallDisk.h"
#include "ui/FileDialogService.h"
#include "ui/GridColumn.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace lesaro;
using lesaro::testing::readAll;

namespace {

const char* const kTableFiles[] = {"buecher30.b04", "leser30.b04", "ausleihe30.b04"};

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The three table files of a folder, in the order of kTableFiles; a missing file reads as empty.
QList<QByteArray> tableFiles(const QString& folder) {
    QList<QByteArray> files;
    for (const char* name : kTableFiles)
        files << readAll(QDir(folder).filePath(QString::fromLatin1(name)));
    return files;
}

// A .reg text written with "\n", stored as the registry editor stores it (UTF-16LE, CR LF).
QByteArray regFile(QString text) {
    text.replace(u'\n', QStringLiteral("\r\n"));
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// A library that has been started twice: the first run enters a book, two readers and a loan and saves,
// the second (the one under test) starts on that data, which leaves two start-up copies. "Tage" is 30.
class Fixture {
public:
    Fixture() {
        SettingsStore::redirectInstance(m_dir.filePath(QStringLiteral("config/Lesaro.reg")));
        Clock::setFixedNow(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 3)));
        {
            LibraryHandle first;
            first.data().FormCreate(base(), m_dir.filePath(QStringLiteral("programm")));
            first.data().loadAtStart();
            addRow(first.ClientBuecher(), {{"Nummer", "1"}, {"Verfasser", "Fontane"}, {"Titel", "Effi Briest"}});
            addRow(first.ClientLeser(), {{"Nummer", "7"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}});
            addRow(first.ClientLeser(), {{"Nummer", "8"}, {"Vorname", "Jörg"}, {"Nachname", "Öztürk"}});
            first.ClientBuecher().First();
            first.ClientLeser().First();
            addRow(first.ClientAusleihe(), {{"BuecherID", first.ClientBuecher().FieldByName("ID").AsString()},
                                            {"LeserID", first.ClientLeser().FieldByName("ID").AsString()},
                                            {"DatumVon", "05.03.2024"}});
            first.data().saveTables();
        }
        Clock::setFixedNow(QDateTime(QDate(2024, 3, 6), QTime(10, 0, 0)));
        library = std::make_unique<LibraryHandle>();
        library->data().FormCreate(base(), m_dir.filePath(QStringLiteral("programm")));
        library->data().loadAtStart();
        Clock::setFixedNow({});
        INI::WriteSettingInteger(QStringLiteral("Tage"), 30);
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
        window = std::make_unique<TDatenSichernF>(*library);
        window->show();
    }
    ~Fixture() {
        window.reset();
        library.reset();
        MessageService::setAnswering(false);
        FileDialogService::setAnswering(false);
    }

    static void addRow(Table& table, const std::vector<std::pair<QString, QString>>& values) {
        table.Append();
        for (const auto& [field, value] : values)
            table.FieldByName(field).setAsString(value);
        table.Post();
    }

    QString base() const { return m_dir.filePath(QStringLiteral("daten")); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    QString dataFolder() const { return library->data().DataFolder(); }

    // What the library holds in memory, as the file format would write it.
    QList<QByteArray> tablesInMemory() const {
        QList<QByteArray> t;
        for (Table* table : {&library->ClientBuecher(), &library->ClientLeser(), &library->ClientAusleihe()})
            t << WriteDatapacket(table->store(), DatapacketForm::Binary);
        return t;
    }

    // Changes every table and the settings after a backup, so that a restore has something to undo.
    void changeEverything() {
        addRow(library->ClientBuecher(), {{"Nummer", "2"}, {"Titel", "Der Stechlin"}});
        library->ClientLeser().Last();
        library->ClientLeser().Delete();
        library->ClientAusleihe().First();
        library->ClientAusleihe().Edit();
        library->ClientAusleihe().FieldByName(QStringLiteral("DatumBis")).setAsString(QStringLiteral("06.03.2024"));
        library->ClientAusleihe().Post();
        library->data().saveTables();
        INI::WriteSettingInteger(QStringLiteral("Tage"), 99);
    }

    QLineEdit* edit(const char* name) const { return window->findChild<QLineEdit*>(QString::fromLatin1(name)); }

    void backupTo(const QString& folder) {
        FileDialogService::answerNext(folder);
        window->SpeedButton1Click();
        window->Button1Click();
    }

    std::unique_ptr<LibraryHandle> library;
    std::unique_ptr<TDatenSichernF> window;

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupThenRestoreBringsBackTablesAndSettings();
    void backupFolderShownAtNextOpening();
    void rootLikeFolderKeepsOneSeparator();
    void failedBackupStopsBeforeSettingsAndSetting_data();
    void failedBackupStopsBeforeSettingsAndSetting();
    void backupFailingOnAFullDiskLeavesTheOldOneWhole();
    void refusedRestoreChangesNothing_data();
    void refusedRestoreChangesNothing();
    void settingsFileOfTheBackup_data();
    void settingsFileOfTheBackup();
    void restoreFromStartupCopy();
    void restoreAfterFailedStartWritesAndAsksForRestart();
    void randomTablesRoundTrip();
};

void TestBackup::backupThenRestoreBringsBackTablesAndSettings() {
    Fixture f;
    const QString folder = f.path(QStringLiteral("Sicherung der Bücherei/Jahr 2024"));
    QVERIFY(QDir().mkpath(folder));
    const QList<QByteArray> before = f.tablesInMemory();
    // A filter narrows what the lists show, never what the backup holds.
    f.library->ClientBuecher().setFilter(QStringLiteral("Nummer = 99"));
    f.library->ClientBuecher().setFiltered(true);

    f.backupTo(folder);
    QVERIFY(!f.window->isVisible());
    QCOMPARE(MessageService::takeShown().size(), 0);
    const QString stored = INI::ReadSettingString(QStringLiteral("Sicherung"));
    QCOMPARE(stored, folder + QLatin1Char('/'));
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             QStringList({"ausleihe30.b04", "buecher30.b04", "einstellungen.reg", "leser30.b04", "sicherung.txt"}));
    // The sub-folders in which the files were made are gone.
    QCOMPARE(QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(tableFiles(folder), before);

    // The lists follow the restored tables on the same Table objects.
    TableModel model(&f.library->DataLeser(), {GridColumn{QStringLiteral("Nachname"), QStringLiteral("Nachname")}});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.changeEverything();
    QCOMPARE(model.rowCount(), 1);
    // A row still being typed belongs to the data being replaced.
    f.library->ClientBuecher().First();
    f.library->ClientBuecher().Edit();
    f.library->ClientBuecher().FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("halb getippt"));
    int restoredSignals = 0;
    QObject::connect(f.window.get(), &TDatenSichernF::restored, [&] { ++restoredSignals; });

    f.window->show();
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(MessageService::Button::Yes);
    f.window->Button3Click();

    QVERIFY(!f.window->isVisible());
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].text, QStringLiteral("Beim Zurücklesen der Datenbank werden alle jetzigen Daten mit der "
                                           "zurückgelesenen Version überschrieben! Sind Sie sicher?"));
    QCOMPARE(shown[1].kind, MessageService::Kind::Confirmation);
    QVERIFY2(shown[1].text.contains(QStringLiteral("einstellungen.reg")), qPrintable(shown[1].text));
    QCOMPARE(f.tablesInMemory(), before);
    QCOMPARE(tableFiles(f.dataFolder()), before);
    QCOMPARE(f.library->ClientBuecher().State(), TableState::Browse);
    QCOMPARE(f.library->ClientBuecher().Filter(), QStringLiteral("Nummer = 99"));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 30);
    QVERIFY(restoredSignals >= 1);
    // The loans point at the restored books and readers again.
    f.library->ClientAusleihe().First();
    QCOMPARE(f.library->ClientAusleihe().FieldByName(QStringLiteral("LeserNachname")).AsString(),
             QStringLiteral("Berg"));
}

void TestBackup::backupFolderShownAtNextOpening() {
    Fixture f;
    // Nothing stored yet: no folder is proposed, least of all the file-system root.
    QCOMPARE(f.edit("Edit1")->text(), QString());
    QCOMPARE(f.edit("Edit2")->text(), QString());
    QVERIFY(f.edit("Edit1")->isReadOnly());
    QVERIFY(f.edit("Edit2")->isReadOnly());
    const QString folder = f.path(QStringLiteral("usb"));
    QVERIFY(QDir().mkpath(folder));
    // A cancelled picker leaves the field as it is.
    f.window->SpeedButton2Click();
    QCOMPARE(f.edit("Edit2")->text(), QString());
    FileDialogService::takeAsked();
    // "Sichern" without a folder asks for one; cancelled, nothing is written and the window stays.
    f.window->Button1Click();
    QCOMPARE(FileDialogService::takeAsked().size(), 1);
    QVERIFY(f.window->isVisible());
    QCOMPARE(MessageService::takeShown().size(), 0);
    QCOMPARE(INI::ReadSettingString(QStringLiteral("Sicherung")), QString());
    // Chosen there, the backup goes into that folder at once.
    FileDialogService::answerNext(folder);
    f.window->Button1Click();
    QVERIFY(!f.window->isVisible());
    QVERIFY(QFile::exists(folder + QStringLiteral("/buecher30.b04")));
    QVERIFY(!f.window->isVisible());
    f.window->show();
    QCOMPARE(f.edit("Edit1")->text(), folder + QLatin1Char('/'));
    QCOMPARE(f.edit("Edit2")->text(), folder + QLatin1Char('/'));
}

void TestBackup::rootLikeFolderKeepsOneSeparator() {
    Fixture f;
    const QString folder = f.path(QStringLiteral("stick")) + QLatin1Char('/');
    QVERIFY(QDir().mkpath(folder));
    f.backupTo(folder);
    QCOMPARE(INI::ReadSettingString(QStringLiteral("Sicherung")), folder);
    QVERIFY(QFile::exists(folder + QStringLiteral("buecher30.b04")));
    QVERIFY(!f.window->isVisible());
}

void TestBackup::failedBackupStopsBeforeSettingsAndSetting_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("filesAfter");
    // The reader file's name taken by a folder: nothing of the backup is written, the folder is left alone.
    QTest::newRow("Leserdatei nicht schreibbar") << "blocked"
                                                 << "leser30.b04" << QStringList{};
    // An empty field asks for a folder; cancelled, nothing happens.
    QTest::newRow("leeres Ordnerfeld") << "empty" << QString() << QStringList{};
    QTest::newRow("Ordner fehlt") << "missing"
                                  << "existiert nicht" << QStringList{};
    QTest::newRow("Start nicht gelungen") << "startFailed"
                                          << "nicht vollständig geladen" << QStringList{};
}

void TestBackup::failedBackupStopsBeforeSettingsAndSetting() {
    QFETCH(QString, how);
    QFETCH(QString, message);
    QFETCH(QStringList, filesAfter);
    Fixture f;
    const QString folder = f.path(QStringLiteral("ziel"));
    QVERIFY(QDir().mkpath(folder));
    QString field = folder;
    if (how == QLatin1String("blocked"))
        QVERIFY(QDir(folder).mkdir(QStringLiteral("leser30.b04")));
    else if (how == QLatin1String("empty"))
        field.clear();
    else if (how == QLatin1String("missing"))
        field = f.path(QStringLiteral("gibt es nicht"));
    else if (how == QLatin1String("startFailed"))
        f.library->data().blockSaving();
    f.edit("Edit1")->setText(field);

    f.window->Button1Click();

    QVERIFY(f.window->isVisible());
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QVERIFY2(shown[0].text.contains(message), qPrintable(shown[0].text));
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), filesAfter);
    QCOMPARE(QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
             how == QLatin1String("blocked") ? QStringList{"leser30.b04"} : QStringList());
    QCOMPARE(INI::ReadSettingString(QStringLiteral("Sicherung")), QString());
}

// The disk fills while a backup is written: the folder keeps the whole earlier backup, which reads back.
void TestBackup::backupFailingOnAFullDiskLeavesTheOldOneWhole() {
    Fixture f;
    const QString folder = f.path(QStringLiteral("stick"));
    test::SmallDisk disk(folder, QStringLiteral("256k"));
    if (!disk.mounted())
        QSKIP("No rights to mount a small file system.");
    f.backupTo(folder);
    QVERIFY(!f.window->isVisible());
    const QStringList names{"ausleihe30.b04", "buecher30.b04", "einstellungen.reg", "leser30.b04", "sicherung.txt"};
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), names);
    QList<QByteArray> old;
    for (const QString& name : names)
        old << readAll(QDir(folder).filePath(name));
    const QList<QByteArray> backup = f.tablesInMemory();

    // Far more books than the stick has room for beside the first backup.
    for (int i = 0; i < 300; ++i)
        Fixture::addRow(f.library->ClientBuecher(),
                        {{"Nummer", QString::number(100 + i)}, {"Bemerkung", QString(1000, QLatin1Char('x'))}});
    f.window->show();
    MessageService::takeShown();
    f.window->Button1Click();

    QVERIFY(f.window->isVisible());
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(QStringLiteral("Der Datenträger ist voll")), qPrintable(shown[0].text));
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), names);
    for (int i = 0; i < names.size(); ++i)
        QVERIFY2(readAll(QDir(folder).filePath(names[i])) == old[i], qPrintable(names[i]));
    QCOMPARE(QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(INI::ReadSettingString(QStringLiteral("Sicherung")), folder + QLatin1Char('/'));

    // The old backup is a whole one: it reads back without a question about its files.
    f.edit("Edit2")->setText(folder);
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(MessageService::Button::No);
    f.window->Button3Click();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.tablesInMemory(), backup);
    QCOMPARE(MessageService::takeShown().size(), 2);
}

void TestBackup::refusedRestoreChangesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("withoutList"); // the list of contents removed, as in a backup of an earlier edition
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("questions");
    QTest::newRow("nur zwei Tabellen") << "removeLoans" << false << "ausleihe30.b04" << 1;
    QTest::newRow("Bücher fehlen") << "removeBooks" << false << "buecher30.b04" << 1;
    QTest::newRow("Leser abgeschnitten") << "truncateReaders" << false << "leser30.b04" << 1;
    QTest::newRow("Ausleihen fremder Inhalt") << "garbageLoans" << false << "ausleihe30.b04" << 1;
    // What a backup that failed half-way, or files copied together, leave: one file of another backup.
    QTest::newRow("Leser einer anderen Sicherung")
        << "readersOfAnotherBackup" << false << "nicht aus einer einzigen Sicherung" << 1;
    QTest::newRow("Einstellungen einer anderen Sicherung")
        << "settingsOfAnotherBackup" << false << "einstellungen.reg" << 1;
    QTest::newRow("Inhaltsverzeichnis beschädigt") << "damagedList" << false << "beschädigt" << 1;
    // Without the list the files themselves are checked, after the question.
    QTest::newRow("früher: Leser in der Bücherdatei") << "readersAsBooks" << true << "keine Büchertabelle" << 2;
    QTest::newRow("früher: Ausleihen fremder Inhalt") << "garbageLoans" << true << "ist beschädigt" << 2;
    QTest::newRow("früher: Frage verneint") << "answerListNo" << true << QString() << 2;
    QTest::newRow("Antwort Nein") << "answerNo" << false << QString() << 1;
    QTest::newRow("leeres Ordnerfeld") << "emptyField" << false << QString() << 0;
    QTest::newRow("Ordner fehlt") << "missingFolder" << false << "existiert nicht" << 0;
}

void TestBackup::refusedRestoreChangesNothing() {
    QFETCH(QString, how);
    QFETCH(bool, withoutList);
    QFETCH(QString, message);
    QFETCH(int, questions);
    Fixture f;
    const QString folder = f.path(QStringLiteral("Sicherung"));
    QVERIFY(QDir().mkpath(folder));
    f.backupTo(folder);
    f.changeEverything();
    // A second, later backup elsewhere: its files do not belong to the first one.
    const QString later = f.path(QStringLiteral("Spaeter"));
    QVERIFY(QDir().mkpath(later));
    f.window->show();
    f.backupTo(later);
    if (withoutList)
        QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("sicherung.txt"))));
    MessageService::takeShown();
    const QList<QByteArray> memory = f.tablesInMemory();
    const QList<QByteArray> files = tableFiles(f.dataFolder());
    const QDir dir(folder);

    QString field = folder;
    if (how == QLatin1String("removeLoans"))
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("ausleihe30.b04"))));
    else if (how == QLatin1String("removeBooks"))
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("buecher30.b04"))));
    else if (how == QLatin1String("truncateReaders"))
        QVERIFY(QFile::resize(dir.filePath(QStringLiteral("leser30.b04")), 40));
    else if (how == QLatin1String("garbageLoans"))
        QVERIFY(writeAll(dir.filePath(QStringLiteral("ausleihe30.b04")), "kein Tabellenformat"));
    else if (how == QLatin1String("readersOfAnotherBackup") || how == QLatin1String("settingsOfAnotherBackup")) {
        const QString name = how.startsWith(QLatin1String("readers")) ? "leser30.b04" : "einstellungen.reg";
        QVERIFY(QFile::remove(dir.filePath(name)));
        QVERIFY(QFile::copy(QDir(later).filePath(name), dir.filePath(name)));
    } else if (how == QLatin1String("damagedList"))
        QVERIFY(writeAll(dir.filePath(QStringLiteral("sicherung.txt")), "Lesaro-Sicherung 1\nbuecher30.b04\tx\n"));
    else if (how == QLatin1String("readersAsBooks"))
        QVERIFY(writeAll(dir.filePath(QStringLiteral("buecher30.b04")), readAll(dir.filePath("leser30.b04"))));
    else if (how == QLatin1String("emptyField"))
        field.clear();
    else if (how == QLatin1String("missingFolder"))
        field = f.path(QStringLiteral("weg"));
    f.window->show();
    f.edit("Edit2")->setText(field);
    MessageService::answerNext(how == QLatin1String("answerNo") ? MessageService::Button::No
                                                                : MessageService::Button::Yes);
    MessageService::answerNext(how == QLatin1String("answerListNo") ? MessageService::Button::No
                                                                    : MessageService::Button::Yes);
    FileDialogService::takeAsked();

    f.window->Button3Click();

    QVERIFY(f.window->isVisible());
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), questions + (message.isEmpty() ? 0 : 1));
    for (int i = 0; i < questions; ++i)
        QCOMPARE(shown[i].kind, MessageService::Kind::Confirmation);
    if (questions == 2)
        QVERIFY2(shown[1].text.contains(QStringLiteral("kein Inhaltsverzeichnis")), qPrintable(shown[1].text));
    // An empty field asks for the folder first.
    QCOMPARE(FileDialogService::takeAsked().size(), how == QLatin1String("emptyField") ? 1 : 0);
    if (!message.isEmpty()) {
        QCOMPARE(shown.last().kind, MessageService::Kind::Error);
        QVERIFY2(shown.last().text.contains(message), qPrintable(shown.last().text));
        QVERIFY2(!shown.last().text.contains(QStringLiteral("datapacket")), qPrintable(shown.last().text));
    }
    QCOMPARE(f.tablesInMemory(), memory);
    QCOMPARE(tableFiles(f.dataFolder()), files);
    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 99);
    QVERIFY(f.library->ClientBuecher().Active());
    QCOMPARE(f.library->ClientBuecher().RecordCount(), 2);
}

void TestBackup::settingsFileOfTheBackup_data() {
    QTest::addColumn<QByteArray>("regFile"); // empty: the file is removed
    QTest::addColumn<bool>("accepted");      // the answer to the settings question
    QTest::addColumn<int>("tage");
    QTest::addColumn<QString>("message"); // of the error shown, empty when none

    const QString key = QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n");
    const QString header = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
    QTest::newRow("fehlt: Tabellen allein") << QByteArray() << true << 99 << QString();
    QTest::newRow("übernommen") << regFile(header + key + "\"Tage\"=dword:0000000e\n") << true << 14 << QString();
    QTest::newRow("abgelehnt") << regFile(header + key + "\"Tage\"=dword:0000000e\n") << false << 99 << QString();
    // The merge would take the readable lines; a restore takes the file whole or not at all.
    QTest::newRow("beschädigt") << regFile(header + key + "\"Tage\"=dword:0000000e\n\"Sicherung\"=\"ohne Ende\n")
                                << true << 99 << "beschädigt";
    QTest::newRow("fremder Schlüssel")
        << regFile(header + "[HKEY_CURRENT_USER\\SOFTWARE\\Andere Firma\\Programm]\n\"Tage\"=dword:0000000e\n") << true
        << 99 << "keine Einstellungen von Lesaro";
    QTest::newRow("keine Registrierungsdatei") << QByteArray("Tage=14\n") << true << 99 << "keine Registrierungsdatei";
}

void TestBackup::settingsFileOfTheBackup() {
    QFETCH(QByteArray, regFile);
    QFETCH(bool, accepted);
    QFETCH(int, tage);
    QFETCH(QString, message);
    Fixture f;
    const QString folder = f.path(QStringLiteral("Sicherung"));
    QVERIFY(QDir().mkpath(folder));
    f.backupTo(folder);
    const QList<QByteArray> backup = tableFiles(folder);
    f.changeEverything();
    const QString reg = QDir(folder).filePath(QStringLiteral("einstellungen.reg"));
    if (regFile.isEmpty())
        QVERIFY(QFile::remove(reg));
    else
        QVERIFY(writeAll(reg, regFile));
    // A settings file other than the one the backup wrote is refused with the whole set; these are folders
    // of earlier editions, which have no list of contents.
    QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("sicherung.txt"))));
    f.window->show();
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(accepted ? MessageService::Button::Yes : MessageService::Button::No);

    f.window->Button3Click();

    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.tablesInMemory(), backup);
    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), tage);
    QStringList errors;
    for (const MessageService::Shown& s : MessageService::takeShown()) {
        if (s.kind == MessageService::Kind::Error)
            errors << s.text;
    }
    if (message.isEmpty()) {
        QCOMPARE(errors, QStringList());
    } else {
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(message) && errors[0].contains(QStringLiteral("nicht übernommen")),
                 qPrintable(errors[0]));
    }
}

void TestBackup::restoreFromStartupCopy() {
    Fixture f;
    const QList<QByteArray> atStart = f.tablesInMemory();
    f.changeEverything();
    f.window->hide();
    f.window->show(); // the copies are listed afresh at each opening
    auto* copies = f.window->findChild<QComboBox*>(QStringLiteral("CBStartkopie"));
    QVERIFY(copies);
    QCOMPARE(copies->count(), 2);
    QCOMPARE(copies->itemText(0), QStringLiteral("Start vom 06.03.2024 um 10:00:00 Uhr"));
    QCOMPARE(copies->itemText(1), QStringLiteral("Start vom 05.03.2024 um 09:07:03 Uhr"));

    // Answered No: nothing happens.
    MessageService::answerNext(MessageService::Button::No);
    f.window->BStartkopieClick();
    QVERIFY(f.window->isVisible());
    QVERIFY(f.tablesInMemory() != atStart);

    MessageService::takeShown();
    MessageService::answerNext(MessageService::Button::Yes);
    f.window->BStartkopieClick();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.tablesInMemory(), atStart);
    QCOMPARE(tableFiles(f.dataFolder()), atStart);
    // The settings are not part of a start-up copy.
    QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 99);
    QCOMPARE(MessageService::takeShown().size(), 1);
}

void TestBackup::restoreAfterFailedStartWritesAndAsksForRestart() {
    Fixture f;
    const QString folder = f.path(QStringLiteral("Sicherung"));
    QVERIFY(QDir().mkpath(folder));
    f.backupTo(folder);
    const QList<QByteArray> backup = tableFiles(folder);
    f.changeEverything();
    // What a failed start leaves: nothing of this run is saved by itself any more.
    f.library->data().blockSaving();
    f.window->show();
    MessageService::answerNext(MessageService::Button::Yes);
    MessageService::answerNext(MessageService::Button::No);

    f.window->Button3Click();

    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.tablesInMemory(), backup);
    // The restore is the way out of a failed start, so its files are written all the same.
    QCOMPARE(tableFiles(f.dataFolder()), backup);
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[1].kind, MessageService::Kind::Notice);
    QVERIFY2(shown[1].text.contains(QStringLiteral("Neustart")), qPrintable(shown[1].text));
}

// Random libraries (texts with umlauts and quotes, dates, flags, edited and deleted rows) go into a backup
// and come back byte for byte after random further changes.
void TestBackup::randomTablesRoundTrip() {
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QRandomGenerator rng(seed);
        QStringList ops;
        Fixture f;
        const auto text = [&rng] {
            static const QString letters = QStringLiteral("abcxyzÄÖÜäöüß '\"-;€ ");
            QString t;
            const int n = int(rng.bounded(0, 30));
            for (int i = 0; i < n; ++i)
                t += letters[int(rng.bounded(letters.size()))];
            return t;
        };
        const auto change = [&](int steps) {
            for (int i = 0; i < steps; ++i) {
                Table* tables[] = {&f.library->ClientBuecher(), &f.library->ClientLeser(),
                                   &f.library->ClientAusleihe()};
                Table& t = *tables[rng.bounded(3)];
                const int what = int(rng.bounded(4));
                if (what <= 1 || t.RecordCount() == 0) {
                    t.Append();
                } else if (what == 2) {
                    t.MoveTo(int(rng.bounded(t.RecordCount())));
                    t.Edit();
                } else {
                    t.MoveTo(int(rng.bounded(t.RecordCount())));
                    ops << QStringLiteral("%1: delete row %2").arg(t.name()).arg(t.RecNo());
                    t.Delete();
                    continue;
                }
                ops << QStringLiteral("%1: %2 row %3").arg(t.name(), what <= 1 ? "append" : "edit").arg(t.RecNo());
                if (&t == &f.library->ClientBuecher()) {
                    t.FieldByName(QStringLiteral("Titel")).setAsString(text());
                    t.FieldByName(QStringLiteral("Bemerkung")).setAsString(text().repeated(int(rng.bounded(1, 20))));
                    t.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(rng.bounded(2) == 1);
                } else if (&t == &f.library->ClientLeser()) {
                    t.FieldByName(QStringLiteral("Nachname")).setAsString(text());
                    t.FieldByName(QStringLiteral("Ort")).setAsString(text());
                } else {
                    t.FieldByName(QStringLiteral("DatumVon")).setAsDate(QDate(2000, 1, 1).addDays(rng.bounded(9000)));
                    if (rng.bounded(2) == 1)
                        t.FieldByName(QStringLiteral("DatumBis"))
                            .setAsDate(QDate(2020, 1, 1).addDays(rng.bounded(900)));
                }
                t.Post();
            }
        };
        change(int(rng.bounded(10, 60)));
        const QString folder = f.path(QStringLiteral("Runde %1").arg(seed));
        QVERIFY(QDir().mkpath(folder));
        f.backupTo(folder);
        const QList<QByteArray> backup = f.tablesInMemory();
        ops << QStringLiteral("backup");
        change(int(rng.bounded(1, 40)));
        f.window->show();
        MessageService::answerNext(MessageService::Button::Yes);
        MessageService::answerNext(MessageService::Button::No);
        f.window->Button3Click();
        const bool same =
            f.tablesInMemory() == backup && tableFiles(f.dataFolder()) == backup && tableFiles(folder) == backup;
        if (!same)
            qWarning().noquote() << "seed" << seed << "last operations:\n" << ops.mid(ops.size() - 12).join('\n');
        QVERIFY(same);
        QCOMPARE(MessageService::takeShown().size(), 2);
    }
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
