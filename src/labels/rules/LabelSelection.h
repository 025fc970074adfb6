#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace lesaro {
class Table;
}

namespace lesaro::labels {

enum class LabelKind { Book, Reader };

// What one label shows of its book or reader.
struct LabelRecord {
    qint32 id = 0;
    qint32 nummer = 0;
    QString signatur; // books
    QString titel;    // books
    QString vorname;  // readers
    QString nachname; // readers
};

enum class SelectionMode {
    CurrentList, // the main window's list as it stands: its filter and its order
    NumberRange, // every row with a number from…to, by number
    AddedSince,  // every row added after a known last identifier, by number
};

struct SelectionRequest {
    SelectionMode mode = SelectionMode::CurrentList;
    qint32 from = 0;
    qint32 to = 0;
    // AddedSince: the largest identifier that existed at the chosen date. Identifiers are issued in rising
    // order and never reused, so every row above it was added later.
    qint32 idAbove = 0;
};

struct Selection {
    QList<LabelRecord> records;
    int withoutNumber = 0; // rows that qualified but have no number, so no barcode: left out
};

// The rows to label. A row without a number is left out and counted.
Selection select(const Table& table, LabelKind kind, const SelectionRequest& request);

// The smallest and the largest number any live row of the table holds, past the list's filter; nothing when
// no row has one. The range the window proposes, without making a label record of every row.
std::optional<std::pair<qint32, qint32>> numberSpan(const Table& table);

// Where the labels of a printout go: one label per record and copy, in order, from the start position on
// the first sheet (1 = top left), row by row.
struct LabelPlace {
    int sheet = 0; // from 1
    int index = 0; // on the sheet, from 0
    int record = 0;
};

class LabelPlan {
public:
    LabelPlan() = default;
    LabelPlan(int records, int copies, int startPosition, int perSheet);

    int labelCount() const { return m_records * m_copies; }
    int sheetCount() const;
    // The k-th label (from 0) of the printout.
    LabelPlace place(int k) const;
    // The labels on one sheet (from 1), in order: the first label's number k and how many follow.
    std::pair<int, int> labelsOnSheet(int sheet) const;
    int startPosition() const { return m_start; }

    // "37 Etiketten auf 2 Blättern".
    static QString countText(int labels, int sheets);

private:
    int m_records = 0;
    int m_copies = 1;
    int m_start = 1;
    int m_perSheet = 1;
};

} // namespace lesaro::labels
