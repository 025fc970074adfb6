#pragma once

#include "LibraryGenerator.h"
#include "core/RowStore.h"

#include <QByteArray>
#include <QList>
#include <string>
#include <vector>

namespace lesaro::bench {

class SqliteDatabase;

// One table's rows as SQLite is handed them: texts already in UTF-8, numbers as SQLite holds them, so that
// writing them costs SQLite nothing beyond its own work. Dates are day numbers, money REAL, booleans 0/1.
class SqlRows {
public:
    // The rows of a library table; the column ID becomes the INTEGER PRIMARY KEY. Rows marked in skip are left out.
    static SqlRows fromRows(const QByteArray& table, const QList<ColumnDef>& columns, const std::vector<Row>& rows,
                            const std::vector<bool>* skip = nullptr);
    // Every slot of a store (superseded and deleted versions included) with its slot number and status.
    static SqlRows fromSlots(const QByteArray& table, const RowStore& store);
    // A store's change log, one row per entry.
    static SqlRows fromLog(const QByteArray& table, const RowStore& store);

    const QByteArray& table() const { return m_table; }
    qsizetype rowCount() const { return m_columns.isEmpty() ? 0 : qsizetype(m_cells.size()) / m_columns.size(); }

    void createTable(SqliteDatabase& db) const;
    // Inserts every row through one prepared statement; the caller owns the transaction.
    void insertAll(SqliteDatabase& db) const;

    // Steps through SELECT * of a table and reads every column of every row; returns the rows read and adds
    // what it read to checksum, so nothing can be skipped.
    static qsizetype readAll(SqliteDatabase& db, const QByteArray& table, quint64& checksum);

private:
    enum class Type : quint8 { Null, Integer, Real, Text };
    struct Cell {
        Type type = Type::Null;
        quint32 length = 0;
        union {
            qint64 integer = 0;
            double real;
            quint64 offset;
        };
    };
    struct Column {
        QByteArray name;
        QByteArray declaration;
    };

    SqlRows(QByteArray table, QList<Column> columns);
    void addNull();
    void addInteger(qint64 v);
    void addReal(double v);
    void addValue(const Value& v);
    static QList<Column> columnsOf(const QList<ColumnDef>& columns, bool idIsKey);

    QByteArray m_table;
    QList<Column> m_columns;
    std::vector<Cell> m_cells;
    std::string m_texts;
};

} // namespace lesaro::bench
