#include "Bridge.h"

#include "Controller.h"
#include "Log.h"
#include "bridge/Timings.h"

#include <QTimer>

#include <algorithm>

namespace bridge {

Bridge::Bridge(const BridgeConfig &config, const BrokerOptions &broker, int periodMs, QObject *parent)
    : QObject(parent), mqtt(std::make_unique<MqttClient>(broker))
{
    topics.prefix = config.prefix;
    topics.discoveryPrefix = config.discoveryPrefix;
    topics.bridgeId = config.id;
    pollPeriodMs = periodMs > 0 ? periodMs : config.period * 1000;
    for (const ControllerEntry &entry : config.controllers)
        list.push_back(new Controller(entry, topics, pollPeriodMs, mqtt.get(), this));
    scheduler = new QTimer(this);
    connect(scheduler, &QTimer::timeout, this, [this] {
        for (Controller *controller : list)
            controller->tick();
    });

    connect(mqtt.get(), &MqttClient::online, this, [this, broker] {
        logInfo(QStringLiteral("broker %1:%2: connected").arg(broker.host).arg(broker.port));
        for (Controller *controller : list)
            controller->republish();
    });
    connect(mqtt.get(), &MqttClient::offline, this,
            [](const QString &reason) { logWarning(QStringLiteral("broker lost: ") + reason); });
    connect(mqtt.get(), &MqttClient::failure, this, [](const QString &text) { logWarning(text); });
    connect(mqtt.get(), &MqttClient::message, this, &Bridge::onMessage);
    connect(mqtt.get(), &MqttClient::stopped, this, &Bridge::stopped);
}

Bridge::~Bridge()
{
    // The controllers' sessions go before the client they publish through.
    for (Controller *controller : list)
        delete controller;
    list.clear();
}

bool Bridge::start(QString *error)
{
    mqtt->subscribe(topics.prefix + QStringLiteral("/+/+/set/+"));
    // Which controllers other bridges on this prefix serve: their commands are theirs to answer.
    mqtt->subscribe(topics.prefix + QStringLiteral("/+/availability"));
    mqtt->subscribe(topics.birth());
    if (!mqtt->start(error))
        return false;
    // First polls spread over a period: a thousand controllers read and published at once would
    // queue their discovery and states in one burst, more than a subscriber's queue holds.
    for (size_t i = 0; i < list.size(); ++i) {
        logInfo(QStringLiteral("%1: polling %2").arg(list[i]->id(), list[i]->address()));
        list[i]->start(int(qint64(pollPeriodMs) * qint64(i) / qint64(list.size())));
    }
    // Fine enough for the shortest interval it serves, never busier than four times a second.
    scheduler->setInterval(std::clamp(std::min(pollPeriodMs, timings().probeEvery) / 10, 10, 250));
    scheduler->start();
    for (Controller *controller : list)
        controller->tick(); // the first controller at once, not a tick later
    return true;
}

void Bridge::stop()
{
    if (stopping)
        return;
    stopping = true;
    scheduler->stop();
    logInfo(QStringLiteral("stopping"));
    for (Controller *controller : list)
        controller->shutdown();
    mqtt->stop();
}

Controller *Bridge::controllerNamed(const QString &id) const
{
    for (Controller *controller : list)
        if (controller->id() == id)
            return controller;
    return nullptr;
}

void Bridge::onMessage(const QString &topic, const QByteArray &payload, bool retained)
{
    if (topic == topics.birth()) {
        // A retained birth is an old one: this connect announces everything anyway.
        if (retained || payload != "online" || rediscoverScheduled)
            return;
        rediscoverScheduled = true;
        QTimer::singleShot(timings().rediscoverDelay, this, [this] {
            rediscoverScheduled = false;
            logInfo(QStringLiteral("Home Assistant is back: discovery published again"));
            for (Controller *controller : list)
                controller->rediscover();
        });
        return;
    }
    const QString head = topics.prefix + QLatin1Char('/');
    if (topic.startsWith(head) && topic.endsWith(QStringLiteral("/availability")) &&
        topic.count(QLatin1Char('/')) == topics.prefix.count(QLatin1Char('/')) + 2) {
        const QString id = topic.mid(head.size()).section(QLatin1Char('/'), 0, 0);
        if (!controllerNamed(id) && id != QLatin1String("bridge")) {
            if (payload.isEmpty())
                elsewhere.remove(id);
            else
                elsewhere.insert(id);
        }
        return;
    }
    // A retained command would be carried out again on every connect.
    if (retained) {
        refuse(topic, payload, QStringLiteral("retained command ignored"));
        return;
    }
    onCommand(topic, payload);
}

void Bridge::onCommand(const QString &topic, const QByteArray &payload)
{
    const QString controllerId = topic.mid(topics.prefix.size() + 1).section(QLatin1Char('/'), 0, 0);
    Controller *controller = controllerNamed(controllerId);
    if (!controller && elsewhere.contains(controllerId))
        return; // another bridge's
    const Parsed<Target> target = parseTarget(topics.prefix, topic);
    if (!controller) {
        refuse(topic, payload, QStringLiteral("no controller %1").arg(controllerId));
        return;
    }
    if (target.ok)
        controller->command(target.value, topic, payload);
    else if (target.value.unit >= 0)
        controller->refuse(target.value, topic, payload, target.reason);
    else
        refuse(topic, payload, target.reason);
}

void Bridge::refuse(const QString &topic, const QByteArray &payload, const QString &reason)
{
    logWarning(QStringLiteral("%1: refused: %2").arg(topic, reason));
    mqtt->publish(topics.bridgeError(), errorPayload(topic, payload, reason, QDateTime::currentDateTimeUtc()),
                  false);
}

} // namespace bridge
