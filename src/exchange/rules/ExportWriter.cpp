#include "exchange/rules/ExportWriter.h"

#include "core/Table.h"
#include "core/Win1252.h"

namespace lesaro {

namespace {

const QByteArray kLineEnd("\r\n");

QByteArray escapedHtml(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '&':
            out.append("&amp;");
            break;
        case '"':
            out.append("&quot;");
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

bool losesCharacters(const QString& text, const QByteArray& encoded) {
    // Only a '?' in the bytes that was no '?' in the text marks a lost character.
    if (!encoded.contains('?'))
        return false;
    return encoded.count('?') != text.count(QLatin1Char('?'));
}

} // namespace

ExportFile::ExportFile(const ExportSettings& settings)
    : m_settings(settings) {
    if (m_settings.format == ExportFormat::Html) {
        m_bytes += "<HTML><HEAD><TITLE>" + escapedHtml(win1252::encode(m_settings.htmlTitle)) + "</TITLE>" + kLineEnd;
        m_bytes += "<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></HEAD>" + kLineEnd;
        m_bytes += "<BODY>" + kLineEnd;
        m_bytes += "<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">" + kLineEnd;
        m_bytes += "<TR>" + kLineEnd;
        m_headerCells = true;
        if (m_settings.titleRow)
            for (const ExportColumn& c : m_settings.columns)
                m_bytes += "<th>" + escapedHtml(win1252::encode(c.header)) + "</th>" + kLineEnd;
        m_bytes += "</TR>" + kLineEnd;
    } else {
        if (m_settings.utf8)
            m_bytes += "\xEF\xBB\xBF";
        if (m_settings.titleRow) {
            beginRow();
            for (const ExportColumn& c : m_settings.columns)
                value(c.header);
            endRow();
        }
    }
}

void ExportFile::beginRow() {
    if (m_settings.format == ExportFormat::Html)
        m_bytes += "<TR>" + kLineEnd;
}

void ExportFile::value(const QString& text) {
    if (m_settings.utf8 && m_settings.format != ExportFormat::Html) {
        win1252Value(text.toUtf8());
        return;
    }
    const QByteArray bytes = win1252::encode(text);
    if (losesCharacters(text, bytes))
        ++m_replacedValues;
    win1252Value(bytes);
}

void ExportFile::win1252Value(const QByteArray& bytes) {
    if (m_settings.format == ExportFormat::Html) {
        m_bytes += "<td>" + escapedHtml(bytes) + "</td>";
        return;
    }
    const char q = m_settings.qualifier;
    if (q) {
        m_bytes += q;
        if (bytes.contains(q)) {
            for (const char c : bytes) {
                if (c == q)
                    m_bytes += q;
                m_bytes += c;
            }
        } else {
            m_bytes += bytes;
        }
        m_bytes += q;
    } else {
        m_bytes += bytes;
    }
    m_bytes += m_settings.separator;
}

void ExportFile::endRow() {
    if (m_settings.format == ExportFormat::Html)
        m_bytes += "</TR>";
    m_bytes += kLineEnd;
}

QByteArray ExportFile::finish() {
    if (m_settings.format == ExportFormat::Html)
        m_bytes += "</Table></BODY></HTML>" + kLineEnd;
    return std::move(m_bytes);
}

ExportResult exportTable(Table& table, const ExportSettings& settings, const std::function<void(int, int)>& progress) {
    ExportFile file(settings);
    std::vector<int> fields;
    std::vector<bool> stored; // text fields whose stored bytes are already Windows-1252
    for (const ExportColumn& c : settings.columns) {
        const int index = table.fieldIndex(c.field);
        fields.push_back(index);
        stored.push_back(!settings.utf8 && index >= 0 && table.field(index).kind() == FieldKind::Text &&
                         !table.field(index).isLookup());
    }
    const int rows = table.viewCount();
    for (int r = 0; r < rows; ++r) {
        file.beginRow();
        for (size_t i = 0; i < fields.size(); ++i) {
            if (stored[i]) {
                const Value v = table.valueAt(r, fields[i]);
                file.win1252Value(v.isNull() ? QByteArray() : v.bytes());
            } else {
                file.value(table.stringAt(r, fields[i]));
            }
        }
        file.endRow();
        if (progress && (r + 1) % 256 == 0)
            progress(r + 1, rows);
    }
    if (rows > 0)
        table.Last();
    ExportResult result;
    result.replacedValues = file.replacedValues();
    result.bytes = file.finish();
    return result;
}

} // namespace lesaro
