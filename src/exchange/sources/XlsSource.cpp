#include "exchange/sources/XlsSource.h"

#include "core/EngineError.h"
#include "exchange/sources/CellText.h"
#include "exchange/sources/XlsCellFormats.h"

#include <QFile>
#include <freexl.h>

namespace lesaro::exchange {

namespace {

// FreeXL wants freexl_close even after a failed open.
class Workbook {
public:
    explicit Workbook(const QString& path, bool withFormats = false) {
        // FreeXL trusts the lengths it reads, in the container's directory and in the records, and reads far
        // past its buffers where a damaged file lies. So it only gets a file that our own reading finds sound.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > XlsCellFormats::kMaxFileSize)
            fail();
        const QByteArray bytes = file.readAll();
        if (!XlsCellFormats::isSound(bytes))
            fail();
        if (withFormats)
            m_formats = XlsCellFormats::read(bytes);
        // A constructor that throws runs no destructor: the half-opened handle is closed here.
        if (freexl_open(QFile::encodeName(path).constData(), &m_handle) != FREEXL_OK) {
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            fail();
        }
    }
    ~Workbook() {
        if (m_handle)
            freexl_close(m_handle);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    const void* handle() const { return m_handle; }
    // The number formats and formula results, when asked for and readable.
    const std::optional<XlsCellFormats>& formats() const { return m_formats; }

    QStringList sheets() const {
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
            fail();
        QStringList names;
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) != FREEXL_OK)
                fail();
            names.append(QString::fromUtf8(name));
        }
        return names;
    }

    [[noreturn]] static void fail() { throw EngineError(QStringLiteral("Exceldatei konnte nicht gefunden werden")); }

private:
    const void* m_handle = nullptr;
    std::optional<XlsCellFormats> m_formats;
};

// FreeXL gives the values; the number formats that show them come from our own reading of the file.
QString cellText(const FreeXL_CellValue& v, const XlsCellFormats* formats, int sheet, int row, int column) {
    switch (v.type) {
    case FREEXL_CELL_INT:
        return formats ? formats->numberText(sheet, row, column, double(v.value.int_value))
                       : QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return formats ? formats->numberText(sheet, row, column, v.value.double_value)
                       : CellText::number(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return QString::fromUtf8(v.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return CellText::isoDateTime(QString::fromUtf8(v.value.text_value));
    default:
        // FreeXL leaves formula cells empty; their results come from our own reading.
        if (formats)
            return formats->formulaText(sheet, row, column).value_or(QString());
        return {};
    }
}

} // namespace

QStringList XlsSource::tableNames(const QString& path) {
    return Workbook(path).sheets();
}

SourceRecords XlsSource::read(const QString& path, const QString& table, bool withFormats) {
    Workbook book(path, withFormats);
    const int index = int(book.sheets().indexOf(table));
    if (index < 0 || freexl_select_active_worksheet(book.handle(), static_cast<unsigned short>(index)) != FREEXL_OK)
        Workbook::fail();
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
        Workbook::fail();
    // Without formats (a file this program's reader does not follow) the cells show their bare values.
    const std::optional<XlsCellFormats>& formats = book.formats();
    const int formatSheet = formats ? formats->sheetIndex(table) : -1;
    const XlsCellFormats* known = formatSheet >= 0 ? &*formats : nullptr;
    SourceRecords records;
    records.reserve(qsizetype(rows));
    for (unsigned int r = 0; r < rows; ++r) {
        QStringList fields;
        fields.reserve(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            fields.append(freexl_get_cell_value(book.handle(), r, c, &v) == FREEXL_OK
                              ? cellText(v, known, formatSheet, int(r), int(c))
                              : QString());
        }
        records.append(std::move(fields));
    }
    return records;
}

} // namespace lesaro::exchange
