#include "SqliteStatement.h"

#include "SqliteDatabase.h"

#include <sqlite3.h>

namespace lesaro::bench {

SqliteStatement::SqliteStatement(SqliteDatabase& db, QByteArrayView sql)
    : m_db(db) {
    if (sqlite3_prepare_v2(db.handle(), sql.data(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
        db.fail("prepare");
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_db.fail("step");
    return false;
}

void SqliteStatement::reset() {
    sqlite3_reset(m_statement);
}

} // namespace lesaro::bench
