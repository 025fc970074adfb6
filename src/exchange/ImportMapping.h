#pragma once

#include "exchange/sources/ImportSource.h"

#include <QList>
#include <QString>
#include <functional>

namespace lesaro {

class Table;

// One row of the wizard's "Spaltenzuordnung": the label the user sees and the field it fills. A row without
// a field ("Schlagworte") takes an assignment but fills nothing.
struct ImportTarget {
    enum class Refused {
        Stop, // the engine's message ends the import
        Drop  // the field stays empty, silently
    };
    QString label;
    QString field;
    Refused refused = Refused::Stop;
};

QList<ImportTarget> bookImportTargets();
QList<ImportTarget> readerImportTargets();

// The wizard's preview, crosswise: each source record is a column, each source field a row. Cells that the
// source did not write read as empty.
class PreviewGrid {
public:
    // The grid before any source was read: 2 empty columns of 5 rows.
    PreviewGrid();
    static PreviewGrid fromRecords(exchange::SourceRecords records);

    int columnCount() const { return int(m_columns.size()); }
    int rowCount() const { return m_rows; }
    QString cell(int column, int row) const;

private:
    QList<QStringList> m_columns;
    int m_rows = 0;
};

// " Abschluss": one new row per preview column (from the second when the first holds field names), through
// the table's insert rule, each assigned target filled from the column's cell. A text a field refuses is
// dropped for the targets marked so; for the others the engine's error ends the import, the row being
// filled is cancelled, and the rows posted before it stay. Returns the number of rows posted.
//
// A number assigned from an empty cell keeps the number the insert rule proposed: an empty cell must not
// leave a reader without a number.
class ImportRun {
public:
    ImportRun() = delete;
    static int run(Table& table, const PreviewGrid& grid, const QList<ImportTarget>& targets,
                   const QList<int>& assignment, bool titleRow,
                   const std::function<void(int done, int total)>& progress = {});
};

} // namespace lesaro
