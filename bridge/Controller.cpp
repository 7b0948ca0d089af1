#include "Controller.h"

#include "Log.h"
#include "bridge/MqttClient.h"
#include "bridge/Timings.h"
#include "link/Codes.h"
#include "units/Setting.h"

#include <QTimer>

#include <algorithm>
#include <map>
#include <utility>

namespace bridge {

Controller::Controller(const ControllerEntry &entry, const Topics &topics, int periodMs, MqttClient *mqtt,
                       QObject *parent)
    : QObject(parent), entry(entry), info{entry.id, entry.name.isEmpty() ? entry.id : entry.name},
      topics(topics), periodMs(periodMs), mqtt(mqtt)
{
    clock.start();
    session.sendOnOpen = true;
    session.waitInRead = false;
    // A write to a silent controller ends at its first silence, as a poll does: the error and
    // the offline come within the bound, not after five watchdogs.
    writer.silencesAllowed = 1;

    connect(&session, &ControllerSession::unitsChanged, this, [this] { unitsRead = true; });
    connect(&writer, &UnitWrite::finished, this, &Controller::written);
    connect(&session, &ControllerSession::exchangeFinished, this, [this] {
        const bool ok = unitsRead || probing;
        exchangeEnded(ok, ok ? QString() : QStringLiteral("the reload ended incomplete"));
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

void Controller::start(int delayMs)
{
    if (!stopping)
        pollDue = clock.elapsed() + std::max(0, delayMs);
}

void Controller::tick()
{
    if (stopping)
        return;
    const qint64 now = clock.elapsed();
    if (pollDue >= 0 && now >= pollDue) {
        // A poll a watchdog away from the next would find a silence late enough on its own.
        if (probeDue < 0 && periodMs > timings().probeEvery)
            probeDue = now + timings().probeEvery;
        // Behind by more than a period (the machine slept): one poll, not a burst.
        pollDue = std::max(pollDue + periodMs, now + 1);
        poll();
    }
    if (probeDue >= 0 && now >= probeDue) {
        probeDue = now + timings().probeEvery;
        probe();
    }
}

void Controller::probeLater()
{
    if (probeDue >= 0)
        probeDue = clock.elapsed() + timings().probeEvery;
}

void Controller::shutdown()
{
    stopping = true;
    pollDue = -1;
    probeDue = -1;
    publish(topics.availability(entry.id), "offline", true);
}

void Controller::poll()
{
    expireQueued();
    pollWanted = busy && probing; // a probe under way does not cost a period's poll
    if (busy || stopping)
        return;
    reload();
}

void Controller::probe()
{
    if (busy || stopping || writer.running())
        return; // what runs finds a silence itself
    busy = true;
    probing = true;
    ++exchanges;
    session.TaskList.Add_addr(Code::PasswordUse, 0, {}, TaskOrigin::Reload);
    session.setLinkHost(entry.address);
    session.openConnection(true, 1);
}

void Controller::reload()
{
    busy = true;
    ++exchanges;
    unitsRead = false;
    // Names at the first poll and each full refresh; between them only for units new to the list.
    const bool full = polls % std::max(1, timings().fullRefreshEvery) == 0;
    session.nameWanted = [this, full](int adr) { return full || !nameRead[size_t(adr)]; };
    // The online list alone: its answer brings the units' requests and the clock that ends them.
    // The password and lock reads of the panel's reload tell the bridge nothing.
    session.TaskList.Add_addr(Code::OnlineUnits, 0, {}, TaskOrigin::Reload);
    session.setLinkHost(entry.address);
    // One silence ends the poll: the controller is offline within a watchdog, not five.
    session.openConnection(true, 1);
}

void Controller::exchangeEnded(bool ok, const QString &why)
{
    if (!busy)
        return;
    busy = false;
    probeLater();
    if (std::exchange(probing, false) && ok) {
        // Back after a silence: read it now rather than a period later.
        if ((online != Online::Yes || std::exchange(pollWanted, false)) && !stopping)
            QTimer::singleShot(0, this, &Controller::poll);
        else if (!queued.empty())
            QTimer::singleShot(0, this, &Controller::runQueued);
        return;
    }
    if (ok) {
        haveModel = true;
        setOnline(true, {});
        publishReload();
    } else {
        // A write under way keeps its own requests; it reports for itself.
        session.TaskList.removeAll(TaskOrigin::Reload);
        setOnline(false, why);
    }
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
        nameRead[i] = m.unit_online[i] != 0;
        if (m.unit_online[i] == 0) {
            // Gone for a day: its entities leave Home Assistant.
            if (announced[i] && now - lastListed[i] >= timings().discoveryKeep) {
                const Message removal = unitRemoval(topics, entry.id, adr);
                publish(removal.topic, removal.payload, true);
                announced[i] = false;
                published[i] = QJsonObject();
                logInfo(QStringLiteral("%1: unit %2 left the online list, discovery removed")
                            .arg(entry.id)
                            .arg(adr));
            }
            continue;
        }
        lastListed[i] = now;
        if (full)
            published[i] = QJsonObject(); // said again, changed or not
        publishUnit(adr, readAt);
    }
}

// The unit's discovery configs when it is new or renamed, and its state when it changed.
void Controller::publishUnit(int adr, const QDateTime &readAt)
{
    const size_t i = size_t(adr);
    const TunitRecord &unit = session.model.unit_par[i];
    const quint8 mode = unit.buffer[units::ModeByte];
    if ((mode & units::ModeOnBit) != 0 && setting::modeButton(mode) > 0)
        lastOn[i] = mode;
    const QJsonObject state = stateObject(unit, adr);
    const bool renamed = state.value(QStringLiteral("name")) != published[i].value(QStringLiteral("name"));
    if (!announced[i] || renamed)
        announced[i] = announce(adr) || announced[i];
    if (state != published[i] && publish(topics.state(entry.id, adr), statePayload(state, readAt), true))
        published[i] = state;
}

bool Controller::announce(int adr)
{
    if (!legacyCleared) {
        legacyCleared = true;
        for (int a = -1; a < UnitRecords; ++a)
            for (const Message &msg : legacyRemoval(topics, entry.id, a))
                publish(msg.topic, msg.payload, true);
    }
    const Message msg = unitDiscovery(topics, info, session.model.unit_par[size_t(adr)], adr);
    return publish(msg.topic, msg.payload, true);
}

void Controller::rediscover()
{
    if (stopping)
        return;
    const Message link = controllerDiscovery(topics, info);
    publish(link.topic, link.payload, true);
    for (int adr = 0; adr < UnitRecords; ++adr)
        if (announced[size_t(adr)])
            announce(adr);
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
    if (haveModel) {
        if (const QString why = refusal(target, change.value); !why.isEmpty()) {
            refuse(target, topic, payload, why);
            return;
        }
    }
    if (target.unit == setting::AllUnits && change.value.field == Field::Power) {
        refuse(target, topic, payload, QStringLiteral("power is set one unit at a time"));
        return;
    }
    // Unanswered, a command lapses within the bound in which its controller goes offline.
    const int lapse = std::min(periodMs, timings().offlineWithin);
    const bool one = target.unit != setting::AllUnits;
    const TunitRecord unit = one ? session.model.unit_par[size_t(target.unit)] : TunitRecord();
    const QueuedChange queuedChange{target, change.value, topic, payload, clock.elapsed(), lapse};
    addPending(queued, queuedChange, unitChange(change.value, unit, one ? lastOn[size_t(target.unit)] : 0));
    QTimer::singleShot(lapse, this, &Controller::expireQueued);
    runQueued();
}

QString Controller::refusal(const Target &target, const Change &change) const
{
    const ControllerModel &m = session.model;
    if (target.unit != setting::AllUnits && m.unit_online[size_t(target.unit)] == 0)
        return QStringLiteral("unit %1 is not on the controller's online list").arg(target.unit);
    if (targetsOf(target).empty())
        return QStringLiteral("the controller lists no unit");
    if (change.field == Field::Name && target.unit == setting::AllUnits)
        return QStringLiteral("a name is set one unit at a time");
    return {};
}

void Controller::runQueued()
{
    expireQueued();
    if (stopping || queued.empty() || writer.running())
        return;
    if (!haveModel || online != Online::Yes) {
        if (!busy)
            reload(); // whether the controller answers first; the commands wait for it, at most one period
        return;
    }
    // The first target whose window has passed; the others wait for theirs.
    const qint64 now = clock.elapsed();
    qint64 wake = -1;
    for (auto it = queued.begin(); it != queued.end(); ++it) {
        const auto last = lastWrite.find(it->unit);
        const qint64 due = last == lastWrite.end() ? now : last->second + timings().writeWindow;
        if (due > now) {
            wake = wake < 0 ? due : std::min(wake, due);
            continue;
        }
        writing = std::move(*it);
        queued.erase(it);
        lastWrite[writing->unit] = now;
        for (const QueuedChange &origin : writing->origins)
            logInfo(QStringLiteral("%1: %2").arg(origin.topic, QString::fromUtf8(origin.payload)));
        UnitWriteRequest request;
        request.allUnits = writing->unit == setting::AllUnits;
        if (!request.allUnits)
            request.units = {writing->unit};
        request.change = writing->change;
        writer.start(entry.address, request);
        return;
    }
    if (wake >= 0 && !wakeScheduled) {
        wakeScheduled = true;
        QTimer::singleShot(int(wake - now), this, [this] {
            wakeScheduled = false;
            runQueued();
        });
    }
}

void Controller::written(const WriteReport &report)
{
    if (!writing)
        return;
    const PendingWrite done = std::move(*writing);
    writing.reset();
    probeLater();
    const QDateTime readAt = QDateTime::currentDateTimeUtc();
    QStringList failures;
    for (const UnitReport &unit : report.units) {
        if (unit.readBack && session.model.unit_online[size_t(unit.addr)] != 0)
            publishUnit(unit.addr, readAt);
        for (const PartReport &part : unit.parts)
            if (part.outcome != WriteOutcome::Applied) {
                failures << QStringLiteral("unit %1: %2").arg(unit.addr).arg(describe(unit));
                break;
            }
    }
    if (report.end == WriteReport::End::NoUnits)
        failures << QStringLiteral("the controller lists no unit");
    else if (report.end != WriteReport::End::Done && failures.isEmpty())
        failures << report.failure;
    if (report.end == WriteReport::End::Unreachable || report.end == WriteReport::End::LinkLost)
        setOnline(false, report.failure);
    if (!failures.isEmpty()) {
        const Target target{entry.id, done.unit, done.origins.front().target.field};
        for (const QueuedChange &origin : done.origins)
            refuse(target, origin.topic, origin.payload, failures.join(QStringLiteral("; ")));
    }
    QTimer::singleShot(0, this, &Controller::runQueued);
}

void Controller::expireQueued()
{
    // Commands that only wait for their unit's write window do not lapse: the controller answers.
    if (haveModel && online == Online::Yes)
        return;
    for (const PendingWrite &lapsed : takeExpired(queued, clock.elapsed()))
        for (const QueuedChange &origin : lapsed.origins)
            refuse(origin.target, origin.topic, origin.payload,
                   QStringLiteral("the controller did not answer in time"));
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
