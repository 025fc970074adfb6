#pragma once

#include "exchange/sources/NumberFormat.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <optional>
#include <vector>

namespace lesaro::exchange {

// The number formats of an Excel 97-2003 workbook's numeric cells, which FreeXL reads the values of but does
// not hand on: the format records (built-in ids and format codes), the cell styles naming them, and for each
// number, RK, MULRK and numeric formula cell of each sheet its style and value. Read from the record stream
// of BIFF8 (Excel 97 and later) or BIFF5/7 (Excel 5 and 95) inside the compound file.
//
// With these, a postcode stored as the number 1067 with the format "00000" arrives as "01067", as the sheet
// shows it and as the .xlsx and .ods readers give it. The results of formula cells, which FreeXL leaves empty,
// are read here too.
//
// The file is outside input: every record is bounds-checked and the work is bounded by the stream's size.
// Whatever cannot be read gives no formats (read() returns nothing, or a cell is unknown), and the caller
// then shows the bare values, as before.
class XlsCellFormats {
public:
    // Nothing when the bytes are no BIFF5/7 or BIFF8 workbook this reader understands, or an encrypted one.
    static std::optional<XlsCellFormats> read(const QByteArray& file);
    // The file read whole, up to a bound; nothing when it cannot be read or is larger.
    static std::optional<XlsCellFormats> readFile(const QString& path);
    static constexpr qint64 kMaxFileSize = qint64(256) * 1024 * 1024;

    // The sheets in the workbook's order, chart and macro sheets included.
    QStringList sheetNames() const;
    // The index of the named sheet, or -1.
    int sheetIndex(const QString& name) const;

    // The text of the numeric cell at row and column (from 0) of a sheet whose value another reader found to
    // be value: rendered through the cell's number format when this reader knows the cell and found the
    // same value there, else as a plain number.
    QString numberText(int sheet, int row, int column, double value) const;

    // The text of a formula cell, whose result FreeXL does not hand on: a number through the cell's format, a
    // text as it is, a truth value as "Wahr" or "Falsch", an error as Excel shows it ("#DIV/0!"); nothing for
    // a cell that holds no formula or whose result is empty.
    std::optional<QString> formulaText(int sheet, int row, int column) const;

    // Whether a file is sound enough to hand to FreeXL, which trusts the lengths it reads and reads far past
    // its buffers where they lie: a compound file whose directory is well formed, with a workbook stream in
    // which every text lies within its record (format, sheet, font, label, formula result and shared string
    // records, the shared strings across the records that continue them) and every shared string a label
    // cell names exists, and which is not encrypted.
    static bool isSound(const QByteArray& file);

    // What this reader knows of a cell, for tests and checks.
    struct Cell {
        double value = 0;
        NumberFormat format;
    };
    std::optional<Cell> cell(int sheet, int row, int column) const;
    bool date1904() const { return m_date1904; }

private:
    struct StoredCell {
        double value = 0;
        quint16 style = 0;
        bool formula = false;
    };
    struct Sheet {
        QString name;
        quint32 offset = 0;
        QHash<quint32, StoredCell> cells;     // key: row << 16 | column
        QHash<quint32, QString> formulaTexts; // formulas with a text, truth value or error as result
    };

    bool parse(const QByteArray& stream);
    bool parseSheet(const QByteArray& stream, Sheet& sheet, qint64& budget);

    QString shown(const StoredCell& cell) const;

    bool m_biff8 = true;
    quint16 m_codepage = 1252;
    bool m_date1904 = false;
    std::vector<NumberFormat> m_styleFormats; // by cell style index
    std::vector<Sheet> m_sheets;
};

} // namespace lesaro::exchange
