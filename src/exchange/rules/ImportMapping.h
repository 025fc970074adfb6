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

// What an import could not take over as it stood, for the librarian to hear of: values a field refused
// (left empty) and values holding characters the table files cannot store (kept with "?" for them). Each
// with a count and the first few as "Datensatz 3, Preis: „zwölf Euro“".
struct ImportReport {
    static constexpr int kExamples = 5;
    int dropped = 0;
    QStringList droppedExamples;
    int unstorable = 0;
    QStringList unstorableExamples;
};

// " Abschluss": one new row per preview column (from the second when the first holds field names), through
// the table's insert rule, each assigned target filled from the column's cell. A text a field refuses is
// dropped for the targets marked so; for the others the engine's error ends the import, the row being
// filled is cancelled, and the rows posted before it stay. Returns the number of rows posted.
//
// A number assigned from an empty cell keeps the number the insert rule proposed: an empty cell must not
// leave a reader without a number. A price written with a single point and no comma ("12.50", as other
// programs write it) takes the point as its decimal mark. A refused value, and a text with characters the
// table files cannot hold, is counted into the report when one is given.
class ImportRun {
public:
    ImportRun() = delete;
    static int run(Table& table, const PreviewGrid& grid, const QList<ImportTarget>& targets,
                   const QList<int>& assignment, bool titleRow,
                   const std::function<void(int done, int total)>& progress = {}, ImportReport* report = nullptr);

    // Before the import: the assigned texts that hold characters Windows-1252 cannot store, counted as run()
    // counts them, so the librarian can be asked first.
    static ImportReport unstorable(Table& table, const PreviewGrid& grid, const QList<ImportTarget>& targets,
                                   const QList<int>& assignment, bool titleRow);
};

} // namespace lesaro
