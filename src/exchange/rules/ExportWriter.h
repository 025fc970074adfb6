#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace lesaro {

class Table;

enum class ExportFormat { Csv, Html, Txt };

// One exported column: the table field it takes its values from and the text of its header.
struct ExportColumn {
    QString field;
    QString header;
};

struct ExportSettings {
    ExportFormat format = ExportFormat::Csv;
    char separator = ',';
    char qualifier = '"'; // 0: none
    bool titleRow = true;
    bool utf8 = false; // delimited files only: UTF-8 with its byte-order mark instead of Windows-1252
    QString htmlTitle;
    QList<ExportColumn> columns; // the checked ones, in output order
};

// The bytes of an export file, built value by value: Windows-1252, CR LF line ends, every delimited value
// followed by the separator. Two things the old files got wrong are done soundly here: a qualifier inside a
// value is doubled, so a title like 'Der "Hobbit"' comes back whole from a spreadsheet; and HTML cells
// escape <, >, & and ", so a title can neither break the table nor bring in markup. Characters that
// Windows-1252 cannot hold become "?", and the values that lost one are counted for the user.
class ExportFile {
public:
    explicit ExportFile(const ExportSettings& settings);

    void beginRow();
    void value(const QString& text);
    // A value that is already in the file's encoding (a table's stored text in a Windows-1252 file): nothing
    // to convert or count.
    void win1252Value(const QByteArray& bytes);
    void endRow();
    // Writes the closing lines of an HTML file and returns the whole content.
    QByteArray finish();

    int replacedValues() const { return m_replacedValues; }

private:
    void header();

    const ExportSettings& m_settings;
    QByteArray m_bytes;
    int m_replacedValues = 0;
    bool m_headerCells = false;
};

// Writes the table's rows from the first to the last of its current view (its order and filter), leaving
// the last row current, as the export windows do. The result: the file's bytes and the count of values
// that lost a character.
struct ExportResult {
    QByteArray bytes;
    int replacedValues = 0;
};
ExportResult exportTable(Table& table, const ExportSettings& settings,
                         const std::function<void(int done, int total)>& progress = {});

} // namespace lesaro
