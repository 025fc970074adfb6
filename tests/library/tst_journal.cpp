// The crash journal: what it reads back from a file cut short or spoilt, that a replay rebuilds the tables
// slot for slot and log entry for log entry, and what a start after a crash does with it.
#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "library/Journal.h"
#include "library/LibraryData.h"
#include "support/Files.h"
#include "support/SmallDisk.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>

using namespace lesaro;
using lesaro::testing::readAll;
using lesaro::testing::writeAll;

namespace {

const char* const kFiles[3] = {LibraryTables::kBookFile, LibraryTables::kReaderFile, LibraryTables::kLoanFile};

// The three library tables, open and empty, without any rules.
struct Tables {
    Table books{QStringLiteral("ClientBuecher")};
    Table readers{QStringLiteral("ClientLeser")};
    Table loans{QStringLiteral("ClientAusleihe")};
    Tables() {
        books.setColumns(LibraryTables::bookColumns());
        readers.setColumns(LibraryTables::readerColumns());
        loans.setColumns(LibraryTables::loanColumns());
        for (Table* t : all())
            t->CreateDataSet();
    }
    std::array<Table*, 3> all() { return {&books, &readers, &loans}; }
    void saveTo(const QString& folder) {
        for (int i = 0; i < 3; ++i)
            all()[size_t(i)]->SaveToFile(folder + u'/' + QLatin1String(kFiles[i]));
    }
    std::array<QByteArray, 3> packets() {
        std::array<QByteArray, 3> p;
        for (int i = 0; i < 3; ++i)
            p[size_t(i)] = WriteDatapacket(all()[size_t(i)]->store(), DatapacketForm::Binary);
        return p;
    }
};

void addBook(Table& books, qint32 id, const QString& title) {
    books.Append();
    books.FieldByName(QStringLiteral("ID")).setAsInteger(id);
    books.FieldByName(QStringLiteral("Titel")).setAsString(title);
    books.Post();
}

std::array<RowStore, 3> storesFrom(const QString& folder) {
    std::array<RowStore, 3> s;
    for (int i = 0; i < 3; ++i)
        s[size_t(i)] = ReadDatapacket(readWholeFile(folder + u'/' + QLatin1String(kFiles[i])));
    return s;
}

std::array<RowStore*, 3> pointers(std::array<RowStore, 3>& s) {
    return {&s[0], &s[1], &s[2]};
}

// Ends of the frames of a whole journal: the header's first, then one per change.
std::vector<qsizetype> frameEnds(const QByteArray& bytes) {
    std::vector<qsizetype> ends;
    qsizetype pos = journal::kMagicSize;
    while (pos + journal::kFrameHead <= bytes.size()) {
        pos += journal::kFrameHead + qsizetype(qFromLittleEndian<quint32>(bytes.constData() + pos + 8));
        ends.push_back(pos);
    }
    return ends;
}

// The same journal in the first form, as the earlier writer made it: frames of length, CRC-32 and payload.
QByteArray firstForm(const QByteArray& bytes) {
    QByteArray out(journal::kMagicV1, journal::kMagicSize);
    qsizetype pos = journal::kMagicSize;
    for (const qsizetype end : frameEnds(bytes)) {
        const QByteArray payload = bytes.mid(pos + journal::kFrameHead, end - pos - journal::kFrameHead);
        const quint32 head[2] = {quint32(payload.size()), journal::crc32(payload)};
        out.append(reinterpret_cast<const char*>(head), sizeof head);
        out.append(payload);
        pos = end;
    }
    return out;
}

// A small journal of three changes (insert, modify, delete) made by the real writer.
QByteArray sampleJournal(const QString& folder) {
    Tables t;
    t.saveTo(folder);
    Journal j(t.all());
    QString error;
    if (!j.start(folder, &error))
        qFatal("%s", qPrintable(error));
    addBook(t.books, 1, QStringLiteral("Emil und die Detektive"));
    t.books.Edit();
    t.books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Emil"));
    t.books.Post();
    t.books.Delete();
    j.stop();
    return readAll(folder + QStringLiteral("/journal.lsj"));
}

// Random changes to the three tables: inserts, edits of random fields and deletes.
struct RandomRun {
    explicit RandomRun(quint32 seed)
        : rng(seed) {}
    QRandomGenerator rng;
    Tables t;
    QStringList ops;

    QString randomText(int maxLength) {
        QString s;
        const int n = int(rng.bounded(maxLength + 1));
        for (int i = 0; i < n; ++i)
            s += QChar(u"aäbcöüßXYZ 'ä"[rng.bounded(13)]);
        return s;
    }
    void step(bool record) {
        Table& table = *t.all()[rng.bounded(3)];
        const int live = table.RecordCount();
        const int what = live == 0 ? 0 : int(rng.bounded(10));
        if (what < 5) {
            table.Append();
        } else {
            table.MoveTo(int(rng.bounded(live)));
            if (what == 9) {
                if (record)
                    ops << QStringLiteral("%1 delete at %2").arg(table.name()).arg(table.RecNo());
                table.Delete();
                return;
            }
            table.Edit();
        }
        const int fields = int(table.columns().size());
        for (int k = 0; k < 3; ++k) {
            const int f = int(rng.bounded(fields));
            const ColumnDef& col = table.columns()[f];
            Field field = table.field(f);
            if (rng.bounded(5) == 0) {
                field.Clear();
                continue;
            }
            switch (col.kind) {
            case FieldKind::Text:
                field.setAsString(randomText(std::min(col.width, 120)));
                break;
            case FieldKind::Integer:
                field.setAsInteger(qint32(rng.bounded(100000)));
                break;
            case FieldKind::Date:
                field.setAsDate(QDate(2020, 1, 1).addDays(rng.bounded(3000)));
                break;
            case FieldKind::Money:
                field.setAsCurrency(double(rng.bounded(10000)) / 100);
                break;
            case FieldKind::Boolean:
                field.setAsBoolean(rng.bounded(2) == 1);
                break;
            }
        }
        if (record)
            ops << QStringLiteral("%1 %2").arg(table.name(), table.State() == TableState::Insert ? "insert" : "edit");
        table.Post();
    }
};

} // namespace

class JournalTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Clock::setFixedNow(QDateTime(QDate(2026, 3, 5), QTime(16, 4, 0))); }
    void cleanupTestCase() { Clock::setFixedNow({}); }

    // What the reader makes of a journal cut or spoilt in the ways a crash, a disk or a user can do it.
    void readsCutAndSpoiltFiles_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("state"); // journal::Content::State
        QTest::addColumn<int>("changes");
        QTest::addColumn<bool>("header");
        QTest::addColumn<QList<int>>("loss"); // first lost, how many, whole ones after it
        using S = journal::Content::State;
        const QList<int> none{0, 0, 0};
        QTest::newRow("whole") << "whole" << int(S::Whole) << 3 << true << none;
        QTest::newRow("cut inside the last frame's head") << "cut-head" << int(S::TornTail) << 2 << true << none;
        QTest::newRow("cut inside the last payload") << "cut-payload" << int(S::TornTail) << 2 << true << none;
        QTest::newRow("last frame's bytes never reached the disk")
            << "zero-tail" << int(S::TornTail) << 2 << true << none;
        QTest::newRow("zeros after the whole frames") << "zeros-after" << int(S::TornTail) << 3 << true << none;
        QTest::newRow("bit flipped in the last frame")
            << "flip-last" << int(S::Damaged) << 2 << true << QList<int>{3, 1, 0};
        QTest::newRow("bit flipped in a middle frame")
            << "flip-middle" << int(S::Damaged) << 0 << true << QList<int>{1, 1, 2};
        QTest::newRow("length of a middle frame damaged") << "length-middle" << int(S::Damaged) << 3 << true << none;
        QTest::newRow("length of the last frame damaged") << "length-last" << int(S::Damaged) << 3 << true << none;
        QTest::newRow("length and payload of a middle frame damaged")
            << "length-payload" << int(S::Damaged) << 1 << true << QList<int>{2, 1, 1};
        QTest::newRow("a middle frame missing")
            << "frame-missing" << int(S::Damaged) << 1 << true << QList<int>{2, 1, 1};
        QTest::newRow("header damaged") << "flip-header" << int(S::Damaged) << 0 << false << none;
        QTest::newRow("a foreign file") << "foreign" << int(S::Damaged) << 0 << false << none;
        QTest::newRow("a table file in its place") << "table-file" << int(S::Damaged) << 0 << false << none;
        QTest::newRow("only part of the magic") << "magic-part" << int(S::Whole) << 0 << false << none;
        QTest::newRow("empty") << "empty" << int(S::Whole) << 0 << false << none;
        QTest::newRow("header cut short") << "header-cut" << int(S::TornTail) << 0 << false << none;
        QTest::newRow("first form, whole") << "v1-whole" << int(S::Whole) << 3 << true << none;
        QTest::newRow("first form, cut inside the last payload") << "v1-cut" << int(S::TornTail) << 2 << true << none;
        QTest::newRow("first form, bit flipped in a middle frame")
            << "v1-flip-middle" << int(S::Damaged) << 0 << true << QList<int>{1, -1, 0};
    }
    void readsCutAndSpoiltFiles() {
        QFETCH(QString, how);
        QFETCH(int, state);
        QFETCH(int, changes);
        QFETCH(bool, header);
        QFETCH(QList<int>, loss);
        QTemporaryDir dir;
        const QByteArray whole = sampleJournal(dir.path());
        const std::vector<qsizetype> ends = frameEnds(whole);
        QCOMPARE(ends.size(), size_t(4));
        QCOMPARE(ends.back(), whole.size());
        const qsizetype lastStart = ends[2];
        const auto flip = [](QByteArray& b, qsizetype at, char bits) { b[at] = char(b[at] ^ bits); };
        QByteArray bytes = whole;
        if (how == "cut-head")
            bytes.truncate(lastStart + 5);
        else if (how == "cut-payload")
            bytes.truncate(whole.size() - 3);
        else if (how == "zero-tail")
            bytes = whole.left(lastStart) + QByteArray(whole.size() - lastStart, '\0');
        else if (how == "zeros-after")
            bytes += QByteArray(4096, '\0');
        else if (how == "flip-last")
            flip(bytes, bytes.size() - 2, 0x10);
        else if (how == "flip-middle")
            flip(bytes, ends[1] - 2, 0x01);
        else if (how == "length-middle")
            flip(bytes, ends[1] + 8 + 1, 0x40);
        else if (how == "length-last")
            flip(bytes, lastStart + 8, 0x02);
        else if (how == "length-payload") {
            flip(bytes, ends[1] + 8, 0x04);
            flip(bytes, ends[1] + journal::kFrameHead + 3, 0x04);
        } else if (how == "frame-missing")
            bytes.remove(ends[1], ends[2] - ends[1]);
        else if (how == "flip-header")
            flip(bytes, ends[0] - 3, 0x08);
        else if (how == "foreign")
            bytes = QByteArray("Liebe Leserinnen und Leser, dies ist kein Protokoll.\n");
        else if (how == "table-file")
            bytes = readAll(dir.path() + u'/' + QLatin1String(LibraryTables::kBookFile));
        else if (how == "magic-part")
            bytes = whole.left(5);
        else if (how == "empty")
            bytes.clear();
        else if (how == "header-cut")
            bytes.truncate(ends[0] - 1);
        else if (how.startsWith(QLatin1String("v1-"))) {
            bytes = firstForm(whole);
            if (how == "v1-cut")
                bytes.truncate(bytes.size() - 3);
            else if (how == "v1-flip-middle")
                flip(bytes, ends[1] - 2 * (journal::kFrameHead - journal::kFrameHeadV1) - 2, 0x01);
        }
        const journal::Content c = journal::read(bytes);
        QCOMPARE(int(c.state), state);
        QCOMPARE(int(c.changes.size()), changes);
        QCOMPARE(c.hasHeader, header);
        QCOMPARE((QList<int>{c.firstLost, c.lost, c.wholeAfter}), loss);
    }

    // A change that does not fit the tables (another library's journal, a lost change in between) refuses
    // the whole replay and leaves the tables untouched; changes the tables hold already are passed over.
    void replayChecksEachChangeAgainstTheTables_data() {
        QTest::addColumn<QString>("tables"); // which tables the journal meets
        QTest::addColumn<int>("applied");    // -1: refused
        QTest::addColumn<int>("already");
        QTest::newRow("the tables it began with") << "base" << 3 << 0;
        QTest::newRow("saved after the first change") << "after1" << 2 << 1;
        QTest::newRow("saved after all changes") << "after3" << 0 << 3;
        QTest::newRow("another library") << "other" << -1 << 0;
        QTest::newRow("another library of the same size") << "other-same-size" << -1 << 0;
    }
    void replayChecksEachChangeAgainstTheTables() {
        QFETCH(QString, tables);
        QFETCH(int, applied);
        QFETCH(int, already);
        QTemporaryDir dir;
        const QByteArray bytes = sampleJournal(dir.path());
        const journal::Content c = journal::read(bytes);
        QCOMPARE(c.changes.size(), size_t(3));
        Tables t;
        if (tables == "after1" || tables == "after3") {
            addBook(t.books, 1, QStringLiteral("Emil und die Detektive"));
            if (tables == "after3") {
                t.books.Edit();
                t.books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Emil"));
                t.books.Post();
                t.books.Delete();
            }
        } else if (tables == "other") {
            addBook(t.books, 1, QStringLiteral("Momo"));
            addBook(t.books, 2, QStringLiteral("Krabat"));
        } else if (tables == "other-same-size") {
            addBook(t.books, 1, QStringLiteral("Momo"));
        }
        const auto before = t.packets();
        std::array<RowStore, 3> s = {t.books.store(), t.readers.store(), t.loans.store()};
        if (applied < 0) {
            QVERIFY_THROWS_EXCEPTION(EngineError, journal::replay(c.header, c.changes, pointers(s)));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(WriteDatapacket(s[size_t(i)], DatapacketForm::Binary), before[size_t(i)]);
            return;
        }
        const journal::ReplayResult r = journal::replay(c.header, c.changes, pointers(s));
        QCOMPARE(r.applied, applied);
        QCOMPARE(r.alreadyThere, already);
        Tables expected;
        addBook(expected.books, 1, QStringLiteral("Emil und die Detektive"));
        expected.books.Edit();
        expected.books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Emil"));
        expected.books.Post();
        expected.books.Delete();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(WriteDatapacket(s[size_t(i)], DatapacketForm::Binary), expected.packets()[size_t(i)]);
    }

    // Random changes to the three tables, the journal cut at random places: the saved tables plus whatever
    // whole changes the cut journal holds are byte for byte the tables after exactly that many changes.
    void replayOfACutJournalIsThePrefixOfTheRun() {
        for (const quint32 seed : {1u, 7u, 42u, 2026u, 90210u}) {
            RandomRun run(seed);
            QRandomGenerator& rng = run.rng;
            Tables& t = run.t;
            QStringList& ops = run.ops;
            const auto randomOp = [&run](bool record) { run.step(record); };
            QTemporaryDir dir;
            // The journal begins on tables that already have a history of their own.
            for (int i = 0; i < 15; ++i)
                randomOp(false);
            t.saveTo(dir.path());
            Journal j(t.all());
            QString error;
            QVERIFY2(j.start(dir.path(), &error), qPrintable(error));
            std::vector<std::array<QByteArray, 3>> after{t.packets()};
            for (int i = 0; i < 80; ++i) {
                randomOp(true);
                after.push_back(t.packets());
            }
            j.stop();
            QCOMPARE(j.appendedChanges(), qint64(80));
            const QByteArray whole = readAll(dir.path() + QStringLiteral("/journal.lsj"));
            const std::vector<qsizetype> ends = frameEnds(whole);
            QCOMPARE(ends.size(), size_t(81));
            std::vector<qsizetype> cuts{whole.size(), ends[0], ends[40]};
            for (int i = 0; i < 25; ++i)
                cuts.push_back(qsizetype(rng.bounded(quint32(whole.size() - ends[0]))) + ends[0]);
            for (const qsizetype cut : cuts) {
                const auto whole_frames =
                    std::count_if(ends.begin() + 1, ends.end(), [cut](qsizetype e) { return e <= cut; });
                const auto failure = [&](const char* what) {
                    const QStringList last = ops.mid(std::max<qsizetype>(0, whole_frames - 5), 6);
                    return (QStringLiteral("seed %1, cut at byte %2 after change %3: %4; changes around "
                                           "there: %5")
                                .arg(seed)
                                .arg(cut)
                                .arg(whole_frames)
                                .arg(QLatin1String(what), last.join(QStringLiteral("; "))))
                        .toUtf8();
                };
                const journal::Content c = journal::read(whole.left(cut));
                QVERIFY2(c.state != journal::Content::State::Damaged, failure("read as damaged").constData());
                QVERIFY2(qsizetype(c.changes.size()) == whole_frames, failure("wrong number of changes").constData());
                std::array<RowStore, 3> s = storesFrom(dir.path());
                journal::replay(c.header, c.changes, pointers(s));
                for (int k = 0; k < 3; ++k) {
                    QVERIFY2(WriteDatapacket(s[size_t(k)], DatapacketForm::Binary) ==
                                 after[size_t(whole_frames)][size_t(k)],
                             failure(kFiles[k]).constData());
                }
            }
        }
    }

    // Random changes, the journal then damaged at random places - in a frame's length, in its payload, at its
    // end (cut short or spoilt) - once or several times. The reader takes exactly the changes a plain model
    // proves whole and in order: each change whose payload is whole and whose end can be told (its head is
    // whole, or a whole frame or the file's end follows it), up to the first one that is not. Replaying them
    // gives the tables after exactly that many changes: every change before the first damage comes back, and
    // nothing damaged is replayed.
    void damageLosesOnlyWhatCannotBeProven() {
        constexpr int kChanges = 42;
        for (const quint32 seed : {3u, 11u, 58u, 2027u}) {
            RandomRun run(seed);
            QRandomGenerator& rng = run.rng;
            QTemporaryDir dir;
            for (int i = 0; i < 10; ++i)
                run.step(false);
            run.t.saveTo(dir.path());
            Journal j(run.t.all());
            QString error;
            QVERIFY2(j.start(dir.path(), &error), qPrintable(error));
            std::vector<std::array<QByteArray, 3>> after{run.t.packets()};
            for (int i = 0; i < kChanges; ++i) {
                run.step(true);
                after.push_back(run.t.packets());
            }
            j.stop();
            const QByteArray whole = readAll(dir.path() + QStringLiteral("/journal.lsj"));
            const std::vector<qsizetype> ends = frameEnds(whole);
            QCOMPARE(ends.size(), size_t(kChanges + 1));
            QCOMPARE(ends.back(), whole.size());
            const auto startOf = [&ends](int frame) { return frame == 0 ? journal::kMagicSize : ends[frame - 1]; };
            for (int trial = 0; trial < 80; ++trial) {
                QByteArray bytes = whole;
                std::vector<bool> headOk(kChanges + 1, true), payloadOk(kChanges + 1, true);
                qsizetype cut = -1;
                bool damagedBeforeLast = false;
                QStringList done;
                for (int d = 1 + int(rng.bounded(3)); d > 0; --d) {
                    const int kind = int(rng.bounded(3)); // the length, the payload, the end
                    const int frame = kind == 2 ? kChanges : int(rng.bounded(kChanges + 1));
                    const qsizetype start = startOf(frame);
                    const qsizetype end = ends[size_t(frame)];
                    if (kind == 2 && rng.bounded(2) == 0) {
                        cut = start + 1 + qsizetype(rng.bounded(quint32(end - start - 1)));
                        done << QStringLiteral("cut at %1").arg(cut);
                        continue;
                    }
                    const qsizetype at = kind == 0
                                             ? start + 8 + qsizetype(rng.bounded(4))
                                             : start + journal::kFrameHead +
                                                   qsizetype(rng.bounded(quint32(end - start - journal::kFrameHead)));
                    bytes[at] = char(bytes[at] ^ char(1 << rng.bounded(8)));
                    (kind == 0 ? headOk : payloadOk)[size_t(frame)] = false;
                    damagedBeforeLast = damagedBeforeLast || frame < kChanges;
                    done << QStringLiteral("%1 of frame %2 at %3")
                                .arg(kind == 0 ? "length" : "payload")
                                .arg(frame)
                                .arg(at);
                }
                if (cut >= 0) {
                    bytes.truncate(cut);
                    headOk[kChanges] = payloadOk[kChanges] = true;
                }
                const auto frameWhole = [&](int i) {
                    return headOk[size_t(i)] && payloadOk[size_t(i)] && !(cut >= 0 && i == kChanges);
                };
                int proven = 0;
                for (int i = 0; i <= kChanges; ++i) {
                    const bool endKnown = headOk[size_t(i)] || (i == kChanges ? cut < 0 : frameWhole(i + 1));
                    if (!(payloadOk[size_t(i)] && endKnown && !(cut >= 0 && i == kChanges)))
                        break;
                    ++proven;
                }
                const QByteArray failure = QStringLiteral("seed %1, trial %2, damage: %3")
                                               .arg(seed)
                                               .arg(trial)
                                               .arg(done.join(QStringLiteral("; ")))
                                               .toUtf8();
                const journal::Content c = journal::read(bytes);
                QVERIFY2(c.hasHeader == (proven > 0), failure.constData());
                QVERIFY2(int(c.changes.size()) == std::max(0, proven - 1),
                         (failure + " - changes read: " + QByteArray::number(qsizetype(c.changes.size())) +
                          ", expected " + QByteArray::number(std::max(0, proven - 1)))
                             .constData());
                const bool flipped = done.size() > (cut >= 0 ? 1 : 0);
                if (damagedBeforeLast)
                    QVERIFY2(c.state == journal::Content::State::Damaged, failure.constData());
                else if (!flipped && cut >= 0)
                    QVERIFY2(c.state == journal::Content::State::TornTail, failure.constData());
                else
                    QVERIFY2(c.state != journal::Content::State::Whole, failure.constData());
                if (!c.hasHeader)
                    continue;
                std::array<RowStore, 3> s = storesFrom(dir.path());
                journal::replay(c.header, c.changes, pointers(s));
                for (int k = 0; k < 3; ++k)
                    QVERIFY2(WriteDatapacket(s[size_t(k)], DatapacketForm::Binary) ==
                                 after[c.changes.size()][size_t(k)],
                             failure.constData());
            }
        }
    }

    // An import of 10,000 rows is a handful of syncs, not 10,000; the delay is short, and a closing window
    // syncs at once.
    void syncsAreGatheredAndPrompt() {
        QTemporaryDir dir;
        Tables t;
        t.saveTo(dir.path());
        Journal j(t.all());
        QString error;
        QVERIFY(j.start(dir.path(), &error));
        for (int i = 1; i <= 10000; ++i)
            addBook(t.books, i, QStringLiteral("Titel %1").arg(i));
        QCOMPARE(j.appendedChanges(), qint64(10000));
        QCOMPARE(j.syncs(), qint64(0));
        // The sync comes by itself, without a flush; how soon is the timer's business, not the machine's.
        QTRY_COMPARE_WITH_TIMEOUT(j.syncs(), qint64(1), 60000);
        QTest::qWait(300);
        QCOMPARE(j.syncs(), qint64(1)); // nothing new, nothing synced
        addBook(t.books, 10001, QStringLiteral("Nachzügler"));
        j.flush();
        QCOMPARE(j.syncs(), qint64(2));
        j.flush();
        QCOMPARE(j.syncs(), qint64(2));
        QCOMPARE(journal::read(readAll(dir.path() + QStringLiteral("/journal.lsj"))).changes.size(), size_t(10001));
    }

    // The disk fills during the run: the first append that fails tells at once, in German, and stops the
    // journal. What reached it stays whole, with a note of the failure in place of the cut frame, so that the
    // next start counts what the journal truly held and says that the changes after it are missing.
    void aFullDiskIsToldAtOnceAndCountedTruly() {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/klein");
        test::SmallDisk disk(folder, QStringLiteral("256k"));
        if (!disk.mounted())
            QSKIP("A small disk of its own needs the right to mount one.");
        Tables t;
        t.saveTo(folder);
        Journal j(t.all());
        QSignalSpy failed(&j, &Journal::failed);
        QString error;
        QVERIFY2(j.start(folder, &error), qPrintable(error));
        disk.fill();
        int posted = 0;
        while (failed.isEmpty() && posted < 5000) {
            ++posted;
            addBook(t.books, posted, QStringLiteral("Buch %1 mit einem Titel, der etwas Platz braucht").arg(posted));
        }
        QCOMPARE(failed.size(), 1);
        QVERIFY(!j.running());
        const qint64 held = j.appendedChanges();
        QCOMPARE(held, qint64(posted - 1));
        const QString problem = j.takeProblem();
        QVERIFY2(problem.startsWith(QStringLiteral("Der Datenträger ist voll. Das Änderungsprotokoll")),
                 qPrintable(problem));
        QVERIFY2(problem.contains(QStringLiteral("nicht gegen einen Absturz gesichert")), qPrintable(problem));
        QVERIFY(!problem.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
        for (int i = 1; i <= 6; ++i)
            addBook(t.books, posted + i, QStringLiteral("Nach dem Vollwerden %1").arg(i));
        j.flush();
        QCOMPARE(failed.size(), 1);
        QVERIFY(j.takeProblem().isEmpty());

        const journal::Content c = journal::read(readAll(folder + QStringLiteral("/journal.lsj")));
        QCOMPARE(int(c.state), int(journal::Content::State::Whole));
        QCOMPARE(qint64(c.changes.size()), held);
        QVERIFY(c.stopped);
        QCOMPARE(c.stopError, ENOSPC);
        Tables saved;
        for (int i = 0; i < 3; ++i)
            saved.all()[size_t(i)]->LoadFromFile(folder + u'/' + QLatin1String(kFiles[i]));
        Journal next(saved.all());
        const Journal::Recovery r = next.recover(folder);
        QCOMPARE(saved.books.RecordCount(), int(held));
        QCOMPARE(r.notice,
                 QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. %1 Änderungen vom 05.03.2026, "
                                "16:04 Uhr wurden aus dem Änderungsprotokoll wiederhergestellt und gespeichert. "
                                "Ab dem 05.03.2026, 16:04 Uhr konnte das Änderungsprotokoll nicht mehr "
                                "geschrieben werden (der Datenträger ist voll); die Änderungen ab diesem "
                                "Zeitpunkt fehlen.")
                     .arg(held));

        // Still full: the journal stays as it is. With room again it catches up with every change it missed
        // and goes on, and says so; the next start then misses nothing.
        const QByteArray stopped = readAll(folder + QStringLiteral("/journal.lsj"));
        QVERIFY(!j.resume());
        QCOMPARE(readAll(folder + QStringLiteral("/journal.lsj")), stopped);
        disk.makeRoom();
        QVERIFY(j.resume());
        QVERIFY(j.running());
        QVERIFY(j.takeProblem().contains(QStringLiteral("wieder gegen einen Absturz gesichert")));
        addBook(t.books, posted + 7, QStringLiteral("Nach dem Aufräumen"));
        t.books.First();
        t.books.Edit();
        t.books.FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Geändert"));
        t.books.Post();
        j.stop();
        const journal::Content all = journal::read(readAll(folder + QStringLiteral("/journal.lsj")));
        QCOMPARE(int(all.state), int(journal::Content::State::Whole));
        QVERIFY(!all.stopped);
        Tables again;
        for (int i = 0; i < 3; ++i)
            again.all()[size_t(i)]->LoadFromFile(folder + u'/' + QLatin1String(kFiles[i]));
        Journal third(again.all());
        QVERIFY(third.recover(folder).tablesChanged);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(WriteDatapacket(again.all()[size_t(i)]->store(), DatapacketForm::Binary), t.packets()[size_t(i)]);
    }

    // A restore replaces the tables whole: the journal begins afresh on them, so the changes of before the
    // restore are never replayed onto the restored tables.
    void aReplacedTableBeginsAFreshJournal() {
        QTemporaryDir dir;
        Tables t;
        t.saveTo(dir.path());
        Journal j(t.all());
        QString error;
        QVERIFY(j.start(dir.path(), &error));
        addBook(t.books, 1, QStringLiteral("Vor der Rücksicherung"));
        Tables restored;
        addBook(restored.books, 7, QStringLiteral("Aus der Sicherung"));
        t.books.LoadFrom([&restored] { return restored.books.store(); });
        addBook(t.books, 8, QStringLiteral("Nach der Rücksicherung"));
        j.stop();
        const journal::Content c = journal::read(readAll(dir.path() + QStringLiteral("/journal.lsj")));
        QCOMPARE(c.changes.size(), size_t(1));
        QCOMPARE(c.header.slotCounts[0], 1u);
        QCOMPARE(c.changes[0].slot, 2u);
    }
};

// The start and the end of a run with the journal, on a real data folder.
class JournalRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString base() const { return m_dir->path() + QStringLiteral("/share"); }
    QString folder() const { return base() + QStringLiteral("/Tomarelle 2022/"); }
    QString journalFile() const { return folder() + QStringLiteral("journal.lsj"); }

    std::unique_ptr<LibraryData> start() {
        auto data = std::make_unique<LibraryData>();
        data->FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
        data->loadAtStart();
        return data;
    }
    // The data folder as a crash would leave it: the tables of the last save and the journal so far.
    void crashInto(LibraryData& data, const QString& copy) {
        QVERIFY(data.flushJournal().isEmpty());
        QDir().mkpath(copy);
        for (const QString& name : QDir(folder()).entryList(QDir::Files))
            QVERIFY(QFile::copy(folder() + name, copy + name));
    }
    QStringList titles(const QString& bookFile) {
        Table books;
        books.setColumns(LibraryTables::bookColumns());
        books.LoadFromFile(bookFile);
        QStringList out;
        for (books.First(); !books.Eof(); books.Next())
            out << books.FieldByName(QStringLiteral("Titel")).AsString();
        return out;
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        Clock::setFixedNow(QDateTime(QDate(2026, 3, 5), QTime(16, 4, 0)));
    }
    void cleanup() { Clock::setFixedNow({}); }

    // A run that crashed: the next start replays its changes, says so, writes the tables at once and
    // begins a new journal; a clean end then removes it.
    void aCrashedRunIsRecoveredAtTheNextStart() {
        const QString crashed = m_dir->path() + QStringLiteral("/crashed/");
        {
            auto data = start();
            QVERIFY(QFileInfo::exists(journalFile()));
            QVERIFY(data->recoveryNotice().isEmpty());
            addBook(data->ClientBuecher, 1, QStringLiteral("Die unendliche Geschichte"));
            Clock::setFixedNow(QDateTime(QDate(2026, 3, 5), QTime(16, 9, 0)));
            addBook(data->ClientBuecher, 2, QStringLiteral("Räuber Hotzenplotz"));
            crashInto(*data, crashed);
            data->blockSaving(); // this run writes nothing more: the copy is the crash
        }
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().rename(crashed, folder()));
        QVERIFY(titles(folder() + QLatin1String(LibraryTables::kBookFile)).isEmpty());
        auto data = start();
        QCOMPARE(data->recoveryNotice(),
                 QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. 2 Änderungen vom 05.03.2026 "
                                "zwischen 16:04 und 16:09 Uhr wurden aus dem Änderungsprotokoll wiederhergestellt "
                                "und gespeichert."));
        QCOMPARE(data->ClientBuecher.RecordCount(), 2);
        // Written at once, and the start-up copy holds them too.
        const QStringList expected{QStringLiteral("Die unendliche Geschichte"), QStringLiteral("Räuber Hotzenplotz")};
        QCOMPARE(titles(folder() + QLatin1String(LibraryTables::kBookFile)), expected);
        QCOMPARE(titles(data->lastStartupCopy() + QLatin1String(LibraryTables::kBookFile)), expected);
        const journal::Content fresh = journal::read(readAll(journalFile()));
        QVERIFY(fresh.hasHeader);
        QVERIFY(fresh.changes.empty());
        addBook(data->ClientBuecher, 3, QStringLiteral("Pippi"));
        data->saveTables();
        QVERIFY(!QFileInfo::exists(journalFile()));
    }

    // The notice names the number of changes and when they were made, in words a librarian reads at once.
    void theNoticeSaysHowManyFromWhen_data() {
        QTest::addColumn<QList<QDateTime>>("times");
        QTest::addColumn<QString>("when");
        const QDate day(2026, 3, 5);
        QTest::newRow("one") << QList<QDateTime>{QDateTime(day, QTime(9, 15))}
                             << "1 Änderung vom 05.03.2026, 09:15 Uhr wurde";
        QTest::newRow("within a minute") << QList<QDateTime>{QDateTime(day, QTime(9, 15, 1)),
                                                             QDateTime(day, QTime(9, 15, 59))}
                                         << "2 Änderungen vom 05.03.2026, 09:15 Uhr wurden";
        QTest::newRow("over the day") << QList<QDateTime>{QDateTime(day, QTime(9, 15)), QDateTime(day, QTime(11, 0)),
                                                          QDateTime(day, QTime(16, 42))}
                                      << "3 Änderungen vom 05.03.2026 zwischen 09:15 und 16:42 Uhr wurden";
        QTest::newRow("past midnight") << QList<QDateTime>{QDateTime(day, QTime(23, 50)),
                                                           QDateTime(day.addDays(1), QTime(0, 5))}
                                       << "2 Änderungen vom 05.03.2026, 23:50 Uhr bis 06.03.2026, 00:05 Uhr wurden";
    }
    void theNoticeSaysHowManyFromWhen() {
        QFETCH(QList<QDateTime>, times);
        QFETCH(QString, when);
        const QString crashed = m_dir->path() + QStringLiteral("/crashed/");
        {
            auto data = start();
            int id = 0;
            for (const QDateTime& t : times) {
                Clock::setFixedNow(t);
                ++id;
                addBook(data->ClientBuecher, id, QStringLiteral("Buch %1").arg(id));
            }
            crashInto(*data, crashed);
            data->blockSaving();
        }
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().rename(crashed, folder()));
        auto data = start();
        QCOMPARE(data->recoveryNotice(), QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. %1 aus dem "
                                                        "Änderungsprotokoll wiederhergestellt und gespeichert.")
                                             .arg(when));
        QCOMPARE(data->ClientBuecher.RecordCount(), int(times.size()));
    }

    // Damaged or foreign journals are set aside under a time stamp and the tables are used as saved.
    void aDamagedJournalIsSetAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("foreign") << QByteArray("<html>kein Protokoll</html>");
        QTest::newRow("another library's changes") << QByteArray("other");
    }
    void aDamagedJournalIsSetAside() {
        QFETCH(QByteArray, content);
        QByteArray bytes = content;
        if (content == "other") {
            QTemporaryDir other;
            Tables t;
            addBook(t.books, 1, QStringLiteral("Fremdes Buch"));
            t.saveTo(other.path());
            Journal j(t.all());
            QString error;
            QVERIFY(j.start(other.path(), &error));
            addBook(t.books, 2, QStringLiteral("Noch ein fremdes Buch"));
            j.stop();
            bytes = readAll(other.path() + QStringLiteral("/journal.lsj"));
        }
        {
            auto data = start();
            addBook(data->ClientBuecher, 1, QStringLiteral("Eigenes Buch"));
            data->saveTables();
        }
        writeAll(journalFile(), bytes);
        auto data = start();
        QVERIFY2(data->recoveryNotice().contains(QStringLiteral("beiseitegelegt")), qPrintable(data->recoveryNotice()));
        QVERIFY(data->recoveryNotice().contains(QStringLiteral("so, wie sie zuletzt gespeichert wurden")));
        QCOMPARE(readAll(folder() + QStringLiteral("journal-20260305-160400.lsj")), bytes);
        QCOMPARE(data->ClientBuecher.RecordCount(), 1);
        QVERIFY(journal::read(readAll(journalFile())).changes.empty());
    }

    // One byte damaged in the middle of a journal of 42 changes: a damaged length costs nothing, a damaged
    // change costs itself and the changes after it, and the notice says which; the journal is set aside.
    void aJournalDamagedInTheMiddleIsRecoveredAsFarAsItIsWhole_data() {
        QTest::addColumn<qsizetype>("where"); // offset into the 20th change's frame
        QTest::addColumn<int>("books");
        QTest::addColumn<QString>("told");
        QTest::newRow("length") << qsizetype(9) << 42
                                << "42 Änderungen vom 05.03.2026, 16:04 Uhr wurden aus dem Änderungsprotokoll "
                                   "wiederhergestellt und gespeichert. Das Änderungsprotokoll war beschädigt, alle "
                                   "Änderungen darin waren aber noch lesbar.";
        QTest::newRow("payload") << qsizetype(journal::kFrameHead + 30) << 19
                                 << "19 Änderungen vom 05.03.2026, 16:04 Uhr wurden aus dem Änderungsprotokoll "
                                    "wiederhergestellt und gespeichert. Die 20. Änderung im Änderungsprotokoll ist "
                                    "beschädigt und fehlt. Die 22 Änderungen danach sind lesbar, können ohne die "
                                    "beschädigte aber nicht in der richtigen Reihenfolge nachgetragen werden und "
                                    "fehlen ebenfalls.";
    }
    void aJournalDamagedInTheMiddleIsRecoveredAsFarAsItIsWhole() {
        QFETCH(qsizetype, where);
        QFETCH(int, books);
        QFETCH(QString, told);
        const QString crashed = m_dir->path() + QStringLiteral("/crashed/");
        {
            auto data = start();
            for (int id = 1; id <= 42; ++id)
                addBook(data->ClientBuecher, id, QStringLiteral("Buch %1").arg(id));
            crashInto(*data, crashed);
            data->blockSaving();
        }
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().rename(crashed, folder()));
        QByteArray bytes = readAll(journalFile());
        const std::vector<qsizetype> ends = frameEnds(bytes);
        QCOMPARE(ends.size(), size_t(43));
        bytes[ends[19] + where] = char(bytes[ends[19] + where] ^ 0x01);
        writeAll(journalFile(), bytes);
        auto data = start();
        const QString aside = QDir::toNativeSeparators(folder() + QStringLiteral("journal-20260305-160400.lsj"));
        QCOMPARE(data->recoveryNotice(), QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. %1 Es wurde "
                                                        "als „%2“ beiseitegelegt.")
                                             .arg(told, aside));
        QCOMPARE(data->ClientBuecher.RecordCount(), books);
        QCOMPARE(readAll(folder() + QStringLiteral("journal-20260305-160400.lsj")), bytes);
        QVERIFY(journal::read(readAll(journalFile())).changes.empty());
    }

    // The end wrote the tables but not the removal of the journal: the next start finds nothing to recover
    // and says nothing.
    void aJournalWhoseChangesAreSavedIsQuiet() {
        QByteArray kept;
        {
            auto data = start();
            addBook(data->ClientBuecher, 1, QStringLiteral("Gespeichert"));
            QVERIFY(data->flushJournal().isEmpty());
            kept = readAll(journalFile());
            data->saveTables();
        }
        writeAll(journalFile(), kept);
        auto data = start();
        QVERIFY(data->recoveryNotice().isEmpty());
        QCOMPARE(data->ClientBuecher.RecordCount(), 1);
    }

    // A run whose saving is blocked never writes the journal, and a journal left from a crash stays for a run
    // that can use it.
    void aBlockedRunLeavesTheJournalAlone() {
        const QString crashed = m_dir->path() + QStringLiteral("/crashed/");
        {
            auto data = start();
            addBook(data->ClientBuecher, 1, QStringLiteral("Im Protokoll"));
            crashInto(*data, crashed);
            data->blockSaving();
            const QByteArray stopped = readAll(journalFile());
            addBook(data->ClientBuecher, 2, QStringLiteral("Nach dem Sperren"));
            QVERIFY(data->flushJournal().isEmpty());
            QCOMPARE(readAll(journalFile()), stopped);
        }
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().rename(crashed, folder()));
        const QByteArray journalBefore = readAll(journalFile());
        const QByteArray readers = readAll(folder() + QLatin1String(LibraryTables::kReaderFile));
        writeAll(folder() + QLatin1String(LibraryTables::kReaderFile), "kaputt");
        {
            auto data = std::make_unique<LibraryData>();
            data->FormCreate(base(), m_dir->path() + QStringLiteral("/bin"));
            QVERIFY_THROWS_EXCEPTION(EngineError, data->loadAtStart());
            QVERIFY(data->savingBlocked());
            QVERIFY(data->recoveryNotice().isEmpty());
        }
        QCOMPARE(readAll(journalFile()), journalBefore);
        writeAll(folder() + QLatin1String(LibraryTables::kReaderFile), readers);
        auto data = start();
        QVERIFY(data->recoveryNotice().startsWith(QStringLiteral("Lesaro wurde zuletzt nicht ordnungsgemäß beendet. "
                                                                 "1 Änderung vom 05.03.2026, 16:04 Uhr wurde")));
        QCOMPARE(data->ClientBuecher.RecordCount(), 1);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        JournalTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        JournalRunTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_journal.moc"
