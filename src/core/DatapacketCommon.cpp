#include "core/DatapacketCommon.h"

#include "core/EngineError.h"

namespace lesaro::datapacket {

void fail(const char* message) {
    throw EngineError(QString::fromUtf8(message));
}

namespace {

// Where a name is cut: after 31 bytes, or before the character those would split. A name that is no UTF-8 at
// all is cut at 31 bytes plainly.
qsizetype nameCut(QByteArrayView bytes) {
    if (bytes.size() <= kMaxNameLength)
        return bytes.size();
    qsizetype cut = kMaxNameLength;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return cut > 0 ? cut : kMaxNameLength;
}

} // namespace

QByteArray columnNameBytes(const QString& name) {
    const QByteArray bytes = name.toUtf8();
    if (bytes.isEmpty())
        throw EngineError(QStringLiteral("Eine Spalte ohne Namen kann nicht gespeichert werden."));
    return bytes.first(nameCut(bytes));
}

QString columnNameFromBytes(QByteArrayView bytes) {
    return QString::fromUtf8(bytes.first(nameCut(bytes)));
}

void checkChangeLog(const RowStore& store) {
    const auto slotCount = quint64(store.slotCount());
    for (const LogEntry& e : store.changeLog()) {
        if (e.slot == 0 || e.slot > slotCount || e.replaced > slotCount)
            fail(kMismatch);
    }
}

} // namespace lesaro::datapacket
