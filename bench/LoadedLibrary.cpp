#include "LoadedLibrary.h"

#include "FileBenchmarks.h"
#include "core/Table.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "ui/LibraryHandle.h"

namespace lesaro::bench {

LoadedLibrary::LoadedLibrary() {
    SettingsStore::redirectInstance(dir.filePath(QStringLiteral("Lesaro.reg")));
    FieldCaptions::ApplyFieldCaptions();
    library = std::make_unique<LibraryHandle>();
    const QStringList files = tenYearLibraryFiles();
    library->ClientBuecher().LoadFromFile(files.at(0));
    library->ClientLeser().LoadFromFile(files.at(1));
    library->ClientAusleihe().LoadFromFile(files.at(2));
    for (Table* t : {&library->ClientBuecher(), &library->ClientLeser(), &library->ClientAusleihe()})
        t->setFileWritesBlocked(true);
}

LoadedLibrary::~LoadedLibrary() = default;

} // namespace lesaro::bench
