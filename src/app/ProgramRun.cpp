#include "app/ProgramRun.h"

#include "app/ProgramSession.h"
#include "core/GermanLocale.h"
#include "settings/INI.h"
#include "shell/TMainform.h"
#include "ui/GermanInterface.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QTimer>

namespace lesaro {

int runProgram(int argc, char* argv[], RunExtension* extension) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvendel Software - Lesaro 2012"));
    // No display name: the desktop would append it to every window caption, and the main window's caption is
    // exactly its own.
    GermanLocale::install();
    GermanInterface::install(app);

    // The tables outlive every window that shows them.
    LibraryHandle library;
    // Reading a large library's files is most of the start: it begins before the windows are built, so that
    // the two run side by side.
    library.data().FormCreate();
    TMainform window(library);
    window.FormCreate();
    QString busy;
    if (!library.data().acquireDataFolder(&busy)) {
        MessageService::warning(nullptr, busy);
        return 1;
    }

    ProgramSession session(window, library);
    if (extension)
        extension->started(window, library, session);
    // Settings written during the run reach the disk within a second even when nothing else writes.
    QTimer flush;
    QObject::connect(&flush, &QTimer::timeout, [] { INI::FlushSettings(); });
    flush.start(1000);
    return session.exec();
}

} // namespace lesaro
