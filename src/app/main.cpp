#include "app/SignalBridge.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "settings/INI.h"
#include "shell/TMainform.h"
#include "ui/GermanInterface.h"
#include "ui/Library.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QSessionManager>
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

    lesaro::SignalBridge bridge;
    QObject::connect(&bridge, &lesaro::SignalBridge::terminationRequested, &window, &QWidget::close);
    // The end of the desktop session closes the window as its close box does.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.close(); });
    // Settings written during the run reach the disk within a second even when nothing else writes.
    QTimer flush;
    QObject::connect(&flush, &QTimer::timeout, [] { lesaro::INI::FlushSettings(); });
    flush.start(1000);

    window.show();
    // For the start-up benchmark: report once the window is up, then leave without saving anything.
    if (qEnvironmentVariableIsSet("LESARO_STARTUP_PROBE")) {
        QTimer::singleShot(0, [] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        });
    }
    const int rc = app.exec();
    try {
        library.data().closeTables();
    } catch (const lesaro::EngineError& e) {
        lesaro::MessageService::error(nullptr, e.message());
    }
    lesaro::INI::FlushSettings();
    return rc;
}
