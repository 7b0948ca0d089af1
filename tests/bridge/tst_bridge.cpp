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

#include <QFile>
#include <QHash>
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
        config.controllers = {{QStringLiteral("hall"), QStringLiteral("Hall"), ControllerAddress}};
        options.clientId = QStringLiteral("bridge");
        options.willTopic = Prefix + QStringLiteral("/bridge/availability");
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
        QCOMPARE(lastPayload(QStringLiteral("bt/bridge/availability")), QByteArray("online"));
        const QJsonObject state = last(QStringLiteral("bt/hall/2/state"));
        QCOMPARE(state.value("name").toString(), QStringLiteral("Meeting room"));
        QCOMPARE(state.value("set_temperature").toInt(), 22);
        const QJsonObject climate = last(QStringLiteral("ha/climate/brezzano_hall/2_climate/config"));
        QCOMPARE(climate.value("min_temp").toInt(), 18); // the unit's own limits
        QCOMPARE(climate.value("mode_command_topic").toString(), QStringLiteral("bt/hall/2/set/mode"));
        QVERIFY(!last(QStringLiteral("ha/binary_sensor/brezzano_hall/2_fault/config")).isEmpty());
        QVERIFY(!last(QStringLiteral("ha/sensor/brezzano_hall/2_room_temperature/config")).isEmpty());
        // Unit 3 is not on the online list: nothing of it.
        QVERIFY(payloads(QStringLiteral("bt/hall/3/state")).isEmpty());

        // The next reloads publish only what changed.
        received.clear();
        QSignalSpy polled(daemon->controllers().front(), &bridge::Controller::polled);
        QVERIFY(polled.wait(2000));
        QVERIFY(polled.wait(2000));
        QVERIFY(payloads(QStringLiteral("bt/hall/2/state")).isEmpty());
        QVERIFY(payloads(QStringLiteral("bt/hall/availability")).isEmpty());

        // The periodic full refresh (here at every reload) publishes everything again, even
        // the discovery configs, which nothing else brings again.
        bridge::timings().fullRefreshEvery = 1;
        QVERIFY(polled.wait(2000));
        QVERIFY(watcher->publish(QStringLiteral("bt/marker"), "after the reload", false));
        QTRY_VERIFY(!payloads(QStringLiteral("bt/marker")).isEmpty());
        QVERIFY(!payloads(QStringLiteral("ha/climate/brezzano_hall/2_climate/config")).isEmpty());
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
        const QJsonObject climate = last(QStringLiteral("ha/climate/brezzano_hall/1_climate/config"));
        QCOMPARE(climate.value("device").toObject().value("name").toString(), QStringLiteral("Boardroom"));
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
                                  QStringLiteral("high"), 3000);
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
        const QString climate = QStringLiteral("ha/climate/brezzano_hall/9_climate/config");
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
        QTRY_VERIFY_WITH_TIMEOUT(
            !payloads(QStringLiteral("ha/climate/brezzano_hall/2_climate/config")).isEmpty(), 5000);
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
        QVERIFY(
            last(QStringLiteral("bt/hall/2/error")).value("error").toString().contains("within one period"));
        startController();
        QTRY_COMPARE_WITH_TIMEOUT(lastPayload(QStringLiteral("bt/hall/availability")), QByteArray("online"),
                                  5000);
    }

    void stopSaysOffline()
    {
        received.clear();
        QSignalSpy stopped(daemon.get(), &bridge::Bridge::stopped);
        daemon->stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 3000);
        QTRY_VERIFY(payloads(QStringLiteral("bt/bridge/availability")).contains("offline"));
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
                       book.fileName(), "--period", "1", "--prefix", "sig"});
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("sig/hall/2/state")).isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!payloads(QStringLiteral("sig/annex/2/state")).isEmpty(), 5000);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // A message sent after the stop comes after anything the stop brought.
        QVERIFY(watcher->publish(QStringLiteral("sig/end"), "end", false));
        QTRY_VERIFY(!payloads(QStringLiteral("sig/end")).isEmpty());
        QCOMPARE(payloads(QStringLiteral("sig/bridge/availability")),
                 (QList<QByteArray>{"online", "offline"}));
        QCOMPARE(lastPayload(QStringLiteral("sig/hall/availability")), QByteArray("offline"));
        QCOMPARE(lastPayload(QStringLiteral("sig/annex/availability")), QByteArray("offline"));
        const QStringList log =
            QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(log.contains(QStringLiteral("<6>stopped")));
        for (const QString &line : log)
            QVERIFY2(line.startsWith(QLatin1String("<6>")), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestBridge)
#include "tst_bridge.moc"
