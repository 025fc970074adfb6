#pragma once

// One run of the program as the tests of the main window see it: the library handle made first, the main
// window on a temporary data folder and settings file, and the end of the run in the program's own order.

#include "settings/INI.h"
#include "shell/TMainform.h"
#include "ui/LibraryHandle.h"

#include <QAction>
#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace lesaro::test {

class ProgramRun {
public:
    ProgramRun(const QString& baseFolder, const QString& programFolder)
        : m_library(std::make_unique<LibraryHandle>())
        , m_window(std::make_unique<TMainform>(*m_library)) {
        m_window->FormCreate(baseFolder, programFolder);
        m_window->show();
    }

    // Closes the window by its close box, or by "Beenden" when asked, then ends the run as the program does.
    void finish(bool viaMenu = false) {
        if (!m_window)
            return;
        if (viaMenu)
            m_window->Beenden1Click();
        else
            m_window->close();
        m_window.reset();
        m_library->data().closeTables();
        m_library.reset();
        INI::FlushSettings();
    }

    ProgramRun(ProgramRun&&) = default;
    ProgramRun& operator=(ProgramRun&&) = default;
    ~ProgramRun() { finish(); }

    TMainform* operator->() const { return m_window.get(); }
    TMainform& operator*() const { return *m_window; }
    LibraryHandle& library() const { return *m_library; }

private:
    std::unique_ptr<LibraryHandle> m_library;
    std::unique_ptr<TMainform> m_window;
};

// Closes the next modal window as soon as the command under test has opened it, so the test goes on.
inline void closeNextDialog() {
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

// Runs the menu command and, once its modal window is up, the given steps on it; returns the window's object
// name and caption as "name|caption", or nothing when no modal window came up.
inline QString runWithDialog(TMainform& window, const char* action, const std::function<void(QWidget*)>& steps) {
    QString seen;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        seen = modal->objectName() + QLatin1Char('|') + modal->windowTitle();
        steps(modal);
        if (modal->isVisible())
            modal->close();
    });
    QAction* a = window.findChild<QAction*>(QString::fromLatin1(action));
    if (!a)
        qFatal("no action %s", action);
    a->trigger();
    return seen;
}

} // namespace lesaro::test
