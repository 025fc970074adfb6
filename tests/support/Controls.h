#pragma once

// Finding a window's controls by object name in a test.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace lesaro::test {

// The named control of a window. A missing one ends the run at once: every later step would only crash on it
// with a far less telling message.
template <typename T>
T* control(const QObject& window, const char* name) {
    T* c = window.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

} // namespace lesaro::test
