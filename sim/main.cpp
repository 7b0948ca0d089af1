#include "Extras.h"
#include "Server.h"
#include "link/Codes.h"
#include "shell/SignalPipe.h"
#include "shell/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

void out(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const QString &message)
{
    std::fputs(("brezzano-sim: " + message + '\n').toLocal8Bit().constData(), stderr);
    return 2;
}

bool count(const QCommandLineParser &p, const QString &name, int *value)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    *value = p.value(name).toInt(&ok);
    return ok && *value >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brezzano-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BREZZANO_VERSION));

    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Simulated central controller with its Wi-Fi module, on loopback addresses only.\n"
                       "Answers request frames on TCP, logs every request and answer on stdout."));
    p.addHelpOption();
    p.addVersionOption();
    const auto opt = [&p](const QString &name, const QString &help, const QString &value = QString(),
                          const QString &def = QString()) {
        p.addOption(QCommandLineOption(name, help, value, def));
    };
    const QString defaultListen = QStringLiteral("127.0.0.1:%1").arg(protocol::ControllerPort);
    opt(QStringLiteral("listen"),
        QStringLiteral("Listen on ADDR:PORT, a loopback address (default %1).").arg(defaultListen),
        QStringLiteral("ADDR:PORT"), defaultListen);
    opt(QStringLiteral("scenario"),
        QStringLiteral("Load the controller from a JSON scenario file (see sim/README.md)."),
        QStringLiteral("FILE"));
    opt(QStringLiteral("demo"),
        QStringLiteral("Built-in demo: a dozen units, two in fault, temperatures drifting."));
    opt(QStringLiteral("print-scenario"), QStringLiteral("Print the chosen scenario as JSON and exit."));
    opt(QStringLiteral("ack-only"),
        QStringLiteral("Answer every frame with its code, length 00 and no payload."));
    opt(QStringLiteral("greet"),
        QStringLiteral("Send the greeting frame *MK1400*# on every accepted connection."));
    opt(QStringLiteral("refuse"), QStringLiteral("Do not listen at all, so connections are refused."));
    opt(QStringLiteral("silent"), QStringLiteral("Accept connections, never answer."));
    opt(QStringLiteral("silent-after"), QStringLiteral("Stop answering after N requests of a connection."),
        QStringLiteral("N"));
    opt(QStringLiteral("delay"), QStringLiteral("Answer each request MS milliseconds late."),
        QStringLiteral("MS"));
    opt(QStringLiteral("garbage"),
        QStringLiteral("Send two noise lines that are not frames before each answer."));
    opt(QStringLiteral("bad-hex"), QStringLiteral("Put a non-hex digit (G) into every answer frame."));
    opt(QStringLiteral("out-of-range"),
        QStringLiteral(
            "Answer 30/34 for address 70, 30 with 30 status bytes, 29 with 80 bytes, 2 with day 9."));
    opt(QStringLiteral("huge-line"),
        QStringLiteral("Send a 1 MB line (no frame) before the first answer of each connection."));
    opt(QStringLiteral("close-after"), QStringLiteral("Close the connection after answering N requests."),
        QStringLiteral("N"));
    opt(QStringLiteral("cut-after"),
        QStringLiteral("Reset the k-th connection when the request after its first N_k arrives, "
                       "unanswered; later connections are not cut."),
        QStringLiteral("N1[,N2...]"));
    opt(QStringLiteral("flood"), QStringLiteral("Stream noise lines without end on every connection."));
    opt(QStringLiteral("duplicate"), QStringLiteral("Send every answer twice."));
    opt(QStringLiteral("stray"),
        QStringLiteral("Before every answer, send a status frame for unit 63 that nobody asked for."));
    opt(QStringLiteral("schedule-lead"),
        QStringLiteral("Begin answer 49 with BYTE (0 to 255) instead of the unit's address."),
        QStringLiteral("BYTE"));
    opt(QStringLiteral("toggle-fault"),
        QStringLiteral("Every SECONDS, switch the fault of the unit at ADDR on or off (a unit with no "
                       "fault of its own gets E1)."),
        QStringLiteral("ADDR:SECONDS"));
    opt(QStringLiteral("units"),
        QStringLiteral("Fill addresses 0 to N-1 with units (up to 64), beside the scenario's own."),
        QStringLiteral("N"));
    opt(QStringLiteral("drop-exit"),
        QStringLiteral("Leave command mode on \"exit\" without sending the line EXIT."));
    opt(QStringLiteral("drop-aok"), QStringLiteral("Do not send the Nth AOK of a connection."),
        QStringLiteral("N"));
    opt(QStringLiteral("beacon"),
        QStringLiteral("Send a \"wifly\" datagram from the listen address to ADDR (port 55555 unless "
                       "given) every second (loopback)."),
        QStringLiteral("ADDR[:PORT]"));
    opt(QStringLiteral("http"),
        QStringLiteral("Serve GET /xrv/xrv_regdevice.php on PORT of the listen address."),
        QStringLiteral("PORT"));
    opt(QStringLiteral("http-reply"),
        QStringLiteral("Body of the registration reply (default 0: registered)."), QStringLiteral("TEXT"),
        QStringLiteral("0"));
    p.addOption(QCommandLineOption(
        QStringLiteral("account"),
        QStringLiteral("An account of the registration service and its reply; repeatable. With accounts, "
                       "any other user or password gets 4."),
        QStringLiteral("USER:PASSWORD:REPLY")));
    p.process(app);

    if (!p.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first()));
    QHostAddress address;
    quint16 port = 0;
    QString error;
    if (!sim::parseListenAddress(p.value(QStringLiteral("listen")), &address, &port, &error))
        return fail(error);

    sim::Controller controller = sim::Controller::builtinDefault();
    if (p.isSet(QStringLiteral("demo")) && p.isSet(QStringLiteral("scenario")))
        return fail(QStringLiteral("--demo and --scenario exclude each other"));
    if (p.isSet(QStringLiteral("demo")))
        controller = sim::Controller::builtinDemo();
    if (p.isSet(QStringLiteral("scenario"))) {
        QFile file(p.value(QStringLiteral("scenario")));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        const auto loaded = sim::Controller::fromJson(file.readAll(), &error);
        if (!loaded)
            return fail(QStringLiteral("%1: %2").arg(file.fileName(), error));
        controller = *loaded;
    }
    int units = 0;
    if (!count(p, QStringLiteral("units"), &units) || units > PanelUnits)
        return fail(QStringLiteral("--units takes a whole number from 0 to 64"));
    controller.fillUnits(units);
    if (p.isSet(QStringLiteral("print-scenario"))) {
        std::fputs(controller.toJson().constData(), stdout);
        return 0;
    }

    sim::Server server(controller);
    sim::Faults &f = server.faults;
    f.ackOnly = p.isSet(QStringLiteral("ack-only"));
    f.greet = p.isSet(QStringLiteral("greet"));
    f.refuse = p.isSet(QStringLiteral("refuse"));
    f.silent = p.isSet(QStringLiteral("silent"));
    f.garbage = p.isSet(QStringLiteral("garbage"));
    f.badHex = p.isSet(QStringLiteral("bad-hex"));
    f.outOfRange = p.isSet(QStringLiteral("out-of-range"));
    f.hugeLine = p.isSet(QStringLiteral("huge-line"));
    f.dropExit = p.isSet(QStringLiteral("drop-exit"));
    f.flood = p.isSet(QStringLiteral("flood"));
    f.duplicate = p.isSet(QStringLiteral("duplicate"));
    f.stray = p.isSet(QStringLiteral("stray"));
    if (!count(p, QStringLiteral("silent-after"), &f.silentAfter) ||
        !count(p, QStringLiteral("delay"), &f.delayMs) ||
        !count(p, QStringLiteral("close-after"), &f.closeAfter) ||
        !count(p, QStringLiteral("drop-aok"), &f.dropAok))
        return fail(QStringLiteral(
            "--silent-after, --delay, --close-after and --drop-aok take a whole number 0 or more"));
    if (p.isSet(QStringLiteral("cut-after"))) {
        for (const QString &item : p.value(QStringLiteral("cut-after")).split(QLatin1Char(','))) {
            bool ok = false;
            const int n = item.toInt(&ok);
            if (!ok || n < 0)
                return fail(QStringLiteral("--cut-after takes whole numbers 0 or more, separated by commas"));
            f.cutAfter.push_back(n);
        }
    }
    if (!count(p, QStringLiteral("schedule-lead"), &f.scheduleLead) || f.scheduleLead > 255)
        return fail(QStringLiteral("--schedule-lead takes a whole number from 0 to 255"));

    QTimer toggleFault;
    if (p.isSet(QStringLiteral("toggle-fault"))) {
        const QStringList parts = p.value(QStringLiteral("toggle-fault")).split(QLatin1Char(':'));
        bool addrOk = false;
        bool secsOk = false;
        const int adr = parts.value(0).toInt(&addrOk);
        const int secs = parts.value(1).toInt(&secsOk);
        if (parts.size() != 2 || !addrOk || !secsOk || secs < 1 || !server.controller().units.count(adr))
            return fail(
                QStringLiteral("--toggle-fault takes ADDR:SECONDS, the address of a unit and 1 or more"));
        sim::Unit &unit = server.controller().units[adr];
        // The unit's own fault comes back each time; one without gets E1.
        const std::array<quint8, 5> fault =
            unit.inFault() ? unit.faults : std::array<quint8, 5>{0x02, 0x00, 0x00, 0x00, 0x00};
        toggleFault.setInterval(secs * 1000);
        QObject::connect(&toggleFault, &QTimer::timeout, [&unit, fault, adr] {
            unit.faults = unit.inFault() ? std::array<quint8, 5>{} : fault;
            out(QStringLiteral("unit %1 fault %2").arg(adr).arg(unit.inFault() ? "on" : "off"));
        });
        toggleFault.start();
    }

    QObject::connect(&server, &sim::Server::logLine, &out);
    SignalPipe signalQuit({SIGINT, SIGTERM});
    QObject::connect(&signalQuit, &SignalPipe::signalled, [](int sig) {
        out(QStringLiteral("signal %1, quitting").arg(sig));
        QCoreApplication::quit();
    });
    if (!server.listen(address, port))
        return fail(QStringLiteral("cannot listen on %1:%2: %3")
                        .arg(address.toString())
                        .arg(port)
                        .arg(server.errorString()));

    sim::Beacon beacon;
    QObject::connect(&beacon, &sim::Beacon::logLine, &out);
    if (p.isSet(QStringLiteral("beacon"))) {
        QString value = p.value(QStringLiteral("beacon"));
        if (!value.contains(QLatin1Char(':')))
            value += QStringLiteral(":%1").arg(sim::Beacon::port);
        QHostAddress target;
        quint16 targetPort = 0;
        if (!sim::parseListenAddress(value, &target, &targetPort, &error) ||
            !beacon.start(target, 1000, targetPort, address))
            return fail(QStringLiteral("--beacon needs a loopback address and port"));
    }
    sim::RegistrationService http;
    http.reply = p.value(QStringLiteral("http-reply")).toLatin1();
    for (const QString &text : p.values(QStringLiteral("account"))) {
        sim::Account account;
        if (!sim::parseAccount(text, &account))
            return fail(QStringLiteral("--account takes USER:PASSWORD:REPLY, not \"%1\"").arg(text));
        http.accounts.append(account);
    }
    QObject::connect(&http, &sim::RegistrationService::logLine, &out);
    if (p.isSet(QStringLiteral("http"))) {
        const uint httpPort = p.value(QStringLiteral("http")).toUInt();
        if (httpPort == 0 || httpPort > 65535 || !http.listen(address, quint16(httpPort)))
            return fail(QStringLiteral("cannot serve http on %1:%2: %3")
                            .arg(address.toString(), p.value(QStringLiteral("http")), http.errorString()));
        out(QStringLiteral("registration service on http://%1:%2/xrv/xrv_regdevice.php")
                .arg(address.toString())
                .arg(httpPort));
    }

    const int rc = QCoreApplication::exec();
    server.close();
    out(QStringLiteral("stopped"));
    return rc;
}
