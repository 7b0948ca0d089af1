#include "history/HistoryRecorder.h"

#include "session/ControllerSession.h"
#include "session/Encoder.h"

#include <QTimer>

#include <algorithm>
#include <map>
#include <utility>

namespace history {

namespace {

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString bytesText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(9).toHex(' '));
}

Operation operationFor(OperationStep::Kind kind)
{
    switch (kind) {
    case OperationStep::Kind::Options:
        return Operation::Options;
    case OperationStep::Kind::Schedule:
        return Operation::Schedule;
    case OperationStep::Kind::Module:
        return Operation::Module;
    case OperationStep::Kind::Setting:
    case OperationStep::Kind::Password:
        break;
    }
    return Operation::Setting;
}

bool sameTask(const TtaskRecord &a, const TtaskRecord &b)
{
    return a.code == b.code && a.addr == b.addr;
}

} // namespace

std::optional<OperationStep> operationOf(const TtaskRecord &task, const RequestSources &src)
{
    using Kind = OperationStep::Kind;
    const auto step = [&task](Kind kind, const QString &detail = {}) {
        QString values = QString::number(task.code);
        if (!detail.isEmpty())
            values += QLatin1Char(' ') + detail;
        return std::optional<OperationStep>(OperationStep{kind, values});
    };
    switch (task.code) {
    case 31:
    case 32:
    case 36:
    case 37:
        return step(Kind::Setting);
    case 33:
    case 38:
        return step(Kind::Setting, bytesText(src.updateBuffer));
    case 35:
        return step(Kind::Setting, src.unitName);
    case 71:
        return step(Kind::Setting, QString::number(src.lockMode));
    case 39:
    case 40:
        // Both blocks of one unit's week are one change.
        return OperationStep{Kind::Schedule, QStringLiteral("%1 entries").arg(src.program.size())};
    case 52:
        return OperationStep{Kind::Password, {}};
    case 53:
        return step(Kind::Options, onOff(src.passwordToggle));
    case 54:
        return step(Kind::Options, onOff(src.webToggle));
    case 69:
        return step(Kind::Options, onOff(src.alarmToggle));
    case 3:
        return step(Kind::Options, src.now.toString(Qt::ISODate));
    case 26:
        return step(Kind::Options, src.deviceName);
    case 166:
        return step(Kind::Module, src.netName);
    case 167:
        return step(Kind::Module); // the pass phrase stays out of the file
    case 168:
        return step(Kind::Module, src.ipAddress);
    case 169:
        return step(Kind::Module, src.gateway);
    case 170:
        return step(Kind::Module, src.dns);
    case 171:
        return step(Kind::Module, src.dhcp ? QStringLiteral("dhcp") : QStringLiteral("static"));
    default:
        return std::nullopt;
    }
}

HistoryRecorder::HistoryRecorder(ControllerSession *session, HistoryStore *store, QObject *parent)
    : QObject(parent), session(session), store(store)
{
    connect(session, &ControllerSession::unitsChanged, this, &HistoryRecorder::reloadEnded);
    connect(session, &ControllerSession::taskWritten, this, &HistoryRecorder::taskWritten);
    connect(session, &ControllerSession::queueRanDry, this, [this] { ranDry = true; });
    connect(session, &ControllerSession::linkOpened, this, [this] { ranDry = false; });
    connect(session, &ControllerSession::linkClosed, this, &HistoryRecorder::linkClosed);
    connect(session, &ControllerSession::undelivered, this, &HistoryRecorder::undelivered);
}

void HistoryRecorder::reloadEnded()
{
    // The clock's answer ends other exchanges too; only a reload read every unit.
    if (session->awaited.origin != TaskOrigin::Reload || session->model.unitsReadFrom.isEmpty())
        return;
    const QDateTime now = session->clockNow();
    reloadAt = now;
    const QString controller = session->model.unitsReadFrom;
    // A disk that was full may have room again.
    if (!store->isOn())
        store->retry();
    const ControllerState state = controllerState(session->model.unit_par, session->model.unit_online);
    std::vector<Transition> changes;
    if (store->isOn())
        changes = store->recordReload(now, controller, session->model.unit_par, session->model.unit_online);
    // Alerts do not depend on the file: without it, the reloads of this run are compared.
    if (!store->isOn())
        changes = faultTransitions(lastStates[controller], state);
    lastStates[controller] = state;
    if (store->retentionDue(now))
        rollUpLater(now);
    if (!changes.empty())
        emit transitionsRecorded(controller, changes);
    emit reloadRecorded(controller);
}

namespace {

void rollUpSteps(HistoryStore *store, const QDateTime &now, int rawDays)
{
    if (!store->rollUpStep(now, rawDays)) {
        store->rollingUp = false;
        return;
    }
    QTimer::singleShot(0, store, [store, now, rawDays] { rollUpSteps(store, now, rawDays); });
}

} // namespace

// Days missed while the program was closed take a while to roll up: a step at a time,
// each between the window's events.
void HistoryRecorder::rollUpLater(const QDateTime &now)
{
    if (store->rollingUp)
        return;
    store->rollingUp = true;
    // The store carries the steps on: this recorder's session may end before they do.
    HistoryStore *s = store;
    const int days = rawDays;
    QTimer::singleShot(0, s, [s, now, days] { rollUpSteps(s, now, days); });
}

void HistoryRecorder::taskWritten(const TtaskRecord &task)
{
    const std::optional<OperationStep> step =
        operationOf(task, task.values ? *task.values : session->requestSources());
    if (!step)
        return;
    // A task carried to a new link is written again: it is still one operation.
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&task](const Pending &p) { return sameTask(p.task, task); }),
                  pending.end());
    const QString controller = task.host.isEmpty() ? session->openHostName() : task.host;
    pending.push_back({controller, task, *step});
}

void HistoryRecorder::linkClosed()
{
    if (ranDry) {
        flush(pending, true);
        pending.clear();
        return;
    }
    // The settings dialog's tasks may be carried to a new link and are reported
    // if they are not; anything else written on a link that died is not known taken.
    std::vector<Pending> lost;
    std::vector<Pending> kept;
    for (Pending &p : pending)
        (p.task.origin == TaskOrigin::Setting ? kept : lost).push_back(std::move(p));
    pending = std::move(kept);
    flush(lost, false);
}

void HistoryRecorder::undelivered(const std::vector<TtaskRecord> &tasks)
{
    std::vector<Pending> lost;
    const RequestSources now = session->requestSources();
    for (const TtaskRecord &task : tasks) {
        const std::optional<OperationStep> step = operationOf(task, task.values ? *task.values : now);
        if (step)
            lost.push_back({task.host.isEmpty() ? session->linkHostName() : task.host, task, *step});
    }
    // Written settings the link did not lose went out, as the window tells the user.
    std::vector<Pending> delivered;
    for (Pending &p : pending) {
        const bool isLost = std::any_of(tasks.begin(), tasks.end(),
                                        [&p](const TtaskRecord &t) { return sameTask(t, p.task); });
        if (!isLost)
            delivered.push_back(std::move(p));
    }
    pending.clear();
    flush(delivered, true);
    flush(lost, false);
}

void HistoryRecorder::flush(const std::vector<Pending> &steps, bool taken)
{
    const QDateTime now = session->clockNow();
    // Keyed by controller, kind and values, in the order first written.
    std::vector<std::pair<const Pending *, QList<int>>> groups;
    for (const Pending &p : steps) {
        auto group = std::find_if(groups.begin(), groups.end(), [&p](const auto &g) {
            return g.first->controller == p.controller && g.first->step.kind == p.step.kind &&
                   g.first->step.values == p.step.values;
        });
        if (group == groups.end()) {
            groups.push_back({&p, {}});
            group = groups.end() - 1;
        }
        const bool perUnit =
            p.step.kind == OperationStep::Kind::Setting || p.step.kind == OperationStep::Kind::Schedule;
        if (perUnit && !group->second.contains(p.task.addr))
            group->second.append(p.task.addr);
    }
    for (const auto &[p, units] : groups) {
        if (p->step.kind == OperationStep::Kind::Password)
            store->recordPasswordChange(now, p->controller, taken);
        else
            store->recordOperation(now, p->controller, operationFor(p->step.kind), units, p->step.values,
                                   taken);
    }
}

} // namespace history
