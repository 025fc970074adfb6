#pragma once

#include <QTemporaryDir>
#include <memory>

namespace lesaro {
class LibraryHandle;
}

namespace lesaro::bench {

// The ten-year library in the tables the windows work on, as the program holds it after its start, with a
// settings file of its own in a folder that goes with it. Nothing is ever written back to the files.
struct LoadedLibrary {
    LoadedLibrary();
    ~LoadedLibrary();

    QTemporaryDir dir;
    std::unique_ptr<LibraryHandle> library;
};

} // namespace lesaro::bench
