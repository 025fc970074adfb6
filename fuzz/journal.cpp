// Any bytes found as the crash journal: the reader takes what it can prove and never more, and the replay of
// what it took either fits the tables or refuses with its message, leaving them as they were; never a crash.

#include "library/Journal.h"
#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"

#include <cstdint>
#include <cstdlib>

using namespace lesaro;

namespace {

// The three library tables as a fresh installation has them.
std::array<RowStore, journal::kTables> freshStores() {
    std::array<RowStore, journal::kTables> s{RowStore(LibraryTables::bookColumns()),
                                             RowStore(LibraryTables::readerColumns()),
                                             RowStore(LibraryTables::loanColumns())};
    return s;
}

journal::Header headerOf(const std::array<RowStore, journal::kTables>& stores) {
    journal::Header h;
    for (int t = 0; t < journal::kTables; ++t) {
        const RowStore& s = stores[size_t(t)];
        h.slotCounts[size_t(t)] = quint32(s.slotCount());
        h.logSizes[size_t(t)] = quint32(s.changeLog().size());
        h.fingerprints[size_t(t)] = journal::fingerprint(s, s.slotCount());
    }
    return h;
}

void replayOnto(const journal::Header& header, const std::vector<journal::Change>& changes) {
    std::array<RowStore, journal::kTables> stores = freshStores();
    std::array<RowStore*, journal::kTables> targets{&stores[0], &stores[1], &stores[2]};
    std::array<QByteArray, journal::kTables> before;
    for (int t = 0; t < journal::kTables; ++t)
        before[size_t(t)] = WriteDatapacket(stores[size_t(t)], DatapacketForm::Binary);
    try {
        const journal::ReplayResult r = journal::replay(header, changes, targets);
        if (r.applied + r.alreadyThere != int(changes.size()))
            std::abort();
    } catch (const EngineError&) {
        // Refused: the tables must be exactly as they were.
        for (int t = 0; t < journal::kTables; ++t) {
            if (WriteDatapacket(stores[size_t(t)], DatapacketForm::Binary) != before[size_t(t)])
                std::abort();
        }
        return;
    }
    // What the replay built must be tables the program can write and read again.
    for (const RowStore& s : stores) {
        const QByteArray written = WriteDatapacket(s, DatapacketForm::Binary);
        if (WriteDatapacket(ReadDatapacket(written), DatapacketForm::Binary) != written)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const journal::Content c = journal::read(bytes);
    using State = journal::Content::State;
    if (!c.hasHeader && !c.changes.empty())
        std::abort();
    if (c.state != State::Damaged && (c.firstLost != 0 || c.lost != 0 || c.wholeAfter != 0))
        std::abort();
    if (c.firstLost < 0 || c.wholeAfter < 0 || c.lost < -1)
        std::abort();
    // The changes taken are the first ones of the file: the number of the first lost change follows them.
    if (c.firstLost > 0 && c.firstLost != int(c.changes.size()) + 1 && !c.stopped)
        std::abort();
    // Each change taken, written again, reads back as itself.
    for (const journal::Change& change : c.changes) {
        const journal::Content again =
            journal::read(journal::startBytes(c.header) + journal::frame(1, journal::encodeChange(change)));
        if (again.state != State::Whole || again.changes.size() != 1 ||
            journal::encodeChange(again.changes[0]) != journal::encodeChange(change))
            std::abort();
    }
    if (!c.hasHeader)
        return 0;
    // Against the tables the header names (which a fuzzed header seldom does) and against tables it fits.
    replayOnto(c.header, c.changes);
    replayOnto(headerOf(freshStores()), c.changes);
    return 0;
}
