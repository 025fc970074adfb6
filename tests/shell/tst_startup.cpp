#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "library/Journal.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "support/SmallDisk.h"
#include "ui/FileDialogService.h"
#include "ui/MessageService.h"
#include "ui/SaveFailureBoxes.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesaro;

// Each test runs the program's start and end on a temporary data folder and settings file.
class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;

    QString base() const { return m_dir->path() + QStringLiteral("/share"); }
    QString dataFolder() const { return base() + QStringLiteral("/Tomarelle 2022/"); }
    QString program() const { return m_dir->path() + QStringLiteral("/bin"); }

    // One run of the program: create, show (start-up), then close through the close box or "Beenden".
    test::ProgramRun start() { return test::ProgramRun(base(), program()); }

    static void finish(test::ProgramRun w, bool viaMenu = false) { w.finish(viaMenu); }

    // Every message the runs showed so far.
    QStringList messages() {
        m_messages += MessageService::takeShownTexts();
        return m_messages;
    }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void writeLibrary(const QString& folder, const QString& author) {
        QDir().mkpath(folder);
        Table books;
        books.setColumns(LibraryTables::bookColumns());
        books.CreateDataSet();
        books.Append();
        books.FieldByName(QStringLiteral("ID")).setAsInteger(1);
        books.FieldByName(QStringLiteral("Verfasser")).setAsString(author);
        books.Post();
        books.SaveToFile(folder + QStringLiteral("/buecher30.b04"));
        Table readers;
        readers.setColumns(LibraryTables::readerColumns());
        readers.CreateDataSet();
        readers.SaveToFile(folder + QStringLiteral("/leser30.b04"));
        Table loans;
        loans.setColumns(LibraryTables::loanColumns());
        loans.CreateDataSet();
        loans.SaveToFile(folder + QStringLiteral("/ausleihe30.b04"));
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(program());
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        m_messages.clear();
        MessageService::setAnswering(true);
        Clock::setFixedNow(QDateTime(QDate(2022, 3, 5), QTime(9, 7, 3)));
    }

    void cleanup() {
        Clock::setFixedNow({});
        MessageService::setAnswering(false);
    }

    void firstStart() {
        auto w = start();
        QVERIFY2(messages().isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        QCOMPARE(QFileInfo(dataFolder() + QStringLiteral("buecher30.b04")).size(), 755);
        QCOMPARE(QFileInfo(dataFolder() + QStringLiteral("leser30.b04")).size(), 298);
        QCOMPARE(QFileInfo(dataFolder() + QStringLiteral("ausleihe30.b04")).size(), 156);
        const QString copy = dataFolder() + QStringLiteral("backup/202235-973/");
        QCOMPARE(read(copy + QStringLiteral("ausleihe30.b04")), read(dataFolder() + QStringLiteral("ausleihe30.b04")));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("SortBuecher")), QStringLiteral("ID"));
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("Tage")), 30);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Erscheinungsort")), QStringLiteral("Ort"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Erscheinungsjahr")), QStringLiteral("Jahr"));
        QCOMPARE(w->size(), QSize(700, 500));
        // The built-in postcode list, leading zeros kept.
        Table& plz = w->data().ClientDataSet4;
        QVERIFY(plz.RecordCount() > 16000);
        plz.First();
        QVERIFY(plz.FieldByName(QStringLiteral("PLZ")).AsString().startsWith(QLatin1Char('0')));
        QVERIFY(!QFileInfo::exists(dataFolder() + QStringLiteral("plz.xml")));
        finish(std::move(w));
        // The first end of a run writes the postcode list, in the XML form.
        QVERIFY(
            read(dataFolder() + QStringLiteral("plz.xml")).startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  "));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("WindowState")), QStringLiteral("wsNormal"));
    }

    void stamps_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("no leading zeros") << QDateTime(QDate(2022, 3, 5), QTime(9, 7, 3)) << "202235-973";
        QTest::newRow("two digits each") << QDateTime(QDate(2022, 11, 15), QTime(23, 59, 58)) << "20221115-235958";
    }

    void stamps() {
        QFETCH(QDateTime, when);
        QFETCH(QString, stamp);
        QCOMPARE(LibraryData::stamp(when), stamp);
    }

    void sameStampKeepsBothCopies() {
        Clock::setFixedNow(QDateTime(QDate(2022, 1, 11), QTime(1, 23, 45)));
        finish(start());
        Clock::setFixedNow(QDateTime(QDate(2022, 11, 1), QTime(1, 23, 45)));
        finish(start());
        const QStringList copies =
            QDir(dataFolder() + QStringLiteral("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies.contains(QStringLiteral("2022111-12345")));
        for (const QString& c : copies)
            QVERIFY(QFileInfo::exists(dataFolder() + QStringLiteral("backup/") + c + QStringLiteral("/buecher30.b04")));
    }

    void migration() {
        writeLibrary(base() + QStringLiteral("/Lesaro 2011"), QStringLiteral("Aus 2011"));
        writeLibrary(base() + QStringLiteral("/Lesaro 2009"), QStringLiteral("Aus 2009"));
        auto w = start();
        QVERIFY(messages().isEmpty());
        QCOMPARE(w->data().ClientBuecher.FieldByName(QStringLiteral("Verfasser")).AsString(),
                 QStringLiteral("Aus 2011"));
        finish(std::move(w));
        // The next start finds the data folder's own files and takes over nothing.
        writeLibrary(base() + QStringLiteral("/Lesaro 2011"), QStringLiteral("Neuer"));
        w = start();
        QCOMPARE(w->data().ClientBuecher.FieldByName(QStringLiteral("Verfasser")).AsString(),
                 QStringLiteral("Aus 2011"));
        finish(std::move(w));
    }

    void damagedFileIsNeverOverwritten() {
        finish(start());
        const QString books = dataFolder() + QStringLiteral("buecher30.b04");
        QFile f(books);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("kaputt");
        f.close();
        const QByteArray readers = read(dataFolder() + QStringLiteral("leser30.b04"));
        auto w = start();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().contains(QStringLiteral("speichert Lesaro in dieser Sitzung nichts")));
        QVERIFY(w->data().savingBlocked());
        finish(std::move(w));
        QCOMPARE(read(books), QByteArray("kaputt"));
        QCOMPARE(read(dataFolder() + QStringLiteral("leser30.b04")), readers);
    }

    void missingBookFileBesideOthers() {
        finish(start());
        QFile::remove(dataFolder() + QStringLiteral("buecher30.b04"));
        const QByteArray readers = read(dataFolder() + QStringLiteral("leser30.b04"));
        auto w = start();
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages().first().contains(QStringLiteral("backup")));
        finish(std::move(w));
        QVERIFY(!QFileInfo::exists(dataFolder() + QStringLiteral("buecher30.b04")));
        QCOMPARE(read(dataFolder() + QStringLiteral("leser30.b04")), readers);
    }

    void windowSize() {
        INI::WriteSettingInteger(QStringLiteral("Height"), 150);
        INI::WriteSettingInteger(QStringLiteral("Width"), 900);
        auto w = start();
        QCOMPARE(w->size(), QSize(900, 500));
        finish(std::move(w));
        INI::WriteSettingString(QStringLiteral("WindowState"), QStringLiteral("wsMaximized"));
        w = start();
        QVERIFY(w->windowState().testFlag(Qt::WindowMaximized));
        finish(std::move(w));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("WindowState")), QStringLiteral("wsMaximized"));
    }

    void sortOrdersKeptExceptAfterBeenden() {
        auto w = start();
        w->data().ClientBuecher.setIndexFieldNames(QStringLiteral("Verfasser"));
        finish(std::move(w));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("SortBuecher")), QStringLiteral("Verfasser"));
        w = start();
        QCOMPARE(w->data().ClientBuecher.IndexFieldNames(), QStringLiteral("Verfasser"));
        w->data().ClientBuecher.setIndexFieldNames(QStringLiteral("Titel"));
        finish(std::move(w), true);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("SortBuecher")), QStringLiteral("Verfasser"));
    }

    // A stored order naming a field the table lacks is passed over without a word: the list starts in number
    // order, the other stored orders still count, and the end stores the order the user chose.
    void anUnknownStoredOrderIsIgnoredAndReplaced() {
        finish(start());
        INI::WriteSettingString(QStringLiteral("SortBuecher"), QStringLiteral("Gibtsnicht"));
        INI::WriteSettingString(QStringLiteral("SortLeser"), QStringLiteral("Nachname"));
        INI::FlushSettings();
        auto w = start();
        QVERIFY2(messages().isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        QCOMPARE(w->data().ClientBuecher.IndexFieldNames(), QStringLiteral("ID"));
        QCOMPARE(w->data().ClientLeser.IndexFieldNames(), QStringLiteral("Nachname"));
        w->data().ClientBuecher.setIndexFieldNames(QStringLiteral("Verfasser"));
        finish(std::move(w));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("SortBuecher")), QStringLiteral("Verfasser"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("SortLeser")), QStringLiteral("Nachname"));
    }

    // The disk fills during the run: the librarian learns it at the first entry the journal cannot take, in
    // German, not only when a window closes, and learns again when the journal goes on.
    void aFullDiskIsToldAtTheFirstFailedJournalWrite() {
        test::SmallDisk disk(dataFolder(), QStringLiteral("1m"));
        if (!disk.mounted())
            QSKIP("A small disk of its own needs the right to mount one.");
        auto w = start();
        // Room again before the end of the run writes the tables, also when a check fails.
        const auto room = qScopeGuard([&disk] { disk.makeRoom(); });
        QVERIFY2(messages().isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
        disk.fill();
        Table& books = w->data().ClientBuecher;
        int posted = 0;
        while (w->data().journal().running() && posted < 5000) {
            books.Append();
            books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Buch %1").arg(++posted));
            books.Post();
        }
        QVERIFY(!w->data().journal().running());
        QTRY_VERIFY(!messages().isEmpty());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().startsWith(QStringLiteral("Der Datenträger ist voll.")),
                 qPrintable(m_messages.first()));
        QVERIFY(m_messages.first().contains(QStringLiteral("nicht gegen einen Absturz gesichert")));
        // Told once: closing a window while the disk is still full says nothing more; the first closing
        // with room again catches the journal up and says so.
        QVERIFY(w->data().flushJournal().isEmpty());
        QVERIFY(!w->data().journal().running());
        disk.makeRoom();
        QVERIFY(w->data().flushJournal().contains(QStringLiteral("wieder gegen einen Absturz gesichert")));
        QVERIFY(w->data().journal().running());
    }

    // The tables cannot be written when the window closes: the user chooses, through the message service's
    // and the folder picker's hooks; the changes are given up only after the second question.
    void failedSaveAtClosing_data() {
        // answers: the buttons pressed, in turn (after a failure 0 retry, 1 another folder, 2 without saving;
        // at the second question 0 "Ja", 1 "Nein").
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("otherFolder");
        QTest::newRow("another folder") << QList<int>{1} << 1 << true;
        QTest::newRow("retry fails again, then another folder") << QList<int>{0, 1} << 2 << true;
        QTest::newRow("without saving after the second question") << QList<int>{2, 1, 2, 0} << 2 << false;
    }

    void failedSaveAtClosing() {
        QFETCH(QList<int>, answers);
        QFETCH(int, failures);
        QFETCH(bool, otherFolder);
        finish(start());
        const QString books = dataFolder() + QStringLiteral("buecher30.b04");
        const QByteArray before = read(books);
        const QString other = m_dir->path() + QStringLiteral("/stick");
        QDir().mkpath(other);
        FileDialogService::setAnswering(true);
        FileDialogService::answerNext(other);
        for (int a : answers)
            MessageService::answerNextChoice(a);

        auto w = start();
        QVERIFY(messages().isEmpty());
        Table& t = w->data().ClientBuecher;
        t.Append();
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Neu"));
        t.Post();
        // The data folder turns into a file: every write into it fails.
        const QString folder = dataFolder().chopped(1);
        QVERIFY(QDir().rename(folder, folder + QStringLiteral(".weg")));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        w->close();
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(folder + QStringLiteral(".weg"), folder));
        finish(std::move(w));

        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QList<MessageService::Shown> questions;
        for (const MessageService::Shown& s : shown) {
            if (s.choices == SaveFailureBoxes::choiceLabels())
                questions.append(s);
            else if (!s.choices.isEmpty())
                QCOMPARE(s.title, MessageService::confirmationTitle());
        }
        QCOMPARE(questions.size(), failures);
        for (const MessageService::Shown& q : questions) {
            QCOMPARE(q.kind, MessageService::Kind::Error);
            QVERIFY2(q.text.contains(QStringLiteral("buecher30.b04")), qPrintable(q.text));
            QVERIFY2(q.text.contains(QStringLiteral("ist eine Datei und kein Ordner")), qPrintable(q.text));
        }
        QCOMPARE(FileDialogService::takeAsked().size(), otherFolder ? 1 : 0);
        FileDialogService::setAnswering(false);
        // The data folder keeps the state before this run, whatever was chosen.
        QCOMPARE(read(books), before);
        QCOMPARE(QFileInfo::exists(other + QStringLiteral("/buecher30.b04")), otherFolder);
        if (otherFolder) {
            Table saved;
            saved.setColumns(LibraryTables::bookColumns());
            saved.LoadFromFile(other + QStringLiteral("/buecher30.b04"));
            QCOMPARE(saved.RecordCount(), 1);
            QVERIFY(shown.last().text.contains(QDir::toNativeSeparators(other)));
        }
    }

    void secondRunIsRefused() {
        LibraryData first;
        first.FormCreate(base(), program());
        QString error;
        QVERIFY(first.acquireDataFolder(&error));
        LibraryData second;
        second.FormCreate(base(), program());
        QVERIFY(!second.acquireDataFolder(&error));
        QVERIFY(error.contains(QStringLiteral("läuft bereits")));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
