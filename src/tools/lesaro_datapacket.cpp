// lesaro-datapacket: shows a table file as JSON, or copies it through the program's own reader and writer
// (which also turns an XML file into a binary one and back). For support and recovery of damaged files.

#include "core/AtomicFile.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/Win1252.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <cmath>
#include <cstdio>

using namespace lesaro;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void appendJsonString(QByteArray& out, const QString& text) {
    out.append('"');
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out.append(buf);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

const char* kindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::Integer:
        return "integer";
    case FieldKind::Text:
        return "text";
    case FieldKind::Money:
        return "money";
    case FieldKind::Boolean:
        return "boolean";
    case FieldKind::Date:
        return "date";
    }
    return "";
}

void appendValue(QByteArray& out, const RowRef& row, const ColumnDef& column, int i) {
    if (row.isNull(i)) {
        out.append("null");
        return;
    }
    switch (column.kind) {
    case FieldKind::Integer:
        out.append(QByteArray::number(row.int32(i)));
        break;
    case FieldKind::Money: {
        const double v = row.float64(i);
        // JSON has no NaN or infinity; such an amount can only come from a foreign or damaged file.
        out.append(std::isfinite(v) ? QByteArray::number(v, 'g', QLocale::FloatingPointShortest) : "null");
        break;
    }
    case FieldKind::Boolean:
        out.append(row.value(i).toBool() ? "true" : "false");
        break;
    case FieldKind::Date: {
        const QDate d = dateFromDay(row.int32(i));
        appendJsonString(out, QString::asprintf("%04d-%02d-%02d", d.year(), d.month(), d.day()));
        break;
    }
    case FieldKind::Text: {
        const QByteArrayView bytes = row.text(i);
        appendJsonString(out, win1252::decode(bytes.data(), bytes.size()));
        break;
    }
    }
}

QByteArray dumpJson(const RowStore& store) {
    QByteArray out;
    out.reserve(store.arena().size() * 2 + 1024);
    out.append("{\"columns\":[");
    for (int i = 0; i < store.columnCount(); ++i) {
        const ColumnDef& c = store.columns()[i];
        if (i)
            out.append(',');
        out.append("{\"name\":");
        appendJsonString(out, c.name);
        out.append(",\"kind\":\"").append(kindName(c.kind)).append("\",\"width\":");
        out.append(c.kind == FieldKind::Text ? QByteArray::number(c.width) : QByteArray("null"));
        out.append(",\"attributes\":").append(QByteArray::number(c.attributes)).append('}');
    }
    out.append("],\"slots\":[");
    qsizetype live = 0;
    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        if (s)
            out.append(',');
        const quint8 status = store.status(s);
        live += SlotStatus::isLive(status) ? 1 : 0;
        out.append("{\"status\":").append(QByteArray::number(status)).append(",\"values\":[");
        const RowRef row(store, s);
        for (int i = 0; i < store.columnCount(); ++i) {
            if (i)
                out.append(',');
            appendValue(out, row, store.columns()[i], i);
        }
        out.append("]}");
    }
    out.append("],\"changeLog\":[");
    bool first = true;
    for (const LogEntry& e : store.changeLog()) {
        if (!first)
            out.append(',');
        first = false;
        out.append('[').append(QByteArray::number(e.slot)).append(',').append(QByteArray::number(e.replaced));
        out.append(',').append(QByteArray::number(e.kind)).append(']');
    }
    out.append("],\"liveRows\":").append(QByteArray::number(live)).append(",\"parameters\":[");
    first = true;
    for (const TableParam& p : store.keptParams()) {
        if (!first)
            out.append(',');
        first = false;
        appendJsonString(out, QString::fromLatin1(p.name));
    }
    out.append("]}\n");
    return out;
}

int usage() {
    std::fputs("Aufruf:\n"
               "  lesaro-datapacket dump DATEI          gibt die Tabellendatei als JSON aus\n"
               "  lesaro-datapacket copy QUELLE ZIEL    liest QUELLE und schreibt sie nach ZIEL,\n"
               "                                        als XML, wenn ZIEL auf \".xml\" endet\n",
               stderr);
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool dump = args.size() == 2 && args[0] == QLatin1String("dump");
    const bool copy = args.size() == 3 && args[0] == QLatin1String("copy");
    if (!dump && !copy)
        return usage();
    try {
        const RowStore store = ReadDatapacket(readWholeFile(args[1]));
        if (dump) {
            const QByteArray json = dumpJson(store);
            if (std::fwrite(json.constData(), 1, size_t(json.size()), stdout) != size_t(json.size()) ||
                std::fflush(stdout) != 0) {
                std::fputs("Die Ausgabe konnte nicht geschrieben werden.\n", stderr);
                return kExitFailed;
            }
        } else {
            const DatapacketForm form = datapacket::formForFileName(args[2]);
            WriteDatapacketFile(store, form, args[2]);
        }
    } catch (const EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitFailed;
    }
    return 0;
}
