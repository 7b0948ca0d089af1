#include "Controller.h"
#include "Extras.h"
#include "Responder.h"
#include "Server.h"
#include "Wire.h"
#include "link/Codes.h"
#include "link/Frame.h"
#include "session/Encoder.h"
#include "units/Setting.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

using namespace sim;

namespace {

const QHostAddress address(QStringLiteral("127.0.0.23"));

QString describe(const std::vector<Input> &inputs)
{
    QStringList out;
    for (const Input &in : inputs) {
        switch (in.kind) {
        case Input::Kind::Frame:
            out << QStringLiteral("F%1:%2").arg(in.code).arg(
                QString::fromLatin1(in.payload.toHex().toUpper()));
            break;
        case Input::Kind::Malformed:
            out << QStringLiteral("M:") + QString::fromLatin1(in.raw);
            break;
        case Input::Kind::Junk:
            out << QStringLiteral("J:") + QString::fromLatin1(in.raw);
            break;
        case Input::Kind::Escape:
            out << QStringLiteral("E");
            break;
        case Input::Kind::Command:
            out << QStringLiteral("C:") + QString::fromLatin1(in.raw);
            break;
        }
    }
    return out.join(QLatin1Char(' '));
}

// Hands the core's request for `task` to the simulated controller; the answer's payload.
QByteArray ask(Controller &c, int task, int addr, const RequestSources &src = {})
{
    TtaskRecord t;
    t.code = task;
    t.addr = addr;
    const frame::ParsedLine line = frame::parseLine(encodeTask(t, src).bytes);
    return respond(c, line.packet.code, line.packet.data, {}).payload;
}

} // namespace

// The simulator's parts without a running link: input cutting, scenario files, module replies,
// listen addresses, the beacon and the registration service.
class TestSimParts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutter_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one frame") << QByteArrayList{"*MK3200*#"} << QStringLiteral("F50:");
        QTest::newRow("split across reads")
            << QByteArrayList{"*MK1", "E02*0", "5#"} << QStringLiteral("F30:05");
        QTest::newRow("two in one write")
            << QByteArrayList{"*MK1E02*05#*MK2202*05#"} << QStringLiteral("F30:05 F34:05");
        QTest::newRow("junk between")
            << QByteArrayList{"*MK0200*#xy z*MK1D00*#"} << QStringLiteral("F2: J:xy z F29:");
        QTest::newRow("line ends ignored")
            << QByteArrayList{"*MK0200*#\r\n*MK1D00*#"} << QStringLiteral("F2: F29:");
        QTest::newRow("lower-case hex") << QByteArrayList{"*MK1e02*0a#"} << QStringLiteral("F30:0A");
        QTest::newRow("stray star") << QByteArrayList{"**MK0200*#"} << QStringLiteral("J:* F2:");
        QTest::newRow("bad digit, then recovers")
            << QByteArrayList{"*MK1E02*0G#*MK0200*#"} << QStringLiteral("M:*MK1E02*0G# F2:");
        QTest::newRow("short frame") << QByteArrayList{"*MK1E04*05#*MK0200*#"}
                                     << QStringLiteral("M:*MK1E04*05# F2:");
        QTest::newRow("odd length") << QByteArrayList{"*MK1E03*050#"} << QStringLiteral("M:*MK1E03*050#");
        QTest::newRow("text payload") << QByteArrayList{"*MK1A06*414243#"} << QStringLiteral("F26:414243");
        QTest::newRow("command mode and back") << QByteArrayList{"$$", "$get ip\r", "\nexit\r\n*MK0200*#"}
                                               << QStringLiteral("E C:get ip C:exit F2:");
        QTest::newRow("dollar that is no escape")
            << QByteArrayList{"$a*MK0200*#"} << QStringLiteral("J:$a F2:");
        QTest::newRow("overlong command")
            << QByteArrayList{"$$$", QByteArray(InputCutter::maxCommandLine + 1, 'a'), "\r\nsave\r\n"}
            << QStringLiteral("E J:%1 C: C:save")
                   .arg(QString(InputCutter::maxCommandLine + 1, QLatin1Char('a')));
    }

    void cutter()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, expected);
        InputCutter cutter;
        std::vector<Input> all;
        for (const QByteArray &chunk : chunks)
            for (Input &in : cutter.feed(chunk))
                all.push_back(std::move(in));
        QCOMPARE(describe(all), expected);
        QCOMPARE(cutter.buffered(), 0);
    }

    void moduleSettingsAreKept()
    {
        Controller c = Controller::builtinDefault();
        QCOMPARE(moduleReply(c, "set wlan ssid My Net"), QByteArrayList{"AOK"});
        QCOMPARE(moduleReply(c, "set ip dhcp 0"), QByteArrayList{"AOK"});
        QCOMPARE(moduleReply(c, "set ip address 127.0.0.7"), QByteArrayList{"AOK"});
        QCOMPARE(moduleReply(c, "get wlan").first(), QByteArray("SSID=My Net"));
        const QByteArrayList ip = moduleReply(c, "get ip");
        QVERIFY(ip.contains("DHCP=OFF"));
        QVERIFY(ip.contains("IP=127.0.0.7:2000"));
        QCOMPARE(ip.last(), QByteArray("BACKUP=0.0.0.0")); // it ends the application's wait
    }

    void beaconAnnouncesWifly()
    {
        QUdpSocket receiver;
        QVERIFY(receiver.bind(address, 0));
        Beacon beacon;
        QVERIFY(!beacon.start(QHostAddress(QStringLiteral("192.168.1.1"))));
        QVERIFY(beacon.start(address, 50, receiver.localPort()));
        QTRY_VERIFY(receiver.hasPendingDatagrams());
        // The listener drops control bytes and lowers the case before it looks for the word.
        QByteArray text;
        for (const char c : receiver.receiveDatagram().data())
            if (quint8(c) >= 32)
                text += c;
        QVERIFY(text.toLower().contains("wifly"));
    }

    void registrationServiceAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("registration")
            << QByteArray("GET /xrv/xrv_regdevice.php?cc=x&us=u&pw=p&mc=m HTTP/1.1\r\n\r\n")
            << QByteArray("HTTP/1.0 200 OK") << QByteArray("0");
        QTest::newRow("other path") << QByteArray("GET /index.html HTTP/1.1\r\n\r\n")
                                    << QByteArray("HTTP/1.0 404 Not Found") << QByteArray("not found");
    }

    void registrationServiceAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        RegistrationService service;
        QVERIFY(service.listen(address, 0));
        QTcpSocket client;
        client.connectToHost(address, service.serverPort());
        QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
        client.write(request);
        QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
        const QByteArray response = client.readAll();
        QVERIFY2(response.startsWith(status), response.constData());
        QVERIFY(response.endsWith("\r\n\r\n" + body));
    }

    void listenAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("loopback") << QStringLiteral("127.0.0.21:2000") << true;
        QTest::newRow("whole /8") << QStringLiteral("127.200.3.4:1") << true;
        QTest::newRow("lan") << QStringLiteral("192.168.1.20:2000") << false;
        QTest::newRow("any") << QStringLiteral("0.0.0.0:2000") << false;
        QTest::newRow("ipv6") << QStringLiteral("::1:2000") << false;
        QTest::newRow("no port") << QStringLiteral("127.0.0.1") << false;
        QTest::newRow("port too big") << QStringLiteral("127.0.0.1:70000") << false;
    }

    void listenAddress()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QHostAddress address;
        quint16 p = 0;
        QString error;
        QCOMPARE(parseListenAddress(text, &address, &p, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
    }

    void accountsSplitAtTheFirstAndLastColon_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("password"); // empty: refused
        QTest::newRow("plain") << "mario:p1:0"
                               << "p1";
        QTest::newRow("colons and delimiters") << "mario:a:b&#+ c:4"
                                               << "a:b&#+ c";
        QTest::newRow("no reply") << "mario:p1:"
                                  << "";
        QTest::newRow("no user") << ":p1:0"
                                 << "";
        QTest::newRow("one colon") << "mario:0"
                                   << "";
    }

    void accountsSplitAtTheFirstAndLastColon()
    {
        QFETCH(QString, text);
        QFETCH(QString, password);
        Account account;
        QCOMPARE(parseAccount(text, &account), !password.isEmpty());
        if (!password.isEmpty()) {
            QCOMPARE(account.user, QStringLiteral("mario"));
            QCOMPARE(account.password, password);
        }
    }

    void shippedScenariosMatchBuiltins()
    {
        const struct
        {
            const char *file;
            Controller builtin;
        } cases[] = {{"../../sim/scenarios/default.json", Controller::builtinDefault()},
                     {"../../sim/scenarios/demo.json", Controller::builtinDemo()}};
        for (const auto &c : cases) {
            QFile file(QFINDTESTDATA(c.file));
            QVERIFY2(file.open(QIODevice::ReadOnly), c.file);
            QString error;
            const auto loaded = Controller::fromJson(file.readAll(), &error);
            QVERIFY2(loaded, qPrintable(error));
            QCOMPARE(loaded->toJson(), c.builtin.toJson());
        }
    }

    void scenarioErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("word");
        QTest::newRow("not json") << QByteArray("{") << QString();
        QTest::newRow("address 64") << QByteArray(R"({"units":[{"address":64}]})")
                                    << QStringLiteral("address");
        QTest::newRow("twice") << QByteArray(R"({"units":[{"address":3},{"address":3}]})")
                               << QStringLiteral("twice");
        QTest::newRow("long name") << QByteArray(R"({"units":[{"address":1,"name":"0123456789abcdef"}]})")
                                   << QStringLiteral("name");
        QTest::newRow("fault code") << QByteArray(R"({"units":[{"address":1,"faults":["X1"]}]})")
                                    << QStringLiteral("fault");
        QTest::newRow("mode name") << QByteArray(R"({"units":[{"address":1,"mode":"freeze"}]})")
                                   << QStringLiteral("freeze");
        QTest::newRow("half degree") << QByteArray(R"({"units":[{"address":1,"room":22.3}]})")
                                     << QStringLiteral("room");
        QTest::newRow("schedule time")
            << QByteArray(R"({"units":[{"address":1,"schedule":[{"at":"Mon 25:00"}]}]})")
            << QStringLiteral("at");
    }

    void scenarioErrors()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, word);
        QString error;
        QVERIFY(!Controller::fromJson(json, &error));
        QVERIFY2(error.contains(word), qPrintable(error));
    }

    void faultCodesMapToStatusBits_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("byteIndex");
        QTest::addColumn<int>("bit");
        QTest::newRow("E0") << QStringLiteral("E0") << 0 << 0;
        QTest::newRow("E9") << QStringLiteral("E9") << 1 << 1;
        QTest::newRow("PA") << QStringLiteral("PA") << 3 << 2;
        QTest::newRow("3#") << QStringLiteral("3#") << 4 << 3;
    }

    void faultCodesMapToStatusBits()
    {
        QFETCH(QString, code);
        QFETCH(int, byteIndex);
        QFETCH(int, bit);
        int b = -1, i = -1;
        QVERIFY(faultBit(code, &b, &i));
        QCOMPARE(b, byteIndex);
        QCOMPARE(i, bit);
        QCOMPARE(units::faultCode(b, i), code);
    }

    // The core's encoder, the simulator and the core's decoders agree on the settings
    // and status layouts: what the dialog sends comes back as the same buttons and values.
    void settingsComeBackThroughTheStatus_data()
    {
        QTest::addColumn<int>("task");
        QTest::addColumn<int>("modeButton");
        QTest::addColumn<int>("fanButton");
        QTest::addColumn<bool>("flap");
        QTest::newRow("one unit, cooling, low, flap") << +Code::SetUnitStatus << 2 << 1 << true;
        QTest::newRow("one unit, ventilation, auto") << +Code::SetUnitStatus << 5 << 0 << false;
        QTest::newRow("all units, heating, high, flap") << +Code::SetAllUnitStatus << 3 << 3 << true;
    }

    void settingsComeBackThroughTheStatus()
    {
        QFETCH(int, task);
        QFETCH(int, modeButton);
        QFETCH(int, fanButton);
        QFETCH(bool, flap);
        setting::Controls controls;
        controls.modeButton = modeButton;
        controls.fanButton = fanButton;
        controls.tmin = 18;
        controls.tmax = 28;
        controls.setTemp = 25;
        controls.flap = flap;
        controls.schedule = true;
        RequestSources src;
        setting::fillUpdateBuffer(src.updateBuffer, controls);

        Controller c = Controller::builtinDefault();
        ask(c, task, 1, src);
        UnitTable table{};
        QCOMPARE(units::storeStatus(table, ask(c, +Code::UnitStatus, 1)), QString());
        const TunitRecord &unit = table[1];
        QCOMPARE(setting::modeButton(unit.buffer[units::ModeByte]), modeButton);
        QCOMPARE(setting::fanButton(unit.buffer[units::FanByte]), fanButton);
        QCOMPARE(int(unit.buffer[units::SetTempByte]), 25);
        QCOMPARE(bool(unit.buffer[units::FlapByte] & units::FlapOnBit), flap);
        QCOMPARE(int(unit.tmin), 18);
        QCOMPARE(int(unit.tmax), 28);
        QCOMPARE(int(unit.prog), 1);
    }

    // The core's schedule frames stored by the simulator and read back with the core's decoder.
    void scheduleComesBackAsSent_data()
    {
        QTest::addColumn<int>("entries");
        QTest::newRow("empty") << 0;
        QTest::newRow("one block") << 30;
        QTest::newRow("two blocks") << 31;
        QTest::newRow("editor's most") << TprogRecordList::MaxEdited;
    }

    void scheduleComesBackAsSent()
    {
        QFETCH(int, entries);
        RequestSources src;
        for (int i = 0; i < entries; ++i)
            src.program.push_back({i * 170, 18 + i % 10, 1 + i % 6, i % 5});
        Controller c = Controller::builtinDefault();
        ask(c, +Code::SetScheduleBlock1, 2, src);
        if (entries > schedule::SlotsPerBlock)
            ask(c, +Code::SetScheduleBlock2, 2, src);

        const QByteArray length = ask(c, +Code::ScheduleLength, 2);
        QCOMPARE(int(length.at(1)), entries == 0 ? 0 : entries > schedule::SlotsPerBlock ? 2 : 1);
        std::vector<TprogRecord> back = schedule::decodeBlock(ask(c, +Code::ScheduleBlock1, 2), false);
        for (const TprogRecord &e : schedule::decodeBlock(ask(c, +Code::ScheduleBlock2, 2), true))
            back.push_back(e);
        QCOMPARE(int(back.size()), entries);
        for (int i = 0; i < entries; ++i) {
            const TprogRecord &sent = src.program[size_t(i)];
            const TprogRecord &got = back[size_t(i)];
            QVERIFY2(sent.Time == got.Time && sent.Temp == got.Temp && sent.Mode == got.Mode &&
                         sent.Fan == got.Fan,
                     qPrintable(QStringLiteral("entry %1").arg(i)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSimParts)
#include "tst_simparts.moc"
