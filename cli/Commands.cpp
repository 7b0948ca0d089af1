// Each command as the window would do it: the same tasks, queued the same way,
// over one ControllerSession, one exchange (one link) after another.
#include "Commands.h"

#include "Arguments.h"
#include "Messages.h"
#include "Output.h"
#include "Target.h"
#include "link/Codes.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "session/UnitWrite.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

void toStderr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// Each line of `text` on its own line of standard error, its control characters escaped.
void complain(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        toStderr(QStringLiteral("brezzano-cli: ") + escapeControls(line) + QLatin1Char('\n'));
}

// Standard output that cannot be written fails the run: a cron job must not take an empty
// file for an empty list. A reader that went away ends the program by SIGPIPE, as usual.
int printResult(const QString &text, int status)
{
    if (output::toStdout(text))
        return status;
    complain(cliText(CliText::CannotWriteOutput).arg(QString::fromLocal8Bit(std::strerror(errno))));
    return Internal;
}

// A line of the communication log without the controller's password or the module's pass
// phrase: the frames that carry the password (51, 52) lose their payload, the log's own
// "PWD : " and "Passphrase=" lines their value, and any secret known so far is masked.
QString withoutSecrets(QString line, const QStringList &secrets)
{
    static const QRegularExpression passwordFrame(QStringLiteral("(\\*MK3[34][0-9A-Fa-f]{2}\\*)[^#]*"));
    static const QRegularExpression named(QStringLiteral("((?<!USE )PWD : |Passphrase=|phrase ).*$"));
    line.replace(passwordFrame, QStringLiteral("\\1***"));
    line.replace(named, QStringLiteral("\\1***"));
    for (const QString &secret : secrets) {
        if (secret.isEmpty())
            continue;
        line.replace(secret, QStringLiteral("***"));
        line.replace(QString::fromLatin1(secret.toLatin1().toHex().toUpper()), QStringLiteral("***"));
    }
    return escapeControls(line);
}

// A step's own words without the ellipsis of its progress line.
QString stepName(const QString &step)
{
    QString name = step;
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

// One controller, one exchange at a time, waited for in a local event loop, all of it
// within the run's deadline.
class Link final : public QObject
{
public:
    Link(const Invocation &inv, const Target &target)
        : shown(target.shown), host(target.host), progress(isatty(STDERR_FILENO)), password(inv.password)
    {
        // One command, one link: nothing to wait for before the first request.
        session.sendOnOpen = true;
        session.setLinkPort(target.port);
        if (inv.verbose)
            connect(&session, &ControllerSession::logLine, this, [this](const QString &line) {
                const QStringList secrets{password.value_or(QString()), session.model.BZ_password,
                                          session.model.module.passPhrase};
                toStderr(withoutSecrets(line, secrets) + QLatin1Char('\n'));
            });
        connect(&session, &ControllerSession::exchangeFinished, this, [this] { linkEnds(Done, {}); });
        connect(&session, &ControllerSession::failed, this, [this](int text) {
            if (text == 164) {
                const QString cause = session.connectError();
                linkEnds(Unreachable,
                         cliText(CliText::ConnectCause)
                             .arg(shown, cause.isEmpty() ? cliText(CliText::TimedOutCause) : cause));
            } else {
                linkEnds(NoAnswer, shown + QStringLiteral(": ") + texts.value(text));
            }
        });
        connect(&session, &ControllerSession::handlerFailed, this, [this](const QString &message) {
            linkEnds(Internal, texts.value(163) + QStringLiteral(": ") + message);
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
        connect(&session, &ControllerSession::linkOpened, this, [this] {
            everOpened = true;
            cutCause.clear();
        });
        // A link cut under an exchange closes without a message: nothing reopens it.
        connect(&session, &ControllerSession::linkClosed, this, [this] {
            const int exchange = exchanges;
            cutCause = session.linkFailureReason();
            QTimer::singleShot(0, this, [this, exchange] {
                if (exchange == exchanges && session.state() == LinkState::Idle)
                    linkEnds(NoAnswer,
                             cliText(CliText::LinkCutCause)
                                 .arg(shown, cutCause.isEmpty() ? cliText(CliText::LinkCut) : cutCause));
            });
        });
        connect(&session, &ControllerSession::linkStateChanged, this, [this](LinkState state) {
            if (state == LinkState::Connecting)
                say(cliText(CliText::Connecting).arg(shown));
            else if (state == LinkState::RetryWait)
                say(cliText(CliText::Retrying).arg(shown));
        });
        connect(&session, &ControllerSession::unitsChanged, this, [this] { unitsRead = true; });
        connect(&session, &ControllerSession::moduleReplyRead, this,
                [this](const netmodule::ReplyEffect &reply) {
                    moduleLeft = moduleLeft || reply.endsCommandMode;
                });
        // The whole run, connecting, retries and floods included; its own timer, so that
        // no timing of the link has to know it.
        deadline.setSingleShot(true);
        deadline.setInterval(inv.timeoutMs);
        deadlineSeconds = QString::number(inv.timeoutMs / 1000.0, 'g', 4);
        connect(&deadline, &QTimer::timeout, this, [this] {
            passed = true;
            if (onDeadline)
                onDeadline();
            session.cancelRetry();
            session.closeLink();
            finish(everOpened ? NoAnswer : Unreachable, deadlineText());
        });
        deadline.start();
    }

    // What the deadline's end says: which step it cut short.
    QString deadlineText() const
    {
        QString text = cliText(CliText::Deadline).arg(shown, deadlineSeconds) + QStringLiteral("; ") +
                       cliText(CliText::NotFinished).arg(stepName(step));
        // Why no link was made, when none was.
        if (!everOpened && !session.connectError().isEmpty())
            text += QStringLiteral("; ") + cliText(CliText::ConnectCause).arg(shown, session.connectError());
        return text;
    }

    // Queues through `queue`, opens the link as the window does and waits for the end.
    int exchange(const QString &what, const std::function<void()> &queue)
    {
        begin(what);
        undeliveredText.clear();
        unitsRead = false;
        moduleLeft = false;
        session.setLinkHost(host);
        queue();
        session.openConnection(true, protocol::Reopens);
        wait();
        if (status != Done) {
            if (!undeliveredText.isEmpty())
                complain(undeliveredText);
            complain(failure);
        }
        return status;
    }

    // Says `what` and runs `start`, which opens the link itself and follows it: only done() or
    // the deadline ends the wait, whatever the link does meanwhile.
    int steer(const QString &what, const std::function<void()> &start)
    {
        begin(what);
        steered = true;
        start();
        wait();
        steered = false;
        return status;
    }
    void done() { finish(Done, {}); }

    ControllerSession session;
    bool unitsRead = false;
    bool moduleLeft = false; // the module said "EXIT": its read went through to the end
    bool passed = false;     // the deadline ended the run
    bool everOpened = false; // a link was made at some point
    std::function<void()> onDeadline;
    QString shown;

private:
    void begin(const QString &what)
    {
        ++exchanges;
        status = -1;
        failure.clear();
        step = what;
        say(what);
        if (passed)
            finish(everOpened ? NoAnswer : Unreachable, deadlineText());
    }
    void wait()
    {
        if (status < 0)
            loop.exec();
    }
    // The link's own end of an exchange, unless a steered step follows the link itself.
    void linkEnds(int exit, const QString &text)
    {
        if (!steered)
            finish(exit, text);
    }
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
            toStderr(line + QLatin1Char('\n'));
    }

    QString host;
    bool progress = false;
    std::optional<QString> password;
    QEventLoop loop;
    QTimer deadline;
    QString deadlineSeconds;
    int exchanges = 0;
    bool steered = false;
    int status = -1;
    QString step;
    QString failure;
    QString undeliveredText;
    QString cutCause;
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
int passwordGate(const Invocation &inv, Link &link)
{
    const ControllerModel &model = link.session.model;
    if (!model.use_password || (inv.password && setting::passwordAccepted(*inv.password, model.BZ_password)))
        return Done;
    complain(inv.password ? cliText(CliText::WrongPassword).arg(link.shown)
                          : link.shown + QStringLiteral(": ") + cliText(CliText::PasswordNeeded));
    return Refused;
}

unitchange::Change changeOf(const UnitChange &named)
{
    unitchange::Change change;
    if (named.modeButton)
        change.mode = quint8(setting::ModeValues[size_t(*named.modeButton)]);
    change.fan = named.fan;
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
int setUnits(const Invocation &inv, Link &link, const Target &target)
{
    UnitWriteRequest request;
    request.units = inv.units;
    request.allUnits = inv.allUnits;
    request.change = changeOf(inv.change);
    request.passwordGate = true;
    request.password = inv.password;

    UnitWrite write(link.session);
    std::optional<WriteReport> report;
    QObject::connect(&write, &UnitWrite::finished, &link, [&](const WriteReport &r) {
        report = r;
        link.done();
    });
    // What the units took by then is reported as a lost link would leave it.
    link.onDeadline = [&] { write.abandon(link.deadlineText()); };
    link.steer(cliText(CliText::SendingSettings), [&] { write.start(target.host, request); });
    link.onDeadline = nullptr;
    if (!report) { // the deadline passed before the write began
        complain(link.deadlineText());
        return link.everOpened ? NoAnswer : Unreachable;
    }

    const ControllerModel &model = link.session.model;
    int printed = Done;
    if (!report->units.empty())
        printed = printResult(output::written(model, *report, inv.form), Done);
    if (link.passed) {
        complain(report->failure);
        return link.everOpened ? NoAnswer : Unreachable;
    }
    const QString at = link.shown + QStringLiteral(": ");
    switch (report->end) {
    case WriteReport::End::Done:
        break;
    case WriteReport::End::NoUnits:
        complain(at + cliText(CliText::NoUnits));
        return BadInput;
    case WriteReport::End::PasswordNeeded:
        complain(at + cliText(CliText::PasswordNeeded));
        return Refused;
    case WriteReport::End::PasswordRefused:
        complain(cliText(CliText::WrongPassword).arg(link.shown));
        return Refused;
    case WriteReport::End::Unreachable: {
        const QString cause = link.session.connectError();
        complain(cliText(CliText::ConnectCause)
                     .arg(link.shown, cause.isEmpty() ? cliText(CliText::TimedOutCause) : cause));
        return Unreachable;
    }
    case WriteReport::End::LinkLost: {
        const QString cause = link.session.linkFailureReason();
        complain(at + report->failure + (cause.isEmpty() ? QString() : QStringLiteral(": ") + cause));
        return NoAnswer;
    }
    case WriteReport::End::Failed:
        complain(texts.value(163) + QStringLiteral(": ") + report->failure);
        return Internal;
    }
    if (printed != Done)
        return printed;
    if (report->anyRefused())
        return BadInput;
    return report->allApplied() ? Done : NoAnswer;
}

// The online list, then the settings dialog's read for one unit: task 41 and the blocks its
// answer asks for. A unit the controller does not list holds no schedule to read.
int readSchedule(const Invocation &inv, Link &link)
{
    const int unit = inv.units.front();
    link.session.model.unitProgList.Clear();
    link.session.model.unit_online.fill(0);
    const int status = link.exchange(cliText(CliText::ReadingSchedule).arg(unit), [&] {
        link.session.TaskList.Add_addr(Code::OnlineUnits, 0, {}, TaskOrigin::Write);
        link.session.TaskList.Add_addr(Code::ScheduleLength, unit);
    });
    if (status != Done)
        return status;
    if (link.session.model.unit_online[size_t(unit)] == 0) {
        complain(link.shown + QStringLiteral(": ") + cliText(CliText::NotOnController).arg(unit));
        return BadInput;
    }
    return printResult(output::schedule(unit, link.session.model.unitProgList.entries(), inv.form), Done);
}

int writeSchedule(const Invocation &inv, Link &link)
{
    if (int status = readUnits(link); status != Done)
        return status;
    const int unit = inv.units.front();
    if (link.session.model.unit_online[size_t(unit)] == 0) {
        complain(link.shown + QStringLiteral(": ") + cliText(CliText::NotOnController).arg(unit));
        return BadInput;
    }
    if (int status = passwordGate(inv, link); status != Done)
        return status;
    link.session.model.unitProgList.assign(inv.schedule);
    const int status = link.exchange(cliText(CliText::WritingSchedule).arg(unit), [&] {
        link.session.queueSetting(setting::settingTasks(7, {}, unit, false, int(inv.schedule.size())));
    });
    // What the unit holds now, read back as the dialog would read it.
    return status == Done ? readSchedule(inv, link) : status;
}

// The units asked for, in the panel's order; those the controller does not list are named.
int listUnits(const Invocation &inv, Link &link)
{
    const int status = readUnits(link);
    if (status != Done)
        return status;
    const ControllerModel &model = link.session.model;
    std::vector<int> shown;
    for (int adr : listedUnits(model))
        if (inv.allUnits || std::find(inv.units.begin(), inv.units.end(), adr) != inv.units.end())
            shown.push_back(adr);
    int result = Done;
    for (int adr : inv.units)
        if (model.unit_online[size_t(adr)] == 0) {
            complain(link.shown + QStringLiteral(": ") + cliText(CliText::NotOnController).arg(adr));
            result = BadInput;
        }
    return printResult(output::units(model, shown, inv.form), result);
}

int readModule(const Invocation &inv, Link &link)
{
    const int status =
        link.exchange(cliText(CliText::ReadingModule), [&link] { link.session.queueModuleRead(); });
    // A silence drops the module's commands rather than carry them to the next link,
    // which then ends at once: only "EXIT" says that the read went through.
    if (status == Done && !link.moduleLeft) {
        complain(link.shown + QStringLiteral(": ") + texts.value(163));
        return NoAnswer;
    }
    return status == Done ? printResult(output::module(link.session.model.module, inv.form), Done) : status;
}

} // namespace

int runCommand(const Invocation &given)
{
    Invocation inv = given;
    if (inv.command == Command::Help) {
        const QString help = inv.helpTopic.isEmpty() ? cliText(CliText::Usage) : commandHelp(inv.helpTopic);
        if (help.isEmpty()) {
            complain(cliText(CliText::UnknownTopic).arg(inv.helpTopic));
            return BadInput;
        }
        return printResult(help, Done);
    }
    if (inv.command == Command::Book) {
        const AddressBook book = readAddressBook(inv);
        if (!book.error.isEmpty()) {
            complain(book.error);
            return BadInput;
        }
        return printResult(output::book(book.path, book.devices, inv.form), Done);
    }
    QString why;
    if (!inv.passwordFile.isEmpty()) {
        inv.password = readPasswordFile(inv.passwordFile, &why);
        if (!inv.password) {
            complain(why);
            return BadInput;
        }
    }
    const std::optional<Target> target = resolveTarget(inv, &why);
    if (!target) {
        complain(why);
        return BadInput;
    }
    Link link(inv, *target);
    switch (inv.command) {
    case Command::Units:
        return listUnits(inv, link);
    case Command::Set:
        return setUnits(inv, link, *target);
    case Command::ScheduleGet:
        return readSchedule(inv, link);
    case Command::ScheduleSet:
        return writeSchedule(inv, link);
    case Command::Module:
        return readModule(inv, link);
    case Command::Help:
    case Command::Book:
    case Command::None:
        break;
    }
    return BadInput;
}
