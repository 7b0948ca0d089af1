// Frames and time for changing units against the simulator: one unit's set
// temperature and every unit's mode, with 12 and 64 units, answers at once and
// 20 ms late, through brezzano-cli and through brezzano-bridge. Frames are the
// request lines the simulator logs. The tool's time runs from its start to its
// exit; the bridge's from the command's publish to the state message that shows
// the new value. Then `units` by the tool next to a bare client that sends the
// same requests one after the other.
#include "bridge/MqttClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr quint16 ControllerPort = 2000;
const QString BrokerHost = QStringLiteral("127.0.3.250");
const QString Prefix = QStringLiteral("brezzano");
constexpr int NewTemp = 25;
const QString NewMode = QStringLiteral("cool"); // the bridge's word for the tool's `cooling`
constexpr int SlowMs = 20;                      // the answer delay of the time goals
constexpr int TimeGoalMs = 300;
constexpr int RunTimeoutMs = 30000;
constexpr int QuietMs = 300; // no request for this long: the client has finished
constexpr int Runs = 3;

struct Case
{
    const char *name;
    QStringList cliArgs;
    QString topic; // under <prefix>/<controller>/
    QByteArray payload;
    bool all;
};

struct Row
{
    QString what;
    QString client;
    int units = 0;
    int delay = 0;
    int frames = -1;
    int framesGoal = -1;
    double ms = -1;
    int msGoal = -1; // none
    QString status;
};

Row startRow(const Case &c, const char *client, int units, int delay)
{
    Row row;
    row.what = QLatin1String(c.name);
    row.client = QLatin1String(client);
    row.units = units;
    row.delay = delay;
    return row;
}

QElapsedTimer &benchClock()
{
    static QElapsedTimer clock;
    return clock;
}

// Runs the event loop until `done` or `ms` have passed; returns done().
bool waitUntil(const std::function<bool()> &done, int ms)
{
    QTimer tick; // wakes the loop so that `done` is asked again
    tick.start(5);
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Each controller a new simulator on an address of its own, so that no state and
// no closing socket carries over from one run to the next.
QString nextHost()
{
    static int last = 10;
    return QStringLiteral("127.0.3.%1").arg(++last);
}

QString lastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.back().trimmed());
}

class Sim
{
public:
    Sim(const QString &host, int units, int delayMs)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { read(); });
        process.start(QStringLiteral(BREZZANO_SIM),
                      {QStringLiteral("--listen"), host + QStringLiteral(":%1").arg(ControllerPort),
                       QStringLiteral("--units"), QString::number(units), QStringLiteral("--delay"),
                       QString::number(delayMs)});
        waitUntil([this] { return listening || process.state() == QProcess::NotRunning; }, 5000);
    }
    ~Sim()
    {
        process.terminate();
        if (!process.waitForFinished(3000))
            process.kill();
    }
    Sim(const Sim &) = delete;
    Sim &operator=(const Sim &) = delete;

    bool up() const { return listening; }
    int count() const { return int(requests.size()); }
    // What the simulator has written so far, without waiting for more.
    void drain() { process.waitForReadyRead(0); }
    // Until no request has come for QuietMs.
    void settle()
    {
        const qint64 from = benchClock().elapsed();
        waitUntil([&] { return benchClock().elapsed() - std::max(from, lastAt) >= QuietMs; }, 10000);
    }

    std::vector<QByteArray> requests; // the frames as they arrived

private:
    void read()
    {
        pending += process.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray line = pending.left(end);
            if (line.startsWith("<- ")) {
                requests.push_back(line.mid(3));
                lastAt = benchClock().elapsed();
            } else if (line.startsWith("listening on")) {
                listening = true;
            }
        }
    }

    QProcess process;
    QByteArray pending;
    qint64 lastAt = 0;
    bool listening = false;
};

struct CliRun
{
    double ms = -1;
    QString status;
    bool ok = false;
};

CliRun runCli(const QString &host, const QStringList &args)
{
    CliRun out;
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(BREZZANO_CLI), QStringList{QStringLiteral("--host"), host} + args);
    const bool ended = waitUntil([&] { return cli.state() == QProcess::NotRunning; }, RunTimeoutMs);
    out.ms = double(clock.nsecsElapsed()) / 1e6;
    if (!ended) {
        cli.kill();
        cli.waitForFinished(2000);
        out.status = QStringLiteral("hung");
    } else if (cli.exitStatus() != QProcess::NormalExit) {
        out.status = QStringLiteral("crashed");
    } else {
        out.ok = cli.exitCode() == 0;
        out.status = QStringLiteral("exit %1").arg(cli.exitCode());
        if (!out.ok)
            out.status += QStringLiteral(": ") + lastLine(cli.readAllStandardError());
    }
    return out;
}

Row cliRow(const Case &c, int units, int delay)
{
    Row row = startRow(c, "cli", units, delay);
    const QString host = nextHost();
    Sim sim(host, units, delay);
    if (!sim.up()) {
        row.status = QStringLiteral("no simulator");
        return row;
    }
    const CliRun run = runCli(host, c.cliArgs);
    sim.settle();
    row.ms = run.ms;
    row.frames = sim.count();
    row.status = run.status;
    return row;
}

// The broker on a free port of its own loopback address; the states that come
// back, latest per topic.
class Broker
{
public:
    QString start()
    {
        QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
        if (program.isEmpty())
            program = QStandardPaths::findExecutable(
                QStringLiteral("mosquitto"),
                {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
        if (program.isEmpty())
            return QStringLiteral("mosquitto not installed");
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress(BrokerHost), 0))
                return QStringLiteral("no free port on ") + BrokerHost;
            port = probe.serverPort();
        }
        QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return conf.errorString();
        conf.write(QStringLiteral("listener %1 %2\nallow_anonymous true\npersistence false\n"
                                  "log_dest stderr\nlog_type error\n")
                       .arg(port)
                       .arg(BrokerHost)
                       .toUtf8());
        conf.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, {QStringLiteral("-c"), conf.fileName()});

        bridge::BrokerOptions options;
        options.host = BrokerHost;
        options.port = port;
        options.clientId = QStringLiteral("write-bench");
        watcher = std::make_unique<bridge::MqttClient>(options);
        watcher->subscribe(Prefix + QStringLiteral("/+/+/state"));
        QObject::connect(watcher.get(), &bridge::MqttClient::message,
                         [this](const QString &topic, const QByteArray &payload, bool) {
                             states.insert(topic, QJsonDocument::fromJson(payload).object());
                             if (onState)
                                 onState();
                         });
        // The client retries by itself until the broker listens.
        watcher->start();
        if (!waitUntil([this] { return watcher->isOnline(); }, 5000))
            return QStringLiteral("broker not reached: ") + lastLine(process.readAll());
        return {};
    }
    ~Broker()
    {
        watcher.reset();
        process.terminate();
        process.waitForFinished(3000);
    }

    QTemporaryDir dir;
    int port = 0;
    std::unique_ptr<bridge::MqttClient> watcher;
    QHash<QString, QJsonObject> states;
    std::function<void()> onState;

private:
    QProcess process;
};

Row bridgeRow(Broker &broker, const Case &c, int units, int delay)
{
    static int runs = 0;
    const QString id = QStringLiteral("w%1").arg(++runs); // no retained state of an earlier run
    Row row = startRow(c, "bridge", units, delay);
    const QString host = nextHost();
    Sim sim(host, units, delay);
    if (!sim.up()) {
        row.status = QStringLiteral("no simulator");
        return row;
    }
    QFile ini(broker.dir.filePath(id + QStringLiteral(".ini")));
    ini.open(QIODevice::WriteOnly);
    // A long period: no poll falls into the counts.
    ini.write(QStringLiteral("[broker]\nhost=%1\nport=%2\nclient_id=bridge-%3\n[poll]\nperiod=60\n"
                             "[controllers]\n%3=%4\n")
                  .arg(BrokerHost)
                  .arg(broker.port)
                  .arg(id, host)
                  .toUtf8());
    ini.close();
    QProcess daemon;
    daemon.setStandardOutputFile(QProcess::nullDevice());
    daemon.setStandardErrorFile(broker.dir.filePath(id + QStringLiteral(".log")));
    daemon.start(QStringLiteral(BREZZANO_BRIDGE), {QStringLiteral("--config"), ini.fileName()});

    const auto state = [&](int unit) {
        return broker.states.value(QStringLiteral("%1/%2/%3/state").arg(Prefix, id).arg(unit));
    };
    const auto allStates = [&](const std::function<bool(const QJsonObject &)> &holds) {
        for (int unit = 0; unit < units; ++unit)
            if (!holds(state(unit)))
                return false;
        return true;
    };
    const bool polled = waitUntil(
        [&] {
            return daemon.state() == QProcess::NotRunning ||
                   allStates([](const QJsonObject &s) { return !s.isEmpty(); });
        },
        RunTimeoutMs);
    const auto stop = [&] {
        broker.onState = nullptr;
        daemon.terminate();
        if (!daemon.waitForFinished(5000))
            daemon.kill();
    };
    if (!polled || daemon.state() == QProcess::NotRunning) {
        row.status = daemon.state() == QProcess::NotRunning ? QStringLiteral("bridge ended")
                                                            : QStringLiteral("no first poll");
        stop();
        return row;
    }
    sim.settle();

    const std::function<bool()> confirmed =
        c.all ? std::function<bool()>([&] {
            return allStates([](const QJsonObject &s) { return s.value("mode").toString() == NewMode; });
        })
              : std::function<bool()>([&] { return state(0).value("set_temperature").toInt() == NewTemp; });
    const int before = sim.count();
    QElapsedTimer clock;
    double confirmedMs = -1;
    broker.onState = [&] {
        if (confirmedMs >= 0 || !confirmed())
            return;
        confirmedMs = double(clock.nsecsElapsed()) / 1e6;
        // The request behind the confirming answer was logged before the answer went out.
        sim.drain();
        row.frames = sim.count() - before;
    };
    clock.start();
    broker.watcher->publish(QStringLiteral("%1/%2/%3").arg(Prefix, id, c.topic), c.payload, false);
    waitUntil([&] { return confirmedMs >= 0 || daemon.state() == QProcess::NotRunning; }, RunTimeoutMs);
    broker.onState = nullptr;
    sim.settle();
    const int total = sim.count() - before;
    if (confirmedMs < 0) {
        row.frames = total;
        row.status = daemon.state() == QProcess::NotRunning ? QStringLiteral("bridge ended")
                                                            : QStringLiteral("not confirmed");
    } else {
        row.ms = confirmedMs;
        row.status = QStringLiteral("ok");
        if (total > row.frames)
            row.status += QStringLiteral(", +%1 frames after").arg(total - row.frames);
    }
    stop();
    return row;
}

void printHeader()
{
    std::printf("%-18s %-7s %5s %6s %8s %8s %9s %8s  %s\n", "case", "client", "units", "delay", "frames",
                "(goal)", "time ms", "(goal)", "exit/ok");
}

void printRow(const Row &r)
{
    const bool framesOver = r.frames >= 0 && r.frames > r.framesGoal;
    const bool timeOver = r.msGoal >= 0 && r.ms >= 0 && r.ms > r.msGoal;
    const QString frames = r.frames < 0 ? QStringLiteral("-") : QString::number(r.frames);
    const QString time = r.ms < 0 ? QStringLiteral("-") : QString::number(r.ms, 'f', 0);
    const QString msGoal = r.msGoal < 0 ? QString() : QStringLiteral("<%1").arg(r.msGoal);
    std::printf("%-18s %-7s %5d %3d ms %7s%s %8s %8s%s %8s  %s\n", qPrintable(r.what), qPrintable(r.client),
                r.units, r.delay, qPrintable(frames), framesOver ? "*" : " ",
                qPrintable(QStringLiteral("<=%1").arg(r.framesGoal)), qPrintable(time), timeOver ? "*" : " ",
                qPrintable(msGoal), qPrintable(r.status));
    std::fflush(stdout);
}

// The same requests on one link, each sent as the answer to the one before arrives.
double bareMs(const QString &host, const std::vector<QByteArray> &frames)
{
    if (frames.empty())
        return -1;
    QTcpSocket socket;
    size_t answered = 0;
    bool failed = false;
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(frames.front()); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        while (socket.canReadLine() && answered < frames.size()) {
            socket.readLine();
            if (++answered < frames.size())
                socket.write(frames[answered]);
        }
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, [&] { failed = true; });
    QElapsedTimer clock;
    clock.start();
    socket.connectToHost(host, ControllerPort);
    const bool done = waitUntil([&] { return failed || answered == frames.size(); }, RunTimeoutMs);
    return done && !failed ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

void compareUnits()
{
    constexpr int Units = 64;
    const QString host = nextHost();
    Sim sim(host, Units, SlowMs);
    if (!sim.up()) {
        std::printf("units: no simulator\n");
        return;
    }
    std::vector<double> cli;
    std::vector<double> bare;
    size_t frames = 0;
    QString status;
    for (int run = 0; run < Runs; ++run) {
        const int before = sim.count();
        const CliRun r = runCli(host, {QStringLiteral("units")});
        sim.settle();
        if (!r.ok) {
            status = r.status;
            break;
        }
        const std::vector<QByteArray> sent(sim.requests.begin() + before, sim.requests.end());
        frames = sent.size();
        cli.push_back(r.ms);
        bare.push_back(bareMs(host, sent));
    }
    if (!status.isEmpty()) {
        std::printf("units, %d units at %d ms: cli failed (%s)\n", Units, SlowMs, qPrintable(status));
        return;
    }
    const double c = median(cli);
    const double b = median(bare);
    std::printf("units, %d units at %d ms (median of %d): cli %.0f ms, bare client %.0f ms, same %zu "
                "frames; ratio %.3f (goal: <= 1.05)%s\n",
                Units, SlowMs, Runs, c, b, frames, b > 0 ? c / b : -1.0, b > 0 && c / b > 1.05 ? " *" : "");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    benchClock().start();

    const std::vector<Case> cases = {
        {"unit 0 temp=25",
         {QStringLiteral("set"), QStringLiteral("0"), QStringLiteral("temp=%1").arg(NewTemp)},
         QStringLiteral("0/set/temperature"),
         QByteArray::number(NewTemp),
         false},
        {"all mode=cooling",
         {QStringLiteral("set"), QStringLiteral("all"), QStringLiteral("mode=cooling")},
         QStringLiteral("all/set/mode"),
         NewMode.toUtf8(),
         true},
    };

    Broker broker;
    const QString brokerError = broker.start();
    if (!brokerError.isEmpty())
        std::fprintf(stderr, "no bridge runs: %s\n", qPrintable(brokerError));

    std::printf("Changing units: frames the simulator received and time, per client\n");
    printHeader();
    for (const int units : {12, 64})
        for (const int delay : {0, SlowMs})
            for (const Case &c : cases) {
                const int timeGoal = !c.all && units == 64 && delay == SlowMs ? TimeGoalMs : -1;
                Row cli = cliRow(c, units, delay);
                cli.framesGoal = c.all ? 3 * units + 2 : 4; // the tool reads the password flag first
                cli.msGoal = timeGoal;
                printRow(cli);
                if (!brokerError.isEmpty())
                    continue;
                Row viaBridge = bridgeRow(broker, c, units, delay);
                viaBridge.framesGoal = c.all ? 3 * units + 1 : 3;
                viaBridge.msGoal = timeGoal;
                printRow(viaBridge);
            }
    std::printf("* over its goal. cli: start to exit; bridge: publish to the state message showing the "
                "value,\n  frames up to that message (later ones under exit/ok)\n");
    compareUnits();
    return 0;
}
