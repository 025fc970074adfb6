#pragma once

#include <QObject>

namespace lesaro {

class LibraryHandle;
class SignalBridge;
class TMainform;

// One run of the main window from its showing to the end of the run, and the way the system ends it.
//
// A termination request (SIGTERM, SIGINT, the end of the desktop session) may come while a message box or
// another window waits in its own event loop, even during the start-up. Nobody will answer then: the boxes
// and windows close, later boxes no longer wait, and the main window closes as by its close box once its
// start-up is through, so the run ends, the tables are saved as far as the close rules allow, and the data
// folder is free again.
class ProgramSession : public QObject {
    Q_OBJECT
public:
    ProgramSession(TMainform& window, LibraryHandle& library);
    ~ProgramSession() override;

    // Shows the window, runs the message loop and ends the run: the tables' close rule, the settings. The
    // exit status is 2 when the tables had to go to the emergency folder.
    int exec();

    void terminate();

private:
    TMainform& m_window;
    LibraryHandle& m_library;
    SignalBridge* m_bridge;
    bool m_starting = false;
};

} // namespace lesaro
