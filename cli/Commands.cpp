// Each command as the window would do it: the same tasks, queued the same way,
// over one ControllerSession, one exchange (one link) after another.
#include "Commands.h"

#include "Arguments.h"
#include "Messages.h"
#include "Output.h"
#include "link/Codes.h"
#include "link/ControllerSession.h"
#include "link/Encoder.h"
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

int setUnits(const Invocation &inv, Link &link)
{
    if (int status = readUnits(link); status != Done)
        return status;
    const ControllerModel &model = link.session.model;
    std::vector<int> targets = inv.allUnits ? listedUnits(model) : inv.units;
    for (int adr : targets)
        if (model.unit_online[size_t(adr)] == 0) {
            complain(cliText(CliText::NotOnController).arg(adr));
            return BadInput;
        }
    // Sent without a mode, such a unit would be switched off.
    for (int adr : targets)
        if (inv.change.namesStatus() && !inv.change.modeButton &&
            setting::unitControls(model.unit_par[size_t(adr)]).modeButton < 0) {
            complain(cliText(CliText::UnlistedMode).arg(adr));
            return BadInput;
        }
    if (int status = passwordGate(inv, model); status != Done)
        return status;

    const UnitChange &change = inv.change;
    const int status = link.exchange(cliText(CliText::SendingSettings), [&] {
        if (change.namesStatus())
            // What is not named stays as each unit has it.
            link.session.queueUnitSettings(targets, [&change](setting::Controls &c) {
                c.modeButton = change.modeButton.value_or(c.modeButton);
                c.fanButton = change.fanButton.value_or(c.fanButton);
                c.setTemp = change.temp.value_or(c.setTemp);
                c.remoteEnabled = change.remoteEnabled.value_or(c.remoteEnabled);
                c.flap = change.flap.value_or(c.flap);
            });
        if (change.name)
            link.session.queueSetting(setting::settingTasks(2, {}, targets.front(), false, 0),
                                      [&change](RequestSources &values) { values.unitName = *change.name; });
    });
    if (status != Done)
        return status;
    std::vector<int> shown;
    for (int adr : listedUnits(model))
        if (std::find(targets.begin(), targets.end(), adr) != targets.end())
            shown.push_back(adr);
    print(stdout, output::units(model, shown, inv.json));
    return Done;
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
