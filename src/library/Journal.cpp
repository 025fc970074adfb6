#include "library/Journal.h"

#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/LittleEndian.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lesaro {

namespace journal {

namespace {

constexpr char kHeaderType = 'H';
constexpr char kChangeType = 'C';
constexpr char kStopType = 'S';
constexpr qsizetype kStopSize = 1 + 8 + 4;
constexpr char kResumeType = 'R';
constexpr qsizetype kResumeSize = 1 + 8;
// Starts every frame head; a byte sequence no record begins with often, so that a search for the frames
// after a damaged one seldom stops where no frame is (and a false stop fails the head's check).
constexpr char kMark[4] = {'\xA7', 'L', 'J', '\x1E'};
constexpr qsizetype kHeaderSize = 1 + 8 + kTables * 12;
constexpr qsizetype kFingerprintSlots = 16;
constexpr qsizetype kChangeFixed = 1 + 3 + 4 * 3 + 8 + 4;

std::array<quint32, 256> makeCrcTable() {
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

bool allZero(QByteArrayView bytes) {
    for (char c : bytes) {
        if (c != 0)
            return false;
    }
    return true;
}

bool decodeHeader(QByteArrayView p, Header* h) {
    if (p.size() != kHeaderSize || p[0] != kHeaderType)
        return false;
    const char* d = p.data() + 1;
    h->started = readLE<qint64>(d);
    d += 8;
    for (int t = 0; t < kTables; ++t) {
        h->slotCounts[size_t(t)] = readLE<quint32>(d);
        h->logSizes[size_t(t)] = readLE<quint32>(d + 4);
        h->fingerprints[size_t(t)] = readLE<quint32>(d + 8);
        d += 12;
    }
    return true;
}

bool decodeChange(QByteArrayView p, Change* c) {
    if (p.size() < kChangeFixed || p[0] != kChangeType)
        return false;
    const char* d = p.data() + 1;
    c->table = quint8(d[0]);
    c->kind = quint8(d[1]);
    c->status = quint8(d[2]);
    d += 3;
    c->logIndex = readLE<quint32>(d);
    c->slot = readLE<quint32>(d + 4);
    c->replaced = readLE<quint32>(d + 8);
    c->when = readLE<qint64>(d + 12);
    const quint32 length = readLE<quint32>(d + 20);
    if (p.size() != kChangeFixed + qsizetype(length) || c->table >= kTables)
        return false;
    c->record = QByteArray(p.data() + kChangeFixed, qsizetype(length));
    return true;
}

EngineError misfit(const Change& c, const char* why) {
    static const char* const tableNames[kTables] = {"Büchertabelle", "Lesertabelle", "Ausleihtabelle"};
    return EngineError(QStringLiteral("die Änderung Nr. %1 der %2 passt nicht zu ihnen (%3).")
                           .arg(c.logIndex + 1)
                           .arg(QString::fromUtf8(tableNames[c.table]), QString::fromUtf8(why)));
}

} // namespace

quint32 crc32(QByteArrayView bytes) {
    static const std::array<quint32, 256> table = makeCrcTable();
    quint32 c = 0xFFFFFFFFu;
    for (char b : bytes)
        c = table[(c ^ quint8(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

quint32 fingerprint(const RowStore& store, qsizetype slotCount) {
    QByteArray bytes;
    appendLE<quint32>(bytes, quint32(slotCount));
    for (qsizetype i = std::max<qsizetype>(0, slotCount - kFingerprintSlots); i < slotCount; ++i)
        bytes.append(store.record(i), qsizetype(store.slot(i).length));
    return crc32(bytes);
}

namespace {

void putHead(char* out, quint32 number, QByteArrayView payload) {
    std::memcpy(out, kMark, 4);
    const quint32 fields[3] = {number, quint32(payload.size()), crc32(payload)};
    std::memcpy(out + 4, fields, sizeof fields);
    const quint32 check = crc32(QByteArrayView(out, 16));
    std::memcpy(out + 16, &check, sizeof check);
}

} // namespace

QByteArray frame(quint32 number, QByteArrayView payload) {
    QByteArray out(kFrameHead, '\0');
    out.reserve(kFrameHead + payload.size());
    out.append(payload);
    putHead(out.data(), number, payload);
    return out;
}

QByteArray encodeHeader(const Header& header) {
    QByteArray p;
    p.append(kHeaderType);
    appendLE<qint64>(p, header.started);
    for (int t = 0; t < kTables; ++t) {
        appendLE<quint32>(p, header.slotCounts[size_t(t)]);
        appendLE<quint32>(p, header.logSizes[size_t(t)]);
        appendLE<quint32>(p, header.fingerprints[size_t(t)]);
    }
    return p;
}

namespace {

void appendChange(QByteArray& p, const Change& change, QByteArrayView record) {
    p.append(kChangeType);
    p.append(char(change.table));
    p.append(char(change.kind));
    p.append(char(change.status));
    appendLE<quint32>(p, change.logIndex);
    appendLE<quint32>(p, change.slot);
    appendLE<quint32>(p, change.replaced);
    appendLE<qint64>(p, change.when);
    appendLE<quint32>(p, quint32(record.size()));
    p.append(record);
}

} // namespace

QByteArray encodeChange(const Change& change) {
    QByteArray p;
    p.reserve(kChangeFixed + change.record.size());
    appendChange(p, change, change.record);
    return p;
}

QByteArray encodeStop(qint64 when, int error) {
    QByteArray p;
    p.append(kStopType);
    appendLE<qint64>(p, when);
    appendLE<qint32>(p, qint32(error));
    return p;
}

QByteArray encodeResume(qint64 when) {
    QByteArray p;
    p.append(kResumeType);
    appendLE<qint64>(p, when);
    return p;
}

void frameChangeInto(QByteArray& out, quint32 number, const Change& change, QByteArrayView record) {
    // Every post passes here: the record goes from the store into the reused buffer in one copy.
    out.truncate(0);
    out.reserve(kFrameHead + kChangeFixed + record.size());
    out.append(kFrameHead, '\0');
    appendChange(out, change, record);
    putHead(out.data(), number, QByteArrayView(out.constData() + kFrameHead, out.size() - kFrameHead));
}

QByteArray startBytes(const Header& header) {
    return QByteArray(kMagic, kMagicSize) + frame(0, encodeHeader(header));
}

namespace {

// The first form: frames of length, CRC-32 and payload, with nothing to tell a damaged length from a cut.
void readV1(QByteArrayView bytes, Content& content) {
    const qsizetype size = bytes.size();
    qsizetype pos = kMagicSize;
    while (pos < size) {
        const qsizetype left = size - pos;
        const QByteArrayView rest = bytes.sliced(pos);
        // A frame that runs past the end, or that is wrong with nothing but zeros after it (the disk gave the
        // file its new length before the bytes), is the append the crash interrupted.
        if (left < kFrameHeadV1 || allZero(rest)) {
            content.state = Content::State::TornTail;
            break;
        }
        const quint32 length = readLE<quint32>(rest.data());
        const quint32 crc = readLE<quint32>(rest.data() + 4);
        if (qint64(length) > left - kFrameHeadV1) {
            content.state = Content::State::TornTail;
            break;
        }
        const QByteArrayView payload(rest.data() + kFrameHeadV1, qsizetype(length));
        const bool last = kFrameHeadV1 + qsizetype(length) == left;
        if (crc32(payload) != crc) {
            content.state = last ? Content::State::TornTail : Content::State::Damaged;
            break;
        }
        Change c;
        if (!content.hasHeader ? !decodeHeader(payload, &content.header) : !decodeChange(payload, &c)) {
            content.state = Content::State::Damaged;
            break;
        }
        if (content.hasHeader)
            content.changes.push_back(std::move(c));
        content.hasHeader = true;
        pos += kFrameHeadV1 + qsizetype(length);
    }
    if (content.state == Content::State::Damaged) {
        content.firstLost = int(content.changes.size()) + 1;
        content.lost = -1;
    }
}

struct Head {
    quint32 number = 0;
    quint32 length = 0;
    quint32 crc = 0;
};

bool headAt(QByteArrayView bytes, qsizetype pos, Head* h) {
    if (bytes.size() - pos < kFrameHead)
        return false;
    const char* d = bytes.data() + pos;
    if (std::memcmp(d, kMark, 4) != 0 || crc32(QByteArrayView(d, 16)) != readLE<quint32>(d + 16))
        return false;
    h->number = readLE<quint32>(d + 4);
    h->length = readLE<quint32>(d + 8);
    h->crc = readLE<quint32>(d + 12);
    return true;
}

// A whole frame at pos: its head and its payload pass their checks.
bool frameAt(QByteArrayView bytes, qsizetype pos, Head* h) {
    return headAt(bytes, pos, h) && qint64(h->length) <= bytes.size() - pos - kFrameHead &&
           crc32(bytes.sliced(pos + kFrameHead, qsizetype(h->length))) == h->crc;
}

// The first whole frame at or after from; -1 when there is none.
qsizetype nextFrame(QByteArrayView bytes, qsizetype from, Head* h) {
    const QByteArrayView mark(kMark, 4);
    for (qsizetype p = bytes.indexOf(mark, from); p >= 0; p = bytes.indexOf(mark, p + 1)) {
        if (frameAt(bytes, p, h))
            return p;
    }
    return -1;
}

// What an append cut short leaves at pos: a prefix of its frame, perhaps followed by zeros where the disk gave
// the file its new length before the bytes (whole blocks, so the zeros begin at a block's start, unless no
// byte of the frame arrived at all).
bool cutShort(QByteArrayView bytes, qsizetype pos) {
    constexpr qsizetype kBlock = 512;
    qsizetype zeros = bytes.size();
    while (zeros > pos && bytes[zeros - 1] == 0)
        --zeros;
    if (zeros == pos)
        return true;
    const qsizetype blockStart = (zeros + kBlock - 1) / kBlock * kBlock;
    const QByteArrayView written = bytes.sliced(pos, std::min(blockStart, bytes.size()) - pos);
    if (written.size() < kFrameHead) {
        const qsizetype n = std::min<qsizetype>(written.size(), 4);
        return written.first(n) == QByteArrayView(kMark, n);
    }
    Head h;
    return headAt(written, 0, &h) && written.size() < kFrameHead + qint64(h.length);
}

// A head whose fields were damaged still proves the payload between it and the next whole frame when its
// payload check or its own check fits that payload.
bool provenDespiteHead(QByteArrayView bytes, qsizetype pos, qsizetype end, quint32 number) {
    if (end - pos < kFrameHead)
        return false;
    const char* d = bytes.data() + pos;
    const QByteArrayView payload = bytes.sliced(pos + kFrameHead, end - pos - kFrameHead);
    const quint32 crc = crc32(payload);
    if (readLE<quint32>(d + 12) == crc)
        return true;
    char head[kFrameHead];
    putHead(head, number, payload);
    return readLE<quint32>(head + 16) == readLE<quint32>(d + 16);
}

bool take(QByteArrayView payload, Content& content) {
    if (!content.hasHeader) {
        content.hasHeader = decodeHeader(payload, &content.header);
        return content.hasHeader;
    }
    if (!payload.isEmpty() && payload[0] == kStopType) {
        if (payload.size() != kStopSize)
            return false;
        content.stopped = true;
        content.stoppedWhen = readLE<qint64>(payload.data() + 1);
        content.stopError = readLE<qint32>(payload.data() + 9);
        return true;
    }
    if (!payload.isEmpty() && payload[0] == kResumeType) {
        // The writer caught up after the failure: the changes between the note and here are all there.
        if (payload.size() != kResumeSize || !content.stopped)
            return false;
        content.stopped = false;
        return true;
    }
    Change c;
    if (!decodeChange(payload, &c))
        return false;
    content.changes.push_back(std::move(c));
    return true;
}

void readV2(QByteArrayView bytes, Content& content) {
    const qsizetype size = bytes.size();
    qsizetype pos = kMagicSize;
    quint32 expected = 0;
    bool repaired = false;
    while (pos < size) {
        Head h;
        const bool head = headAt(bytes, pos, &h);
        const bool whole = head && qint64(h.length) <= size - pos - kFrameHead &&
                           crc32(bytes.sliced(pos + kFrameHead, qsizetype(h.length))) == h.crc;
        if (whole && h.number == expected && take(bytes.sliced(pos + kFrameHead, qsizetype(h.length)), content)) {
            pos += kFrameHead + qsizetype(h.length);
            ++expected;
            continue;
        }
        // This frame cannot be taken as it stands. A whole one out of order (frames lost before it) is itself
        // the next whole frame.
        Head next = h;
        const qsizetype found = whole && h.number != expected ? pos : nextFrame(bytes, pos + 1, &next);
        if (found < 0 && cutShort(bytes, pos)) {
            content.state = Content::State::TornTail;
            if (repaired) {
                content.state = Content::State::Damaged;
                content.firstLost = int(expected);
                content.lost = -1;
            }
            return;
        }
        const qsizetype end = found < 0 ? size : found;
        const bool followsInOrder = found < 0 || next.number == expected + 1;
        if (!head && followsInOrder && provenDespiteHead(bytes, pos, end, expected) &&
            take(bytes.sliced(pos + kFrameHead, end - pos - kFrameHead), content)) {
            repaired = true;
            pos = end;
            ++expected;
            continue;
        }
        content.state = Content::State::Damaged;
        content.firstLost = int(expected);
        if (found >= 0)
            content.lost = next.number > expected ? int(std::min<quint32>(next.number - expected, INT_MAX)) : -1;
        else
            content.lost = head && pos + kFrameHead + qint64(h.length) == size ? 1 : -1;
        for (qsizetype p = found; p >= 0; p = nextFrame(bytes, p + kFrameHead + qsizetype(next.length), &next)) {
            const QByteArrayView payload = bytes.sliced(p + kFrameHead, qsizetype(next.length));
            if (!payload.isEmpty() && payload[0] == kChangeType)
                ++content.wholeAfter;
        }
        return;
    }
    if (repaired)
        content.state = Content::State::Damaged;
}

} // namespace

Content read(const QByteArray& bytes) {
    Content content;
    const qsizetype size = bytes.size();
    // A crash while the file was being made leaves a prefix of the magic: an empty journal.
    if (size < kMagicSize) {
        if (QByteArrayView(kMagic, size) != QByteArrayView(bytes))
            content.state = Content::State::Damaged;
        return content;
    }
    const QByteArrayView magic(bytes.constData(), kMagicSize);
    if (magic == QByteArrayView(kMagic, kMagicSize))
        readV2(bytes, content);
    else if (magic == QByteArrayView(kMagicV1, kMagicSize))
        readV1(bytes, content);
    else
        content.state = Content::State::Damaged;
    if (!content.hasHeader) {
        content.changes.clear();
        content.firstLost = 0;
        content.lost = 0;
        content.wholeAfter = 0;
    }
    return content;
}

ReplayResult replay(const Header& header, const std::vector<Change>& changes,
                    const std::array<RowStore*, kTables>& stores) {
    for (int t = 0; t < kTables; ++t) {
        const RowStore& s = *stores[size_t(t)];
        const qsizetype base = header.slotCounts[size_t(t)];
        if (s.slotCount() < base || qsizetype(s.changeLog().size()) < qsizetype(header.logSizes[size_t(t)]) ||
            fingerprint(s, base) != header.fingerprints[size_t(t)])
            throw EngineError(QStringLiteral("es stammt von einem anderen Stand der Tabellen."));
    }
    // Worked on copies, so that a change that does not fit leaves the tables exactly as they were saved.
    std::array<RowStore, kTables> work;
    for (int t = 0; t < kTables; ++t)
        work[size_t(t)] = *stores[size_t(t)];
    ReplayResult result;
    for (const Change& c : changes) {
        RowStore& s = work[c.table];
        auto& log = s.changeLog();
        if (c.kind != LogKind::Insert && c.kind != LogKind::Modify && c.kind != LogKind::Delete)
            throw misfit(c, "unbekannte Art der Änderung");
        if (c.logIndex < log.size()) {
            // Saved already: the end of the run wrote this table before it stopped.
            const LogEntry& e = log[c.logIndex];
            if (e.slot != c.slot || e.replaced != c.replaced || e.kind != c.kind)
                throw misfit(c, "anderer Eintrag im Änderungsprotokoll der Tabelle");
            if (c.kind != LogKind::Delete) {
                const RowStore::Slot& slot = s.slot(c.slot - 1);
                if (QByteArrayView(s.record(c.slot - 1), slot.length) != QByteArrayView(c.record))
                    throw misfit(c, "andere Werte in der Zeile");
            }
            ++result.alreadyThere;
            continue;
        }
        if (c.logIndex > log.size())
            throw misfit(c, "frühere Änderungen fehlen");
        const qsizetype count = s.slotCount();
        if (c.kind == LogKind::Delete) {
            if (c.slot < 1 || c.slot > count || !SlotStatus::isLive(s.status(c.slot - 1)))
                throw misfit(c, "die gelöschte Zeile fehlt");
            s.setStatus(c.slot - 1, s.status(c.slot - 1) | SlotStatus::Deleted);
        } else {
            if (qsizetype(c.slot) != count + 1)
                throw misfit(c, "die Zeile liegt an anderer Stelle");
            if (s.measureRecord(c.record.constData(), c.record.size(), nullptr) != c.record.size())
                throw misfit(c, "die Zeile ist unvollständig");
            if (c.kind == LogKind::Modify) {
                if (c.replaced < 1 || c.replaced > count || !SlotStatus::isLive(s.status(c.replaced - 1)))
                    throw misfit(c, "die geänderte Zeile fehlt");
                s.setStatus(c.replaced - 1, s.status(c.replaced - 1) | SlotStatus::Superseded);
            } else if (c.replaced != 0) {
                throw misfit(c, "eine neue Zeile ersetzt keine andere");
            }
            s.appendRecord(c.record.constData(), c.record.size(), c.status);
        }
        log.push_back({c.slot, c.replaced, c.kind});
        if (result.applied == 0)
            result.firstWhen = c.when;
        result.lastWhen = c.when;
        ++result.applied;
    }
    for (int t = 0; t < kTables; ++t)
        *stores[size_t(t)] = std::move(work[size_t(t)]);
    return result;
}

} // namespace journal

// ---------------------------------------------------------------------------------------------------

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString changes(int n) {
    return n == 1 ? QStringLiteral("1 Änderung") : QStringLiteral("%1 Änderungen").arg(n);
}

QString recoveredText(const journal::ReplayResult& r) {
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(r.firstWhen);
    const QDateTime last = QDateTime::fromMSecsSinceEpoch(r.lastWhen);
    const QString day = first.toString(QStringLiteral("dd.MM.yyyy"));
    QString when;
    // Changes within one minute read as one moment, not as "between 15:09 and 15:09".
    const bool oneMinute = first.date() == last.date() &&
                           first.toString(QStringLiteral("HH:mm")) == last.toString(QStringLiteral("HH:mm"));
    if (r.applied == 1 || oneMinute)
        when = QStringLiteral("vom %1, %2 Uhr").arg(day, first.toString(QStringLiteral("HH:mm")));
    else if (first.date() == last.date())
        when = QStringLiteral("vom %1 zwischen %2 und %3 Uhr")
                   .arg(day, first.toString(QStringLiteral("HH:mm")), last.toString(QStringLiteral("HH:mm")));
    else
        when = QStringLiteral("vom %1, %2 Uhr bis %3, %4 Uhr")
                   .arg(day, first.toString(QStringLiteral("HH:mm")), last.toString(QStringLiteral("dd.MM.yyyy")),
                        last.toString(QStringLiteral("HH:mm")));
    return QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. %1 %2 %3 aus dem Änderungsprotokoll "
                          "wiederhergestellt und gespeichert.")
        .arg(changes(r.applied), when, r.applied == 1 ? QStringLiteral("wurde") : QStringLiteral("wurden"));
}

bool syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

Journal::Journal(std::array<Table*, journal::kTables> tables, QObject* parent)
    : QObject(parent)
    , m_tables(tables) {
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(200);
    connect(&m_syncTimer, &QTimer::timeout, this, &Journal::flush);
    for (int t = 0; t < journal::kTables; ++t) {
        m_tables[size_t(t)]->AfterStoredChange = [this, t](Table&, const Table::StoredChange& c) {
            onStoredChange(t, c);
        };
        m_tables[size_t(t)]->AfterStoreReplaced = [this](Table&) {
            if (running() || m_resumable)
                restart();
        };
    }
}

Journal::~Journal() {
    for (Table* t : m_tables) {
        t->AfterStoredChange = nullptr;
        t->AfterStoreReplaced = nullptr;
    }
    stop();
}

journal::Header Journal::currentHeader() const {
    journal::Header h;
    h.started = Clock::nowMSecsSinceEpoch();
    for (int t = 0; t < journal::kTables; ++t) {
        const RowStore& s = m_tables[size_t(t)]->store();
        h.slotCounts[size_t(t)] = quint32(s.slotCount());
        h.logSizes[size_t(t)] = quint32(s.changeLog().size());
        h.fingerprints[size_t(t)] = journal::fingerprint(s, s.slotCount());
    }
    return h;
}

namespace {

QString asideName(const QString& folder) {
    return QDir(folder).filePath(
        QStringLiteral("journal-%1.lsj").arg(Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

// What the damage took, in the words of the notice.
QString damageText(const journal::Content& c) {
    if (c.firstLost == 0)
        return QStringLiteral("Das Änderungsprotokoll war beschädigt, alle Änderungen darin waren aber noch lesbar.");
    QString text;
    if (c.lost == 1)
        text = QStringLiteral("Die %1. Änderung im Änderungsprotokoll ist beschädigt und fehlt.").arg(c.firstLost);
    else if (c.lost > 1)
        text = QStringLiteral("Die %1. bis %2. Änderung im Änderungsprotokoll sind beschädigt und fehlen.")
                   .arg(c.firstLost)
                   .arg(qint64(c.firstLost) + c.lost - 1);
    else
        text = QStringLiteral("Das Änderungsprotokoll ist ab der %1. Änderung beschädigt; was dort stand, fehlt.")
                   .arg(c.firstLost);
    if (c.wholeAfter == 1)
        text += QStringLiteral(" Die Änderung danach ist lesbar, kann ohne die beschädigte aber nicht in der "
                               "richtigen Reihenfolge nachgetragen werden und fehlt ebenfalls.");
    else if (c.wholeAfter > 1)
        text += QStringLiteral(" Die %1 Änderungen danach sind lesbar, können ohne die beschädigte aber nicht in der "
                               "richtigen Reihenfolge nachgetragen werden und fehlen ebenfalls.")
                    .arg(c.wholeAfter);
    return text;
}

QString stopText(const journal::Content& c) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(c.stoppedWhen);
    // The reason is a sentence of its own elsewhere; here it stands in brackets.
    QString reason = Journal::reasonFor(c.stopError);
    reason.chop(reason.endsWith(u'.') ? 1 : 0);
    reason[0] = reason[0].toLower();
    return QStringLiteral("Ab dem %1, %2 Uhr konnte das Änderungsprotokoll nicht mehr geschrieben werden (%3); "
                          "die Änderungen ab diesem Zeitpunkt fehlen.")
        .arg(when.toString(QStringLiteral("dd.MM.yyyy")), when.toString(QStringLiteral("HH:mm")), reason);
}

} // namespace

Journal::Recovery Journal::recover(const QString& folder) {
    Recovery r;
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    QFile f(path);
    if (!f.exists())
        return r;
    journal::Content content;
    if (f.open(QIODevice::ReadOnly))
        content = journal::read(f.readAll());
    else
        content.state = journal::Content::State::Damaged;
    f.close();
    // A damaged journal is kept beside the tables: it may hold more than could be proven whole.
    const auto setAside = [&]() {
        const QString aside = asideName(folder);
        QFile::remove(aside);
        return QFile::rename(path, aside) ? QStringLiteral("Es wurde als „%1“ beiseitegelegt.").arg(shown(aside))
                                          : QStringLiteral("Es konnte nicht umbenannt werden und wird ersetzt.");
    };
    const auto unused = [&](const QString& why) {
        r.notice = QStringLiteral("Das Änderungsprotokoll „%1“ der letzten Sitzung %2 %3 Lesaro verwendet die "
                                  "Tabellen so, wie sie zuletzt gespeichert wurden.")
                       .arg(shown(path), why, setAside());
    };
    const bool damaged = content.state == journal::Content::State::Damaged;
    if (!content.hasHeader) {
        if (damaged)
            unused(QStringLiteral("ist beschädigt oder keine Lesaro-Datei."));
        return r;
    }
    if (content.changes.empty() && !damaged && !content.stopped)
        return r;
    std::array<RowStore, journal::kTables> stores;
    std::array<RowStore*, journal::kTables> targets{};
    for (int t = 0; t < journal::kTables; ++t) {
        stores[size_t(t)] = m_tables[size_t(t)]->store();
        targets[size_t(t)] = &stores[size_t(t)];
    }
    journal::ReplayResult result;
    try {
        result = journal::replay(content.header, content.changes, targets);
    } catch (const EngineError& e) {
        unused(QStringLiteral("passt nicht zu den gespeicherten Tabellen: %1").arg(e.message()));
        return r;
    }
    if (result.applied == 0 && !damaged && !content.stopped)
        return r;
    if (result.applied > 0) {
        for (int t = 0; t < journal::kTables; ++t) {
            Table& table = *m_tables[size_t(t)];
            table.Close();
            table.replaceStore(std::move(stores[size_t(t)]));
            table.Open();
        }
        r.tablesChanged = true;
        r.notice = recoveredText(result);
    } else {
        r.notice = QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. Aus dem Änderungsprotokoll war "
                                  "keine Änderung nachzutragen.");
    }
    if (content.state == journal::Content::State::TornTail)
        r.notice += QStringLiteral(" Die letzte Änderung war beim Abbruch nur zum Teil geschrieben und fehlt.");
    if (content.stopped)
        r.notice += u' ' + stopText(content);
    if (damaged)
        r.notice += u' ' + damageText(content) + u' ' + setAside();
    return r;
}

QString Journal::setAsideStray(const QString& folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    if (!QFileInfo::exists(path))
        return {};
    const QString aside = asideName(folder);
    QFile::remove(aside);
    QFile::rename(path, aside);
    return QStringLiteral("Im Datenordner lag ein Änderungsprotokoll, aber keine Tabellen. Es wurde als „%1“ "
                          "beiseitegelegt; Lesaro beginnt mit leeren Tabellen.")
        .arg(shown(aside));
}

bool Journal::start(const QString& folder, QString* error) {
    stop();
    m_path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    m_problem.clear();
    m_failed = false;
    return openFresh(error);
}

bool Journal::openFresh(QString* error) {
    // The fresh journal is made whole under another name and then takes the place of the old one, so a crash
    // at any moment leaves either the old journal or the new one.
    const QString fresh = m_path + QStringLiteral(".neu");
    const QByteArray freshName = QFile::encodeName(fresh);
    const int fd = ::open(freshName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QString reason;
    const QByteArray bytes = journal::startBytes(currentHeader());
    if (fd < 0) {
        reason = reasonFor(errno);
    } else {
        if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fdatasync(fd) != 0 ||
            ::rename(freshName.constData(), QFile::encodeName(m_path).constData()) != 0) {
            reason = reasonFor(errno);
            ::close(fd);
            ::unlink(freshName.constData());
        }
    }
    if (!reason.isEmpty()) {
        closeFile();
        if (error)
            *error =
                QStringLiteral("Das Änderungsprotokoll „%1“ kann nicht angelegt werden: %2").arg(shown(m_path), reason);
        return false;
    }
    syncFolder(QFileInfo(m_path).absolutePath());
    closeFile();
    m_fd = fd;
    m_nextFrame = 1;
    m_size = bytes.size();
    m_resumable = false;
    for (int t = 0; t < journal::kTables; ++t)
        m_logged[size_t(t)] = qsizetype(m_tables[size_t(t)]->store().changeLog().size());
    return true;
}

void Journal::restart() {
    m_resumable = false;
    flush();
    QString error;
    if (!openFresh(&error))
        fail(error, false);
}

void Journal::onStoredChange(int table, const Table::StoredChange& sc) {
    if (!running())
        return;
    const RowStore& store = m_tables[size_t(table)]->store();
    journal::Change c;
    c.table = quint8(table);
    c.kind = quint8(sc.kind);
    c.logIndex = sc.logIndex;
    c.slot = sc.slot;
    c.replaced = sc.replaced;
    c.when = Clock::nowMSecsSinceEpoch();
    QByteArrayView record;
    if (sc.kind != LogKind::Delete) {
        const qsizetype index = qsizetype(sc.slot) - 1;
        c.status = store.status(index);
        record = QByteArrayView(store.record(index), qsizetype(store.slot(index).length));
    }
    journal::frameChangeInto(m_buffer, m_nextFrame, c, record);
    if (!writeAll(m_fd, m_buffer.constData(), m_buffer.size())) {
        stopAfterFailedAppend(errno);
        return;
    }
    ++m_nextFrame;
    m_size += m_buffer.size();
    m_logged[size_t(table)] = qsizetype(sc.logIndex) + 1;
    ++m_appended;
    m_unsynced = true;
    if (!m_syncTimer.isActive())
        m_syncTimer.start();
}

void Journal::flush() {
    m_syncTimer.stop();
    if (!running() || !m_unsynced)
        return;
    if (::fdatasync(m_fd) != 0) {
        const int error = errno;
        fail(QStringLiteral("%1 Das Änderungsprotokoll „%2“ kann nicht auf den Datenträger geschrieben werden.")
                 .arg(reasonFor(error), shown(m_path)),
             error == ENOSPC || error == EDQUOT);
        return;
    }
    m_unsynced = false;
    ++m_syncs;
    Q_EMIT synced();
}

void Journal::stopAfterFailedAppend(int error) {
    // The part of the frame that reached the disk would read as a crash during the last change; in its place
    // goes the note that writing stopped here, so that the next start tells how much the journal misses. The
    // note is small enough for the room the cut frame leaves in the file's last block.
    const QByteArray note = journal::frame(m_nextFrame, journal::encodeStop(Clock::nowMSecsSinceEpoch(), error));
    m_noteEnd = m_size;
    if (::ftruncate(m_fd, m_size) == 0 &&
        ::pwrite(m_fd, note.constData(), size_t(note.size()), m_size) == note.size()) {
        m_noteEnd += note.size();
        ++m_nextFrame;
    }
    ::fdatasync(m_fd);
    m_resumable = true;
    fail(QStringLiteral("%1 Das Änderungsprotokoll „%2“ kann nicht weitergeschrieben werden.")
             .arg(reasonFor(error), shown(m_path)),
         error == ENOSPC || error == EDQUOT);
}

void Journal::fail(const QString& reason, bool diskFull) {
    closeFile();
    if (m_failed)
        return;
    m_failed = true;
    if (diskFull && m_resumable)
        m_problem = reason + QStringLiteral("\n\nIhre Eingaben sind nicht gegen einen Absturz gesichert, bis auf dem "
                                            "Datenträger wieder Platz frei ist. Lesaro arbeitet weiter, versucht es "
                                            "nach jedem geschlossenen Fenster erneut und speichert Ihre Änderungen "
                                            "wie gewohnt beim Beenden.");
    else
        m_problem = reason + QStringLiteral("\n\nIhre Eingaben sind ab jetzt nicht gegen einen Absturz gesichert. "
                                            "Lesaro arbeitet weiter und speichert Ihre Änderungen wie gewohnt beim "
                                            "Beenden.");
    if (diskFull && !m_resumable)
        m_problem += QStringLiteral(" Schaffen Sie bis dahin Platz auf dem Datenträger.");
    Q_EMIT failed();
}

QString Journal::reasonFor(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Der Datenträger ist voll.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Lesaro hat keine Schreibberechtigung im Datenordner.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Schreibfehler.");
    case EFBIG:
        return QStringLiteral("Die Datei ist größer, als der Datenträger erlaubt.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Der Datenordner ist nicht mehr vorhanden.");
    default:
        return QStringLiteral("Der Datenträger hat das Schreiben abgelehnt (Systemfehler %1).").arg(error);
    }
}

bool Journal::resume() {
    if (running() || !m_resumable)
        return false;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The missed changes, table by table: the change log and the rows still hold every one of them, and the
    // replay needs their order only within each table. Marks added later (a row superseded or deleted since)
    // are not part of the change that wrote the row.
    const qint64 now = Clock::nowMSecsSinceEpoch();
    quint32 number = m_nextFrame;
    qint64 caught = 0;
    QByteArray bytes;
    for (int t = 0; t < journal::kTables; ++t) {
        const RowStore& store = m_tables[size_t(t)]->store();
        const auto& log = store.changeLog();
        for (qsizetype i = m_logged[size_t(t)]; i < qsizetype(log.size()); ++i) {
            const LogEntry& e = log[size_t(i)];
            journal::Change c;
            c.table = quint8(t);
            c.kind = quint8(e.kind);
            c.logIndex = quint32(i);
            c.slot = e.slot;
            c.replaced = e.replaced;
            c.when = now;
            QByteArrayView record;
            if (e.kind != LogKind::Delete) {
                const qsizetype index = qsizetype(e.slot) - 1;
                c.status = quint8(store.status(index) & ~(SlotStatus::Superseded | SlotStatus::Deleted));
                record = QByteArrayView(store.record(index), qsizetype(store.slot(index).length));
            }
            journal::frameChangeInto(m_buffer, number++, c, record);
            bytes.append(m_buffer);
            ++caught;
        }
    }
    if (m_noteEnd > m_size)
        bytes.append(journal::frame(number++, journal::encodeResume(now)));
    if (::lseek(fd, m_noteEnd, SEEK_SET) != m_noteEnd || !writeAll(fd, bytes.constData(), bytes.size()) ||
        ::fdatasync(fd) != 0) {
        // Still no room: the journal stays as it was, its note the last frame.
        if (::ftruncate(fd, m_noteEnd) == 0)
            ::fdatasync(fd);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = m_noteEnd + bytes.size();
    m_nextFrame = number;
    m_appended += caught;
    for (int t = 0; t < journal::kTables; ++t)
        m_logged[size_t(t)] = qsizetype(m_tables[size_t(t)]->store().changeLog().size());
    m_resumable = false;
    m_failed = false;
    m_problem = QStringLiteral("Das Änderungsprotokoll „%1“ wird wieder geschrieben: Ihre Eingaben sind wieder gegen "
                               "einen Absturz gesichert.")
                    .arg(shown(m_path));
    return true;
}

QString Journal::takeProblem() {
    return std::exchange(m_problem, QString());
}

void Journal::closeFile() {
    m_syncTimer.stop();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_unsynced = false;
}

void Journal::stop() {
    m_resumable = false;
    flush();
    closeFile();
}

void Journal::finish() {
    // Also after a failed write stopped the journal: the tables now hold everything it held.
    m_resumable = false;
    closeFile();
    if (!m_path.isEmpty()) {
        QFile::remove(m_path);
        syncFolder(QFileInfo(m_path).absolutePath());
    }
}

} // namespace lesaro
