// The .reg reader must take any bytes without crashing, hanging or growing without bound, and whatever it
// took must write out and read back unchanged: the export of the tree read from the export is the same file.
#include "settings/RegFileReader.h"
#include "settings/RegFileWriter.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsStore.h"

#include <cstdint>
#include <cstdlib>

using namespace lesaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList& keyPath = SettingsStore::keyPath();
    RegistryKey root;
    RegFileReader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size))).mergeInto(root, keyPath);
    const QByteArray first = RegFileWriter::write(root, keyPath);
    if (first.isEmpty())
        return 0;

    RegistryKey again;
    const RegReadResult result = RegFileReader(first).mergeInto(again, keyPath);
    if (!result.exactEncoding || !result.headerFound || result.badLines != 0 || result.ignoredSections != 0)
        std::abort();
    if (RegFileWriter::write(again, keyPath) != first)
        std::abort();
    return 0;
}
