#pragma once

namespace lesaro {

class LibraryHandle;
class ProgramSession;
class TMainform;

// What a build of the program made for tests or benchmarks adds to a run. The installed program adds
// nothing, so nothing in it can be steered from outside.
class RunExtension {
public:
    virtual ~RunExtension() = default;
    // Called once the data folder is this run's own, just before the main window is shown.
    virtual void started(TMainform& window, LibraryHandle& library, ProgramSession& session) = 0;
};

// The whole run of the program: the application object, the library, the main window, the data folder,
// the message loop and the end. Returns the process's exit status.
int runProgram(int argc, char* argv[], RunExtension* extension = nullptr);

} // namespace lesaro
