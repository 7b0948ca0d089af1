#include "Bridge.h"

#include "Controller.h"
#include "Log.h"

namespace bridge {

Bridge::Bridge(const BridgeConfig &config, const BrokerOptions &broker, int periodMs, QObject *parent)
    : QObject(parent), mqtt(std::make_unique<MqttClient>(broker))
{
    topics.prefix = config.prefix;
    topics.discoveryPrefix = config.discoveryPrefix;
    const int period = periodMs > 0 ? periodMs : config.period * 1000;
    for (const ControllerEntry &entry : config.controllers)
        list.push_back(new Controller(entry, topics, period, mqtt.get(), this));

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
    if (!mqtt->start(error))
        return false;
    for (Controller *controller : list) {
        logInfo(QStringLiteral("%1: polling %2").arg(controller->id(), controller->address()));
        controller->start();
    }
    return true;
}

void Bridge::stop()
{
    if (stopping)
        return;
    stopping = true;
    logInfo(QStringLiteral("stopping"));
    for (Controller *controller : list)
        controller->shutdown();
    mqtt->stop();
}

void Bridge::onMessage(const QString &topic, const QByteArray &payload, bool retained)
{
    // A retained command would be carried out again on every connect.
    if (retained) {
        logWarning(QStringLiteral("%1: retained command ignored").arg(topic));
        return;
    }
    const Parsed<Target> target = parseTarget(topics.prefix, topic);
    if (!target.ok) {
        logWarning(QStringLiteral("%1: refused: %2").arg(topic, target.reason));
        return;
    }
    for (Controller *controller : list)
        if (controller->id() == target.value.controller) {
            controller->command(target.value, topic, payload);
            return;
        }
    logWarning(QStringLiteral("%1: refused: no controller %2").arg(topic, target.value.controller));
}

} // namespace bridge
