#include "core/GermanLocale.h"
#include "library/BookEntryWindow.h"
#include "library/LibraryData.h"
#include "library/ReaderEntryWindow.h"
#include "library/RecordRules.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>
#include <map>

using namespace lesaro;

namespace {
struct FakeLists {
    std::map<QString, QStringList> boxes;
    QStringList items(const QString& box) const {
        auto it = boxes.find(box);
        return it == boxes.end() ? QStringList() : it->second;
    }
    void setItems(const QString& box, const QStringList& items) { boxes[box] = items; }
};

// The entry windows as the rules see them: whether they show, the lists and the borrower line are the test's.
struct FakeBookWindow : BookEntryWindow {
    FakeBookWindow(const bool& showing, FakeLists& lists, QString& borrower)
        : m_showing(showing)
        , m_lists(lists)
        , m_borrower(borrower) {}
    bool entryShowing() const override { return m_showing; }
    QStringList items(const QString& box) const override { return m_lists.items(box); }
    void setItems(const QString& box, const QStringList& items) override { m_lists.setItems(box, items); }
    void showBorrower(const QString& borrower) override { m_borrower = borrower; }

    const bool& m_showing;
    FakeLists& m_lists;
    QString& m_borrower;
};

struct FakeReaderWindow : ReaderEntryWindow {
    explicit FakeReaderWindow(const bool& showing)
        : m_showing(showing) {}
    bool entryShowing() const override { return m_showing; }

    const bool& m_showing;
};

int intOf(Table& t, const char* field) {
    return t.FieldByName(QString::fromLatin1(field)).AsInteger();
}
} // namespace

class RulesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryData> m_data;
    std::unique_ptr<RecordRules> m_rules;
    FakeLists m_lists;
    bool m_bookWindow = false;
    bool m_readerWindow = false;
    QString m_borrower;
    FakeBookWindow m_bookEntry{m_bookWindow, m_lists, m_borrower};
    FakeReaderWindow m_readerEntry{m_readerWindow};

    void newReader(Table& t, const QString& vorname, const QString& nachname) {
        t.Append();
        t.FieldByName(QStringLiteral("Vorname")).setAsString(vorname);
        t.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
        t.Post();
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        m_data = std::make_unique<LibraryData>();
        m_data->FormCreate(m_dir->path(), m_dir->path());
        m_data->CreateEmptyTables();
        m_rules = std::make_unique<RecordRules>(*m_data);
        m_lists = {};
        m_bookWindow = m_readerWindow = false;
        m_rules->setBookEntryWindow(&m_bookEntry);
        m_rules->setReaderEntryWindow(&m_readerEntry);
    }

    void cleanup() {
        m_rules.reset();
        m_data.reset();
    }

    void freshNumbering() {
        Table& books = m_data->ClientBuecher;
        books.Append();
        QCOMPARE(intOf(books, "ID"), 1);
        QCOMPARE(intOf(books, "Nummer"), 1);
        QCOMPARE(books.FieldByName(QStringLiteral("ausgeliehen")).AsString(), QStringLiteral("Falsch"));
        books.Cancel(); // a cancelled insert uses up its number
        books.Append();
        QCOMPARE(intOf(books, "ID"), 2);
        QCOMPARE(intOf(books, "Nummer"), 2);
        books.Post();

        Table& readers = m_data->ClientLeser;
        readers.Append();
        QCOMPARE(intOf(readers, "ID"), 1);
        QCOMPARE(intOf(readers, "Nummer"), 1);
        readers.Post();
        Table& loans = m_data->ClientAusleihe;
        loans.Append();
        QCOMPARE(intOf(loans, "ID"), 1);
        loans.Post();
    }

    void identifiersNeverMeetOldRows() {
        Table& books = m_data->ClientBuecher;
        for (int i = 0; i < 5; ++i) {
            books.Append();
            books.Post();
        }
        books.Last();
        books.Delete(); // ID 5, perhaps still named by old loans
        // Settings lost: the counters start again, the identifiers do not.
        INI::WriteSettingInteger(QStringLiteral("LastBuchID"), 0);
        books.Append();
        QCOMPARE(intOf(books, "ID"), 6);
        books.Post();
        // Without the reader counter, seven readers give the next one ID 8.
        Table& readers = m_data->ClientLeser;
        for (int i = 0; i < 7; ++i)
            newReader(readers, QStringLiteral("V"), QStringLiteral("N"));
        INI::WriteSettingInteger(QStringLiteral("LastLeserID"), 0);
        readers.Append();
        QCOMPARE(intOf(readers, "ID"), 8);
    }

    void readerNumberFollowsSaves() {
        Table& readers = m_data->ClientLeser;
        readers.Append();
        readers.FieldByName(QStringLiteral("Nummer")).setAsInteger(40);
        readers.Post();
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastLeserNummer")), 40);
        readers.Append();
        QCOMPARE(intOf(readers, "Nummer"), 41);
        readers.FieldByName(QStringLiteral("Nummer")).Clear();
        readers.Post(); // saved without a number: the counter stays
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastLeserNummer")), 41);
        QCOMPARE(readers.RecordCount(), 2);
    }

    void bookSaveRemembersOnlyFromTheEntryWindow() {
        Table& books = m_data->ClientBuecher;
        books.Append();
        books.FieldByName(QStringLiteral("Verlag")).setAsString(QStringLiteral("Reclam"));
        books.Post(); // e.g. the loan booking: nothing remembered
        QVERIFY(INI::ReadRememberedValues(INI::Verlag).isEmpty());
        QVERIFY(m_lists.items(QStringLiteral("CBVerlag")).isEmpty());

        m_bookWindow = true;
        m_lists.setItems(QStringLiteral("CBVerlag"), {QStringLiteral("reclam")});
        books.Append();
        books.FieldByName(QStringLiteral("Verlag")).setAsString(QStringLiteral("Reclam"));
        books.FieldByName(QStringLiteral("Schlagwort7")).setAsString(QStringLiteral("Lyrik"));
        books.FieldByName(QStringLiteral("Nummer")).setAsInteger(100);
        books.Post();
        QCOMPARE(m_lists.items(QStringLiteral("CBVerlag")), QStringList{QStringLiteral("reclam")});
        QCOMPARE(INI::ReadRememberedValues(INI::Verlag), QStringList{QStringLiteral("Reclam")});
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(m_lists.items(QStringLiteral("CBSchlagwort%1").arg(i)), QStringList{QStringLiteral("Lyrik")});
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 100);
    }

    // The book entry window's save: the field's text joins the box's list unless the box has it in any
    // letter case, and joins the settings list unless that has it; the keyword boxes share one list.
    void bookSaveRemembers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("boxBefore");
        QTest::addColumn<QStringList>("listBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("boxAfter");
        QTest::addColumn<QStringList>("listAfter");
        const QStringList none;
        QTest::newRow("new publisher") << "Verlag"
                                       << "CBVerlag"
                                       << "Verlag" << none << none << "Reclam" << QStringList{"Reclam"}
                                       << QStringList{"Reclam"};
        QTest::newRow("known in another case") << "Verlag"
                                               << "CBVerlag"
                                               << "Verlag" << QStringList{"reclam"} << QStringList{"reclam"} << "Reclam"
                                               << QStringList{"reclam"} << QStringList{"reclam"};
        QTest::newRow("box lacks what the settings have") << "Standort"
                                                          << "CBStand"
                                                          << "Standort" << none << QStringList{"Keller"} << "Keller"
                                                          << QStringList{"Keller"} << QStringList{"Keller"};
        QTest::newRow("empty field adds nothing") << "Sachgruppe"
                                                  << "CBSach"
                                                  << "Sachgruppe" << QStringList{"Krimi"} << QStringList{"Krimi"} << ""
                                                  << QStringList{"Krimi"} << QStringList{"Krimi"};
        QTest::newRow("place appended after the others")
            << "Erscheinungsort"
            << "CBOrt"
            << "Erscheinungsort" << QStringList{"Wien"} << QStringList{"Wien"} << "Bern" << QStringList{"Wien", "Bern"}
            << QStringList{"Bern", "Wien"};
        QTest::newRow("backslash stays one entry") << "Verlag"
                                                   << "CBVerlag"
                                                   << "Verlag" << none << none << "Hoffmann\\Campe"
                                                   << QStringList{"Hoffmann\\Campe"} << QStringList{"Hoffmann\\Campe"};
        QTest::newRow("tenth keyword") << "Schlagwort10"
                                       << "CBSchlagwort1"
                                       << "Schlagwort" << QStringList{"Lyrik"} << QStringList{"Lyrik"} << "Ballade"
                                       << QStringList{"Lyrik", "Ballade"} << QStringList{"Ballade", "Lyrik"};
    }
    void bookSaveRemembers() {
        QFETCH(QString, field);
        QFETCH(QString, box);
        QFETCH(QString, list);
        QFETCH(QStringList, boxBefore);
        QFETCH(QStringList, listBefore);
        QFETCH(QString, typed);
        QFETCH(QStringList, boxAfter);
        QFETCH(QStringList, listAfter);
        for (const QString& v : listBefore)
            INI::AddRememberedValue(list, v);
        m_lists.setItems(box, boxBefore);
        m_bookWindow = true;
        Table& books = m_data->ClientBuecher;
        books.Append();
        books.FieldByName(field).setAsString(typed);
        books.Post();
        QCOMPARE(m_lists.items(box), boxAfter);
        QCOMPARE(INI::ReadRememberedValues(list), listAfter);
        if (box.startsWith(QLatin1String("CBSchlagwort"))) {
            for (int i = 2; i <= 10; ++i)
                QCOMPARE(m_lists.items(QStringLiteral("CBSchlagwort%1").arg(i)), boxAfter);
        }
    }

    // A new book or reader is never proposed a number a live row carries, whatever the counter says (an
    // edited old row set it, or settings from elsewhere); a deleted row's number is free again.
    void proposalsSkipTakenNumbers_data() {
        QTest::addColumn<bool>("books");
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("proposed");
        for (const bool books : {true, false}) {
            const char* which = books ? "book" : "reader";
            QTest::addRow("%s: counter below the taken numbers", which) << books << 0 << 4;
            QTest::addRow("%s: after editing number 2", which) << books << 2 << 4;
            QTest::addRow("%s: the next one is free", which) << books << 3 << 4;
            QTest::addRow("%s: skips to after 7", which) << books << 5 << 8;
            QTest::addRow("%s: a deleted number is free", which) << books << 8 << 9;
            QTest::addRow("%s: above everything", which) << books << 40 << 41;
        }
    }
    void proposalsSkipTakenNumbers() {
        QFETCH(bool, books);
        QFETCH(int, counter);
        QFETCH(int, proposed);
        Table& t = books ? m_data->ClientBuecher : m_data->ClientLeser;
        for (const int nummer : {1, 2, 3, 6, 7, 9}) {
            t.Append();
            t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
            t.Post();
        }
        QVERIFY(t.Locate(QStringLiteral("Nummer"), {9}));
        t.Delete();
        const QString name = books ? QStringLiteral("LastBuchNummer") : QStringLiteral("LastLeserNummer");
        INI::WriteSettingInteger(name, counter);
        t.Append();
        QCOMPARE(intOf(t, "Nummer"), proposed);
        QCOMPARE(INI::ReadSettingInteger(name), proposed);
        t.Cancel();
    }

    // The book counter after a save in the book entry window: the saved row's number, also when it is
    // lower or an existing book's; a book saved without a number leaves it. The next proposal is never a
    // number a book carries.
    void bookSaveSetsTheCounter() {
        m_bookWindow = true;
        Table& books = m_data->ClientBuecher;
        for (int i = 0; i < 5; ++i) {
            books.Append();
            books.Post();
        }
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 5);
        books.setIndexFieldNames(QStringLiteral("ID"));
        books.First();
        books.Edit();
        books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Geändert"));
        books.Post(); // book number 1
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 1);
        books.Append();
        QCOMPARE(intOf(books, "Nummer"), 6); // 2 to 5 are taken: the proposal is the next free number
        books.FieldByName(QStringLiteral("Nummer")).Clear();
        books.Post();
        QCOMPARE(INI::ReadSettingInteger(QStringLiteral("LastBuchNummer")), 6);
        QCOMPARE(books.RecordCount(), 6);
    }

    // Without entry windows (a tool, an import, a test of another window) a saved book remembers nothing and
    // a move through the books or readers narrows no loans.
    void noEntryWindows() {
        m_rules->setBookEntryWindow(nullptr);
        m_rules->setReaderEntryWindow(nullptr);
        Table& books = m_data->ClientBuecher;
        books.Append();
        books.FieldByName(QStringLiteral("Verlag")).setAsString(QStringLiteral("Reclam"));
        books.Post();
        QVERIFY(INI::ReadRememberedValues(INI::Verlag).isEmpty());
        newReader(m_data->ClientLeser, QStringLiteral("Anna"), QStringLiteral("Meier"));
        books.First();
        m_data->ClientLeser.First();
        QVERIFY(!m_data->ClientAusleihe.Filtered());
    }

    void scrollRulesNarrowTheLoans() {
        Table& books = m_data->ClientBuecher;
        Table& readers = m_data->ClientLeser;
        Table& loans = m_data->ClientAusleihe;
        books.Append();
        books.Post(); // ID 1
        books.Append();
        books.Post(); // ID 2
        newReader(readers, QStringLiteral("Anna"), QStringLiteral("Meier"));
        newReader(readers, QStringLiteral("Bernd"), QStringLiteral("Schulz"));
        auto lend = [&](int book, int reader, bool returned) {
            loans.Append();
            loans.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
            loans.FieldByName(QStringLiteral("LeserID")).setAsInteger(reader);
            loans.FieldByName(QStringLiteral("DatumVon")).setAsString(QStringLiteral("01.02.2022"));
            if (returned)
                loans.FieldByName(QStringLiteral("DatumBis")).setAsString(QStringLiteral("03.02.2022"));
            loans.Post();
        };
        lend(1, 1, true);
        lend(1, 2, false);
        lend(2, 1, true);

        m_bookWindow = true;
        books.setIndexFieldNames(QStringLiteral("ID"));
        books.First();
        QCOMPARE(loans.Filter(), QStringLiteral("BuecherID=1"));
        QCOMPARE(loans.RecordCount(), 2);
        QCOMPARE(m_borrower, QStringLiteral("Bernd Schulz"));
        books.Next();
        QCOMPARE(loans.RecordCount(), 1);
        QCOMPARE(m_borrower, QString());
        m_bookWindow = false;

        m_readerWindow = true;
        readers.First();
        QCOMPARE(loans.RecordCount(), 0); // Anna has returned everything
        readers.Next();
        QCOMPARE(loans.RecordCount(), 1);
        m_readerWindow = false;
        books.First();
        QCOMPARE(loans.Filter(), QStringLiteral("LeserID=2 and DatumBis=null")); // stays after the window closed
    }
};

QTEST_MAIN(RulesTest)
#include "tst_rules.moc"
