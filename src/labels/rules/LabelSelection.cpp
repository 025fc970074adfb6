#include "labels/rules/LabelSelection.h"

#include "core/Table.h"
#include "core/Win1252.h"

#include <algorithm>

namespace lesaro::labels {

namespace {

struct Columns {
    int id = -1;
    int nummer = -1;
    int first = -1;  // Signatur or Vorname
    int second = -1; // Titel or Nachname
};

Columns columnsOf(const Table& table, LabelKind kind) {
    Columns c;
    c.id = table.fieldIndex(QStringLiteral("ID"));
    c.nummer = table.fieldIndex(QStringLiteral("Nummer"));
    c.first = table.fieldIndex(kind == LabelKind::Book ? QStringLiteral("Signatur") : QStringLiteral("Vorname"));
    c.second = table.fieldIndex(kind == LabelKind::Book ? QStringLiteral("Titel") : QStringLiteral("Nachname"));
    return c;
}

void setTexts(LabelRecord& r, LabelKind kind, QString first, QString second) {
    if (kind == LabelKind::Book) {
        r.signatur = std::move(first);
        r.titel = std::move(second);
    } else {
        r.vorname = std::move(first);
        r.nachname = std::move(second);
    }
}

// Reads the stored columns of the store's field list; a field missing from an old file reads as empty.
QString storedText(const RowRef& row, int column) {
    if (column < 0 || row.isNull(column))
        return {};
    const QByteArrayView bytes = row.text(column);
    return win1252::decode(bytes.data(), bytes.size());
}

} // namespace

Selection select(const Table& table, LabelKind kind, const SelectionRequest& request) {
    Selection out;
    const Columns c = columnsOf(table, kind);
    if (c.nummer < 0 || !table.Active())
        return out;

    if (request.mode == SelectionMode::CurrentList) {
        const int count = table.viewCount();
        out.records.reserve(count);
        for (int i = 0; i < count; ++i) {
            const Value nummer = table.valueAt(i, c.nummer);
            if (nummer.isNull()) {
                ++out.withoutNumber;
                continue;
            }
            LabelRecord r;
            r.id = c.id >= 0 ? table.valueAt(i, c.id).toInt() : 0;
            r.nummer = nummer.toInt();
            setTexts(r, kind, c.first >= 0 ? table.stringAt(i, c.first) : QString(),
                     c.second >= 0 ? table.stringAt(i, c.second) : QString());
            out.records.append(std::move(r));
        }
        return out;
    }

    // The other two look past the list's filter at every live row of the table.
    const RowStore& store = table.store();
    const int sId = store.columnIndex(QStringLiteral("ID"));
    const int sNummer = store.columnIndex(QStringLiteral("Nummer"));
    const int sFirst =
        store.columnIndex(kind == LabelKind::Book ? QStringLiteral("Signatur") : QStringLiteral("Vorname"));
    const int sSecond =
        store.columnIndex(kind == LabelKind::Book ? QStringLiteral("Titel") : QStringLiteral("Nachname"));
    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        if (!SlotStatus::isLive(store.status(s)))
            continue;
        const RowRef row(store, s);
        const qint32 id = sId >= 0 && !row.isNull(sId) ? row.value(sId).toInt() : 0;
        const bool hasNumber = sNummer >= 0 && !row.isNull(sNummer);
        const qint32 nummer = hasNumber ? row.value(sNummer).toInt() : 0;
        if (request.mode == SelectionMode::AddedSince) {
            if (id <= request.idAbove)
                continue;
        } else if (!hasNumber || nummer < std::min(request.from, request.to) ||
                   nummer > std::max(request.from, request.to)) {
            // A row without a number cannot lie in a range of numbers: it is not counted as left out.
            continue;
        }
        if (!hasNumber) {
            ++out.withoutNumber;
            continue;
        }
        LabelRecord r;
        r.id = id;
        r.nummer = nummer;
        setTexts(r, kind, storedText(row, sFirst), storedText(row, sSecond));
        out.records.append(std::move(r));
    }
    std::stable_sort(out.records.begin(), out.records.end(), [](const LabelRecord& a, const LabelRecord& b) {
        return a.nummer != b.nummer ? a.nummer < b.nummer : a.id < b.id;
    });
    return out;
}

std::optional<std::pair<qint32, qint32>> numberSpan(const Table& table) {
    if (!table.Active())
        return std::nullopt;
    const RowStore& store = table.store();
    const int sNummer = store.columnIndex(QStringLiteral("Nummer"));
    if (sNummer < 0)
        return std::nullopt;
    std::optional<std::pair<qint32, qint32>> span;
    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        if (!SlotStatus::isLive(store.status(s)))
            continue;
        const RowRef row(store, s);
        if (row.isNull(sNummer))
            continue;
        const qint32 nummer = row.value(sNummer).toInt();
        span =
            span ? std::pair(std::min(span->first, nummer), std::max(span->second, nummer)) : std::pair(nummer, nummer);
    }
    return span;
}

LabelPlan::LabelPlan(int records, int copies, int startPosition, int perSheet)
    : m_records(std::max(0, records))
    , m_copies(std::max(1, copies))
    , m_perSheet(std::max(1, perSheet)) {
    m_start = std::clamp(startPosition, 1, m_perSheet);
}

int LabelPlan::sheetCount() const {
    if (labelCount() == 0)
        return 0;
    return (m_start - 1 + labelCount() + m_perSheet - 1) / m_perSheet;
}

LabelPlace LabelPlan::place(int k) const {
    const int slot = m_start - 1 + k;
    return {slot / m_perSheet + 1, slot % m_perSheet, k / m_copies};
}

std::pair<int, int> LabelPlan::labelsOnSheet(int sheet) const {
    if (sheet < 1 || sheet > sheetCount())
        return {0, 0};
    const int firstSlot = (sheet - 1) * m_perSheet;
    const int first = std::max(0, firstSlot - (m_start - 1));
    const int end = std::min(labelCount(), firstSlot + m_perSheet - (m_start - 1));
    return {first, std::max(0, end - first)};
}

QString LabelPlan::countText(int labels, int sheets) {
    const QString l = labels == 1 ? QStringLiteral("1 Etikett") : QStringLiteral("%1 Etiketten").arg(labels);
    const QString s = sheets == 1 ? QStringLiteral("1 Blatt") : QStringLiteral("%1 Blättern").arg(sheets);
    return QStringLiteral("%1 auf %2").arg(l, s);
}

} // namespace lesaro::labels
