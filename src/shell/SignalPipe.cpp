#include "shell/SignalPipe.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[0], &byte, 1);
}

} // namespace

SignalPipe::SignalPipe(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), handled(signalNumbers)
{
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, pipeEnds) != 0)
        return;
    notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalPipe::onActivated);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : handled)
        ::sigaction(signal, &action, nullptr);
}

SignalPipe::~SignalPipe()
{
    if (!notifier)
        return;
    for (int signal : handled)
        std::signal(signal, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SignalPipe::onActivated()
{
    char byte = 0;
    if (::read(pipeEnds[1], &byte, 1) == 1)
        Q_EMIT signalled(int(byte));
}

SignalPipe *saveAndQuitSignals(QObject *parent)
{
    return new SignalPipe({SIGTERM, SIGHUP, SIGINT}, parent);
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
