// Each command as the window would do it: the same tasks, queued the same way,
// over one ControllerSession, one exchange (one link) after another.
#include "Commands.h"

#include "Arguments.h"
#include "Messages.h"
#include "Output.h"
#include "link/Codes.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "session/UnitWrite.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QEventLoop>
#include <QTimer>

#include <map>

#include <cstdio>
#include <unistd.h>

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void complain(const QString &text)
{
    print(stderr, QStringLiteral("brezzano-cli: ") + text + QLatin1Char('\n'));
}

// One controller, one exchange at a time, waited for in a local event loop.
class Link final : public QObject
{
public:
    explicit Link(const Invocation &inv) : host(inv.host), progress(isatty(STDERR_FILENO))
    {
        // One command, one link: nothing to wait for before the first request.
        session.sendOnOpen = true;
        if (inv.verbose)
            connect(&session, &ControllerSession::logLine, this,
                    [](const QString &line) { print(stderr, line + QLatin1Char('\n')); });
        connect(&session, &ControllerSession::exchangeFinished, this, [this] { finish(Done, {}); });
        connect(&session, &ControllerSession::failed, this,
                [this](int text) { finish(text == 164 ? Unreachable : NoAnswer, texts.value(text)); });
        connect(&session, &ControllerSession::handlerFailed, this, [this](const QString &message) {
            finish(Internal, texts.value(163) + QStringLiteral(": ") + message);
        });
        connect(&session, &ControllerSession::undelivered, this,
                [this](const std::vector<TtaskRecord> &tasks) {
                    std::vector<setting::Task> unsent;
                    for (const TtaskRecord &task : tasks)
                        unsent.push_back({task.code, task.addr});
                    undeliveredText = setting::undeliveredText(unsent, [this](int adr) {
                        return adr >= 0 && adr < UnitRecords ? session.model.unit_par[size_t(adr)].name
                                                             : QString();
                    });
                });
        // A link cut under an exchange closes without a message: nothing reopens it.
        connect(&session, &ControllerSession::linkClosed, this, [this] {
            const int exchange = exchanges;
            QTimer::singleShot(0, this, [this, exchange] {
                if (exchange == exchanges && session.state() == LinkState::Idle)
                    finish(NoAnswer, cliText(CliText::LinkCut));
            });
        });
        connect(&session, &ControllerSession::linkStateChanged, this, [this](LinkState state) {
            if (state == LinkState::Connecting)
                say(cliText(CliText::Connecting).arg(host));
            else if (state == LinkState::RetryWait)
                say(cliText(CliText::Retrying).arg(host));
        });
        connect(&session, &ControllerSession::unitsChanged, this, [this] { unitsRead = true; });
        connect(&session, &ControllerSession::moduleReplyRead, this,
                [this](const netmodule::ReplyEffect &reply) {
                    moduleLeft = moduleLeft || reply.endsCommandMode;
                });
    }

    // Queues through `queue`, opens the link as the window does and waits for the end.
    int exchange(const QString &step, const std::function<void()> &queue)
    {
        ++exchanges;
        status = -1;
        failure.clear();
        undeliveredText.clear();
        unitsRead = false;
        moduleLeft = false;
        say(step);
        session.setLinkHost(host);
        queue();
        session.openConnection(true, protocol::Reopens);
        if (status < 0)
            loop.exec();
        if (status != Done) {
            if (!undeliveredText.isEmpty())
                complain(undeliveredText);
            complain(failure);
        }
        return status;
    }

    // Says `step` and runs `start`, which opens the link itself and follows it to its end.
    void steer(const QString &step, const std::function<void()> &start)
    {
        ++exchanges;
        status = -1;
        say(step);
        start();
    }

    ControllerSession session;
    bool unitsRead = false;
    bool moduleLeft = false; // the module said "EXIT": its read went through to the end

private:
    void finish(int exit, const QString &text)
    {
        if (status >= 0)
            return;
        status = exit;
        failure = text;
        loop.quit();
    }
    void say(const QString &line)
    {
        if (progress)
            print(stderr, line + QLatin1Char('\n'));
    }

    QString host;
    bool progress = false;
    QEventLoop loop;
    int exchanges = 0;
    int status = -1;
    QString failure;
    QString undeliveredText;
};

// The unit panel's reload: password flag, password, lock mode, online units and what they bring.
int readUnits(Link &link)
{
    const int status = link.exchange(cliText(CliText::ReadingUnits), [&link] { link.session.queueReload(); });
    if (status == Done && !link.unitsRead) {
        complain(cliText(CliText::Incomplete));
        return NoAnswer;
    }
    return status;
}

std::vector<int> listedUnits(const ControllerModel &model)
{
    return units::panelOrder(model.unit_par, model.unit_online);
}

// The settings dialog's gate, with the password of the command line for what is typed.
int passwordGate(const Invocation &inv, const ControllerModel &model)
{
    if (!model.use_password || (inv.password && setting::passwordAccepted(*inv.password, model.BZ_password)))
        return Done;
    complain((inv.password ? texts.value(167) : cliText(CliText::PasswordNeeded)));
    return Refused;
}

unitchange::Change changeOf(const UnitChange &named)
{
    unitchange::Change change;
    const auto value = [](const auto &values, const std::optional<int> &button) -> std::optional<quint8> {
        if (!button)
            return std::nullopt;
        return quint8(values[size_t(*button)]);
    };
    change.mode = value(setting::ModeValues, named.modeButton);
    change.fan = value(setting::FanValues, named.fanButton);
    change.setTemp = named.temp;
    change.tmin = named.tmin;
    change.tmax = named.tmax;
    change.flap = named.flap;
    change.schedule = named.schedule;
    change.remoteEnabled = named.remoteEnabled;
    change.name = named.name;
    return change;
}

// Each unit read right before its write and read back after it; nothing else is read.
int setUnits(const Invocation &inv, Link &link)
{
    UnitWriteRequest request;
    request.units = inv.units;
    request.allUnits = inv.allUnits;
    request.change = changeOf(inv.change);
    request.passwordGate = true;
    request.password = inv.password;

    UnitWrite write(link.session);
    std::optional<WriteReport> report;
    QEventLoop loop;
    QObject::connect(&write, &UnitWrite::finished, &loop, [&](const WriteReport &r) {
        report = r;
        loop.quit();
    });
    link.steer(cliText(CliText::SendingSettings), [&] { write.start(inv.host, request); });
    if (!report)
        loop.exec();

    const ControllerModel &model = link.session.model;
    if (!report->units.empty())
        print(stdout, output::written(model, *report, inv.json));
    switch (report->end) {
    case WriteReport::End::Done:
        break;
    case WriteReport::End::NoUnits:
        complain(cliText(CliText::NoUnits));
        return BadInput;
    case WriteReport::End::PasswordNeeded:
        complain(cliText(CliText::PasswordNeeded));
        return Refused;
    case WriteReport::End::PasswordRefused:
        complain(texts.value(167));
        return Refused;
    case WriteReport::End::Unreachable:
        complain(report->failure);
        return Unreachable;
    case WriteReport::End::LinkLost:
        complain(report->failure);
        return NoAnswer;
    case WriteReport::End::Failed:
        complain(texts.value(163) + QStringLiteral(": ") + report->failure);
        return Internal;
    }
    if (report->anyRefused())
        return BadInput;
    return report->allApplied() ? Done : NoAnswer;
}

// The settings dialog opened for one unit: task 41 and the blocks its answer asks for.
int readSchedule(const Invocation &inv, Link &link)
{
    const int unit = inv.units.front();
    link.session.model.unitProgList.Clear();
    const int status = link.exchange(cliText(CliText::ReadingSchedule).arg(unit),
                                     [&] { link.session.TaskList.Add_addr(Code::ScheduleLength, unit); });
    if (status == Done)
        print(stdout, output::schedule(unit, link.session.model.unitProgList.entries(), inv.json));
    return status;
}

int writeSchedule(const Invocation &inv, Link &link)
{
    if (int status = readUnits(link); status != Done)
        return status;
    const int unit = inv.units.front();
    if (link.session.model.unit_online[size_t(unit)] == 0) {
        complain(cliText(CliText::NotOnController).arg(unit));
        return BadInput;
    }
    if (int status = passwordGate(inv, link.session.model); status != Done)
        return status;
    link.session.model.unitProgList.assign(inv.schedule);
    const int status = link.exchange(cliText(CliText::WritingSchedule).arg(unit), [&] {
        link.session.queueSetting(setting::settingTasks(7, {}, unit, false, int(inv.schedule.size())));
    });
    // What the unit holds now, read back as the dialog would read it.
    return status == Done ? readSchedule(inv, link) : status;
}

} // namespace

int runCommand(const Invocation &inv)
{
    Link link(inv);
    switch (inv.command) {
    case Command::Units: {
        const int status = readUnits(link);
        if (status == Done)
            print(stdout, output::units(link.session.model, listedUnits(link.session.model), inv.json));
        return status;
    }
    case Command::Set:
        return setUnits(inv, link);
    case Command::ScheduleGet:
        return readSchedule(inv, link);
    case Command::ScheduleSet:
        return writeSchedule(inv, link);
    case Command::Module: {
        const int status =
            link.exchange(cliText(CliText::ReadingModule), [&link] { link.session.queueModuleRead(); });
        // A silence drops the module's commands rather than carry them to the next link,
        // which then ends at once: only "EXIT" says that the read went through.
        if (status == Done && !link.moduleLeft) {
            complain(texts.value(163));
            return NoAnswer;
        }
        if (status == Done)
            print(stdout, output::module(link.session.model.module, inv.json));
        return status;
    }
    case Command::None:
        break;
    }
    return BadInput;
}
