#pragma once

#include <QObject>

class QSocketNotifier;

namespace lesaro {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so that the program closes as
// through the main window's close box and nothing typed is lost.
class SignalBridge : public QObject {
    Q_OBJECT
public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

Q_SIGNALS:
    void terminationRequested();

private:
    static void handle(int signal);
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace lesaro
