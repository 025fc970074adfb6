// Any bytes offered as a table file: the reader refuses them with its message or loads them, and what
// loads must write in both forms and read back - the binary form to the very same bytes.

#include "core/Datapacket.h"
#include "core/EngineError.h"

#include <cstdint>
#include <cstdlib>

using namespace lesaro;

namespace {

QByteArray writeOrEmpty(const RowStore& store, DatapacketForm form) {
    try {
        return WriteDatapacket(store, form);
    } catch (const EngineError&) {
        return {}; // a store the writer refuses (too many parameters from an XML file); never a crash
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RowStore store;
    try {
        store = ReadDatapacket(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const EngineError&) {
        return 0;
    }

    const QByteArray binary = writeOrEmpty(store, DatapacketForm::Binary);
    if (!binary.isEmpty()) {
        // Our own file must load, and load to the same file.
        const RowStore again = ReadDatapacket(binary);
        if (WriteDatapacket(again, DatapacketForm::Binary) != binary)
            std::abort();
    }

    const QByteArray xml = writeOrEmpty(store, DatapacketForm::Xml);
    if (!xml.isEmpty()) {
        const RowStore fromXml = ReadDatapacket(xml);
        qsizetype written = 0;
        for (qsizetype i = 0; i < store.slotCount(); ++i) {
            if (!store.changeLog().empty() || (store.status(i) & SlotStatus::Unused) == 0) {
                if (written >= fromXml.slotCount() || fromXml.status(written) != store.status(i))
                    std::abort();
                ++written;
            }
        }
        if (written != fromXml.slotCount() || fromXml.columnCount() != store.columnCount() ||
            fromXml.changeLog().size() != store.changeLog().size())
            std::abort();
    }
    return 0;
}
