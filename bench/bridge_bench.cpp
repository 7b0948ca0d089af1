// The bridge under load: N simulated controllers of 64 units each (in this
// process), a Mosquitto broker on a loopback address and brezzano-bridge as a
// child process polling them all. Reports the bridge's CPU share and resident
// memory, the time from a unit's change at its controller to its state message,
// and the time from a `set` message to the setting's frame at the controller.
// Usage: brezzano-bridge-bench [CONTROLLERS [PERIOD_S [SECONDS]]], default 20 5 120.
#include "Server.h"
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
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

const QString BrokerHost = QStringLiteral("127.0.1.100");
constexpr int Units = 64;
constexpr int SetTemperatureCode = 0x21; // the status send's frame

QString controllerHost(int index)
{
    return QStringLiteral("127.0.1.%1").arg(index + 1);
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const char *usage = "Usage: brezzano-bridge-bench [CONTROLLERS [PERIOD_S [SECONDS]]], default 20 5 120\n";
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    // Checked before the broker starts: a count of zero would divide by zero below.
    int numbers[3] = {20, 5, 120};
    for (int i = 1; i < args.size(); ++i) {
        bool ok = false;
        const int value = args[i].toInt(&ok);
        if (i > 3 || !ok || value < 1) {
            std::fputs(usage, stderr);
            return 2;
        }
        numbers[i - 1] = value;
    }
    const int controllers = numbers[0];
    const int period = numbers[1];
    const int seconds = numbers[2];

    // The broker, on a free port of its own address, stopped by its process id.
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
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 %2\nallow_anonymous true\npersistence false\n")
                   .arg(port)
                   .arg(BrokerHost)
                   .toUtf8());
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
    if (!broker.waitForStarted(3000)) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return 1;
    }
    QThread::msleep(300);

    // The controllers.
    std::vector<std::unique_ptr<sim::Server>> servers;
    QFile ini(dir.filePath(QStringLiteral("bridge.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[broker]\nhost=%1\nport=%2\n[poll]\nperiod=%3\n[controllers]\n")
                  .arg(BrokerHost)
                  .arg(port)
                  .arg(period)
                  .toUtf8());
    for (int i = 0; i < controllers; ++i) {
        sim::Controller c = sim::Controller::builtinDefault();
        c.fillUnits(Units);
        servers.push_back(std::make_unique<sim::Server>(c));
        if (!servers.back()->listen(QHostAddress(controllerHost(i)), 2000)) {
            std::fprintf(stderr, "cannot listen on %s\n", qPrintable(controllerHost(i)));
            return 1;
        }
        ini.write(QStringLiteral("c%1=%2\n").arg(i, 2, 10, QLatin1Char('0')).arg(controllerHost(i)).toUtf8());
    }
    ini.close();

    // What arrives: state messages, by topic.
    QElapsedTimer clock;
    clock.start();
    bridge::BrokerOptions options;
    options.host = BrokerHost;
    options.port = port;
    options.clientId = QStringLiteral("bench");
    bridge::MqttClient watcher(options);
    watcher.subscribe(QStringLiteral("brezzano/+/+/state"));
    QString waitTopic;
    int waitTemp = -1;
    qint64 changedAt = 0;
    std::vector<double> changeLatency;
    int stateMessages = 0;
    QObject::connect(&watcher, &bridge::MqttClient::message, &app,
                     [&](const QString &topic, const QByteArray &payload, bool) {
                         ++stateMessages;
                         if (topic != waitTopic)
                             return;
                         if (QJsonDocument::fromJson(payload).object().value("set_temperature").toInt() ==
                             waitTemp) {
                             changeLatency.push_back(double(clock.elapsed() - changedAt));
                             waitTopic.clear();
                         }
                     });
    watcher.start();

    // The command's frame at the controller.
    int commandServer = -1;
    qint64 commandAt = 0;
    std::vector<double> commandLatency;
    for (int i = 0; i < controllers; ++i)
        QObject::connect(servers[size_t(i)].get(), &sim::Server::requestHandled, &app,
                         [&, i](int code, const QByteArray &) {
                             if (i == commandServer && code == SetTemperatureCode) {
                                 commandLatency.push_back(double(clock.elapsed() - commandAt));
                                 commandServer = -1;
                             }
                         });

    QProcess daemon;
    daemon.setStandardErrorFile(dir.filePath(QStringLiteral("bridge.log")));
    daemon.start(QStringLiteral(BREZZANO_BRIDGE), {QStringLiteral("--config"), ini.fileName()});
    if (!daemon.waitForStarted(3000)) {
        std::fprintf(stderr, "brezzano-bridge did not start\n");
        return 1;
    }
    const qint64 pid = daemon.processId();

    // Warm-up: every controller read once; then the measured run.
    const qint64 warmup = qint64(period) * 2000;
    qint64 ticksAtStart = -1;
    qint64 measuredFrom = 0;
    int step = 0;
    QTimer probe;
    probe.setInterval(period * 1000 * 3 / 2 + 350); // never in step with the polls
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const int k = step % controllers;
        const int unit = (step * 7) % Units;
        if (step % 2 == 0) {
            sim::Unit *u = servers[size_t(k)]->controller().unit(unit);
            waitTemp = u->setTemp == 22 ? 23 : 22;
            u->setTemp = quint8(waitTemp);
            waitTopic = QStringLiteral("brezzano/c%1/%2/state").arg(k, 2, 10, QLatin1Char('0')).arg(unit);
            changedAt = clock.elapsed();
        } else {
            commandServer = k;
            commandAt = clock.elapsed();
            watcher.publish(
                QStringLiteral("brezzano/c%1/%2/set/temperature").arg(k, 2, 10, QLatin1Char('0')).arg(unit),
                QByteArray::number(20 + step % 5), false);
        }
        ++step;
    });
    QTimer::singleShot(int(warmup), &app, [&] {
        ticksAtStart = cpuTicks(pid);
        measuredFrom = clock.elapsed();
        probe.start();
    });
    QTimer::singleShot(int(warmup) + seconds * 1000, &app, [&] { app.quit(); });
    app.exec();

    const qint64 ticks = cpuTicks(pid) - ticksAtStart;
    const double elapsedS = double(clock.elapsed() - measuredFrom) / 1000.0;
    const double cpu = 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / elapsedS;
    const qint64 rss = statusKb(pid, "VmRSS");
    const qint64 hwm = statusKb(pid, "VmHWM");
    daemon.terminate(); // SIGTERM: offline, then a clean goodbye
    daemon.waitForFinished(5000);
    broker.terminate();
    broker.waitForFinished(3000);

    std::printf("Bridge: %d controllers x %d units, period %d s, %.0f s measured\n", controllers, Units,
                period, elapsedS);
    std::printf("  CPU %.2f %% of one core, resident %lld kB (peak %lld kB), %d state messages\n", cpu, rss,
                hwm, stateMessages);
    std::printf("  unit change -> state message: median %.0f ms, max %.0f ms (%zu samples; goal: a period "
                "and a reload)\n",
                median(changeLatency), maximum(changeLatency), changeLatency.size());
    std::printf("  set message -> frame at the controller: median %.0f ms, max %.0f ms (%zu samples)\n",
                median(commandLatency), maximum(commandLatency), commandLatency.size());
    return 0;
}
