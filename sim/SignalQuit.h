#pragma once

#include <QObject>

class QSocketNotifier;

namespace sim {

// Turns SIGINT and SIGTERM into a clean QCoreApplication::quit: the handler only writes a
// byte to a socket pair, and the event loop reads it.
class SignalQuit final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalQuit)
public:
    explicit SignalQuit(QObject *parent = nullptr);
    ~SignalQuit() override;
    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void signalled(int signal);

private:
    void onActivated();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace sim
