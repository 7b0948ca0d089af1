#pragma once

#include "bridge/Config.h"
#include "bridge/MqttClient.h"
#include "bridge/Payloads.h"

#include <QObject>
#include <QSet>

#include <memory>
#include <vector>

class QTimer;

namespace bridge {

class Controller;

// The daemon: one broker client, one Controller per configured controller,
// commands handed from their topics to the controller they name.
class Bridge final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Bridge)
public:
    // `periodMs` 0: the configuration's period.
    Bridge(const BridgeConfig &config, const BrokerOptions &broker, int periodMs = 0,
           QObject *parent = nullptr);
    ~Bridge() override;

    bool start(QString *error);
    // Every controller's availability `offline`, the bridge's own too, then a clean goodbye.
    void stop();

    const std::vector<Controller *> &controllers() const { return list; }
    MqttClient &client() { return *mqtt; }

signals:
    void stopped();

private:
    void onMessage(const QString &topic, const QByteArray &payload, bool retained);
    void onCommand(const QString &topic, const QByteArray &payload);
    void refuse(const QString &topic, const QByteArray &payload, const QString &reason);
    Controller *controllerNamed(const QString &id) const;

    Topics topics;
    QSet<QString> elsewhere; // controllers that other bridges on this prefix announce
    bool rediscoverScheduled = false;
    std::unique_ptr<MqttClient> mqtt;
    std::vector<Controller *> list;
    QTimer *scheduler = nullptr; // ticks every controller's polls and probes
    int pollPeriodMs = 0;
    bool stopping = false;
};

} // namespace bridge
