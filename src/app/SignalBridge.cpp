#include "app/SignalBridge.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace lesaro {

namespace {
int g_fds[2] = {-1, -1};
}

SignalBridge::SignalBridge(QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char c;
        if (::read(g_fds[1], &c, 1) > 0)
            Q_EMIT terminationRequested();
    });
    struct sigaction sa {};
    sa.sa_handler = &SignalBridge::handle;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

SignalBridge::~SignalBridge() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    for (int& fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SignalBridge::handle(int) {
    const char c = 1;
    // Only async-signal-safe work here: the user-interface thread does the rest.
    [[maybe_unused]] const auto n = ::write(g_fds[0], &c, 1);
}

} // namespace lesaro
