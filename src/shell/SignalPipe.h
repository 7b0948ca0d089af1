#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

// Hands POSIX signals to the event loop: the handler only writes the signal's
// number to a socket pair, and a notifier reads it there. One per process. A
// second delivery of the same signal finds the default action again, so a
// process stuck on its way out can still be ended.
class SignalPipe final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalPipe)
public:
    explicit SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalPipe() override;
    bool isInstalled() const { return notifier != nullptr; }

Q_SIGNALS:
    void signalled(int signal);

private:
    void onActivated();
    QSocketNotifier *notifier = nullptr;
    std::vector<int> handled;
};

// The signals after which the program saves its settings as a close does and
// ends: SIGTERM and SIGHUP (logout, shutdown) and SIGINT.
SignalPipe *saveAndQuitSignals(QObject *parent);

// A write beyond the file size limit then fails with its error (EFBIG)
// instead of ending the process with SIGXFSZ.
void ignoreFileSizeSignal();
