#include "XlsWriter.h"

#include "core/Win1252.h"

#include <QtEndian>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace test::xls {

namespace {

constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kEnd = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kIndexSector = 0xFFFFFFFC;
constexpr int kSector = 512;
constexpr int kMini = 64;

void put16(QByteArray& b, quint32 v) {
    char c[2];
    qToLittleEndian<quint16>(quint16(v), c);
    b.append(c, 2);
}

void put32(QByteArray& b, quint32 v) {
    char c[4];
    qToLittleEndian<quint32>(v, c);
    b.append(c, 4);
}

void putDouble(QByteArray& b, double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    char c[8];
    qToLittleEndian<quint64>(bits, c);
    b.append(c, 8);
}

void record(QByteArray& s, quint16 id, const QByteArray& data) {
    put16(s, id);
    put16(s, quint32(data.size()));
    s.append(data);
}

bool narrow(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
}

// BIFF8 strings: Latin-1 when every character fits, else UTF-16.
void putChars(QByteArray& b, const QString& text) {
    if (narrow(text)) {
        b.append(text.toLatin1());
        return;
    }
    for (QChar c : text)
        put16(b, c.unicode());
}

QByteArray bof(bool biff8, quint16 kind) {
    QByteArray d;
    put16(d, biff8 ? 0x0600 : 0x0500);
    put16(d, kind);
    put16(d, 0x1234);
    put16(d, 1997);
    if (biff8) {
        put32(d, 0);
        put32(d, 0x0600);
    }
    return d;
}

// The RK form of a value the random cells give only when it has one.
quint32 rk(double value) {
    if (value == std::floor(value) && std::fabs(value) < (1 << 29))
        return (quint32(qint32(value)) << 2) | 2;
    const double hundredths = std::round(value * 100);
    if (std::fabs(hundredths) < (1 << 29) && hundredths / 100 == value)
        return (quint32(qint32(hundredths)) << 2) | 3;
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    if ((bits & 0x3FFFFFFFFull) == 0)
        return quint32(bits >> 32);
    qFatal("%g has no RK form", value);
}

QByteArray cellHead(int row, int column, int style) {
    QByteArray d;
    put16(d, quint32(row));
    put16(d, quint32(column));
    put16(d, quint32(style));
    return d;
}

void writeSheet(QByteArray& s, const Workbook& book, const Sheet& sheet) {
    record(s, 0x0809, bof(book.biff8, 0x0010));
    // The used range, as every real sheet has it: first row, row after the last, first column, column after
    // the last.
    int rows = 0;
    int columns = 0;
    for (auto it = sheet.cells.constBegin(); it != sheet.cells.constEnd(); ++it) {
        rows = std::max(rows, it.key().first + 1);
        columns = std::max(columns, it.key().second + 1);
    }
    for (auto it = sheet.formulaResults.constBegin(); it != sheet.formulaResults.constEnd(); ++it) {
        rows = std::max(rows, it.key().first + 1);
        columns = std::max(columns, it.key().second + 1);
    }
    QByteArray dimensions;
    if (book.biff8) {
        put32(dimensions, 0);
        put32(dimensions, quint32(rows));
    } else {
        put16(dimensions, 0);
        put16(dimensions, quint32(rows));
    }
    put16(dimensions, 0);
    put16(dimensions, quint32(columns));
    put16(dimensions, 0);
    record(s, 0x0200, dimensions);
    auto it = sheet.cells.constBegin();
    while (it != sheet.cells.constEnd()) {
        const auto [row, column] = it.key();
        const Cell& cell = it.value();
        QByteArray d = cellHead(row, column, cell.style);
        switch (cell.encoding) {
        case Encoding::Number:
            putDouble(d, cell.value);
            record(s, 0x0203, d);
            ++it;
            break;
        case Encoding::Rk:
            put32(d, rk(cell.value));
            record(s, 0x027E, d);
            ++it;
            break;
        case Encoding::Formula:
            // Its result, then the formula itself: a whole number constant.
            putDouble(d, cell.value);
            put16(d, 0);
            put32(d, 0);
            put16(d, 3);
            d.append('\x1E');
            put16(d, 1);
            record(s, 0x0006, d);
            ++it;
            break;
        case Encoding::MulRk: {
            // The run goes on over the following MULRK cells of the same row, column by column.
            QByteArray run;
            put16(run, quint32(row));
            put16(run, quint32(column));
            int last = column;
            while (it != sheet.cells.constEnd() && it.value().encoding == Encoding::MulRk && it.key().first == row &&
                   it.key().second == last + (run.size() > 4 ? 1 : 0)) {
                last = it.key().second;
                put16(run, quint32(it.value().style));
                put32(run, rk(it.value().value));
                ++it;
            }
            put16(run, quint32(last));
            record(s, 0x00BD, run);
            break;
        }
        }
    }
    for (auto it = sheet.formulaResults.constBegin(); it != sheet.formulaResults.constEnd(); ++it) {
        const FormulaResult& result = it.value();
        QByteArray d = cellHead(it.key().first, it.key().second, 0);
        // The result's kind in its first byte, a truth value or error code in its third, all ones at its end.
        QByteArray value(8, '\0');
        value[0] = char(result.kind);
        value[2] = char(result.kind == FormulaResult::Truth ? result.truth : result.error);
        value[6] = value[7] = '\xFF';
        d.append(value);
        put16(d, 0);
        put32(d, 0);
        put16(d, 0);
        record(s, 0x0006, d);
        if (result.kind != FormulaResult::Text)
            continue;
        if (result.recordBetween)
            record(s, 0x04BC, QByteArray(10, '\0'));
        QByteArray text;
        const QByteArray bytes = lesaro::win1252::encode(result.text);
        put16(text, quint32(book.biff8 ? result.text.size() : bytes.size()));
        if (book.biff8) {
            text.append(char(narrow(result.text) ? 0 : 1));
            putChars(text, result.text);
        } else {
            text.append(bytes);
        }
        record(s, 0x0207, text);
    }
    if (sheet.withChart) {
        record(s, 0x0809, bof(book.biff8, 0x0020));
        QByteArray d = cellHead(60000, 200, 0);
        putDouble(d, 4711);
        record(s, 0x0203, d);
        record(s, 0x000A, {});
    }
    record(s, 0x000A, {});
}

} // namespace

QByteArray recordStream(const Workbook& book) {
    QByteArray s;
    record(s, 0x0809, bof(book.biff8, 0x0005));
    QByteArray d;
    put16(d, book.biff8 ? 1200 : 1252);
    record(s, 0x0042, d);
    d.clear();
    put16(d, book.date1904 ? 1 : 0);
    record(s, 0x0022, d);
    for (const Format& f : book.formats) {
        d.clear();
        put16(d, quint32(f.id));
        if (book.biff8) {
            put16(d, quint32(f.code.size()));
            d.append(char(narrow(f.code) ? 0 : 1));
            putChars(d, f.code);
        } else {
            const QByteArray bytes = lesaro::win1252::encode(f.code);
            d.append(char(bytes.size()));
            d.append(bytes);
        }
        record(s, 0x041E, d);
    }
    for (const int id : book.styleFormats) {
        d = QByteArray(book.biff8 ? 20 : 16, '\0');
        qToLittleEndian<quint16>(quint16(id), d.data() + 2);
        record(s, 0x00E0, d);
    }
    QList<qsizetype> offsets; // where each sheet's stream offset is to be filled in
    for (const Sheet& sheet : book.sheets) {
        d.clear();
        put32(d, 0);
        if (book.biff8) {
            d.append('\0');
            d.append('\0');
            d.append(char(sheet.name.size()));
            d.append(char(narrow(sheet.name) ? 0 : 1));
            putChars(d, sheet.name);
        } else {
            put16(d, 0);
            const QByteArray bytes = lesaro::win1252::encode(sheet.name);
            d.append(char(bytes.size()));
            d.append(bytes);
        }
        offsets.append(s.size() + 4);
        record(s, 0x0085, d);
    }
    record(s, 0x000A, {});
    for (qsizetype i = 0; i < book.sheets.size(); ++i) {
        qToLittleEndian<quint32>(quint32(s.size()), s.data() + offsets[i]);
        writeSheet(s, book, book.sheets[i]);
    }
    return s;
}

QByteArray file(const Workbook& book, const Container& container, QRandomGenerator& random) {
    QByteArray stream = recordStream(book);
    if (stream.size() < container.padTo)
        stream.append(QByteArray(container.padTo - stream.size(), '\0'));
    return compound({{book.biff8 ? QStringLiteral("Workbook") : QStringLiteral("Book"), stream}}, container, random);
}

QByteArray compound(const QList<std::pair<QString, QByteArray>>& streams, const Container& container,
                    QRandomGenerator& random) {
    struct Entry {
        QString name;
        int type = 0;
        quint32 left = kFree, right = kFree, child = kFree;
        quint32 start = kEnd;
        QByteArray data;
    };
    QList<Entry> entries{{QStringLiteral("Root Entry"), 5, kFree, kFree, kFree, kEnd, {}}};
    for (const auto& [name, data] : streams)
        entries.append({name, 2, kFree, kFree, kFree, kEnd, data});
    for (int i = 0; i < container.otherStreams; ++i)
        entries.append({QStringLiteral("\x05SummaryInformation%1").arg(i), 2, kFree, kFree, kFree, kEnd,
                        QByteArray(1 + random.bounded(9000), char('a' + i))});
    QList<int> topLevel;
    for (int i = 1; i < entries.size(); ++i)
        topLevel.append(i);
    if (container.decoyStorage) {
        entries.append({QStringLiteral("Ablage"), 1, kFree, kFree, kFree, kEnd, {}});
        topLevel.append(int(entries.size()) - 1);
        entries.last().child = quint32(entries.size());
        entries.append({QStringLiteral("Workbook"), 2, kFree, kFree, kFree, kEnd, QByteArray(700, '\x42')});
    }
    // The top level as a chain of siblings in a random order, each to the left or the right of the one before.
    std::shuffle(topLevel.begin(), topLevel.end(), random);
    entries[0].child = quint32(topLevel.first());
    for (int i = 0; i + 1 < topLevel.size(); ++i)
        (random.bounded(2) ? entries[topLevel[i]].left : entries[topLevel[i]].right) = quint32(topLevel[i + 1]);

    // Small streams in the mini stream, the others in sectors of their own.
    QByteArray mini;
    QList<quint32> miniFat;
    QList<int> big;
    for (int i = 1; i < entries.size(); ++i) {
        Entry& e = entries[i];
        if (e.type != 2 || e.data.isEmpty())
            continue;
        if (e.data.size() >= 4096) {
            big.append(i);
            continue;
        }
        e.start = quint32(mini.size() / kMini);
        const int count = int((e.data.size() + kMini - 1) / kMini);
        for (int k = 0; k < count; ++k)
            miniFat.append(k + 1 < count ? e.start + quint32(k) + 1 : kEnd);
        mini.append(e.data);
        mini.append(QByteArray((kMini - mini.size() % kMini) % kMini, '\0'));
    }
    while (miniFat.size() % (kSector / 4))
        miniFat.append(kFree);
    QByteArray miniFatBytes;
    for (quint32 v : miniFat)
        put32(miniFatBytes, v);
    if (mini.isEmpty())
        miniFatBytes.clear();

    // Everything that needs a chain of sectors: the directory last, once the starts are known.
    auto sectorsOf = [](qsizetype size) { return int((size + kSector - 1) / kSector); };
    const int directorySectors = sectorsOf(((entries.size() + 3) / 4) * 4 * 128);
    int data = directorySectors + sectorsOf(miniFatBytes.size()) + sectorsOf(mini.size());
    for (int i : big)
        data += sectorsOf(entries[i].data.size());
    int fat = 1;
    int index = 0;
    for (;;) {
        index = fat > 109 ? (fat - 109 + 126) / 127 : 0;
        if (fat * (kSector / 4) >= data + fat + index)
            break;
        ++fat;
    }
    if (container.extraFatSectors > 0) {
        fat += container.extraFatSectors;
        index = fat > 109 ? (fat - 109 + 126) / 127 : 0;
    }
    const int total = data + fat + index;
    QList<quint32> order;
    for (int i = 0; i < total; ++i)
        order.append(quint32(i));
    std::shuffle(order.begin(), order.end(), random);
    int next = 0;
    QList<quint32> table(fat * (kSector / 4), kFree);
    QList<QByteArray> sectors(total);
    auto place = [&](const QByteArray& bytes) -> quint32 {
        const int count = sectorsOf(bytes.size());
        if (count == 0)
            return kEnd;
        const quint32 first = order[next];
        for (int k = 0; k < count; ++k) {
            const quint32 s = order[next++];
            sectors[s] = bytes.mid(qsizetype(k) * kSector, kSector);
            sectors[s].append(QByteArray(kSector - sectors[s].size(), '\0'));
            table[s] = k + 1 < count ? order[next] : kEnd;
        }
        return first;
    };
    QList<quint32> fatSectors;
    for (int k = 0; k < fat; ++k) {
        fatSectors.append(order[next]);
        table[order[next++]] = kFatSector;
    }
    QList<quint32> indexSectors;
    for (int k = 0; k < index; ++k) {
        indexSectors.append(order[next]);
        table[order[next++]] = kIndexSector;
    }
    const quint32 miniFatStart = place(miniFatBytes);
    entries[0].start = place(mini);
    entries[0].data = mini;
    for (int i : big)
        entries[i].start = place(entries[i].data);
    QByteArray directory;
    for (const Entry& e : entries) {
        QByteArray d(128, '\0');
        for (int k = 0; k < e.name.size() && k < 31; ++k)
            qToLittleEndian<quint16>(e.name[k].unicode(), d.data() + 2 * k);
        qToLittleEndian<quint16>(quint16((std::min<int>(int(e.name.size()), 31) + 1) * 2), d.data() + 64);
        d[66] = char(e.type);
        d[67] = 1;
        qToLittleEndian<quint32>(e.left, d.data() + 68);
        qToLittleEndian<quint32>(e.right, d.data() + 72);
        qToLittleEndian<quint32>(e.child, d.data() + 76);
        qToLittleEndian<quint32>(e.start, d.data() + 116);
        qToLittleEndian<quint32>(quint32(e.data.size()), d.data() + 120);
        directory.append(d);
    }
    while (directory.size() % kSector) {
        QByteArray d(128, '\0');
        qToLittleEndian<quint32>(kFree, d.data() + 68);
        qToLittleEndian<quint32>(kFree, d.data() + 72);
        qToLittleEndian<quint32>(kFree, d.data() + 76);
        directory.append(d);
    }
    const quint32 directoryStart = place(directory);
    for (int k = 0; k < fat; ++k) {
        QByteArray bytes;
        for (int j = 0; j < kSector / 4; ++j)
            put32(bytes, table[k * (kSector / 4) + j]);
        sectors[fatSectors[k]] = bytes;
    }
    for (int k = 0; k < index; ++k) {
        QByteArray bytes;
        for (int j = 0; j < 127; ++j) {
            const int n = 109 + k * 127 + j;
            put32(bytes, n < fat ? fatSectors[n] : kFree);
        }
        put32(bytes, k + 1 < index ? indexSectors[k + 1] : kEnd);
        sectors[indexSectors[k]] = bytes;
    }

    QByteArray out("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out.append(QByteArray(16, '\0'));
    put16(out, 0x003E);
    put16(out, 3);
    put16(out, 0xFFFE);
    put16(out, 9);
    put16(out, 6);
    out.append(QByteArray(6, '\0'));
    put32(out, 0);
    put32(out, quint32(fat));
    put32(out, directoryStart);
    put32(out, 0);
    put32(out, 4096);
    put32(out, miniFatBytes.isEmpty() ? kEnd : miniFatStart);
    put32(out, quint32(sectorsOf(miniFatBytes.size())));
    put32(out, index > 0 ? indexSectors.first() : kEnd);
    put32(out, quint32(index));
    for (int k = 0; k < 109; ++k)
        put32(out, k < fat ? fatSectors[k] : kFree);
    for (const QByteArray& s : sectors)
        out.append(s);
    return out;
}

} // namespace test::xls
