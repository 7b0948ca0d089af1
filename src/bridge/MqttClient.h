#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QSocketNotifier;
class QTimer;
struct mosquitto;
struct mosquitto_message;

namespace bridge {

struct BrokerOptions
{
    QString host = QStringLiteral("localhost");
    int port = 1883;
    QString clientId; // empty: the library makes one up
    QString user;     // empty: no user name or password is sent
    QString password;
    QString caFile; // non-empty: TLS, the broker's certificate checked against this CA
    // The last will: published by the broker when the link dies without a goodbye,
    // and by the client itself on a clean stop; `online` goes there on every connect.
    QString willTopic;
    QByteArray willOffline = "offline";
    QByteArray willOnline = "online";
};

// A libmosquitto client driven by this thread's event loop through its socket,
// without a thread of its own. It reconnects by itself with a growing wait;
// after each connect it renews the subscriptions and emits online(), after
// which the owner publishes its retained state again. Nothing is published
// while offline: what was lost is republished on online().
class MqttClient final : public QObject
{
    Q_OBJECT
public:
    explicit MqttClient(BrokerOptions options, QObject *parent = nullptr);
    ~MqttClient() override; // drops the link without a goodbye: the broker sends the will
    Q_DISABLE_COPY_MOVE(MqttClient)

    // Sets the client up and starts connecting. False (with the reason in *error)
    // when the options cannot be used, e.g. an unreadable CA file.
    bool start(QString *error = nullptr);
    // Publishes the will's `offline` itself, says goodbye once the broker has acknowledged it
    // and emits stopped(), maybe before it returns.
    void stop();

    bool isOnline() const { return state == State::Online; }
    // False when offline or when the library refuses the message.
    bool publish(const QString &topic, const QByteArray &payload, bool retain, int qos = 1);
    // Messages handed to the library since start, and those the broker acknowledged (QoS 1 and 2).
    qint64 publishedCount() const { return published; }
    qint64 acknowledgedCount() const { return acknowledged; }
    // Kept and renewed on every connect.
    void subscribe(const QString &pattern, int qos = 1);

    // The link's socket, -1 without one; tests cut it to play a broken network.
    int nativeSocket() const;

signals:
    void online();
    void offline(const QString &reason);
    void message(const QString &topic, const QByteArray &payload, bool retained);
    void failure(const QString &text); // a line for the log
    void stopped();

private:
    enum class State { Idle, Connecting, Online, Waiting, Stopping, Stopped };
    struct Event
    {
        enum class Kind { Connected, Refused, Disconnected, Message, Published } kind;
        int code = 0; // the message id for Published
        QString topic;
        QByteArray payload;
        bool retained = false;
    };

    static void onConnect(mosquitto *, void *self, int code);
    static void onDisconnect(mosquitto *, void *self, int code);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    static void onPublish(mosquitto *, void *self, int mid);

    void attempt();
    void scheduleReconnect();
    void afterCall(int rc, const char *what); // handles the events a library call caused
    void handle(const Event &event);
    void watchSocket();
    void dropNotifiers();
    void updateWriteInterest();
    void sayGoodbye(); // the DISCONNECT, after which the broker drops the will
    void finishStop();
    QString broker() const; // "broker HOST:PORT" for the log

    BrokerOptions options;
    mosquitto *mosq = nullptr;
    State state = State::Idle;
    bool triedOnce = false; // later attempts reconnect to the host given first
    bool refused = false;   // this attempt's refusal was told already
    int nextDelay = 0;
    qint64 published = 0;
    qint64 acknowledged = 0;
    int goodbyeAfter = -1; // the id of the stop's `offline`, whose acknowledgement the goodbye waits for
    QStringList subscriptions;
    std::vector<int> subscriptionQos;
    std::vector<Event> events;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer *housekeeping = nullptr;
    QTimer *reconnectTimer = nullptr;
    QTimer *stopTimer = nullptr;
};

} // namespace bridge
