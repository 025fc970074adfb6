#include "app/ProgramSession.h"

#include "app/SignalBridge.h"
#include "core/EngineError.h"
#include "settings/INI.h"
#include "shell/TMainform.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/SaveFailureBoxes.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>

namespace lesaro {

ProgramSession::ProgramSession(TMainform& window, LibraryHandle& library)
    : m_window(window)
    , m_library(library)
    , m_bridge(new SignalBridge(this)) {
    connect(m_bridge, &SignalBridge::terminationRequested, this, &ProgramSession::terminate);
    // The end of the desktop session: the session manager waits for us, not for the user.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { terminate(); });
}

ProgramSession::~ProgramSession() = default;

void ProgramSession::terminate() {
    MessageService::setTerminating(true);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &m_window && w->isVisible() && w->isModal())
            w->hide(); // a dialog's exec() returns once it is hidden
    }
    // Closing the window inside its own showing would leave it half shown; exec() closes it afterwards.
    if (!m_starting)
        m_window.close();
}

int ProgramSession::exec() {
    m_starting = true;
    m_window.show();
    m_starting = false;
    // Without a visible window the message loop would never end.
    if (MessageService::terminating())
        m_window.close();
    const int rc = m_window.isVisible() ? QApplication::exec() : 0;

    LibraryData& data = m_library.data();
    // Closing the window has just written the tables, and nothing can have changed them since: the close
    // rule would write the same bytes once more, and on a nearly full disk fail where the first write
    // succeeded. After "Beenden" it is the only write; a failure there asks as a failure at closing does.
    if (data.writtenAtEnd())
        data.blockSaving();
    SaveFailureBoxes questions(nullptr);
    data.saveAtEnd([&data] { data.closeLibraryTables(); }, questions);
    try {
        data.closePostcodes();
    } catch (const EngineError& e) {
        // The postcode file is only a copy of the built-in list; the next end of a run writes it again.
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
    INI::FlushSettings();
    // The data folder is behind the tables in the emergency folder; whoever ended the program should know.
    return data.endedInEmergency() ? 2 : rc;
}

} // namespace lesaro
