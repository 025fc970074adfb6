#include "SqliteDatabase.h"

#include "SqliteStatement.h"

#include <sqlite3.h>
#include <stdexcept>

namespace lesaro::bench {

SqliteDatabase::SqliteDatabase(const QString& path, Mode mode) {
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error("SQLite: cannot open " + path.toStdString() + ": " + message);
    }
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close(m_db);
}

void SqliteDatabase::exec(const QByteArray& sql) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = std::string("SQLite: ") + (error ? error : "error") + " in " + sql.toStdString();
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

qint64 SqliteDatabase::scalar(const QByteArray& sql) {
    SqliteStatement statement(*this, sql);
    return statement.step() ? sqlite3_column_int64(statement.handle(), 0) : 0;
}

void SqliteDatabase::fail(const char* what) const {
    throw std::runtime_error(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(m_db));
}

} // namespace lesaro::bench
