#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace lesaro::bench {

// The peer every figure is measured against: a plain SQLite connection, failures thrown as exceptions.
class SqliteDatabase {
public:
    enum class Mode { ReadWrite, ReadOnly };
    explicit SqliteDatabase(const QString& path = QStringLiteral(":memory:"), Mode mode = Mode::ReadWrite);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    sqlite3* handle() const { return m_db; }
    void exec(const QByteArray& sql);
    qint64 scalar(const QByteArray& sql); // first column of the first row as a number
    [[noreturn]] void fail(const char* what) const;

private:
    sqlite3* m_db = nullptr;
};

} // namespace lesaro::bench
