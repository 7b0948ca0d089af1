// The MQTT client against a real Mosquitto broker on a loopback address:
// retained messages, the last will, a cut link and a broker restart.
#include "bridge/BrokerProcess.h"
#include "bridge/MqttClient.h"
#include "bridge/Timings.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <sys/socket.h>

#include <memory>

namespace {

const QString BrokerAddress = QStringLiteral("127.0.0.121");
const QString Availability = QStringLiteral("test/bridge/availability");
const QString LinkAvailability =
    QStringLiteral("test/link/availability"); // no earlier test leaves a will here

struct Received
{
    QString topic;
    QByteArray payload;
    bool retained = false;
};

// A client that keeps every message it receives.
struct Watcher
{
    std::unique_ptr<bridge::MqttClient> client;
    QList<Received> received;

    Watcher(const BrokerProcess &broker, const QString &id, const QString &willTopic = QString())
    {
        bridge::BrokerOptions options;
        options.host = broker.address();
        options.port = broker.port();
        options.clientId = id;
        options.willTopic = willTopic;
        client = std::make_unique<bridge::MqttClient>(options);
        QObject::connect(client.get(), &bridge::MqttClient::message, client.get(),
                         [this](const QString &topic, const QByteArray &payload, bool retained) {
                             received.append({topic, payload, retained});
                         });
    }

    QList<QByteArray> payloads(const QString &topic) const
    {
        QList<QByteArray> out;
        for (const Received &message : received)
            if (message.topic == topic)
                out << message.payload;
        return out;
    }

    bool has(const QString &topic, const QByteArray &payload, int count = 1) const
    {
        int seen = 0;
        for (const Received &message : received)
            if (message.topic == topic && message.payload == payload)
                ++seen;
        return seen >= count;
    }
};

} // namespace

class TestBroker : public QObject
{
    Q_OBJECT

    BrokerProcess broker{BrokerAddress};

    static bool goOnline(bridge::MqttClient &client)
    {
        QSignalSpy online(&client, &bridge::MqttClient::online);
        QString error;
        if (!client.start(&error))
            qWarning() << error;
        return online.wait(5000);
    }

private slots:
    void initTestCase()
    {
        bridge::Timings &t = bridge::timings();
        t.reconnectFirst = 50;
        t.reconnectMax = 400;
        t.housekeeping = 100;
        t.keepAlive = 5;
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
    }

    void unusableOptionsRefuseToStart()
    {
        bridge::BrokerOptions options;
        options.host = broker.address();
        options.port = broker.port();
        options.caFile = QStringLiteral("/nonexistent/ca.crt");
        bridge::MqttClient client(options);
        QString error;
        QVERIFY(!client.start(&error));
        QVERIFY2(error.contains(QStringLiteral("ca.crt")), qPrintable(error));
    }

    void userAndPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("admitted");
        QTest::newRow("right password") << QStringLiteral("s3cret") << true;
        QTest::newRow("wrong password") << QStringLiteral("guess") << false;
    }

    void userAndPassword()
    {
        QFETCH(QString, password);
        QFETCH(bool, admitted);
        BrokerProcess guarded(QStringLiteral("127.0.0.122"), QStringLiteral("bridge"),
                              QStringLiteral("s3cret"));
        QString error;
        QVERIFY2(guarded.start(&error), qPrintable(error));
        bridge::BrokerOptions options;
        options.host = guarded.address();
        options.port = guarded.port();
        options.user = QStringLiteral("bridge");
        options.password = password;
        bridge::MqttClient client(options);
        QSignalSpy online(&client, &bridge::MqttClient::online);
        QSignalSpy failure(&client, &bridge::MqttClient::failure);
        QVERIFY(client.start());
        if (admitted) {
            QVERIFY(online.wait(5000));
            return;
        }
        // Refused, told, and tried again after the wait.
        QTRY_VERIFY(failure.size() >= 2);
        QVERIFY2(failure.at(0).at(0).toString().contains(QStringLiteral("refused the connection")),
                 qPrintable(failure.at(0).at(0).toString()));
        QVERIFY(online.isEmpty());
    }

    void retainedMessagesReachALaterSubscriber()
    {
        Watcher publisher(broker, QStringLiteral("publisher"), Availability);
        QVERIFY(goOnline(*publisher.client));
        QVERIFY(publisher.client->publish(QStringLiteral("test/c1/3/state"), R"({"address":3})", true));
        QVERIFY(publisher.client->publish(QStringLiteral("test/c1/3/event"), "not kept", false));

        Watcher reader(broker, QStringLiteral("reader"));
        reader.client->subscribe(QStringLiteral("test/#"));
        QVERIFY(goOnline(*reader.client));
        QTRY_VERIFY(reader.has(QStringLiteral("test/c1/3/state"), R"({"address":3})"));
        QTRY_VERIFY(reader.has(Availability, "online"));
        for (const Received &message : reader.received) {
            QVERIFY(message.retained);
            QVERIFY(message.topic != QStringLiteral("test/c1/3/event"));
        }
        publisher.client->publish(QStringLiteral("test/c1/3/state"), {}, true); // leave nothing behind
        QTRY_VERIFY(reader.has(QStringLiteral("test/c1/3/state"), {}));
    }

    void availabilityFollowsTheLink()
    {
        Watcher reader(broker, QStringLiteral("reader"));
        reader.client->subscribe(LinkAvailability);
        QVERIFY(goOnline(*reader.client));

        Watcher bridgeClient(broker, QStringLiteral("bridge"), LinkAvailability);
        QSignalSpy online(bridgeClient.client.get(), &bridge::MqttClient::online);
        QSignalSpy offline(bridgeClient.client.get(), &bridge::MqttClient::offline);
        QVERIFY(bridgeClient.client->start());
        QTRY_COMPARE(reader.payloads(LinkAvailability), QList<QByteArray>{"online"});

        // A cut network: no goodbye, so the broker sends the will; then the client comes back.
        ::shutdown(bridgeClient.client->nativeSocket(), SHUT_RDWR);
        QTRY_COMPARE(reader.payloads(LinkAvailability), (QList<QByteArray>{"online", "offline", "online"}));
        QCOMPARE(offline.size(), 1);
        QCOMPARE(online.size(), 2);

        // A clean stop says `offline` itself, since the broker drops the will of a goodbye; once,
        // even with a message still unread by the client when it stops (a reset link would
        // lose the goodbye and bring the will too).
        bridgeClient.client->subscribe(QStringLiteral("test/link/unread"));
        QTRY_VERIFY(reader.client->publish(QStringLiteral("test/link/unread"), "x", false));
        QThread::msleep(100); // the message reaches the client's socket, unread
        QSignalSpy stopped(bridgeClient.client.get(), &bridge::MqttClient::stopped);
        bridgeClient.client->stop();
        QTRY_COMPARE(stopped.size(), 1);
        QVERIFY(reader.client->publish(LinkAvailability, "end", false));
        QTRY_VERIFY(reader.has(LinkAvailability, "end"));
        QCOMPARE(reader.payloads(LinkAvailability),
                 (QList<QByteArray>{"online", "offline", "online", "offline", "end"}));
        QVERIFY(!bridgeClient.client->isOnline());
        QVERIFY(!bridgeClient.client->publish(LinkAvailability, {}, true));
    }

    void brokerRestartReconnectsAndRenewsSubscriptions()
    {
        Watcher listener(broker, QStringLiteral("listener"), Availability);
        listener.client->subscribe(QStringLiteral("test/c1/+/set/#"));
        QVERIFY(goOnline(*listener.client));
        QSignalSpy online(listener.client.get(), &bridge::MqttClient::online);
        QSignalSpy offline(listener.client.get(), &bridge::MqttClient::offline);

        broker.stop();
        QVERIFY(offline.wait(3000));
        QVERIFY(!listener.client->publish(QStringLiteral("test/lost"), "x", false));
        QString error;
        QVERIFY2(broker.start(&error), qPrintable(error));
        QVERIFY(online.wait(5000));

        Watcher sender(broker, QStringLiteral("sender"));
        QVERIFY(goOnline(*sender.client));
        sender.client->publish(QStringLiteral("test/c1/4/set/mode"), "cool", false);
        QTRY_VERIFY(listener.has(QStringLiteral("test/c1/4/set/mode"), "cool"));
    }
};

QTEST_GUILESS_MAIN(TestBroker)
#include "tst_broker.moc"
