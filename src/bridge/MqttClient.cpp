#include "bridge/MqttClient.h"

#include "bridge/Timings.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace bridge {

namespace {

constexpr int SendMaximum = 1000; // QoS 1 messages in flight at once

QString errorText(int rc, int savedErrno)
{
    if (rc == MOSQ_ERR_ERRNO && savedErrno != 0)
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

QByteArray orNull(const QString &text)
{
    return text.isEmpty() ? QByteArray() : text.toUtf8();
}

} // namespace

MqttClient::MqttClient(BrokerOptions options, QObject *parent) : QObject(parent), options(std::move(options))
{
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });

    housekeeping = new QTimer(this);
    connect(housekeeping, &QTimer::timeout, this, [this] {
        if (state == State::Connecting || state == State::Online || state == State::Stopping)
            afterCall(mosquitto_loop_misc(mosq), "keep-alive");
    });
    reconnectTimer = new QTimer(this);
    reconnectTimer->setSingleShot(true);
    connect(reconnectTimer, &QTimer::timeout, this, &MqttClient::attempt);
    stopTimer = new QTimer(this);
    stopTimer->setSingleShot(true);
    connect(stopTimer, &QTimer::timeout, this, [this] {
        if (state == State::Stopping && goodbyeAfter >= 0)
            sayGoodbye(); // no acknowledgement came: leave anyway
        finishStop();
    });
}

MqttClient::~MqttClient()
{
    dropNotifiers();
    if (mosq)
        mosquitto_destroy(mosq);
}

bool MqttClient::start(QString *error)
{
    const auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (mosq || state != State::Idle)
        return fail(QStringLiteral("already started"));
    const QByteArray id = orNull(options.clientId);
    mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, this);
    if (!mosq)
        return fail(
            QStringLiteral("cannot create the MQTT client: %1").arg(errorText(MOSQ_ERR_ERRNO, errno)));
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // The library's default of 20 unacknowledged messages holds a thousand controllers' first
    // announcement back for minutes, queued in memory; the broker acknowledges far more at once.
    mosquitto_int_option(mosq, MOSQ_OPT_SEND_MAXIMUM, SendMaximum);
    mosquitto_connect_callback_set(mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(mosq, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(mosq, &MqttClient::onMessage);
    mosquitto_publish_callback_set(mosq, &MqttClient::onPublish);

    if (!options.user.isEmpty()) {
        const QByteArray user = options.user.toUtf8();
        const QByteArray password = options.password.toUtf8();
        const int rc = mosquitto_username_pw_set(mosq, user.constData(),
                                                 options.password.isEmpty() ? nullptr : password.constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("user name refused: %1").arg(errorText(rc, errno)));
    }
    if (!options.willTopic.isEmpty()) {
        const QByteArray topic = options.willTopic.toUtf8();
        const int rc = mosquitto_will_set(mosq, topic.constData(), int(options.willOffline.size()),
                                          options.willOffline.constData(), 1, true);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("last will refused: %1").arg(errorText(rc, errno)));
    }
    if (!options.caFile.isEmpty()) {
        const QByteArray ca = options.caFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("TLS with CA file %1: %2").arg(options.caFile, errorText(rc, errno)));
    }
    nextDelay = timings().reconnectFirst;
    housekeeping->start(timings().housekeeping);
    attempt();
    return true;
}

void MqttClient::attempt()
{
    if (state == State::Stopping || state == State::Stopped)
        return;
    state = State::Connecting;
    refused = false;
    errno = 0;
    const QByteArray host = options.host.toUtf8();
    const int rc = triedOnce
                       ? mosquitto_reconnect_async(mosq)
                       : mosquitto_connect_async(mosq, host.constData(), options.port, timings().keepAlive);
    const int savedErrno = errno;
    triedOnce = true;
    if (rc != MOSQ_ERR_SUCCESS) {
        emit failure(broker() + QStringLiteral(" not reached: ") + errorText(rc, savedErrno));
        scheduleReconnect();
        return;
    }
    watchSocket();
    afterCall(rc, "connect");
}

void MqttClient::scheduleReconnect()
{
    dropNotifiers();
    state = State::Waiting;
    reconnectTimer->start(nextDelay);
    nextDelay = std::min(nextDelay * 2, std::max(timings().reconnectMax, timings().reconnectFirst));
}

void MqttClient::stop()
{
    if (state == State::Stopping || state == State::Stopped)
        return;
    reconnectTimer->stop();
    if (state != State::Online) {
        finishStop();
        return;
    }
    state = State::Stopping;
    stopTimer->start(timings().stopFlush);
    if (!options.willTopic.isEmpty()) {
        // The goodbye waits until the broker has acknowledged this `offline`, and so every
        // message before it: closing a socket that still holds unread bytes resets the link,
        // and a reset can lose the goodbye, so that the broker sends the will as well.
        const QByteArray topic = options.willTopic.toUtf8();
        int mid = 0;
        const int rc = mosquitto_publish(mosq, &mid, topic.constData(), int(options.willOffline.size()),
                                         options.willOffline.constData(), 1, true);
        if (rc == MOSQ_ERR_SUCCESS) {
            ++published;
            goodbyeAfter = mid;
            afterCall(rc, "publish");
            return;
        }
        emit failure(
            QStringLiteral("publish on %1 refused: %2").arg(options.willTopic, errorText(rc, errno)));
    }
    sayGoodbye();
}

void MqttClient::sayGoodbye()
{
    goodbyeAfter = -1;
    afterCall(mosquitto_disconnect(mosq), "disconnect");
}

void MqttClient::finishStop()
{
    if (state == State::Stopped)
        return;
    state = State::Stopped;
    housekeeping->stop();
    reconnectTimer->stop();
    stopTimer->stop();
    dropNotifiers();
    emit stopped();
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, bool retain, int qos)
{
    if (state != State::Online)
        return false;
    const QByteArray name = topic.toUtf8();
    const int rc = mosquitto_publish(mosq, nullptr, name.constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        emit failure(QStringLiteral("publish on %1 refused: %2").arg(topic, errorText(rc, errno)));
    else
        ++published;
    afterCall(MOSQ_ERR_SUCCESS, "publish");
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::subscribe(const QString &pattern, int qos)
{
    subscriptions << pattern;
    subscriptionQos.push_back(qos);
    if (state != State::Online)
        return;
    const QByteArray name = pattern.toUtf8();
    const int rc = mosquitto_subscribe(mosq, nullptr, name.constData(), qos);
    if (rc != MOSQ_ERR_SUCCESS)
        emit failure(QStringLiteral("subscription to %1 refused: %2").arg(pattern, errorText(rc, errno)));
    afterCall(MOSQ_ERR_SUCCESS, "subscribe");
}

QString MqttClient::broker() const
{
    return QStringLiteral("broker %1:%2").arg(options.host).arg(options.port);
}

int MqttClient::nativeSocket() const
{
    return mosq ? mosquitto_socket(mosq) : -1;
}

void MqttClient::onConnect(mosquitto *, void *self, int code)
{
    auto *client = static_cast<MqttClient *>(self);
    client->events.push_back(
        {code == 0 ? Event::Kind::Connected : Event::Kind::Refused, code, {}, {}, false});
}

void MqttClient::onDisconnect(mosquitto *, void *self, int code)
{
    static_cast<MqttClient *>(self)->events.push_back({Event::Kind::Disconnected, code, {}, {}, false});
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    Event event{Event::Kind::Message, 0, QString::fromUtf8(message->topic),
                QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
                message->retain};
    static_cast<MqttClient *>(self)->events.push_back(std::move(event));
}

void MqttClient::onPublish(mosquitto *, void *self, int mid)
{
    static_cast<MqttClient *>(self)->events.push_back({Event::Kind::Published, mid, {}, {}, false});
}

// Signals go out here, after the library call has returned, so that a slot may
// publish, stop or delete the client without re-entering the library.
void MqttClient::afterCall(int rc, const char *what)
{
    const int savedErrno = errno;
    std::vector<Event> pending;
    pending.swap(events);
    QPointer<MqttClient> alive(this);
    for (const Event &event : pending) {
        handle(event);
        if (!alive)
            return;
    }
    const bool linked = state == State::Connecting || state == State::Online || state == State::Stopping;
    if (linked && mosquitto_socket(mosq) < 0) {
        // The library closed the socket without a disconnect callback.
        if (rc == MOSQ_ERR_SUCCESS)
            rc = MOSQ_ERR_CONN_LOST;
        emit failure(QStringLiteral("%1: %2").arg(QLatin1String(what), errorText(rc, savedErrno)));
        if (!alive)
            return;
        handle({Event::Kind::Disconnected, rc, {}, {}, false});
        return;
    }
    updateWriteInterest();
}

void MqttClient::handle(const Event &event)
{
    switch (event.kind) {
    case Event::Kind::Connected:
        if (state != State::Connecting)
            return;
        state = State::Online;
        nextDelay = timings().reconnectFirst;
        for (int i = 0; i < subscriptions.size(); ++i) {
            const QByteArray name = subscriptions.at(i).toUtf8();
            mosquitto_subscribe(mosq, nullptr, name.constData(), subscriptionQos[size_t(i)]);
        }
        if (!options.willTopic.isEmpty())
            publish(options.willTopic, options.willOnline, true);
        emit online();
        return;
    case Event::Kind::Refused:
        refused = true;
        emit failure(broker() + QStringLiteral(" refused the connection: ") +
                     QString::fromUtf8(mosquitto_connack_string(event.code)));
        return;
    case Event::Kind::Disconnected: {
        dropNotifiers();
        if (state == State::Stopping || state == State::Stopped) {
            finishStop();
            return;
        }
        if (state == State::Waiting)
            return;
        const bool wasOnline = state == State::Online;
        scheduleReconnect();
        if (wasOnline)
            emit offline(errorText(event.code, 0));
        else if (!refused)
            emit failure(broker() + QStringLiteral(" not reached: ") + errorText(event.code, 0));
        return;
    }
    case Event::Kind::Message:
        emit message(event.topic, event.payload, event.retained);
        return;
    case Event::Kind::Published:
        ++acknowledged;
        if (state == State::Stopping && event.code == goodbyeAfter)
            sayGoodbye();
        return;
    }
}

void MqttClient::watchSocket()
{
    dropNotifiers();
    const int fd = mosquitto_socket(mosq);
    if (fd < 0)
        return;
    readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this,
            [this] { afterCall(mosquitto_loop_read(mosq, 1), "read"); });
    writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writeNotifier, &QSocketNotifier::activated, this,
            [this] { afterCall(mosquitto_loop_write(mosq, 1), "write"); });
}

// Later, not now: this may run inside the notifier's own signal.
void MqttClient::dropNotifiers()
{
    for (QSocketNotifier **notifier : {&readNotifier, &writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
}

void MqttClient::updateWriteInterest()
{
    if (writeNotifier)
        writeNotifier->setEnabled(mosquitto_want_write(mosq));
}

} // namespace bridge
