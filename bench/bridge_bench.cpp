// The bridge under load: N simulated controllers of U units each (in this
// process, on 127.2.x.y), a Mosquitto broker on a loopback address of its own and
// brezzano-bridge as a child process polling them all. Reports the bridge's CPU
// share and resident memory, the time from a unit's change at its controller to
// its state message and from a `set` message to the setting's frame at the
// controller, the frames of each kind of exchange, the messages per poll, and
// how many of the messages the broker took in reached a subscriber of them all.
#include "BenchOptions.h"
#include "SimThreads.h"
#include "bridge/MqttClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString BrokerHost = QStringLiteral("127.2.255.1");
constexpr int SetUnitStatusCode = 33; // the frame a temperature command writes
constexpr int OnlineUnitsCode = 29;
constexpr int UnitNameCode = 34;

const char *const Usage =
    "Usage: brezzano-bridge-bench [--controllers N] [--units N] [--period S] [--seconds S]\n"
    "  --controllers N  simulated controllers, 1..4000 (default 20)\n"
    "  --units N        units per controller, 1..64 (default 64)\n"
    "  --period S       the bridge's poll period in seconds (default 5)\n"
    "  --seconds S      measured time after a warm-up of two periods (default 120)\n";

struct Options
{
    int controllers = 20;
    int units = 64;
    int period = 5;
    int seconds = 120;
};

bool parseOptions(const QStringList &args, Options &out)
{
    return parseIntOptions(args, {
                                     {QStringLiteral("--controllers"), {&out.controllers, 1, 4000}},
                                     {QStringLiteral("--units"), {&out.units, 1, 64}},
                                     {QStringLiteral("--period"), {&out.period, 1, 3600}},
                                     {QStringLiteral("--seconds"), {&out.seconds, 1, 24 * 3600}},
                                 });
}

// 127.2.0.1 to 127.2.15.250: no test listens there.
QString controllerHost(int index)
{
    return QStringLiteral("127.2.%1.%2").arg(index / 250).arg(index % 250 + 1);
}

// The children die with the bench, however it ends (an error, a signal, even SIGKILL).
void diesWithParent(QProcess &child)
{
    const pid_t parent = getpid();
    child.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
    });
}

// utime + stime of `pid` in clock ticks; -1 when gone.
qint64 cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

// A line of /proc/<pid>/status in kB, e.g. "VmHWM".
qint64 statusKb(qint64 pid, const char *key)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(line.indexOf(':') + 1).trimmed().split(' ').front().toLongLong();
    return -1;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double maximum(const std::vector<double> &v)
{
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

// A histogram "69 x3, 133 x1" of the values in `v`.
QString histogram(const std::vector<int> &v)
{
    std::map<int, int> counts;
    for (int x : v)
        ++counts[x];
    QStringList parts;
    for (const auto &[value, count] : counts)
        parts << QStringLiteral("%1 x%2").arg(value).arg(count);
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

// The frames a controller received, one list of request codes per connection.
struct Exchanges
{
    std::vector<std::vector<int>> links;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    Options opt;
    if (!parseOptions(args, opt)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const int width = std::max(2, int(QString::number(opt.controllers - 1).size()));
    const auto controllerId = [width](int i) {
        return QStringLiteral("c%1").arg(i, width, 10, QLatin1Char('0'));
    };

    // The broker, on a free port of its own address; $SYS counts what it took in and dropped.
    QTemporaryDir dir;
    int port = 0;
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress(BrokerHost), 0)) {
            std::fprintf(stderr, "no free port on %s\n", qPrintable(BrokerHost));
            return 1;
        }
        port = probe.serverPort();
    }
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    if (!conf.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(conf.fileName()));
        return 1;
    }
    conf.write(QStringLiteral("listener %1 %2\nallow_anonymous true\npersistence false\nsys_interval 1\n")
                   .arg(port)
                   .arg(BrokerHost)
                   .toUtf8());
    // Started as root, the broker would become another user, and that clears its death signal.
    if (geteuid() == 0)
        conf.write("user root\n");
    conf.close();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(conf.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QProcess broker; // its destructor kills it on every early return
    diesWithParent(broker);
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
    if (!broker.waitForStarted(3000)) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return 1;
    }
    QThread::msleep(300);

    // The controllers.
    SimControllers servers(opt.controllers);
    QFile ini(dir.filePath(QStringLiteral("bridge.ini")));
    if (!ini.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ini.fileName()));
        return 1;
    }
    ini.write(
        QStringLiteral("[broker]\nhost=%1\nport=%2\n[bridge]\nid=bench\n[poll]\nperiod=%3\n[controllers]\n")
            .arg(BrokerHost)
            .arg(port)
            .arg(opt.period)
            .toUtf8());
    std::vector<Exchanges> frames(size_t(opt.controllers));
    std::vector<int> initialSetTemp; // alike at every controller
    for (int i = 0; i < opt.controllers; ++i) {
        sim::Controller c = sim::Controller::builtinDefault();
        c.fillUnits(opt.units);
        if (initialSetTemp.empty())
            for (int u = 0; u < opt.units; ++u)
                initialSetTemp.push_back(c.unit(u)->setTemp);
        if (!servers.add(c, controllerHost(i))) {
            std::fprintf(stderr, "cannot listen on %s\n", qPrintable(controllerHost(i)));
            return 1;
        }
        Exchanges &mine = frames[size_t(i)];
        QObject::connect(servers[size_t(i)], &sim::Server::connectionAccepted, &app,
                         [&mine] { mine.links.emplace_back(); });
        QObject::connect(servers[size_t(i)], &sim::Server::requestHandled, &app,
                         [&mine](int code, const QByteArray &) {
                             if (!mine.links.empty())
                                 mine.links.back().push_back(code);
                         });
        ini.write(QStringLiteral("%1=%2\n").arg(controllerId(i), controllerHost(i)).toUtf8());
    }
    ini.close();

    // Everything the bridge publishes, counted; the changes it was told of, timed.
    QElapsedTimer clock;
    clock.start();
    bridge::BrokerOptions options;
    options.host = BrokerHost;
    options.port = port;
    options.clientId = QStringLiteral("bench");
    // The subscriber reads in a thread of its own, as a separate program would: the simulated
    // controllers keep this one busy, and a slow reader makes the broker drop what it queues.
    QThread subscriberThread;
    subscriberThread.start();
    auto *watcherPtr = new bridge::MqttClient(options);
    bridge::MqttClient &watcher = *watcherPtr;
    watcher.moveToThread(&subscriberThread);
    const auto endSubscriber = [&] {
        QMetaObject::invokeMethod(
            watcherPtr, [watcherPtr] { delete watcherPtr; }, Qt::BlockingQueuedConnection);
        subscriberThread.quit();
        subscriberThread.wait();
    };
    watcher.subscribe(QStringLiteral("brezzano/#"));
    watcher.subscribe(QStringLiteral("homeassistant/#"));
    watcher.subscribe(QStringLiteral("$SYS/broker/publish/messages/dropped"), 0);
    std::map<QString, std::pair<int, qint64>> awaited; // state topic -> set temperature, changed at
    std::vector<double> changeLatency;
    qint64 received = 0;
    qint64 sysDropped = -1;
    const QString quiet = controllerId(opt.controllers - 1); // no change nor command goes there
    std::vector<qint64> quietMessages;                       // when each arrived, ms
    QObject::connect(&watcher, &bridge::MqttClient::message, &app,
                     [&](const QString &topic, const QByteArray &payload, bool) {
                         if (topic.startsWith(QLatin1String("$SYS/"))) {
                             if (topic.endsWith(QLatin1String("/dropped")))
                                 sysDropped = payload.toLongLong();
                             return;
                         }
                         if (topic.contains(QLatin1String("/set/")))
                             return; // the bench's own commands
                         ++received;
                         if (topic.contains(quiet))
                             quietMessages.push_back(clock.elapsed());
                         const auto it = awaited.find(topic);
                         if (it != awaited.end() &&
                             QJsonDocument::fromJson(payload).object().value("set_temperature").toInt() ==
                                 it->second.first) {
                             changeLatency.push_back(double(clock.elapsed() - it->second.second));
                             awaited.erase(it);
                         }
                     });
    QString error;
    bool started = false;
    QMetaObject::invokeMethod(
        watcherPtr, [&] { started = watcher.start(&error); }, Qt::BlockingQueuedConnection);
    if (!started) {
        endSubscriber();
        std::fprintf(stderr, "cannot reach the broker: %s\n", qPrintable(error));
        return 1;
    }

    // The command's frame at the controller.
    std::map<int, qint64> commandAt; // controller -> when its command was sent
    std::vector<double> commandLatency;
    std::set<int> commanded;
    for (int i = 0; i < opt.controllers; ++i)
        QObject::connect(servers[size_t(i)], &sim::Server::requestHandled, &app,
                         [&, i](int code, const QByteArray &) {
                             const auto it = commandAt.find(i);
                             if (it != commandAt.end() && code == SetUnitStatusCode) {
                                 commandLatency.push_back(double(clock.elapsed() - it->second));
                                 commandAt.erase(it);
                             }
                         });

    QProcess daemon;
    diesWithParent(daemon);
    daemon.setStandardErrorFile(dir.filePath(QStringLiteral("bridge.log")));
    daemon.start(QStringLiteral(BREZZANO_BRIDGE), {QStringLiteral("--config"), ini.fileName()});
    if (!daemon.waitForStarted(3000)) {
        endSubscriber();
        std::fprintf(stderr, "brezzano-bridge did not start\n");
        return 1;
    }
    const qint64 pid = daemon.processId();

    // Warm-up: every controller read once; then the measured run. A change or a command
    // every 2.3 s, each at a controller of its own (but the quiet one) while there are enough.
    const qint64 warmup = qint64(opt.period) * 2000;
    qint64 ticksAtStart = -1;
    qint64 measuredFrom = 0;
    qint64 sentCommands = 0;
    int step = 0;
    std::map<std::pair<int, int>, int> setTemps; // the set temperature the bench gave each unit
    QTimer probe;
    probe.setInterval(2300);
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const int k = opt.controllers > 1 ? step % (opt.controllers - 1) : 0;
        const int unit = (step * 7) % opt.units;
        const QString base = QStringLiteral("brezzano/%1/%2/").arg(controllerId(k)).arg(unit);
        if (step % 2 == 0) {
            // Toggled between two values, so the bench knows the new one without asking.
            const auto known = setTemps.find({k, unit});
            const int now = known != setTemps.end() ? known->second : initialSetTemp[size_t(unit)];
            const int temp = now == 22 ? 23 : 22;
            setTemps[{k, unit}] = temp;
            servers.inThreadOf(size_t(k), [unit, temp](sim::Server &s) {
                s.controller().unit(unit)->setTemp = quint8(temp);
            });
            awaited[base + QStringLiteral("state")] = {temp, clock.elapsed()};
        } else if (!commandAt.count(k)) {
            commandAt[k] = clock.elapsed();
            commanded.insert(k);
            ++sentCommands;
            const QString topic = base + QStringLiteral("set/temperature");
            const QByteArray value = QByteArray::number(20 + step % 5);
            QMetaObject::invokeMethod(
                watcherPtr, [watcherPtr, topic, value] { watcherPtr->publish(topic, value, false); });
        }
        ++step;
    });
    QTimer::singleShot(int(warmup), &app, [&] {
        ticksAtStart = cpuTicks(pid);
        measuredFrom = clock.elapsed();
        probe.start();
    });
    // Then a period and a margin more, for the last changes to be polled.
    qint64 ticks = 0;
    double elapsedS = 0;
    qint64 rss = 0;
    QTimer::singleShot(int(warmup) + opt.seconds * 1000, &app, [&] {
        probe.stop();
        ticks = cpuTicks(pid) - ticksAtStart;
        elapsedS = double(clock.elapsed() - measuredFrom) / 1000.0;
        rss = statusKb(pid, "VmRSS");
        QTimer::singleShot(opt.period * 1000 + 5000, &app, [&] { app.quit(); });
    });
    app.exec();

    const double cpu = 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / elapsedS;
    const qint64 hwm = statusKb(pid, "VmHWM");
    daemon.terminate(); // SIGTERM: offline, then a clean goodbye
    daemon.waitForFinished(15000);
    // The broker's counters after the last message was delivered: they come every second.
    QTimer::singleShot(3000, &app, [&] { app.quit(); });
    app.exec();
    endSubscriber();
    broker.terminate();
    broker.waitForFinished(3000);

    // The exchanges at the quiet controller and the commanded ones, by kind.
    std::vector<int> polls, fullPolls, probes, commands;
    const auto kinds = [&](const Exchanges &ex, bool commandedOnes) {
        for (const std::vector<int> &link : ex.links) {
            const bool write = std::count(link.begin(), link.end(), SetUnitStatusCode) > 0;
            const bool reload = std::count(link.begin(), link.end(), OnlineUnitsCode) > 0;
            if (commandedOnes) {
                if (write)
                    commands.push_back(int(link.size()));
            } else if (reload && std::count(link.begin(), link.end(), UnitNameCode) >= opt.units) {
                fullPolls.push_back(int(link.size()));
            } else if (reload) {
                polls.push_back(int(link.size()));
            } else if (!link.empty()) {
                probes.push_back(int(link.size()));
            }
        }
    };
    if (!frames.back().links.empty())
        frames.back().links.pop_back(); // the link the stop cut
    kinds(frames.back(), false);
    for (int k : commanded)
        kinds(frames[size_t(k)], true);
    // The quiet controller's messages, grouped by poll: a gap of a second parts two.
    std::vector<int> perPoll;
    for (size_t i = 0; i < quietMessages.size(); ++i) {
        if (i == 0 || quietMessages[i] - quietMessages[i - 1] > 1000)
            perPoll.push_back(0);
        ++perPoll.back();
    }

    std::printf("Bridge: %d controllers x %d units, period %d s, %.0f s measured\n", opt.controllers,
                opt.units, opt.period, elapsedS);
    std::printf("  CPU %.2f %% of one core, resident %lld kB (peak %lld kB)\n", cpu, rss, hwm);
    std::printf("  unit change -> state message: median %.0f ms, max %.0f ms (%zu samples, %zu unseen; goal: "
                "a period and a reload)\n",
                median(changeLatency), maximum(changeLatency), changeLatency.size(), awaited.size());
    std::printf(
        "  set message -> frame at the controller: median %.0f ms, max %.0f ms (%zu samples, %zu unseen)\n",
        median(commandLatency), maximum(commandLatency), commandLatency.size(), commandAt.size());
    std::printf("  frames per link at %s: full poll %s; poll %s; probe %s\n", qPrintable(quiet),
                qPrintable(histogram(fullPolls)), qPrintable(histogram(polls)),
                qPrintable(histogram(probes)));
    std::printf(
        "  frames per link carrying a command (%lld commands; one joining a poll counts the poll's): %s\n",
        sentCommands, qPrintable(histogram(commands)));
    std::printf("  messages per poll at %s (the first clears earlier versions' configs): %s\n",
                qPrintable(quiet), qPrintable(histogram(perPoll)));
    // What the bridge's last log line says it published and the broker acknowledged.
    QFile log(dir.filePath(QStringLiteral("bridge.log")));
    qint64 acknowledged = -1;
    if (log.open(QIODevice::ReadOnly)) {
        const QByteArray text = log.readAll();
        const int at = text.lastIndexOf(" published, ");
        if (at > 0)
            acknowledged = text.mid(at + 12).split(' ').front().toLongLong();
    }
    // The count acknowledged is the bridge's last log line: a few messages after it can make the
    // subscriber's count the larger.
    std::printf("  broker: %lld messages from the bridge acknowledged, %lld at the subscriber, %lld lost; "
                "%lld dropped (broker's $SYS count)\n",
                acknowledged, received, std::max<qint64>(0, acknowledged - received), sysDropped);
    return 0;
}
