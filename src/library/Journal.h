#pragma once

#include "core/Table.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <vector>

namespace lesaro {

// The crash journal: every change stored in one of the three library tables is appended to "journal.lsj"
// in the data folder before its post returns, so that a run that never reaches its end (a power cut, a
// crash, a frozen desktop) loses nothing that was posted. The table files and their format stay exactly as
// they are; the journal only lives beside them between the start of a run and its clean end.
//
// The file: the eight bytes "LSJRNL2\n", then frames. Each frame is a head of 20 bytes (a 4-byte mark, the
// frame's number, the payload's length, the payload's CRC-32 and a CRC-32 of these first 16 bytes) and the
// payload; all numbers little-endian. Frame 0 is the header (when the journal began and how many slots and log
// entries each table had then); every further frame is one stored change with the bytes of the record it
// wrote, exactly as the row store holds them, or, last, the note that writing failed. The head's own check
// tells a damaged length from an append cut short, and the mark and the numbers let the reader find the
// frames after a damaged one and know how many it lost.
// Journals of the first form ("LSJRNL1\n", frames of a 4-byte length, a 4-byte CRC-32 and the payload) are
// still read.
namespace journal {

constexpr int kTables = 3; // books, readers, loans
inline constexpr char kMagic[] = "LSJRNL2\n";
inline constexpr char kMagicV1[] = "LSJRNL1\n";
constexpr qsizetype kMagicSize = 8;
constexpr qsizetype kFrameHead = 20;
constexpr qsizetype kFrameHeadV1 = 8;

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

// number: the frame's place in the journal, 0 for the header.
QByteArray frame(quint32 number, QByteArrayView payload);
QByteArray encodeHeader(const Header& header);
QByteArray encodeChange(const Change& change);
// The note that the writer stopped at when because a write failed with the system's error number.
QByteArray encodeStop(qint64 when, int error);
// The note that the writer caught up at when: every change since the stop note is in the frames before it.
QByteArray encodeResume(qint64 when);
// The framed change into out (its capacity reused), with the record given apart from the change's own.
void frameChangeInto(QByteArray& out, quint32 number, const Change& change, QByteArrayView record);
// A journal holding only its header.
QByteArray startBytes(const Header& header);

struct Content {
    enum class State {
        Whole,    // every frame whole
        TornTail, // the last append was cut short (a crash during the write); the frames before it count
        Damaged,  // not a journal, or frames were damaged: only the changes before the first damage count
    };
    State state = State::Whole;
    bool hasHeader = false; // a journal cut short before its header was whole holds nothing
    Header header;
    // Every change proven whole and in order, up to the first one that is not.
    std::vector<Change> changes;
    // When damaged: the number (from 1) of the first change that could not be taken, 0 when every change
    // was still proven whole; how many changes the damage took, -1 when that cannot be told; and how many
    // whole changes follow it that cannot be replayed without it.
    int firstLost = 0;
    int lost = 0;
    int wholeAfter = 0;
    // The writer stopped after a failed write: when, and the system's error number.
    bool stopped = false;
    qint64 stoppedWhen = 0;
    int stopError = 0;
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
    // After a failed write: writes every change the journal missed since and goes on writing, when the disk
    // has room again (each window's closing tries). True when it did; takeProblem() then says so.
    bool resume();
    // A failure while writing, once, German; the journal has stopped then. Or that it was resumed.
    QString takeProblem();

    // The German reason for a failed write with the system's error number.
    static QString reasonFor(int error);

    qint64 appendedChanges() const { return m_appended; }
    qint64 syncs() const { return m_syncs; }
    // Delay between an append and its sync.
    void setSyncDelay(int ms) { m_syncTimer.setInterval(ms); }

Q_SIGNALS:
    // The journal has stopped at a failed write: takeProblem() says why. Emitted at once, once per start.
    void failed();
    // Every change appended so far has reached the disk (the kill test's driver reports it).
    void synced();

private:
    void onStoredChange(int table, const Table::StoredChange& change);
    void restart();
    bool openFresh(QString* error);
    void fail(const QString& reason, bool diskFull);
    void stopAfterFailedAppend(int error);
    void closeFile();
    journal::Header currentHeader() const;

    std::array<Table*, journal::kTables> m_tables;
    QString m_path;
    int m_fd = -1;
    bool m_unsynced = false;
    QTimer m_syncTimer;
    qint64 m_appended = 0;
    quint32 m_nextFrame = 0;
    qint64 m_size = 0; // bytes of the whole frames written
    // The change log entries of each table the journal holds; after a failed write, where its note ends.
    std::array<qsizetype, journal::kTables> m_logged{};
    bool m_resumable = false;
    qint64 m_noteEnd = 0;
    qint64 m_syncs = 0;
    QString m_problem;
    bool m_failed = false; // told once per journal started
    QByteArray m_buffer;
};

} // namespace lesaro
