#pragma once

#include <QByteArrayView>

struct sqlite3_stmt;

namespace lesaro::bench {

class SqliteDatabase;

// A prepared statement that finalises itself.
class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& db, QByteArrayView sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* handle() const { return m_statement; }
    bool step(); // true while there is a row
    void reset();

private:
    SqliteDatabase& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace lesaro::bench
