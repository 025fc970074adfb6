#pragma once

#include <QStringList>
#include <functional>

namespace lesaro {

class LibraryData;
class Table;

// The drop-down lists of the book entry window as the rules see them: named by the window's box names
// ("CBStand", "CBOrt", "CBSach", "CBVerlag", "CBSchlagwort1" … "CBSchlagwort10").
class BookEntryLists {
public:
    virtual ~BookEntryLists() = default;
    virtual QStringList items(const QString& box) const = 0;
    virtual void setItems(const QString& box, const QStringList& items) = 0;
};

// The library tables' own rules: identifiers and numbers for new rows, the remembered values of saved
// books, and the narrowing of the loan table while a book or reader window is open. They run from the
// tables' event hooks, whichever window changes the tables.
class RecordRules {
public:
    explicit RecordRules(LibraryData& data);
    ~RecordRules();
    RecordRules(const RecordRules&) = delete;
    RecordRules& operator=(const RecordRules&) = delete;

    // Set by the entry windows: whether they are showing, their lists, and the borrower line.
    std::function<bool()> bookEntryShowing;
    std::function<bool()> readerEntryShowing;
    BookEntryLists* bookLists = nullptr;
    std::function<void(const QString&)> setBorrower; // LAusleiher

    void ClientBuecherAfterInsert(Table& t);
    void ClientLeserAfterInsert(Table& t);
    void ClientAusleiheAfterInsert(Table& t);
    void ClientBuecherAfterPost(Table& t);
    void ClientLeserAfterPost(Table& t);
    void ClientBuecherAfterScroll(Table& t);
    void ClientLeserAfterScroll(Table& t);

private:
    static int nextId(Table& t, const char* counter);
    static int nextNumber(Table& t, const char* counter);
    static void storeNumber(Table& t, const char* counter);

    LibraryData& m_data;
};

} // namespace lesaro
