#pragma once

// A small writer of Excel 97-2003 workbooks for the tests: the compound-file container with its allocation
// table (sectors in shuffled order, so every chain must really be followed), the mini stream for small
// streams, a directory tree with other streams and a storage holding a decoy "Workbook", and the record
// stream in BIFF8 or BIFF5 with number formats, cell styles and numeric cells in every encoding.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QString>

namespace test::xls {

// How a numeric cell is stored in the record stream.
enum class Encoding { Number, Rk, MulRk, Formula };

struct Cell {
    double value = 0;
    int style = 0; // index of the cell style record
    Encoding encoding = Encoding::Number;
};

// A formula cell whose result is no number.
struct FormulaResult {
    enum Kind { Text, Truth, Error, Empty } kind = Text;
    QString text;               // Text: the result, in a record of its own after the formula
    bool truth = false;         // Truth
    quint8 error = 0x07;        // Error: Excel's code
    bool recordBetween = false; // a shared formula's record between the formula and its text
};

struct Sheet {
    QString name;
    QMap<std::pair<int, int>, Cell> cells;                   // (row, column)
    QMap<std::pair<int, int>, FormulaResult> formulaResults; // formula cells whose result is no number
    bool withChart = false;                                  // an embedded chart with a number of its own
};

struct Format {
    int id = 0;
    QString code; // empty: a built-in id without a format record
};

struct Workbook {
    bool biff8 = true;
    bool date1904 = false;
    QList<Format> formats;   // format records written
    QList<int> styleFormats; // one cell style record per entry: its format id
    QList<Sheet> sheets;
};

struct Container {
    int extraFatSectors = 0;   // more allocation table sectors than needed: past 109 they need index sectors
    bool decoyStorage = false; // a storage holding a stream also named "Workbook"
    int otherStreams = 0;      // more top-level streams beside the workbook
    int padTo = 0;             // the workbook stream padded with zeros up to this size (Excel pads to 4096)
};

// The record stream alone.
QByteArray recordStream(const Workbook& book);
// The whole file: the record stream in the container.
QByteArray file(const Workbook& book, const Container& container, QRandomGenerator& random);
// The record stream inside the container, as streams named by the first element.
QByteArray compound(const QList<std::pair<QString, QByteArray>>& streams, const Container& container,
                    QRandomGenerator& random);

} // namespace test::xls
