#pragma once

#include "core/Table.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <vector>

namespace lesaro {

// The crash journal: every change stored in one of the three library tables is appended to "journal.lsj"
// in the data folder before its post returns, so that a run that never reaches its end (a power cut, a
// crash, a frozen desktop) loses nothing that was posted. The table files and their format stay exactly as
// they are; the journal only lives beside them between the start of a run and its clean end.
//
// The file: the eight bytes "LSJRNL1\n", then frames of a 4-byte length, a 4-byte CRC-32 of the payload and
// the payload, all numbers little-endian. The first frame is the header (when the journal began and how many
// slots and log entries each table had then); every further frame is one stored change with the bytes of
// the record it wrote, exactly as the row store holds them.
namespace journal {

constexpr int kTables = 3; // books, readers, loans
inline constexpr char kMagic[] = "LSJRNL1\n";
constexpr qsizetype kMagicSize = 8;
constexpr qsizetype kFrameHead = 8;

quint32 crc32(QByteArrayView bytes);

struct Header {
    qint64 started = 0; // milliseconds since the epoch
    std::array<quint32, kTables> slotCounts{};
    std::array<quint32, kTables> logSizes{};
    // CRC-32 of the records of each table's last slots at the start (fingerprint()): which tables these are.
    std::array<quint32, kTables> fingerprints{};
};

// Stored records never change, so the last records before a given slot count identify a table's history.
quint32 fingerprint(const RowStore& store, qsizetype slotCount);

struct Change {
    quint8 table = 0;     // 0 books, 1 readers, 2 loans
    quint8 kind = 0;      // LogKind
    quint8 status = 0;    // status of the written slot (insert, modify)
    quint32 logIndex = 0; // position of its entry in the table's change log
    quint32 slot = 0;     // 1-based
    quint32 replaced = 0; // 1-based, 0 when none
    qint64 when = 0;      // milliseconds since the epoch
    QByteArray record;    // the written record (insert, modify); empty for a delete
};

QByteArray frame(const QByteArray& payload);
QByteArray encodeHeader(const Header& header);
QByteArray encodeChange(const Change& change);
// The framed change into out (its capacity reused), with the record given apart from the change's own.
void frameChangeInto(QByteArray& out, const Change& change, QByteArrayView record);
// A journal holding only its header.
QByteArray startBytes(const Header& header);

struct Content {
    enum class State {
        Whole,    // every frame whole
        TornTail, // the last append was cut short (a crash during the write); the frames before it count
        Damaged,  // not a journal, or a frame in the middle is wrong: nothing of it can be trusted
    };
    State state = State::Whole;
    bool hasHeader = false; // a journal cut short before its header was whole holds nothing
    Header header;
    std::vector<Change> changes;
};
Content read(const QByteArray& bytes);

struct ReplayResult {
    int applied = 0;      // changes put into the tables
    int alreadyThere = 0; // changes the table files held already (the end's save got that far)
    qint64 firstWhen = 0; // time of the first and the last applied change
    qint64 lastWhen = 0;
};
// Applies the changes the stores lack, in journal order. Throws EngineError (German) when the journal does
// not belong to the stores or a change does not fit them (a gap); the stores are then left exactly as they
// were.
ReplayResult replay(const Header& header, const std::vector<Change>& changes,
                    const std::array<RowStore*, kTables>& stores);

} // namespace journal

class Journal : public QObject {
    Q_OBJECT
public:
    explicit Journal(std::array<Table*, journal::kTables> tables, QObject* parent = nullptr);
    ~Journal() override;

    static constexpr const char* kFileName = "journal.lsj";

    struct Recovery {
        bool tablesChanged = false; // the tables now hold recovered changes and must be written at once
        QString notice;             // for the user, German; empty when there is nothing to tell
    };
    // At start, after the tables were loaded from the folder: a journal left there by a run that did not end
    // cleanly is replayed into the tables. A damaged one is renamed aside with a time stamp. The tables are
    // opened again afterwards; their hooks stay.
    Recovery recover(const QString& folder);
    // A journal found beside tables that were just created empty belongs to no table; it is set aside.
    QString setAsideStray(const QString& folder);

    // Begins a fresh journal for the tables as they are now (replacing any file there) and writes every
    // following stored change into it. False, with a German reason, when the file cannot be made.
    bool start(const QString& folder, QString* error);
    bool running() const { return m_fd >= 0; }
    // Brings every appended change to the disk now.
    void flush();
    // The tables were written: the journal is no longer needed and is removed.
    void finish();
    // Stops writing and leaves the file as it is (a run that must not write the data folder).
    void stop();
    // A failure while writing, once, German; the journal has stopped then.
    QString takeProblem();

    qint64 appendedChanges() const { return m_appended; }
    qint64 syncs() const { return m_syncs; }
    // Called after each sync (the test driver reports what has reached the disk).
    std::function<void()> afterSync;
    // Delay between an append and its sync.
    void setSyncDelay(int ms) { m_syncTimer.setInterval(ms); }

private:
    void onStoredChange(int table, const Table::StoredChange& change);
    void restart();
    bool openFresh(QString* error);
    void fail(const QString& reason);
    void closeFile();
    journal::Header currentHeader() const;

    std::array<Table*, journal::kTables> m_tables;
    QString m_path;
    int m_fd = -1;
    bool m_unsynced = false;
    QTimer m_syncTimer;
    qint64 m_appended = 0;
    qint64 m_syncs = 0;
    QString m_problem;
    QByteArray m_buffer;
};

} // namespace lesaro
