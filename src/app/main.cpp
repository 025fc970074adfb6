#include "app/JournalTestDriver.h"
#include "app/ProgramSession.h"
#include "core/GermanLocale.h"
#include "settings/INI.h"
#include "shell/TMainform.h"
#include "ui/GermanInterface.h"
#include "ui/Library.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvendel Software - Lesaro 2012"));
    // No display name: the desktop would append it to every window caption, and the main window's caption is
    // exactly its own.
    lesaro::GermanLocale::install();
    lesaro::GermanInterface::install(app);

    // The tables outlive every window that shows them.
    lesaro::Library library;
    lesaro::TMainform window(library);
    window.FormCreate();
    QString busy;
    if (!library.data().acquireDataFolder(&busy)) {
        lesaro::MessageService::warning(nullptr, busy);
        return 1;
    }

    lesaro::ProgramSession session(window, library);
    // The crash journal's kill test works the program through its windows.
    if (qEnvironmentVariableIsSet("LESARO_JOURNAL_TEST_DRIVER"))
        lesaro::JournalTestDriver::start(window, library, qEnvironmentVariable("LESARO_JOURNAL_TEST_DRIVER"));
    // Settings written during the run reach the disk within a second even when nothing else writes.
    QTimer flush;
    QObject::connect(&flush, &QTimer::timeout, [] { lesaro::INI::FlushSettings(); });
    flush.start(1000);

    // For the start-up benchmark: report once the window is up, then leave without saving anything.
    if (qEnvironmentVariableIsSet("LESARO_STARTUP_PROBE")) {
        QTimer::singleShot(0, [] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        });
    }
    return session.exec();
}
