#pragma once

namespace lesaro {

class BookEntryWindow;
class LibraryData;
class ReaderEntryWindow;
class Table;

// The library tables' own rules: identifiers and numbers for new rows, the remembered values of saved
// books, and the narrowing of the loan table while a book or reader window is open. They run from the
// tables' event hooks, whichever window changes the tables.
class RecordRules {
public:
    explicit RecordRules(LibraryData& data);
    ~RecordRules();
    RecordRules(const RecordRules&) = delete;
    RecordRules& operator=(const RecordRules&) = delete;

    // The entry windows register themselves while they exist. No window (nullptr: a tool, an import or a test
    // without windows) counts as a window that is not showing.
    void setBookEntryWindow(BookEntryWindow* window) { m_bookWindow = window; }
    void setReaderEntryWindow(ReaderEntryWindow* window) { m_readerWindow = window; }

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

    BookEntryWindow* showingBookWindow() const;
    bool readerWindowShowing() const;

    LibraryData& m_data;
    BookEntryWindow* m_bookWindow = nullptr;
    ReaderEntryWindow* m_readerWindow = nullptr;
};

} // namespace lesaro
