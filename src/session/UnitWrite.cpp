#include "session/UnitWrite.h"

#include "link/Codes.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <memory>

using unitchange::Part;

namespace {

constexpr Part Parts[] = {Part::Settings, Part::Lock, Part::Name};

int indexOf(Part part)
{
    return int(part);
}

bool names(const unitchange::Change &change, Part part)
{
    switch (part) {
    case Part::Settings:
        return change.namesStatus();
    case Part::Lock:
        return change.namesLock();
    case Part::Name:
        return change.namesName();
    }
    return false;
}

QString partText(Part part)
{
    switch (part) {
    case Part::Settings:
        return extraText(ExtraText::PartSettings);
    case Part::Lock:
        return extraText(ExtraText::PartLock);
    case Part::Name:
        return extraText(ExtraText::PartName);
    }
    return {};
}

} // namespace

bool WriteReport::allApplied() const
{
    if (end != End::Done)
        return false;
    return std::all_of(units.begin(), units.end(), [](const UnitReport &u) {
        return std::all_of(u.parts.begin(), u.parts.end(),
                           [](const PartReport &p) { return p.outcome == WriteOutcome::Applied; });
    });
}

bool WriteReport::anyRefused() const
{
    return std::any_of(units.begin(), units.end(), [](const UnitReport &u) {
        return std::any_of(u.parts.begin(), u.parts.end(),
                           [](const PartReport &p) { return p.outcome == WriteOutcome::Refused; });
    });
}

QString outcomeText(const PartReport &part)
{
    switch (part.outcome) {
    case WriteOutcome::Applied:
        return extraText(ExtraText::WriteApplied);
    case WriteOutcome::NotApplied:
        return extraText(ExtraText::WriteNotApplied).arg(part.reason);
    case WriteOutcome::NotConfirmed:
        return extraText(ExtraText::WriteNotConfirmed).arg(part.reason);
    case WriteOutcome::NotSent:
        return extraText(ExtraText::WriteNotSent).arg(part.reason);
    case WriteOutcome::Refused:
        return extraText(ExtraText::WriteRefused).arg(part.reason);
    }
    return {};
}

QString describe(const UnitReport &unit)
{
    QStringList parts;
    for (const PartReport &part : unit.parts)
        parts << extraText(ExtraText::PartOutcome).arg(partText(part.part), outcomeText(part));
    return parts.join(QStringLiteral("; "));
}

UnitWrite::UnitWrite(ControllerSession &session, QObject *parent) : QObject(parent), session(session)
{
    connect(&session, &ControllerSession::answered, this, [this](const TtaskRecord &task, bool stored) {
        if (active && task.origin == TaskOrigin::Write)
            answered(task, stored);
    });
    connect(&session, &ControllerSession::taskWritten, this, [this](const TtaskRecord &task) {
        if (active && task.origin == TaskOrigin::Write)
            taskWritten(task);
    });
    connect(&session, &ControllerSession::linkClosed, this, [this] {
        if (!active)
            return;
        // A silence reopens the link at once, with the request it left unanswered: only a
        // link that stays closed has cut the write.
        const int epoch = linkEpoch;
        QTimer::singleShot(0, this, [this, epoch] {
            if (active && epoch == linkEpoch && this->session.state() == LinkState::Idle)
                linkEnded();
        });
    });
    connect(&session, &ControllerSession::failed, this, [this](int text) {
        if (active)
            finish(text == 164 ? WriteReport::End::Unreachable : WriteReport::End::LinkLost,
                   texts.value(text));
    });
    connect(&session, &ControllerSession::handlerFailed, this, [this](const QString &message) {
        if (active)
            finish(WriteReport::End::Failed, message);
    });
}

UnitWrite::~UnitWrite() = default;

void UnitWrite::start(const QString &toHost, const UnitWriteRequest &asked)
{
    if (active)
        return;
    active = true;
    reopened = false;
    ++linkEpoch;
    request = asked;
    host = toHost;
    report = WriteReport();
    job.reset();
    pending = request.allUnits ? std::vector<int>() : request.units;
    // Opened (or joined) first: opening a link to another host empties the queue.
    session.setLinkHost(host);
    session.openConnection(true, silencesAllowed);
    if (request.passwordGate) {
        phase = Phase::Password;
        queue(+Code::PasswordUse, 0);
    } else if (request.allUnits) {
        phase = Phase::OnlineList;
        queue(+Code::OnlineUnits, 0);
    } else {
        phase = Phase::Units;
        beginUnit();
    }
}

void UnitWrite::queue(int code, int addr, const QByteArray &updateBuffer, const QString &name)
{
    std::shared_ptr<const RequestSources> values;
    if (code == Code::SetUnitStatus || code == Code::SetUnitName) {
        RequestSources src = session.requestSources();
        src.updateBuffer = updateBuffer;
        src.unitName = name;
        values = std::make_shared<const RequestSources>(std::move(src));
    }
    // Ahead of whatever else waits: a reload under way reads the units after the write.
    const int at = session.TaskList.Add_addr(code, addr, std::move(values), TaskOrigin::Write);
    // Bound to the write's controller: it never goes out on a link to another.
    session.TaskList.Get(at)->host = host;
    session.TaskList.moveToHead(session.TaskList.Count() - 1);
}

void UnitWrite::beginUnit()
{
    if (pending.empty()) {
        finish(WriteReport::End::Done);
        return;
    }
    // Not emplace(): clang 14 takes a nested struct with initialisers as not default-constructible.
    job = Job{};
    job->addr = pending.front();
    pending.erase(pending.begin());
    for (const Part part : Parts)
        if (names(request.change, part))
            job->report.parts.push_back({part, WriteOutcome::NotSent, {}});
    job->report.addr = job->addr;
    afterStep(Step::Read);
}

PartReport &UnitWrite::partOf(Part part)
{
    for (PartReport &p : job->report.parts)
        if (p.part == part)
            return p;
    Q_UNREACHABLE();
}

// The next request of the unit under way: what is named and not yet answered, in
// the order settings, lock, name; then the read-back.
void UnitWrite::afterStep(Step)
{
    const unitchange::Change &c = request.change;
    const int adr = job->addr;
    if (c.namesStatus() && !job->answered[indexOf(Part::Settings)]) {
        job->step = Step::Read;
        queue(+Code::UnitStatus, adr);
    } else if (c.namesLock() && !job->answered[indexOf(Part::Lock)]) {
        job->step = Step::Lock;
        queue(+(*c.remoteEnabled ? Code::UnlockRemote : Code::LockRemote), adr);
    } else if (c.namesName() && !job->answered[indexOf(Part::Name)]) {
        job->step = Step::Name;
        queue(+Code::SetUnitName, adr, {}, *c.name);
    } else if (c.namesStatus() || c.namesLock()) {
        job->step = Step::ReadBack;
        queue(+Code::UnitStatus, adr);
    } else {
        job->step = Step::NameBack;
        queue(+Code::UnitName, adr);
    }
}

void UnitWrite::taskWritten(const TtaskRecord &task)
{
    if (!job || task.addr != job->addr)
        return;
    switch (Code(task.code)) {
    case Code::SetUnitStatus:
        job->written[indexOf(Part::Settings)] = true;
        break;
    case Code::LockRemote:
    case Code::UnlockRemote:
        job->written[indexOf(Part::Lock)] = true;
        break;
    case Code::SetUnitName:
        job->written[indexOf(Part::Name)] = true;
        break;
    default:
        break;
    }
}

void UnitWrite::answered(const TtaskRecord &task, bool stored)
{
    const ControllerModel &model = session.model;
    switch (phase) {
    case Phase::Password:
        if (task.code != Code::PasswordUse)
            return;
        if (!model.use_password)
            break;
        if (!request.password) {
            finish(WriteReport::End::PasswordNeeded);
            return;
        }
        phase = Phase::PasswordCheck;
        queue(+Code::Password, 0);
        return;
    case Phase::PasswordCheck:
        if (task.code != Code::Password)
            return;
        if (!setting::passwordAccepted(*request.password, model.BZ_password)) {
            finish(WriteReport::End::PasswordRefused);
            return;
        }
        break;
    case Phase::OnlineList:
        if (task.code != Code::OnlineUnits)
            return;
        if (!stored) {
            finish(WriteReport::End::LinkLost, texts.value(163));
            return;
        }
        for (int adr = 0; adr < PanelUnits; ++adr)
            if (model.unit_online[size_t(adr)] != 0)
                pending.push_back(adr);
        if (pending.empty()) {
            finish(WriteReport::End::NoUnits);
            return;
        }
        phase = Phase::Units;
        beginUnit();
        return;
    case Phase::Units:
        break;
    }
    if (phase != Phase::Units) {
        // The password gate is passed.
        if (request.allUnits) {
            phase = Phase::OnlineList;
            queue(+Code::OnlineUnits, 0);
        } else {
            phase = Phase::Units;
            beginUnit();
        }
        return;
    }
    if (!job || task.addr != job->addr)
        return;

    const TunitRecord &unit = model.unit_par[size_t(job->addr)];
    const unitchange::Change &c = request.change;
    const auto decide = [this, &unit, &c](Part part, bool read) {
        PartReport &p = partOf(part);
        if (!job->answered[indexOf(part)])
            return;
        if (!read) {
            p.outcome = WriteOutcome::NotConfirmed;
            p.reason = extraText(ExtraText::ReadBackFailed);
            return;
        }
        const QString differs = unitchange::differences(unit, c, part);
        p.outcome = differs.isEmpty() ? WriteOutcome::Applied : WriteOutcome::NotApplied;
        p.reason = differs.isEmpty() ? QString() : extraText(ExtraText::UnitReports).arg(differs);
    };

    switch (job->step) {
    case Step::Read:
        if (task.code != Code::UnitStatus)
            return;
        if (!stored) {
            for (PartReport &p : job->report.parts)
                p = {p.part, WriteOutcome::NotSent, extraText(ExtraText::StatusUnread)};
            endUnit();
            return;
        }
        job->report.readBack = true;
        if (const QString why = unitchange::refusal(unit, c); !why.isEmpty()) {
            for (PartReport &p : job->report.parts)
                p = {p.part, WriteOutcome::Refused, why};
            endUnit();
            return;
        }
        job->step = Step::Write;
        queue(+Code::SetUnitStatus, job->addr, unitchange::statusBytes(unit, c));
        return;
    case Step::Write:
        if (task.code != Code::SetUnitStatus)
            return;
        job->answered[indexOf(Part::Settings)] = true;
        break;
    case Step::Lock:
        if (task.code != Code::LockRemote && task.code != Code::UnlockRemote)
            return;
        job->answered[indexOf(Part::Lock)] = true;
        break;
    case Step::Name:
        if (task.code != Code::SetUnitName)
            return;
        job->answered[indexOf(Part::Name)] = true;
        break;
    case Step::ReadBack:
        if (task.code != Code::UnitStatus)
            return;
        job->report.readBack = job->report.readBack || stored;
        if (c.namesStatus())
            decide(Part::Settings, stored);
        if (c.namesLock())
            decide(Part::Lock, stored);
        if (c.namesName()) {
            job->step = Step::NameBack;
            queue(+Code::UnitName, job->addr);
            return;
        }
        endUnit();
        return;
    case Step::NameBack:
        if (task.code != Code::UnitName)
            return;
        decide(Part::Name, stored);
        endUnit();
        return;
    }
    afterStep(job->step);
}

void UnitWrite::endUnit()
{
    report.units.push_back(job->report);
    job.reset();
    beginUnit();
}

// Parts of the unit under way that no answer decided: confirmed by nothing, or never sent.
void UnitWrite::closeParts(WriteOutcome unsentOutcome, const QString &why)
{
    for (PartReport &p : job->report.parts) {
        if (p.outcome != WriteOutcome::NotSent || !p.reason.isEmpty())
            continue;
        const int i = indexOf(p.part);
        p.outcome = job->answered[i] || job->written[i] ? WriteOutcome::NotConfirmed : unsentOutcome;
        p.reason = job->answered[i] ? extraText(ExtraText::ReadBackFailed) : why;
    }
}

void UnitWrite::linkEnded()
{
    if (reopened) {
        finish(WriteReport::End::LinkLost, extraText(ExtraText::LinkWasCut));
        return;
    }
    // One more link; the unit under way starts again from its read.
    reopened = true;
    ++linkEpoch;
    session.TaskList.removeAll(TaskOrigin::Write);
    session.setLinkHost(host);
    session.openConnection(true, silencesAllowed);
    switch (phase) {
    case Phase::Password:
        queue(+Code::PasswordUse, 0);
        return;
    case Phase::PasswordCheck:
        queue(+Code::Password, 0);
        return;
    case Phase::OnlineList:
        queue(+Code::OnlineUnits, 0);
        return;
    case Phase::Units:
        if (job)
            afterStep(Step::Read);
        else
            beginUnit();
        return;
    }
}

void UnitWrite::abandon(const QString &why)
{
    finish(WriteReport::End::LinkLost, why);
}

void UnitWrite::finish(WriteReport::End end, const QString &failure)
{
    if (!active)
        return;
    active = false;
    ++linkEpoch;
    report.end = end;
    report.failure = failure;
    if (end != WriteReport::End::Done) {
        if (job) {
            closeParts(WriteOutcome::NotSent, failure);
            report.units.push_back(job->report);
            job.reset();
        }
        // Units not yet taken are listed when the link ended the write; a refused
        // password or an empty controller concerns none of them.
        const bool linkEnd = end == WriteReport::End::Unreachable || end == WriteReport::End::LinkLost ||
                             end == WriteReport::End::Failed;
        for (const int adr : linkEnd ? pending : std::vector<int>()) {
            UnitReport unit;
            unit.addr = adr;
            for (const Part part : Parts)
                if (names(request.change, part))
                    unit.parts.push_back({part, WriteOutcome::NotSent, failure});
            report.units.push_back(unit);
        }
        pending.clear();
        // Nothing of this write may go out with a later link.
        session.TaskList.removeAll(TaskOrigin::Write);
    }
    emit finished(report);
}
