#include "library/Journal.h"

#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/LittleEndian.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lesaro {

namespace journal {

namespace {

constexpr char kHeaderType = 'H';
constexpr char kChangeType = 'C';
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

QByteArray frame(const QByteArray& payload) {
    QByteArray out;
    out.reserve(kFrameHead + payload.size());
    appendLE<quint32>(out, quint32(payload.size()));
    appendLE<quint32>(out, crc32(payload));
    out.append(payload);
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

void frameChangeInto(QByteArray& out, const Change& change, QByteArrayView record) {
    // Every post passes here: the record goes from the store into the reused buffer in one copy.
    out.truncate(0);
    out.reserve(kFrameHead + kChangeFixed + record.size());
    out.append(kFrameHead, '\0');
    appendChange(out, change, record);
    const QByteArrayView payload(out.constData() + kFrameHead, out.size() - kFrameHead);
    const quint32 head[2] = {quint32(payload.size()), crc32(payload)};
    std::memcpy(out.data(), head, sizeof head);
}

QByteArray startBytes(const Header& header) {
    return QByteArray(kMagic, kMagicSize) + frame(encodeHeader(header));
}

Content read(const QByteArray& bytes) {
    Content content;
    const qsizetype size = bytes.size();
    // A crash while the file was being made leaves a prefix of the magic: an empty journal.
    if (size < kMagicSize) {
        if (QByteArrayView(kMagic, size) != QByteArrayView(bytes))
            content.state = Content::State::Damaged;
        return content;
    }
    if (QByteArrayView(bytes.constData(), kMagicSize) != QByteArrayView(kMagic, kMagicSize)) {
        content.state = Content::State::Damaged;
        return content;
    }
    qsizetype pos = kMagicSize;
    while (pos < size) {
        const qsizetype left = size - pos;
        const QByteArrayView rest(bytes.constData() + pos, left);
        // A frame that runs past the end, or that is wrong with nothing but zeros after it (the disk gave the
        // file its new length before the bytes), is the append the crash interrupted.
        if (left < kFrameHead || allZero(rest)) {
            content.state = Content::State::TornTail;
            break;
        }
        const quint32 length = readLE<quint32>(rest.data());
        const quint32 crc = readLE<quint32>(rest.data() + 4);
        if (qint64(length) > left - kFrameHead) {
            content.state = Content::State::TornTail;
            break;
        }
        const QByteArrayView payload(rest.data() + kFrameHead, qsizetype(length));
        const bool last = kFrameHead + qsizetype(length) == left;
        if (crc32(payload) != crc) {
            content.state = last || allZero(rest) ? Content::State::TornTail : Content::State::Damaged;
            break;
        }
        if (!content.hasHeader) {
            if (!decodeHeader(payload, &content.header)) {
                content.state = Content::State::Damaged;
                break;
            }
            content.hasHeader = true;
        } else {
            Change c;
            if (!decodeChange(payload, &c)) {
                content.state = Content::State::Damaged;
                break;
            }
            content.changes.push_back(std::move(c));
        }
        pos += kFrameHead + qsizetype(length);
    }
    if (content.state == Content::State::Damaged) {
        content.changes.clear();
        content.hasHeader = false;
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
    const QString count =
        r.applied == 1 ? QStringLiteral("1 Änderung") : QStringLiteral("%1 Änderungen").arg(r.applied);
    return QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. %1 %2 %3 aus dem Änderungsprotokoll "
                          "wiederhergestellt und gespeichert.")
        .arg(count, when, r.applied == 1 ? QStringLiteral("wurde") : QStringLiteral("wurden"));
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
            if (running())
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
    const auto setAside = [&](const QString& why) {
        const QString aside = QDir(folder).filePath(
            QStringLiteral("journal-%1.lsj").arg(Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
        QFile::remove(aside);
        const bool moved = QFile::rename(path, aside);
        r.notice = QStringLiteral("Das Änderungsprotokoll „%1“ der letzten Sitzung %2 %3 Lesaro verwendet die "
                                  "Tabellen so, wie sie zuletzt gespeichert wurden.")
                       .arg(shown(path), why,
                            moved ? QStringLiteral("Es wurde als „%1“ beiseitegelegt.").arg(shown(aside))
                                  : QStringLiteral("Es konnte nicht umbenannt werden und wird ersetzt."));
    };
    if (content.state == journal::Content::State::Damaged) {
        setAside(QStringLiteral("ist beschädigt oder keine Lesaro-Datei."));
        return r;
    }
    if (!content.hasHeader || content.changes.empty())
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
        setAside(QStringLiteral("passt nicht zu den gespeicherten Tabellen: %1").arg(e.message()));
        return r;
    }
    if (result.applied == 0)
        return r;
    for (int t = 0; t < journal::kTables; ++t) {
        Table& table = *m_tables[size_t(t)];
        table.Close();
        table.replaceStore(std::move(stores[size_t(t)]));
        table.Open();
    }
    r.tablesChanged = true;
    r.notice = recoveredText(result);
    if (content.state == journal::Content::State::TornTail)
        r.notice += QStringLiteral(" Die letzte Änderung war beim Abbruch nur zum Teil geschrieben und fehlt.");
    return r;
}

QString Journal::setAsideStray(const QString& folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    if (!QFileInfo::exists(path))
        return {};
    const QString aside = QDir(folder).filePath(
        QStringLiteral("journal-%1.lsj").arg(Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
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
    return openFresh(error);
}

bool Journal::openFresh(QString* error) {
    // The fresh journal is made whole under another name and then takes the place of the old one, so a crash
    // at any moment leaves either the old journal or the new one.
    const QString fresh = m_path + QStringLiteral(".neu");
    const QByteArray freshName = QFile::encodeName(fresh);
    const int fd = ::open(freshName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QString reason;
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        const QByteArray bytes = journal::startBytes(currentHeader());
        if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fdatasync(fd) != 0 ||
            ::rename(freshName.constData(), QFile::encodeName(m_path).constData()) != 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
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
    return true;
}

void Journal::restart() {
    flush();
    QString error;
    if (!openFresh(&error))
        fail(error);
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
    journal::frameChangeInto(m_buffer, c, record);
    if (!writeAll(m_fd, m_buffer.constData(), m_buffer.size())) {
        fail(QStringLiteral("Das Änderungsprotokoll „%1“ kann nicht geschrieben werden: %2")
                 .arg(shown(m_path), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
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
        fail(QStringLiteral("Das Änderungsprotokoll „%1“ kann nicht auf den Datenträger geschrieben werden: %2")
                 .arg(shown(m_path), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    m_unsynced = false;
    ++m_syncs;
    if (afterSync)
        afterSync();
}

void Journal::fail(const QString& reason) {
    closeFile();
    if (m_problem.isEmpty())
        m_problem = reason + QStringLiteral("\n\nLesaro arbeitet weiter; Ihre Änderungen werden wie gewohnt beim "
                                            "Beenden gespeichert, bis dahin aber nicht gegen einen Absturz gesichert.");
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
    flush();
    closeFile();
}

void Journal::finish() {
    // Also after a failed write stopped the journal: the tables now hold everything it held.
    closeFile();
    if (!m_path.isEmpty()) {
        QFile::remove(m_path);
        syncFolder(QFileInfo(m_path).absolutePath());
    }
}

} // namespace lesaro
