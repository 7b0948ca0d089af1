// How long a full reload of 64 units takes against the simulator, next to the
// least the device allows: 0.5 s before the first request, then the same
// requests sent back to back by a bare client. One line per answer time, each
// figure the median of three runs.
#include "link/Codes.h"
#include "link/Frame.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

const QString Host = QStringLiteral("127.0.0.131");
constexpr int Units = 64;
constexpr int Runs = 3;

class QuietPrompts final : public Prompts
{
public:
    void error(QWidget *, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    void info(QWidget *, const QString &, const QString &) override {}
    void message(QWidget *, const QString &, const QString &) override {}
    int exec(QDialog *) override { return 0; }
};

class Sim
{
public:
    explicit Sim(int delayMs)
    {
        process.setProgram(QStringLiteral(BREZZANO_SIM));
        process.setArguments({QStringLiteral("--listen"),
                              Host + QStringLiteral(":%1").arg(protocol::ControllerPort),
                              QStringLiteral("--units"), QString::number(Units), QStringLiteral("--delay"),
                              QString::number(delayMs)});
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start();
        process.waitForStarted();
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(Host, protocol::ControllerPort);
            if (probe.waitForConnected(200))
                return;
            QThread::msleep(20);
        }
        std::fprintf(stderr, "the simulator did not start\n");
        std::exit(1);
    }
    ~Sim()
    {
        process.terminate();
        process.waitForFinished(3000);
    }

private:
    QProcess process;
};

// The reload's requests, as the program sends them for 64 present units.
QList<QByteArray> reloadRequests()
{
    QList<QByteArray> requests;
    for (Code code : {Code::PasswordUse, Code::Password, Code::LockMode, Code::OnlineUnits})
        requests << frame::build(+code, {});
    for (Code code : {Code::UnitStatus, Code::UnitName})
        for (int adr = 0; adr < Units; ++adr)
            requests << frame::build(+code, QByteArray(1, char(adr)));
    requests << frame::build(+Code::Clock, {});
    return requests;
}

double bareSeconds()
{
    QTcpSocket socket;
    socket.connectToHost(Host, protocol::ControllerPort);
    if (!socket.waitForConnected(2000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray &request : reloadRequests()) {
        socket.write(request);
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(5000))
                return -1;
        socket.readLine();
    }
    return clock.nsecsElapsed() / 1e9;
}

// From the moment the link opens to the moment the program closes it.
double reloadSeconds()
{
    createForms();
    TForm1 *form = forms().Form1;
    form->resetControllerState();
    form->setupUnitListColumns();
    form->autoupdvalue = 0;
    form->ipSensor = Host;

    QElapsedTimer clock;
    double seconds = -1;
    bool wasOpen = false;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const bool open = form->session->linkIsOpen();
        if (open && !wasOpen)
            clock.start();
        if (!open && wasOpen) {
            seconds = clock.nsecsElapsed() / 1e9;
            watch.stop();
        }
        wasOpen = open;
    });
    watch.start();
    form->reloadUnitList();
    if (form->session->linkIsOpen() && !wasOpen) {
        // A connection made inside the call: the clock starts now.
        clock.start();
        wasOpen = true;
    }
    const QDeadlineTimer deadline(120000);
    while (seconds < 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    destroyForms();
    return seconds;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    loadLanguage(0);
    QuietPrompts quiet;
    setPrompts(&quiet);
    std::printf("Full reload of %d units (133 requests), median of %d runs\n", Units, Runs);
    for (int delay : {0, 5, 20, 50}) {
        const Sim sim(delay);
        QList<double> reloads, limits, ratios;
        for (int run = 0; run < Runs; ++run) {
            const double reload = reloadSeconds();
            const double limit = 0.5 + bareSeconds();
            reloads << reload;
            limits << limit;
            ratios << reload / limit;
        }
        std::printf("answer %2d ms: reload %6.3f s, limit %6.3f s, ratio %.3f\n", delay, median(reloads),
                    median(limits), median(ratios));
        std::fflush(stdout);
    }
    setPrompts(nullptr);
    return 0;
}
