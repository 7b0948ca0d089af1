#pragma once

#include "bridge/Commands.h"
#include "bridge/Config.h"
#include "bridge/Payloads.h"
#include "session/ControllerSession.h"
#include "session/UnitWrite.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>

#include <array>
#include <map>
#include <optional>
#include <vector>

namespace bridge {

class MqttClient;

// One controller on the broker: its session polled every period, one exchange
// at a time; after each reload the states that changed, the discovery configs
// of new units and the controller's availability are published retained.
// Commands become unit writes, one at a time: a write joins the link of a reload
// under way or opens its own, changes only the fields named, and publishes each
// unit's state as it reads back. Commands for a unit written less than a write
// window ago wait for the window's end and go out together as one write.
class Controller final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Controller)
public:
    Controller(const ControllerEntry &entry, const Topics &topics, int periodMs, MqttClient *mqtt,
               QObject *parent = nullptr);
    ~Controller() override;

    QString id() const { return entry.id; }
    QString address() const { return entry.address; }
    // The first poll after `delayMs`, then one a period; commands meanwhile poll at once.
    void start(int delayMs = 0);
    // Runs the poll or probe that is due. One timer of the bridge ticks every controller: a
    // thousand timers of their own would make each restart of any timer cost a thousand steps.
    void tick();
    // A command for this controller, already matched by its topic.
    void command(const Target &target, const QString &topic, const QByteArray &payload);
    // Everything retained again, as after the broker came back.
    void republish();
    // The controller's availability goes `offline`, whatever the link says; polling stops.
    void shutdown();
    // The discovery configs of every unit already announced, at once (Home Assistant came back).
    void rediscover();
    // A command refused before it reached a controller's checks; told on the unit's error topic.
    void refuse(const Target &target, const QString &topic, const QByteArray &payload, const QString &reason);

    ControllerSession session;

signals:
    // A reload ended and what it read was published (`ok`), or it failed.
    void polled(bool ok);

private:
    enum class Online { Unknown, Yes, No };

    void poll();
    void probe();      // one short request between polls: does the controller still answer?
    void probeLater(); // a link just ended: the next probe a probe interval from now
    void reload();     // opens the link for what is queued, with the reload behind it
    void exchangeEnded(bool ok, const QString &why);
    void publishReload();
    void setOnline(bool online, const QString &why);
    void runQueued();
    void expireQueued();
    // Empty when the change can be sent as it stands; else why not.
    QString refusal(const Target &target, const Change &change) const;
    void written(const WriteReport &report);
    void publishUnit(int adr, const QDateTime &readAt);
    bool announce(int adr);
    std::vector<int> targetsOf(const Target &target) const;
    Limits limitsOf(const Target &target) const;
    bool publish(const QString &topic, const QByteArray &payload, bool retain);

    ControllerEntry entry;
    ControllerInfo info;
    Topics topics;
    int periodMs;
    MqttClient *mqtt;
    qint64 pollDue = -1;  // clock ms of the next poll; -1 before start and after shutdown
    qint64 probeDue = -1; // clock ms of the next probe, pushed back at the end of every link
    QElapsedTimer clock;

    bool busy = false;       // an exchange is under way
    bool probing = false;    // that exchange is a probe
    bool pollWanted = false; // a poll came due during the probe
    bool unitsRead = false;
    bool haveModel = false; // a reload has gone through at least once
    int exchanges = 0;
    int polls = 0;
    Online online = Online::Unknown;
    bool availabilitySent = false;
    bool stopping = false;
    UnitWrite writer{session};
    std::vector<PendingWrite> queued;
    std::optional<PendingWrite> writing; // handed to the writer
    std::map<int, qint64> lastWrite;     // clock ms when each target's last write began
    bool wakeScheduled = false;

    // What was published last, per unit address.
    std::array<QJsonObject, UnitRecords> published{};
    std::array<bool, UnitRecords> announced{};    // discovery configs out
    std::array<qint64, UnitRecords> lastListed{}; // clock ms when last on the online list
    std::array<quint8, UnitRecords> lastOn{};     // the mode byte each unit last showed while on
    std::array<bool, UnitRecords> nameRead{};     // its name read since it came on the list
    bool legacyCleared = false;                   // the configs of earlier versions removed
};

} // namespace bridge
