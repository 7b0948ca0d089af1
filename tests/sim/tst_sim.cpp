#include "Controller.h"
#include "Responder.h"
#include "Server.h"
#include "Wire.h"
#include "link/Frame.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>

using namespace sim;

namespace {

const QHostAddress exeAddress(QStringLiteral("127.0.0.21"));
const QHostAddress inProcAddress(QStringLiteral("127.0.0.22"));
constexpr quint16 port = 2000;

// A client end of the link, waiting on the event loop so an in-process server keeps running.
class Link final
{
public:
    explicit Link(const QHostAddress &address)
    {
        socket.connectToHost(address, port);
        [[maybe_unused]] const bool settled = QTest::qWaitFor(
            [this] {
                return socket.state() != QAbstractSocket::ConnectingState &&
                       socket.state() != QAbstractSocket::HostLookupState;
            },
            3000);
    }
    bool connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    QByteArray line(int timeoutMs = 3000)
    {
        [[maybe_unused]] const bool ready =
            QTest::qWaitFor([this] { return socket.canReadLine(); }, timeoutMs);
        return socket.canReadLine() ? socket.readLine() : QByteArray();
    }
    QByteArray ask(const QByteArray &request)
    {
        socket.write(request);
        return line();
    }
    QTcpSocket socket;
};

QString unitSummary(const Unit &u)
{
    return QStringLiteral("mode=%1 fan=%2 set=%3 flap=%4 lock=%5 tmin=%6 tmax=%7 prog=%8 name=%9 sched=%10")
        .arg(u.mode, 2, 16, QLatin1Char('0'))
        .arg(u.fan, 2, 16, QLatin1Char('0'))
        .arg(u.setTemp)
        .arg(int(u.flap))
        .arg(int(u.remoteLocked))
        .arg(u.tmin)
        .arg(u.tmax)
        .arg(u.prog)
        .arg(u.name)
        .arg(u.schedule.size());
}

QString deviceSummary(const Controller &c)
{
    return QStringLiteral("name=%1 pwd=%2 use=%3 web=%4 alarm=%5 lock=%6")
        .arg(c.deviceName, c.password)
        .arg(int(c.usePassword))
        .arg(int(c.web))
        .arg(int(c.alarm))
        .arg(c.lockMode);
}

QByteArray scheduleFrame(int code, int address, int entries)
{
    QByteArray payload(1, char(address));
    for (int i = 0; i < 30; ++i) {
        if (i < entries) {
            const int time = 60 * (i + 1) + (code == 40 ? 3000 : 0);
            payload += char(time >> 8) + QByteArray(1, char(time & 0xFF)) + char(20 + i % 5) + char(0x32);
        } else {
            payload += QByteArray(4, char(0xFF));
        }
    }
    return frame::build(code, payload);
}

} // namespace

class TestSim final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QProcess> startSim(const QStringList &args)
    {
        auto proc = std::make_unique<QProcess>();
        proc->start(QStringLiteral(BREZZANO_SIM), args);
        QByteArray seen;
        [[maybe_unused]] const bool up = QTest::qWaitFor(
            [&] {
                seen += proc->readAllStandardOutput();
                return seen.contains("listening on") || proc->state() == QProcess::NotRunning;
            },
            5000);
        if (proc->state() != QProcess::Running)
            qWarning() << "simulator did not start:" << proc->error() << seen << proc->readAllStandardError();
        return proc;
    }

    std::unique_ptr<Server> startServer(const std::function<void(Faults &)> &setup = {})
    {
        auto server = std::make_unique<Server>(Controller::builtinDefault());
        if (setup)
            setup(server->faults);
        if (!server->listen(inProcAddress, port))
            qWarning() << server->errorString();
        return server;
    }

private Q_SLOTS:
    void executableAnswers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("password flag")
            << QStringList() << QByteArray("*MK3200*#") << QByteArray("*MK3202*00#\n");
        QTest::newRow("ack only") << QStringList{QStringLiteral("--ack-only")} << QByteArray("*MK3200*#")
                                  << QByteArray("*MK3200*#\n");
        QTest::newRow("ack only, status") << QStringList{QStringLiteral("--ack-only")}
                                          << QByteArray("*MK1E02*05#") << QByteArray("*MK1E00*#\n");
        QTest::newRow("demo name") << QStringList{QStringLiteral("--demo")} << QByteArray("*MK2202*21#")
                                   << QByteArray("*MK2222*21526F6F66207465727261636520626100#\n");
    }

    void executableAnswers()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        auto proc =
            startSim(args + QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.21:2000")});
        QCOMPARE(proc->state(), QProcess::Running);
        Link link(exeAddress);
        QVERIFY(link.connected());
        QCOMPARE(link.ask(request), answer);
        proc->terminate();
        QVERIFY(proc->waitForFinished(5000));
    }

    void executableExitsCleanlyOnSigterm()
    {
        auto proc = startSim({QStringLiteral("--listen"), QStringLiteral("127.0.0.21:2000")});
        QCOMPARE(proc->state(), QProcess::Running);
        Link link(exeAddress); // an open connection must not keep it alive
        QVERIFY(link.connected());
        proc->terminate();
        QVERIFY(proc->waitForFinished(5000));
        QCOMPARE(proc->exitStatus(), QProcess::NormalExit);
        QCOMPARE(proc->exitCode(), 0);
    }

    void executableRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("not loopback")
            << QStringList{QStringLiteral("--listen"), QStringLiteral("192.168.1.10:2000")};
        QTest::newRow("any address") << QStringList{QStringLiteral("--listen"),
                                                    QStringLiteral("0.0.0.0:2000")};
        QTest::newRow("no port") << QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.21")};
        QTest::newRow("bad count") << QStringList{QStringLiteral("--silent-after"), QStringLiteral("x")};
        QTest::newRow("missing scenario")
            << QStringList{QStringLiteral("--scenario"), QStringLiteral("/nonexistent.json")};
    }

    void executableRefusesBadArguments()
    {
        QFETCH(QStringList, args);
        QProcess proc;
        proc.start(QStringLiteral(BREZZANO_SIM), args);
        QVERIFY(proc.waitForFinished(5000));
        QCOMPARE(proc.exitCode(), 2);
        QVERIFY(!proc.readAllStandardError().isEmpty());
    }

    void defaultAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QByteArray online(64, '\0');
        for (const int a : {0, 1, 2, 5, 9})
            online[a] = 1;
        QTest::newRow("29 online") << QByteArray("*MK1D00*#") << answerLine(29, online);
        QTest::newRow("30 unit in fault")
            << QByteArray("*MK1E02*05#")
            << QByteArray("*MK1E3A*0500008801125E4EFF7B00000000000000080000000000000000111E00#\n");
        QTest::newRow("30 unit 9") << QByteArray("*MK1E02*09#")
                                   << "*MK1E3A*0900008208175747FF74" + QByteArray(32, '0') + "111E00#\n";
        QTest::newRow("34 name") << QByteArray("*MK2202*05#")
                                 << QByteArray("*MK221A*0553657276657220726F6F6D00#\n");
        QTest::newRow("24 mac") << QByteArray("*MK1800*#") << answerLine(24, "00:1E:C0:12:34:56");
        QTest::newRow("25 device name") << QByteArray("*MK1900*#") << answerLine(25, "Simulated controller");
        QTest::newRow("51 password") << QByteArray("*MK3300*#") << QByteArray("*MK330C*313233343536#\n");
        QTest::newRow("55 web") << QByteArray("*MK3700*#") << QByteArray("*MK3702*01#\n");
        QTest::newRow("68 alarm") << QByteArray("*MK4400*#") << QByteArray("*MK4402*00#\n");
        QTest::newRow("70 lock mode") << QByteArray("*MK4600*#") << QByteArray("*MK4602*00#\n");
        QTest::newRow("41 one block") << QByteArray("*MK2902*00#") << QByteArray("*MK2904*0001#\n");
        QTest::newRow("41 two blocks") << QByteArray("*MK2902*01#") << QByteArray("*MK2904*0102#\n");
        QTest::newRow("41 none") << QByteArray("*MK2902*09#") << QByteArray("*MK2904*0900#\n");
        QTest::newRow("48 ten entries")
            << QByteArray("*MK3002*00#") << QByteArray("*MK30F0*01E01832045618110780183209F61811");
        QTest::newRow("49 tail of 35")
            << QByteArray("*MK3102*01#") << QByteArray("*MK31F2*012346154123DC1422");
        QTest::newRow("unlisted code acknowledged") << QByteArray("*MK0C00*#") << QByteArray("*MK0C00*#\n");
    }

    void defaultAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        auto server = startServer();
        Link link(inProcAddress);
        QVERIFY(link.connected());
        const QByteArray got = link.ask(request);
        if (answer.endsWith('\n')) {
            QCOMPARE(got, answer);
            return;
        }
        // Schedule blocks: entries first, empty slots fill the block up to 30.
        QVERIFY2(got.startsWith(answer), got.constData());
        const int slotsHex = 30 * 8;
        QCOMPARE(got.size(), 8 + (got.at(4) == '1' ? 2 : 0) + slotsHex + 2);
        QVERIFY(got.endsWith("FFFFFFFF#\n"));
    }

    void clockFollowsComputerAndCanBeSet()
    {
        auto server = startServer();
        Link link(inProcAddress);
        const QDateTime before = QDateTime::currentDateTime();
        const QByteArray got = link.ask("*MK0200*#");
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(got == answerLine(2, QByteArray() + char(before.date().dayOfWeek()) +
                                         char(before.time().hour()) + char(before.time().minute())) ||
                got == answerLine(2, QByteArray() + char(after.date().dayOfWeek()) +
                                         char(after.time().hour()) + char(after.time().minute())));
        // 5 March 2014 was a Wednesday; 09:07.
        QCOMPARE(link.ask("*MK030C*0E0305030907#"), QByteArray("*MK0300*#\n"));
        const QByteArray now = link.ask("*MK0200*#");
        QVERIFY2(now == "*MK0206*030907#\n" || now == "*MK0206*030908#\n", now.constData());
    }

    void settingRequestsChangeState_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("address"); // -1: the controller itself
        QTest::addColumn<QString>("state");
        QTest::newRow("33 unit status")
            << QByteArray("*MK2114*058402190000041A1C01#") << 5
            << QStringLiteral("mode=84 fan=02 set=25 flap=1 lock=0 tmin=26 tmax=28 prog=1 "
                              "name=Server room sched=0");
        QTest::newRow("31 lock") << QByteArray("*MK1F02*00#") << 0
                                 << QStringLiteral(
                                        "mode=88 fan=04 set=24 flap=1 lock=1 tmin=17 tmax=30 prog=1 "
                                        "name=Hall sched=10");
        QTest::newRow("32 unlock") << QByteArray("*MK2002*02#") << 2
                                   << QStringLiteral(
                                          "mode=08 fan=02 set=22 flap=0 lock=0 tmin=18 tmax=28 prog=0 "
                                          "name=Meeting room sched=0");
        QTest::newRow("35 name") << QByteArray("*MK230A*0941424300#") << 9
                                 << QStringLiteral(
                                        "mode=82 fan=08 set=23 flap=0 lock=0 tmin=17 tmax=30 prog=0 "
                                        "name=ABC sched=0");
        QTest::newRow("35 long name cut")
            << frame::build(35, "\x09" + QByteArray("ABCDEFGHIJKLMNOPQRST") + '\0') << 9
            << QStringLiteral(
                   "mode=82 fan=08 set=23 flap=0 lock=0 tmin=17 tmax=30 prog=0 name=ABCDEFGHIJKLMNO sched=0");
        QTest::newRow("36 lock all") << QByteArray("*MK2400*#") << 9
                                     << QStringLiteral(
                                            "mode=82 fan=08 set=23 flap=0 lock=1 tmin=17 tmax=30 prog=0 "
                                            "name=Archive sched=0");
        QTest::newRow("38 all units")
            << QByteArray("*MK2612*880415000000121C01#") << 9
            << QStringLiteral("mode=88 fan=04 set=21 flap=0 lock=0 tmin=18 tmax=28 prog=1 "
                              "name=Archive sched=0");
        QTest::newRow("39 one block")
            << scheduleFrame(39, 9, 3) << 9
            << QStringLiteral("mode=82 fan=08 set=23 flap=0 lock=0 tmin=17 tmax=30 prog=0 "
                              "name=Archive sched=3");
        QTest::newRow("39 to all units replaces")
            << scheduleFrame(39, 255, 0) << 1
            << QStringLiteral("mode=84 fan=80 set=21 flap=0 lock=0 tmin=17 "
                              "tmax=30 prog=0 name=Office 1 sched=0");
        QTest::newRow("26 device name") << QByteArray("*MK1A06*414243#") << -1
                                        << QStringLiteral("name=ABC pwd=123456 use=0 web=1 alarm=0 lock=0");
        QTest::newRow("52 password") << QByteArray("*MK3408*39383736#") << -1
                                     << QStringLiteral(
                                            "name=Simulated controller pwd=9876 use=0 web=1 alarm=0 lock=0");
        QTest::newRow("53 use password")
            << QByteArray("*MK3502*01#") << -1
            << QStringLiteral("name=Simulated controller pwd=123456 use=1 web=1 alarm=0 lock=0");
        QTest::newRow("54 web off") << QByteArray("*MK3602*00#") << -1
                                    << QStringLiteral(
                                           "name=Simulated controller pwd=123456 use=0 web=0 alarm=0 lock=0");
        QTest::newRow("69 alarm") << QByteArray("*MK4502*01#") << -1
                                  << QStringLiteral(
                                         "name=Simulated controller pwd=123456 use=0 web=1 alarm=1 lock=0");
        QTest::newRow("71 lock mode")
            << QByteArray("*MK4702*02#") << -1
            << QStringLiteral("name=Simulated controller pwd=123456 use=0 web=1 alarm=0 lock=2");
    }

    void settingRequestsChangeState()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, address);
        QFETCH(QString, state);
        auto server = startServer();
        QSignalSpy handled(server.get(), &Server::requestHandled);
        Link link(inProcAddress);
        const QByteArray answer = link.ask(request);
        QVERIFY2(answer.startsWith(request.left(5)) && answer.endsWith("#\n"), answer.constData());
        QCOMPARE(handled.count(), 1);
        Controller &c = server->controller();
        QCOMPARE(address < 0 ? deviceSummary(c) : unitSummary(*c.unit(address)), state);
    }

    void scheduleRoundTripOverTwoBlocks()
    {
        auto server = startServer();
        Link link(inProcAddress);
        QCOMPARE(link.ask(scheduleFrame(39, 9, 30)), QByteArray("*MK2700*#\n"));
        QCOMPARE(link.ask(scheduleFrame(40, 9, 5)), QByteArray("*MK2800*#\n"));
        QCOMPARE(link.ask("*MK2902*09#"), QByteArray("*MK2904*0902#\n"));
        const QByteArray block2 = link.ask("*MK3102*09#");
        // Entry 31 is the first of the second block: Tuesday 03:00, 20 degrees, mode 3, fan 2.
        QVERIFY2(block2.startsWith("*MK31F2*090BF414320C301532"), block2.constData());
        QCOMPARE(server->controller().unit(9)->schedule.size(), 35);
    }

    void moduleCommandMode_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArrayList>("reply");
        QTest::newRow("get wlan") << QByteArray("get wlan\r\n")
                                  << QByteArrayList{
                                         "SSID=BrezzanoNet", "Chan=0",    "ExtAnt=0",
                                         "Join=1",           "Auth=WPA2", "Mask=0x1fff",
                                         "Rate=12, 24 Mb",   "Linkmon=0", "Passphrase=aria-fresca-2000"};
        QTest::newRow("get dns") << QByteArray("get dns\r\n")
                                 << QByteArrayList{"DNS=127.0.0.53", "Name=time.local", "Backup=0.0.0.0"};
        QTest::newRow("set") << QByteArray("set ip gateway 127.0.0.9\r\n") << QByteArrayList{"AOK"};
        QTest::newRow("save") << QByteArray("save\r\n") << QByteArrayList{"Storing in config"};
        QTest::newRow("unknown") << QByteArray("reboot\r\n") << QByteArrayList{"ERR: ?-Cmd"};
    }

    void moduleCommandMode()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArrayList, reply);
        auto server = startServer();
        Link link(inProcAddress);
        QCOMPARE(link.ask("$$$"), QByteArray("CMD\r\n"));
        link.socket.write(command);
        for (const QByteArray &expected : reply)
            QCOMPARE(link.line(), expected + "\r\n");
        QCOMPARE(link.ask("exit\r\n"), QByteArray("EXIT\r\n"));
        QCOMPARE(link.ask("*MK3200*#"), QByteArray("*MK3202*00#\n"));
    }

    void faultsShapeAnswers_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("bad hex") << QStringLiteral("badHex") << QByteArray("*MK1E02*05#")
                                 << QStringLiteral("^\\*MK1E3A\\*G");
        QTest::newRow("bad hex, no payload")
            << QStringLiteral("badHex") << QByteArray("*MK0C00*#") << QStringLiteral("^\\*MK0C0G\\*#\\n$");
        QTest::newRow("29 too long") << QStringLiteral("outOfRange") << QByteArray("*MK1D00*#")
                                     << QStringLiteral("^\\*MK1DA0\\*[0-9A-F]{158}01#\\n$");
        QTest::newRow("30 address 70, 30 status bytes")
            << QStringLiteral("outOfRange") << QByteArray("*MK1E02*05#")
            << QStringLiteral("^\\*MK1E44\\*46[0-9A-F]{66}#\\n$");
        QTest::newRow("34 address 70")
            << QStringLiteral("outOfRange") << QByteArray("*MK2202*05#") << QStringLiteral("^\\*MK221A\\*46");
        QTest::newRow("2 day 9") << QStringLiteral("outOfRange") << QByteArray("*MK0200*#")
                                 << QStringLiteral("^\\*MK0206\\*09");
        QTest::newRow("greeting first")
            << QStringLiteral("greet") << QByteArray("*MK3200*#") << QStringLiteral("^\\*MK1400\\*#\\n$");
        QTest::newRow("huge line first")
            << QStringLiteral("hugeLine") << QByteArray("*MK3200*#") << QStringLiteral("^x+\\n$");
    }

    void faultsShapeAnswers()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, request);
        QFETCH(QString, pattern);
        auto server = startServer([&fault](Faults &f) {
            f.badHex = fault == QLatin1String("badHex");
            f.outOfRange = fault == QLatin1String("outOfRange");
            f.greet = fault == QLatin1String("greet");
            f.hugeLine = fault == QLatin1String("hugeLine");
        });
        Link link(inProcAddress);
        const QString got = QString::fromLatin1(link.ask(request));
        QVERIFY2(QRegularExpression(pattern).match(got).hasMatch(), qPrintable(got.left(200)));
        if (fault == QLatin1String("hugeLine")) {
            QCOMPARE(got.size(), Server::hugeLineBytes + 1);
            QCOMPARE(link.line(), QByteArray("*MK3202*00#\n"));
        }
    }

    void silentAfterStopsAnswering()
    {
        auto server = startServer([](Faults &f) { f.silentAfter = 2; });
        QSignalSpy log(server.get(), &Server::logLine);
        Link link(inProcAddress);
        QCOMPARE(link.ask("*MK3200*#"), QByteArray("*MK3202*00#\n"));
        QCOMPARE(link.ask("*MK4600*#"), QByteArray("*MK4602*00#\n"));
        link.socket.write("*MK1D00*#");
        QTRY_VERIFY(std::any_of(log.cbegin(), log.cend(), [](const QList<QVariant> &args) {
            return args.at(0).toString().contains("silent");
        }));
        QVERIFY(link.line(200).isEmpty());
        QVERIFY(link.connected());
    }

    void closeAfterEndsEachConnection()
    {
        auto server = startServer([](Faults &f) { f.closeAfter = 2; });
        for (int round = 0; round < 2; ++round) {
            Link link(inProcAddress);
            QVERIFY(link.connected());
            QCOMPARE(link.ask("*MK3200*#"), QByteArray("*MK3202*00#\n"));
            QCOMPARE(link.ask("*MK4600*#"), QByteArray("*MK4602*00#\n"));
            QTRY_COMPARE(link.socket.state(), QAbstractSocket::UnconnectedState);
        }
        QCOMPARE(server->connectionCount(), 2);
    }

    void garbageLinesAreNeverFrames()
    {
        auto server = startServer([](Faults &f) { f.garbage = true; });
        Link link(inProcAddress);
        link.socket.write("*MK3200*#");
        int noise = 0;
        for (QByteArray line = link.line(); !line.isEmpty(); line = link.line()) {
            const QByteArray text = line.trimmed();
            if (text == "*MK3202*00#")
                break;
            QVERIFY2(!(text.startsWith('*') && text.endsWith('#')), text.constData());
            ++noise;
        }
        QVERIFY(noise > 0);
    }

    void delayDoesNotBlockOtherConnections()
    {
        auto server = startServer([](Faults &f) { f.delayMs = 400; });
        QStringList events;
        connect(server.get(), &Server::logLine, this, [&events](const QString &line) { events << line; });
        Link slow(inProcAddress);
        QElapsedTimer clock;
        clock.start();
        slow.socket.write("*MK3200*#");
        QTRY_VERIFY(events.contains(QStringLiteral("<- *MK3200*#")));
        Link other(inProcAddress);
        QVERIFY(other.connected());
        QCOMPARE(slow.line(), QByteArray("*MK3202*00#\n"));
        // The server took the second connection while the first answer waited.
        const auto firstIndex = [&events](const QString &start) {
            const auto found = std::find_if(events.cbegin(), events.cend(),
                                            [&start](const QString &line) { return line.startsWith(start); });
            return found == events.cend() ? -1 : int(found - events.cbegin());
        };
        QTRY_VERIFY(firstIndex(QStringLiteral("connection #2 ")) >= 0);
        QVERIFY(firstIndex(QStringLiteral("connection #2 ")) < firstIndex(QStringLiteral("-> ")));
        QVERIFY(clock.elapsed() >= 400); // a load can lengthen the delay, never shorten it
    }

    void refuseAndSilent()
    {
        auto refusing = startServer([](Faults &f) { f.refuse = true; });
        Link refused(inProcAddress);
        QVERIFY(!refused.connected());
        refusing.reset();
        auto silent = startServer([](Faults &f) { f.silent = true; });
        QSignalSpy handled(silent.get(), &Server::requestHandled);
        Link link(inProcAddress);
        link.socket.write("*MK3200*#");
        QTRY_COMPARE(handled.count(), 1);
        QVERIFY(link.line(200).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
