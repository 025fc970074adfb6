#pragma once

#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/LibraryData.h"
#include "library/RecordRules.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"

#include <QDate>
#include <QTemporaryDir>
#include <memory>

// A small library on a temporary folder with its own settings, for the lending tests: readers and books are
// added by name, loans by the IDs the rules gave.
namespace lendingtest {

using namespace lesaro;

inline void setUpProcess() {
    GermanLocale::install();
    Clock::setFixedNow(QDateTime(QDate(2024, 1, 31), QTime(10, 0)));
}

// The tables and their rules without any window.
struct PlainLibrary {
    LibraryData d;
    RecordRules rules{d};
    LibraryData& data() { return d; }
};

template <typename Data = PlainLibrary>
class Fixture {
public:
    Fixture()
        : m_dir(std::make_unique<QTemporaryDir>()) {
        SettingsStore::redirectInstance(m_dir->path() + QStringLiteral("/Lesaro.reg"));
        m_data = std::make_unique<Data>();
        lib().FormCreate(m_dir->path(), m_dir->path());
        // Empty tables as a fresh installation has them, without the settings it writes for a first start:
        // a setting the tests leave out stays missing.
        const std::pair<Table*, QList<ColumnDef>> tables[] = {{&books(), LibraryTables::bookColumns()},
                                                              {&readers(), LibraryTables::readerColumns()},
                                                              {&loans(), LibraryTables::loanColumns()}};
        for (const auto& [table, columns] : tables) {
            table->Close();
            table->setColumns(columns);
            table->CreateDataSet();
            table->setFileWritesBlocked(true);
        }
    }
    ~Fixture() { m_data.reset(); }

    Data& data() { return *m_data; }
    LibraryData& lib() { return m_data->data(); }
    Table& books() { return lib().ClientBuecher; }
    Table& readers() { return lib().ClientLeser; }
    Table& loans() { return lib().ClientAusleihe; }

    // Returns the new reader's ID.
    int addReader(const QString& vorname, const QString& nachname, int nummer = -1) {
        Table& t = readers();
        t.Append();
        t.FieldByName(QStringLiteral("Vorname")).setAsString(vorname);
        t.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
        if (nummer >= 0)
            t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
        const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
        t.Post();
        return id;
    }
    int addBook(const QString& verfasser, const QString& titel, bool lent = false, int nummer = -1) {
        Table& t = books();
        t.Append();
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
        t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
        t.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(lent);
        if (nummer >= 0)
            t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
        const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
        t.Post();
        return id;
    }
    // A loan row as the desk or the history leaves it; an invalid returned date leaves it open.
    int addLoan(int bookId, int readerId, QDate from, QDate due, QDate returned = {}) {
        Table& t = loans();
        t.Append();
        t.FieldByName(QStringLiteral("BuecherID")).setAsInteger(bookId);
        t.FieldByName(QStringLiteral("LeserID")).setAsInteger(readerId);
        t.FieldByName(QStringLiteral("DatumVon")).setAsDate(from);
        if (returned.isValid())
            t.FieldByName(QStringLiteral("DatumBis")).setAsDate(returned);
        else
            t.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(due);
        const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
        t.Post();
        return id;
    }

    bool locate(Table& t, int id) { return t.Locate(QStringLiteral("ID"), {id}); }
    // The stored flag of a book, whatever filter the book table carries.
    bool lentFlag(int bookId) { return storedValue(books(), bookId, "ausgeliehen").toBool(); }
    // The stored value of a row's column by the row's ID, null when there is no such row.
    Value storedValue(Table& t, int id, const char* column) {
        const RowStore& store = t.store();
        int idColumn = -1, wanted = -1;
        for (int c = 0; c < store.columnCount(); ++c) {
            if (store.columns()[c].name == QStringLiteral("ID"))
                idColumn = c;
            if (store.columns()[c].name == QString::fromLatin1(column))
                wanted = c;
        }
        for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
            if (SlotStatus::isLive(store.status(slot)) && store.value(slot, idColumn).toInt() == id)
                return store.value(slot, wanted);
        }
        return {};
    }
    QString field(Table& t, const char* name) { return t.FieldByName(QString::fromLatin1(name)).AsString(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Data> m_data;
};

} // namespace lendingtest
