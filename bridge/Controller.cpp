#include "Controller.h"

#include "Log.h"
#include "bridge/MqttClient.h"
#include "bridge/Timings.h"
#include "link/Codes.h"
#include "link/Encoder.h"
#include "units/Setting.h"

#include <QTimer>

#include <algorithm>
#include <map>

namespace bridge {

Controller::Controller(const ControllerEntry &entry, const Topics &topics, int periodMs, MqttClient *mqtt,
                       QObject *parent)
    : QObject(parent), entry(entry), info{entry.id, entry.name.isEmpty() ? entry.id : entry.name},
      topics(topics), periodMs(periodMs), mqtt(mqtt)
{
    clock.start();
    session.sendOnOpen = true;
    pollTimer = new QTimer(this);
    pollTimer->setInterval(periodMs);
    connect(pollTimer, &QTimer::timeout, this, &Controller::poll);

    connect(&session, &ControllerSession::unitsChanged, this, [this] { unitsRead = true; });
    connect(&session, &ControllerSession::exchangeFinished, this, [this] {
        exchangeEnded(unitsRead, unitsRead ? QString() : QStringLiteral("the reload ended incomplete"));
    });
    connect(&session, &ControllerSession::failed, this, [this](int text) {
        exchangeEnded(false, text == 164 ? QStringLiteral("unreachable") : QStringLiteral("not responding"));
    });
    connect(&session, &ControllerSession::handlerFailed, this, [this](const QString &message) {
        exchangeEnded(false, QStringLiteral("answer not understood: ") + message);
    });
    // A link cut under an exchange closes without a message: nothing reopens it.
    connect(&session, &ControllerSession::linkClosed, this, [this] {
        const int exchange = exchanges;
        QTimer::singleShot(0, this, [this, exchange] {
            if (busy && exchange == exchanges && session.state() == LinkState::Idle)
                exchangeEnded(false, QStringLiteral("link cut"));
        });
    });
}

Controller::~Controller() = default;

void Controller::start()
{
    pollTimer->start();
    poll();
}

void Controller::shutdown()
{
    stopping = true;
    pollTimer->stop();
    publish(topics.availability(entry.id), "offline", true);
}

void Controller::poll()
{
    expireQueued();
    if (busy || stopping)
        return;
    if (!queued.empty() && haveModel && online == Online::Yes)
        runQueued();
    else
        reload();
}

void Controller::reload()
{
    busy = true;
    ++exchanges;
    unitsRead = false;
    session.queueReload();
    session.setLinkHost(entry.address);
    session.openConnection(true, protocol::Reopens);
}

void Controller::exchangeEnded(bool ok, const QString &why)
{
    if (!busy)
        return;
    busy = false;
    if (ok) {
        haveModel = true;
        setOnline(true, {});
        publishReload();
    } else {
        session.TaskList.Clear();
        setOnline(false, why);
        // Maybe carried out, maybe not: whoever sent it is told that it is not confirmed.
        for (const QueuedChange &change : sent)
            refuse(change.target, change.topic, change.payload, QStringLiteral("not confirmed: ") + why);
    }
    sent.clear();
    emit polled(ok);
    // Commands that wait for an unreachable controller wait for the next poll, or lapse.
    if (ok && !stopping && !queued.empty())
        QTimer::singleShot(0, this, &Controller::runQueued);
}

void Controller::setOnline(bool up, const QString &why)
{
    const Online next = up ? Online::Yes : Online::No;
    if (next != online) {
        if (up)
            logInfo(QStringLiteral("%1 (%2): online").arg(entry.id, entry.address));
        else
            logWarning(QStringLiteral("%1 (%2): offline, %3").arg(entry.id, entry.address, why));
    }
    // Retained: said again only when it changes, or after the broker came back.
    if (next != online || !availabilitySent)
        availabilitySent = publish(topics.availability(entry.id), up ? "online" : "offline", true);
    online = next;
}

void Controller::publishReload()
{
    const ControllerModel &m = session.model;
    const qint64 now = clock.elapsed();
    const bool full = polls++ % std::max(1, timings().fullRefreshEvery) == 0;
    const QDateTime readAt = QDateTime::currentDateTimeUtc();
    if (full)
        publish(controllerDiscovery(topics, info).topic, controllerDiscovery(topics, info).payload, true);
    for (int adr = 0; adr < UnitRecords; ++adr) {
        const size_t i = size_t(adr);
        if (m.unit_online[i] == 0) {
            // Gone for a day: its entities leave Home Assistant.
            if (announced[i] && now - lastListed[i] >= timings().discoveryKeep) {
                for (const Message &msg : unitRemoval(topics, entry.id, adr))
                    publish(msg.topic, msg.payload, true);
                announced[i] = false;
                published[i] = QJsonObject();
                logInfo(QStringLiteral("%1: unit %2 left the online list, discovery removed")
                            .arg(entry.id)
                            .arg(adr));
            }
            continue;
        }
        lastListed[i] = now;
        const QJsonObject state = stateObject(m.unit_par[i], adr);
        const bool renamed =
            state.value(QStringLiteral("name")) != published[i].value(QStringLiteral("name"));
        if (!announced[i] || full || renamed) {
            bool sent = true;
            for (const Message &msg : unitDiscovery(topics, info, m.unit_par[i], adr))
                sent = publish(msg.topic, msg.payload, true) && sent;
            announced[i] = announced[i] || sent;
        }
        if (full || state != published[i]) {
            if (publish(topics.state(entry.id, adr), statePayload(state, readAt), true))
                published[i] = state;
        }
    }
}

void Controller::republish()
{
    if (online != Online::Unknown)
        availabilitySent =
            publish(topics.availability(entry.id), online == Online::Yes ? "online" : "offline", true);
    polls = 0; // the next reload publishes everything
    std::fill(announced.begin(), announced.end(), false);
}

bool Controller::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    return mqtt != nullptr && mqtt->publish(topic, payload, retain);
}

// ---- commands ---------------------------------------------------------------

std::vector<int> Controller::targetsOf(const Target &target) const
{
    const ControllerModel &m = session.model;
    if (target.unit != setting::AllUnits)
        return {target.unit};
    return units::panelOrder(m.unit_par, m.unit_online);
}

Limits Controller::limitsOf(const Target &target) const
{
    // For every unit: what all of them accept.
    Limits out{setting::MinTemp, setting::MaxTemp};
    for (int adr : targetsOf(target)) {
        const Limits l = unitLimits(session.model.unit_par[size_t(adr)]);
        out.tmin = std::max(out.tmin, l.tmin);
        out.tmax = std::min(out.tmax, l.tmax);
    }
    return out;
}

void Controller::command(const Target &target, const QString &topic, const QByteArray &payload)
{
    if (stopping)
        return;
    // Before the first reload the unit's limits are not known: the controller's own apply.
    const Parsed<Change> change = parseChange(target.field, payload, haveModel ? limitsOf(target) : Limits{});
    if (!change.ok) {
        refuse(target, topic, payload, change.reason);
        return;
    }
    queued.push_back({target, change.value, topic, payload, clock.elapsed(), periodMs});
    QTimer::singleShot(periodMs, this, &Controller::expireQueued);
    runQueued();
}

QString Controller::refusal(const Target &target, const Change &change) const
{
    const ControllerModel &m = session.model;
    if (target.unit != setting::AllUnits && m.unit_online[size_t(target.unit)] == 0)
        return QStringLiteral("unit %1 is not on the controller's online list").arg(target.unit);
    const std::vector<int> targets = targetsOf(target);
    if (targets.empty())
        return QStringLiteral("the controller lists no unit");
    if (change.field == Field::Name && target.unit == setting::AllUnits)
        return QStringLiteral("a name is set one unit at a time");
    const Limits limits = limitsOf(target);
    if (change.field == Field::Temperature &&
        (change.temperature < limits.tmin || change.temperature > limits.tmax))
        return QStringLiteral("temperature %1 outside %2 to %3")
            .arg(change.temperature)
            .arg(limits.tmin)
            .arg(limits.tmax);
    // Sent without a mode, such a unit would be switched off.
    if (change.field == Field::Temperature || change.field == Field::FanMode)
        for (int adr : targets)
            if (setting::unitControls(m.unit_par[size_t(adr)]).modeButton < 0)
                return QStringLiteral("unit %1 is in a mode that cannot be sent back").arg(adr);
    return {};
}

void Controller::runQueued()
{
    expireQueued();
    if (stopping || queued.empty())
        return;
    // A reload's link, open or opening, takes the change at once. A change already on it has
    // not been read back yet: one sent behind it would carry the values from before it.
    const bool join = busy && (session.linkIsOpen() || session.connecting()) && sent.empty();
    if (busy && !join)
        return;
    if (!haveModel || online != Online::Yes) {
        if (!busy)
            reload(); // the units' values first; the change waits for them, at most one period
        return;
    }
    const QueuedChange next = queued.front();
    queued.erase(queued.begin());
    const QString why = refusal(next.target, next.change);
    if (!why.isEmpty()) {
        refuse(next.target, next.topic, next.payload, why);
        QTimer::singleShot(0, this, &Controller::runQueued);
        return;
    }
    sendChange(next, join);
}

void Controller::sendChange(const QueuedChange &change, bool join)
{
    const int before = session.TaskList.Count();
    const std::vector<int> targets = targetsOf(change.target);
    const Change &c = change.change;
    logInfo(QStringLiteral("%1: %2").arg(change.topic, QString::fromUtf8(change.payload)));

    if (c.field == Field::Name) {
        const QString name = c.name;
        session.queueSetting(setting::settingTasks(2, {}, targets.front(), false, 0),
                             [&name](RequestSources &values) { values.unitName = name; });
    } else {
        // What is not named stays as each unit has it.
        session.queueUnitSettings(targets, [&c](setting::Controls &s) {
            if (c.field == Field::Mode)
                s.modeButton = c.modeButton;
            if (c.field == Field::FanMode)
                s.fanButton = c.fanButton;
            if (c.field == Field::Temperature)
                s.setTemp = c.temperature;
        });
    }
    sent.push_back(change);
    if (join) {
        // Behind the request under way; what the reload read of these units before is read again.
        session.TaskList.moveToHead(before);
        for (int adr : targets)
            session.TaskList.Add_addr(c.field == Field::Name ? Code::UnitName : Code::UnitStatus, adr, {},
                                      TaskOrigin::Reload);
        return;
    }
    // The reload behind it publishes the new state within the same link.
    reload();
}

void Controller::expireQueued()
{
    for (const QueuedChange &lapsed : takeExpired(queued, clock.elapsed()))
        refuse(lapsed.target, lapsed.topic, lapsed.payload,
               QStringLiteral("the controller did not answer within one period"));
}

void Controller::refuse(const Target &target, const QString &topic, const QByteArray &payload,
                        const QString &reason)
{
    logWarning(QStringLiteral("%1: refused: %2").arg(topic, reason));
    const QString where = target.unit == setting::AllUnits
                              ? topics.prefix + QLatin1Char('/') + entry.id + QStringLiteral("/all/error")
                              : topics.error(entry.id, target.unit);
    publish(where, errorPayload(topic, payload, reason, QDateTime::currentDateTimeUtc()), false);
}

} // namespace bridge
