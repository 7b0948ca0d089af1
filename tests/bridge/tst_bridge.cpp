// The daemon in-process against a real Mosquitto broker and the in-process
// simulator: what a reload publishes, a command's frames and the state after
// them, refused payloads, a controller that goes away, a clean stop, a
// broker behind TLS, and the program itself stopped by SIGTERM.
#include "Bridge.h"
#include "Controller.h"
#include "Server.h"
#include "bridge/BrokerProcess.h"
#include "bridge/Timings.h"
#include "shell/Texts.h"
#include "support/FastIntervals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString BrokerAddress = QStringLiteral("127.0.0.205");
const QString ControllerAddress = QStringLiteral("127.0.0.206");
const QString Prefix = QStringLiteral("bt");
const int PeriodMs = 400;

QString ClimateConfig(int unit)
{
    return QStringLiteral("ha/device/bt/hall_%1/config").arg(unit);
}

} // namespace

class TestBridge : public QObject
{
    Q_OBJECT

    BrokerProcess broker{BrokerAddress};
    std::unique_ptr<sim::Server> server;
    std::unique_ptr<bridge::Bridge> daemon;
    std::unique_ptr<bridge::MqttClient> watcher;
    QHash<QString, QList<QByteArray>> received; // by topic, in order
    QStringList frames;                         // what reached the controller

    QList<QByteArray> payloads(const QString &topic) const { return received.value(topic); }
    QByteArray lastPayload(const QString &topic) const
    {
        const QList<QByteArray> all = payloads(topic);
        return all.isEmpty() ? QByteArray() : all.last();
    }
    QJsonObject last(const QString &topic) const
    {
        const QList<QByteArray> all = payloads(topic);
        return all.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(all.last()).object();
    }
    QJsonObject climateOf(int unit) const
    {
        return last(ClimateConfig(unit)).value("components").toObject().value("climate").toObject();
    }
    void startController()
    {
        server = std::make_unique<sim::Server>(sim::Controller::builtinDefault());
        QVERIFY(server->listen(QHostAddress(ControllerAddress), 2000));
        connect(server.get(), &sim::Server::logLine, this, [this](const QString &line) {
            if (line.startsWith(QLatin1String("<- ")))
                frames << line.mid(3);
        });
    }
    void send(const QString &topic, const QByteArray &payload)
    {
        received.clear();
        frames.clear();
        QVERIFY(watcher->publish(topic, payload, false));
    }

private slots:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
        bridge::Timings &t = bridge::timings();
        t.reconnectFirst = 50;
        t.reconnectMax = 400;
        t.housekeeping = 100;
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));

        bridge::BrokerOptions options;
        options.host = broker.address();
        options.port = broker.port();
        options.clientId = QStringLiteral("watcher");
        watcher = std::make_unique<bridge::MqttClient>(options);
        connect(
            watcher.get(), &bridge::MqttClient::message, this,
            [this](const QString &topic, const QByteArray &payload, bool) { received[topic] << payload; });
        watcher->subscribe(Prefix + QStringLiteral("/#"));
        watcher->subscribe(QStringLiteral("ha/#"));
        QSignalSpy online(watcher.get(), &bridge::MqttClient::online);
        QVERIFY(watcher->start(&error));
        QVERIFY(online.wait(5000));

        startController();
        bridge::BridgeConfig config;
        config.prefix = Prefix;
        config.discoveryPrefix = QStringLiteral("ha");
        config.id = QStringLiteral("b1");
        config.controllers = {{QStringLiteral("hall"), QStringLiteral("Hall"), ControllerAddress}};
        options.clientId = QStringLiteral("bridge");
        options.willTopic = Prefix + QStringLiteral("/bridge/b1/availability");
        daemon = std::make_unique<bridge::Bridge>(config, options, PeriodMs);
        QVERIFY2(daemon->start(&error), qPrintable(error));
    }

    void cleanupTestCase()
    {
        daemon.reset();
        watcher.reset();
    }

    void discoveryAndStateAfterReload()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("bt/hall/2/state")).isEmpty(), 5000);
        QCOMPARE(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("online"));
        QCOMPARE(lastPayload(QStringLiteral("bt/bridge/b1/availability")), QByteArray("online"));
        const QJsonObject state = last(QStringLiteral("bt/hall/2/state"));
        QCOMPARE(state.value("name").toString(), QStringLiteral("Meeting room"));
        QCOMPARE(state.value("set_temperature").toInt(), 22);
        const QJsonObject climate = climateOf(2);
        QCOMPARE(climate.value("min_temp").toInt(), 18); // the unit's own limits
        QCOMPARE(climate.value("mode_command_topic").toString(), QStringLiteral("bt/hall/2/set/mode"));
        // Unit 3 is not on the online list: nothing of it.
        QVERIFY(payloads(QStringLiteral("bt/hall/3/state")).isEmpty());

        // The next reloads publish only what changed, and read the online list and each
        // unit's status, not its name.
        received.clear();
        QSignalSpy polled(daemon->controllers().front(), &bridge::Controller::polled);
        QVERIFY(polled.wait(2000));
        frames.clear();
        QVERIFY(polled.wait(2000));
        QVERIFY(payloads(QStringLiteral("bt/hall/2/state")).isEmpty());
        QVERIFY(payloads(QStringLiteral("bt/hall/availability")).isEmpty());
        QVERIFY2(frames.filter(QRegularExpression(QStringLiteral("^\\*MK22"))).isEmpty(),
                 qPrintable(frames.join(' ')));
        QVERIFY2(!frames.filter(QRegularExpression(QStringLiteral("^\\*MK1E"))).isEmpty(),
                 qPrintable(frames.join(' ')));

        // Home Assistant back (its birth message): every config again, without waiting for a poll.
        bridge::timings().fullRefreshEvery = 1000;
        received.clear();
        QVERIFY(watcher->publish(QStringLiteral("ha/status"), "online", false));
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(ClimateConfig(2)).isEmpty(), 5000);
        QVERIFY(payloads(QStringLiteral("bt/hall/2/state")).isEmpty());

        // The periodic full refresh (here at every reload) publishes everything again, even
        // the discovery configs, which nothing else brings again.
        bridge::timings().fullRefreshEvery = 1;
        QVERIFY(polled.wait(2000));
        QVERIFY(watcher->publish(QStringLiteral("bt/marker"), "after the reload", false));
        QTRY_VERIFY(!payloads(QStringLiteral("bt/marker")).isEmpty());
        QVERIFY(!payloads(ClimateConfig(2)).isEmpty());
        QVERIFY(!payloads(QStringLiteral("bt/hall/2/state")).isEmpty());
        bridge::timings().fullRefreshEvery = bridge::Timings().fullRefreshEvery;
    }

    void commandSendsAndPublishes()
    {
        // Heating for unit 2, whose fan was turned to low at the unit since the last poll:
        // the write reads the unit right before it and changes the mode alone.
        server->controller().unit(2)->fan = 0x04;
        send(QStringLiteral("bt/hall/2/set/mode"), "heat");
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/2/state")).value("mode").toString(),
                                  QStringLiteral("heat"), 3000);
        // A reload's requests may come first, when the command joined its link.
        const qsizetype at = frames.indexOf(QStringLiteral("*MK2114*02840416000000121C00#"));
        QVERIFY2(at >= 1 && at + 1 < frames.size(), qPrintable(frames.join(' ')));
        QCOMPARE(frames.at(at - 1), QStringLiteral("*MK1E02*02#"));
        QCOMPARE(frames.at(at + 1), QStringLiteral("*MK1E02*02#"));
        QVERIFY(!frames.contains(QStringLiteral("*MK1F02*02#")) &&
                !frames.contains(QStringLiteral("*MK2002*02#")));
        QCOMPARE(server->controller().unit(2)->mode, quint8(0x84));
        QCOMPARE(last(QStringLiteral("bt/hall/2/state")).value("fan").toString(), QStringLiteral("low"));

        // Quick clicks on one unit: the first goes out at once, the others wait for the
        // write window and go out together.
        const auto writesTo0 = [this] {
            return frames.filter(QRegularExpression(QStringLiteral("^\\*MK2114\\*00"))).size();
        };
        const qsizetype writesBefore = writesTo0();
        for (const QByteArray temperature : {"21", "22", "23", "25"})
            send(QStringLiteral("bt/hall/0/set/temperature"), temperature);
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/0/state")).value("set_temperature").toInt(),
                                  25, 3000);
        QVERIFY2(writesTo0() - writesBefore <= 2, qPrintable(frames.join(' ')));

        send(QStringLiteral("bt/hall/all/set/temperature"), "24");
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/9/state")).value("set_temperature").toInt(),
                                  24, 3000);
        for (int adr : {0, 1, 2, 5, 9})
            QCOMPARE(server->controller().unit(adr)->setTemp, quint8(24));

        // A new name reaches the state and the unit's device in Home Assistant.
        send(QStringLiteral("bt/hall/1/set/name"), "Boardroom");
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/1/state")).value("name").toString(),
                                  QStringLiteral("Boardroom"), 3000);
        const QJsonObject device = last(ClimateConfig(1)).value("device").toObject();
        QCOMPARE(device.value("name").toString(), QStringLiteral("Boardroom"));

        // Power ON resumes the mode the unit keeps while off; off keeps it.
        server->controller().unit(2)->mode = 0x08; // off, cooling kept
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/2/state")).value("power").toString(),
                                  QStringLiteral("OFF"), 3000);
        send(QStringLiteral("bt/hall/2/set/power"), "ON");
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/2/state")).value("mode").toString(),
                                  QStringLiteral("cool"), 3000);
        QCOMPARE(server->controller().unit(2)->mode, quint8(0x88));
        QCOMPARE(last(QStringLiteral("bt/hall/2/state")).value("action").toString(),
                 QStringLiteral("cooling"));
        send(QStringLiteral("bt/hall/2/set/mode"), "off");
        QTRY_COMPARE_WITH_TIMEOUT(server->controller().unit(2)->mode, quint8(0x08), 3000);
        // The lock and the flap as switches.
        send(QStringLiteral("bt/hall/2/set/remote_lock"), "ON");
        send(QStringLiteral("bt/hall/2/set/swing"), "on");
        QTRY_VERIFY_WITH_TIMEOUT(last(QStringLiteral("bt/hall/2/state")).value("remote_lock").toBool() &&
                                     last(QStringLiteral("bt/hall/2/state")).value("flap").toBool(),
                                 3000);
    }

    // A command that comes while a reload runs goes out on its link, not after it.
    void commandJoinsTheReloadUnderWay()
    {
        server->faults.delayMs = 20; // the reload takes about half a second
        QSignalSpy opened(&daemon->controllers().front()->session, &ControllerSession::linkOpened);
        QVERIFY(opened.wait(2000));
        send(QStringLiteral("bt/hall/5/set/fan_mode"), "high");
        QTRY_VERIFY_WITH_TIMEOUT(frames.contains(QStringLiteral("*MK0200*#")), 3000); // the reload's end
        server->faults.delayMs = 0;
        const qsizetype setting = frames.indexOf(QRegularExpression(QStringLiteral("\\*MK2114\\*05.*")));
        QVERIFY2(setting >= 0 && setting < frames.indexOf(QStringLiteral("*MK0200*#")),
                 qPrintable(frames.join(' ')));
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("bt/hall/5/state")).value("fan").toString(),
                                  QStringLiteral("high"), 6000);
    }

    void refusedPayloads_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("errorTopic");
        QTest::addColumn<QString>("reason");
        QTest::newRow("mode") << "bt/hall/2/set/mode" << QByteArray("hot") << "bt/hall/2/error"
                              << "unknown mode";
        QTest::newRow("below limit") << "bt/hall/2/set/temperature" << QByteArray("17") << "bt/hall/2/error"
                                     << "outside 18 to 28";
        QTest::newRow("long name") << "bt/hall/1/set/name" << QByteArray("Sixteen letters!")
                                   << "bt/hall/1/error"
                                   << "longer than 15";
        QTest::newRow("unlisted unit") << "bt/hall/3/set/fan_mode" << QByteArray("low") << "bt/hall/3/error"
                                       << "not on the controller's online list";
        QTest::newRow("name for all") << "bt/hall/all/set/name" << QByteArray("Same") << "bt/hall/all/error"
                                      << "one unit at a time";
        QTest::newRow("blank name") << "bt/hall/1/set/name" << QByteArray("   ") << "bt/hall/1/error"
                                    << "empty name";
        QTest::newRow("unknown field") << "bt/hall/1/set/flap" << QByteArray("on") << "bt/hall/1/error"
                                       << "unknown field";
        QTest::newRow("no such unit") << "bt/hall/65/set/mode" << QByteArray("cool") << "bt/bridge/b1/error"
                                      << "no address";
        QTest::newRow("no such controller")
            << "bt/cellar/2/set/mode" << QByteArray("cool") << "bt/bridge/b1/error"
            << "no controller cellar";
    }
    void refusedPayloads()
    {
        QFETCH(QString, topic);
        QFETCH(QByteArray, payload);
        QFETCH(QString, errorTopic);
        QFETCH(QString, reason);
        send(topic, payload);
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(errorTopic).isEmpty(), 3000);
        const QJsonObject error = last(errorTopic);
        QVERIFY2(error.value("error").toString().contains(reason),
                 qPrintable(error.value("error").toString()));
        QCOMPARE(error.value("topic").toString(), topic);
        // Nothing but reloads reached the controller.
        for (const QString &frame : frames)
            QVERIFY2(!frame.startsWith(QLatin1String("*MK21")) && !frame.startsWith(QLatin1String("*MK1F")) &&
                         !frame.startsWith(QLatin1String("*MK08")),
                     qPrintable(frame));
    }

    // Gone from the online list: configs stay for the day, then go.
    void unitLeavesTheList()
    {
        const QString climate = ClimateConfig(9);
        server->controller().units.erase(9);
        received.clear();
        QSignalSpy polled(daemon->controllers().front(), &bridge::Controller::polled);
        QVERIFY(polled.wait(2000));
        QVERIFY(polled.wait(2000));
        // A config still on its way from an earlier poll may arrive; a removal may not.
        QVERIFY(!payloads(climate).contains(QByteArray()));
        bridge::timings().discoveryKeep = 0;
        QTRY_VERIFY_WITH_TIMEOUT(payloads(climate).contains(QByteArray()), 2000);
        bridge::timings().discoveryKeep = bridge::Timings().discoveryKeep;
    }

    // Retained messages died with the broker: everything is published again.
    void brokerRestarted()
    {
        bridge::timings().fullRefreshEvery = 1000; // no periodic refresh comes to the rescue
        broker.stop();
        received.clear();
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(ClimateConfig(2)).isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("bt/hall/2/state")).isEmpty(), 5000);
        QCOMPARE(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("online"));
        bridge::timings().fullRefreshEvery = bridge::Timings().fullRefreshEvery;
    }

    void controllerGoneAndBack()
    {
        received.clear();
        server.reset();
        QTRY_VERIFY_WITH_TIMEOUT(payloads(QStringLiteral("bt/hall/availability")).contains("offline"), 5000);
        // A command for it lapses after one period, told on the unit's error topic.
        send(QStringLiteral("bt/hall/2/set/mode"), "dry");
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("bt/hall/2/error")).isEmpty(), 3000);
        QVERIFY(last(QStringLiteral("bt/hall/2/error")).value("error").toString().contains("in time"));
        startController();
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("online"),
                                  5000);

        // Connected but silent: offline after one watchdog, not after the link's five reopens.
        server->faults.silent = true;
        QElapsedTimer silence;
        silence.start();
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("offline"),
                                  5000);
        QVERIFY2(silence.elapsed() < PeriodMs + 2 * intervals().watchdog,
                 qPrintable(QString::number(silence.elapsed())));
        server->faults.silent = false;
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("online"),
                                  5000);
    }

    // A period far beyond the bound: probes between polls find the silence, and a command
    // for the silent controller is answered within the bound too.
    void silenceSeenWithinTheBoundOfALongPeriod()
    {
        bridge::Timings &t = bridge::timings();
        t.probeEvery = 300;
        t.offlineWithin = 2000; // the watchdog's 600 ms plus a margin, as the real 15 s and 30 s
        sim::Server quiet(sim::Controller::builtinDefault());
        QVERIFY(quiet.listen(QHostAddress(QStringLiteral("127.0.0.210")), 2000));
        watcher->subscribe(QStringLiteral("lp/#"));
        bridge::BridgeConfig config;
        config.id = QStringLiteral("lp");
        config.prefix = QStringLiteral("lp");
        config.discoveryPrefix = QStringLiteral("ha");
        config.controllers = {{QStringLiteral("roof"), QString(), QStringLiteral("127.0.0.210")}};
        bridge::BrokerOptions options;
        options.host = broker.address();
        options.port = broker.port();
        options.clientId = QStringLiteral("lp");
        bridge::Bridge longPeriod(config, options, 60000);
        QString error;
        QVERIFY2(longPeriod.start(&error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("lp/roof/availability")), QByteArray("online"),
                                  5000);

        // The silence begins between polls: a probe finds it. Then again with a command under
        // way: its write gives up at the first silence, not after a watchdog's reopens.
        for (const bool withCommand : {false, true}) {
            QTest::qWait(2 * t.probeEvery);
            quiet.faults.silent = true;
            if (withCommand)
                send(QStringLiteral("lp/roof/2/set/temperature"), "24");
            QElapsedTimer silence;
            silence.start();
            QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("lp/roof/availability")),
                                      QByteArray("offline"), t.offlineWithin);
            if (withCommand)
                QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("lp/roof/2/error")).isEmpty(),
                                         int(t.offlineWithin - silence.elapsed()));
            // Back: read again at once, not a period later.
            quiet.faults.silent = false;
            QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("lp/roof/availability")),
                                      QByteArray("online"), t.offlineWithin);
        }
        longPeriod.stop();
        t.probeEvery = bridge::Timings().probeEvery;
        t.offlineWithin = bridge::Timings().offlineWithin;
    }

    // Three bridges on one broker: two prefixes with a controller of the same id, and two
    // bridges on one prefix, one of them killed while the other's entities stay available.
    void threeBridgesOnOneBroker()
    {
        sim::Server annex(sim::Controller::builtinDefault());
        QVERIFY(annex.listen(QHostAddress(QStringLiteral("127.0.0.209")), 2000));
        for (const char *root : {"s1/#", "s2/#"})
            watcher->subscribe(QLatin1String(root));
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("bridge.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[bridge]\nid=a\n[topics]\nprefix=s1\ndiscovery_prefix=ha\n[controllers]\noffice=" +
                  ControllerAddress.toUtf8() + "\n");
        ini.close();
        QProcess a;
        a.start(QStringLiteral(BREZZANO_BRIDGE),
                {"--config", ini.fileName(), "--broker",
                 QStringLiteral("%1:%2").arg(broker.address()).arg(broker.port()), "--period", "1"});
        const auto inProcess = [this](const char *id, const char *prefix, const char *controller) {
            bridge::BridgeConfig config;
            config.id = QLatin1String(id);
            config.prefix = QLatin1String(prefix);
            config.discoveryPrefix = QStringLiteral("ha");
            config.brokerHost = broker.address();
            config.brokerPort = broker.port();
            config.clientId = QStringLiteral("brezzano-bridge-") + config.id;
            config.controllers = {{QLatin1String(controller), QString(), QStringLiteral("127.0.0.209")}};
            bridge::BrokerOptions options;
            bridge::brokerOptions(config, &options);
            auto out = std::make_unique<bridge::Bridge>(config, options, PeriodMs);
            QString error;
            out->start(&error);
            return out;
        };
        const auto b = inProcess("b", "s2", "office");
        const auto c = inProcess("c", "s1", "annex");
        QSignalSpy cOnline(&c->client(), &bridge::MqttClient::online);
        for (const char *state : {"s1/office/2/state", "s2/office/2/state", "s1/annex/2/state"})
            QTRY_VERIFY_WITH_TIMEOUT(!payloads(QLatin1String(state)).isEmpty(), 5000);

        // One device and one set of ids per prefix; each unit depends on its own bridge alone.
        const QJsonObject s1 = last(QStringLiteral("ha/device/s1/office_2/config"));
        const QJsonObject s2 = last(QStringLiteral("ha/device/s2/office_2/config"));
        const QJsonObject annexUnit = last(QStringLiteral("ha/device/s1/annex_2/config"));
        const auto uid = [](const QJsonObject &config) {
            return config.value("components").toObject().value("climate").toObject().value("unique_id");
        };
        QVERIFY(uid(s1) != uid(s2));
        const auto availability = [](const QJsonObject &config) {
            QStringList topics;
            for (const QJsonValue &entry : config.value("availability").toArray())
                topics << entry.toObject().value("topic").toString();
            return topics.join(' ');
        };
        QCOMPARE(availability(s1), QStringLiteral("s1/bridge/a/availability s1/office/availability"));
        QCOMPARE(availability(annexUnit), QStringLiteral("s1/bridge/c/availability s1/annex/availability"));

        // A command for a controller of the other bridge on the prefix is that bridge's alone.
        send(QStringLiteral("s1/office/2/set/temperature"), "23");
        QTRY_COMPARE_WITH_TIMEOUT(last(QStringLiteral("s1/office/2/state")).value("set_temperature").toInt(),
                                  23, 5000);
        QVERIFY(payloads(QStringLiteral("s1/bridge/c/error")).isEmpty());

        received.clear();
        a.kill(); // SIGKILL: no goodbye, the broker sends its will
        QVERIFY(a.waitForFinished(5000));
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("s1/bridge/a/availability")),
                                  QByteArray("offline"), 5000);
        QTest::qWait(PeriodMs * 2);
        QVERIFY(!payloads(QStringLiteral("s1/bridge/c/availability")).contains("offline"));
        QVERIFY(!payloads(QStringLiteral("s1/annex/availability")).contains("offline"));
        QVERIFY(cOnline.size() <= 1); // never thrown off the broker by a client of the same id
        for (const char *topic : {"s1/bridge/a/availability", "s1/office/availability"})
            watcher->publish(QLatin1String(topic), {}, true); // leave no will behind for later tests
    }

    void stopSaysOffline()
    {
        received.clear();
        QSignalSpy stopped(daemon.get(), &bridge::Bridge::stopped);
        daemon->stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 3000);
        QTRY_VERIFY(payloads(QStringLiteral("bt/bridge/b1/availability")).contains("offline"));
        QTRY_VERIFY(payloads(QStringLiteral("bt/hall/availability")).contains("offline"));
    }

    // A broker behind TLS, its certificate checked against the CA file.
    void tlsBroker()
    {
        BrokerProcess secured(QStringLiteral("127.0.0.207"));
        QString error;
        QVERIFY2(secured.useTls(&error), qPrintable(error));
        QVERIFY2(secured.start(&error), qPrintable(error));
        bridge::BrokerOptions options;
        options.host = secured.address();
        options.port = secured.port();
        options.caFile = secured.caFile();
        options.clientId = QStringLiteral("tls-watcher");
        bridge::MqttClient reader(options);
        QList<QByteArray> states;
        connect(&reader, &bridge::MqttClient::message, this,
                [&states](const QString &, const QByteArray &payload, bool) { states << payload; });
        reader.subscribe(QStringLiteral("bt/hall/2/state"));
        QVERIFY2(reader.start(&error), qPrintable(error));

        bridge::BridgeConfig config;
        config.prefix = Prefix;
        config.controllers = {{QStringLiteral("hall"), QStringLiteral("Hall"), ControllerAddress}};
        options.clientId = QStringLiteral("tls-bridge");
        bridge::Bridge secureDaemon(config, options, PeriodMs);
        QVERIFY2(secureDaemon.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), 5000);
        QCOMPARE(QJsonDocument::fromJson(states.last()).object().value("name").toString(),
                 QStringLiteral("Meeting room"));
    }

    // The program: the command line alone names the broker and two controllers, both polled
    // and published; log lines in the journal's form; SIGTERM says `offline` once and ends it
    // cleanly.
    void programStopsOnSigterm()
    {
        sim::Server annex(sim::Controller::builtinDefault());
        QVERIFY(annex.listen(QHostAddress(QStringLiteral("127.0.0.208")), 2000));
        QTemporaryDir dir;
        QFile book(dir.filePath(QStringLiteral("brezzano.ini")));
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.write("[SENS]\nNETTYPE=1\n[LISTSENS]\nNAME0=Hall\nIPADDR0=" + ControllerAddress.toUtf8() +
                   "\nNAME1=Annex\nIPADDR1=127.0.0.208\n");
        book.close();
        QFile empty(dir.filePath(QStringLiteral("bridge.ini")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        watcher->subscribe(QStringLiteral("sig/#"));
        received.clear();
        QProcess program;
        program.start(QStringLiteral(BREZZANO_BRIDGE),
                      {"--config", empty.fileName(), "--broker",
                       QStringLiteral("%1:%2").arg(broker.address()).arg(broker.port()), "--address-book",
                       book.fileName(), "--period", "1", "--prefix", "sig", "--id", "s1"});
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("sig/127_0_0_206/2/state")).isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("sig/127_0_0_208/2/state")).isEmpty(), 5000);
        // A payload made to forge a log line of its own stays inside the refusal's line.
        QVERIFY(watcher->publish(QStringLiteral("sig/127_0_0_206/2/set/mode"), "x\n<0>EMERGENCY", false));
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("sig/127_0_0_206/2/error")).isEmpty(), 5000);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // A message sent after the stop comes after anything the stop brought.
        QVERIFY(watcher->publish(QStringLiteral("sig/end"), "end", false));
        QTRY_VERIFY(!payloads(QStringLiteral("sig/end")).isEmpty());
        QCOMPARE(payloads(QStringLiteral("sig/bridge/s1/availability")),
                 (QList<QByteArray>{"online", "offline"}));
        QCOMPARE(lastPayload(QStringLiteral("sig/127_0_0_206/availability")), QByteArray("offline"));
        QCOMPARE(lastPayload(QStringLiteral("sig/127_0_0_208/availability")), QByteArray("offline"));
        const QStringList log =
            QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        // A clean stop: every message it published was acknowledged.
        QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^<6>stopped: (\\d+) messages published, \\1 "
                                                              "acknowledged by the broker$")))
                     .size(),
                 1);
        QCOMPARE(log.filter(QStringLiteral("EMERGENCY")).size(), 1);
        for (const QString &line : log)
            QVERIFY2(line.startsWith(QLatin1String("<6>")) ||
                         (line.startsWith(QLatin1String("<4>")) && line.contains(QLatin1String("refused"))),
                     qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestBridge)
#include "tst_bridge.moc"
