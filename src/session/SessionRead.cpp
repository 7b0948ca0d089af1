// The receive and send paths of the controller session: the read tick, the
// frame parser and the request sender.
#include "link/Frame.h"
#include "link/Intervals.h"
#include "link/LinkFailure.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// A received line longer than this is dropped up to its line feed.
constexpr qint64 MaxLine = 4096;
// Lines one read pass handles at most before it returns to the event loop.
constexpr int MaxLinesPerPass = 200;

} // namespace

void ControllerSession::Timer_readtcpTimer()
{
    // A pass may close this link and open another (device discovery does);
    // the tick must then leave the new link alone.
    const quint64 generation = linkGeneration;
    readStarted = true;
    if (Timer_readtcp->interval() != intervals().readTick)
        Timer_readtcp->setInterval(intervals().readTick);
    // A device that never stops sending must not keep the event loop from the
    // rest: a pass ends after a bounded share of lines and time, and the next
    // tick goes on where it stopped.
    QElapsedTimer spent;
    spent.start();
    int lines = 0;
    try {
        QByteArray line("-");
        while (!line.isEmpty()) {
            line = readLinkLine();
            if (!line.isEmpty()) {
                ++lines;
                armWatchdog();
                // Shown as received, but for the control characters a device may slip in.
                log(escapeControls(QString::fromLatin1(line)));
                firstStart = false;
                if (cmdMode)
                    parseModuleReply(line);
                else
                    parseFrames(line);
            }
            if (!PktList.isEmpty())
                processPackets();
            else
                sendNextTask();
            // Closed by the pass itself (the queue ran empty): there is nothing more to read.
            if (generation != linkGeneration || !linkIsOpen())
                return;
            if (lines >= MaxLinesPerPass || spent.elapsed() >= intervals().readPass)
                return;
        }
    } catch (const LinkFailure &failure) {
        // Only the link's own failures close it here; anything else is a fault of
        // ours and goes to appException through the handler that called the tick.
        if (generation == linkGeneration) {
            lastLinkFailure = QString::fromUtf8(failure.what());
            failLink();
        }
    }
}

void ControllerSession::linkDataArrived()
{
    // Answers are handled as they come, not on the next tick; the first tick
    // still comes when it is due, so nothing is sent sooner after connecting.
    if (!readStarted || passQueued)
        return;
    passQueued = true;
    const quint64 generation = linkGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        passQueued = false;
        if (generation == linkGeneration && linkIsOpen() && Timer_readtcp->isActive())
            run(IdTCPClient1, [this] { Timer_readtcpTimer(); });
    });
}

void ControllerSession::failLink()
{
    Timer_readtcp->stop();
    const QString host = openHost;
    std::vector<TtaskRecord> unsent = unsentSettings();
    closeLink();
    log(QStringLiteral("********** ERRORE **************"));
    carrySettings(host, std::move(unsent));
}

void ControllerSession::armWatchdog()
{
    Timer_comm->stop();
    Timer_comm->setInterval(intervals().watchdog);
    Timer_comm->start();
}

// One whole line without its line end, or an empty line when a wait for data
// brings nothing. A part of a line stays buffered for a later read.
QByteArray ControllerSession::readLinkLine()
{
    if (!linkIsOpen() || !IdTCPClient1)
        throw LinkFailure("the link is closed");
    QTcpSocket &socket = *IdTCPClient1;
    const auto waitForData = [this, &socket] {
        if (socket.state() == QAbstractSocket::ConnectedState && waitInRead &&
            socket.waitForReadyRead(intervals().readWait))
            return true;
        if (socket.state() != QAbstractSocket::ConnectedState)
            throw LinkFailure("the link is gone");
        return false;
    };
    for (;;) {
        if (discardingLine) {
            // Drop the rest of an overlong line without keeping it.
            const QByteArray chunk = socket.peek(64 * 1024);
            const qsizetype lf = chunk.indexOf('\n');
            const qint64 take = lf >= 0 ? lf + 1 : chunk.size();
            droppedBytes += socket.skip(take);
            if (lf >= 0) {
                discardingLine = false;
                log(QStringLiteral("line too long: %1 bytes dropped").arg(droppedBytes));
                droppedBytes = 0;
                continue;
            }
            if (socket.bytesAvailable() > 0)
                continue;
            if (!waitForData())
                return {};
            continue;
        }
        if (socket.canReadLine()) {
            QByteArray line = socket.readLine(MaxLine + 2);
            if (!line.endsWith('\n')) {
                droppedBytes = line.size();
                discardingLine = true;
                continue;
            }
            line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (socket.bytesAvailable() > MaxLine) {
            droppedBytes = socket.read(socket.bytesAvailable()).size();
            discardingLine = true;
            continue;
        }
        if (!waitForData())
            return {};
    }
}

void ControllerSession::parseFrames(const QByteArray &line)
{
    frame::ParsedLine parsed = frame::parseLine(line);
    switch (parsed.kind) {
    case frame::LineKind::Ignored:
    case frame::LineKind::Short:
        return;
    case frame::LineKind::BadHex:
        throw LinkFailure("a frame holds a character that is not a hex digit");
    case frame::LineKind::Packet:
        PktList.Add(parsed.packet);
        return;
    }
}

void ControllerSession::sendNextTask()
{
    if (wait_responce)
        return;
    // A task queued without a controller since the link opened (an answer's follow-up, a read its
    // handler asks for) belongs to this link: a controller asked for meanwhile has its own, stamped.
    TaskList.stampHost(openHost);
    // A task bound to another controller never goes out here: it waits for its own link.
    int next = 0;
    while (next < TaskList.Count() && !TaskList.Get(next)->host.isEmpty() &&
           TaskList.Get(next)->host != openHost)
        ++next;
    if (next == TaskList.Count()) {
        log(QStringLiteral("--->FINITO"));
        // Only a link that carried the settings dialog's tasks to the end has sent them.
        const bool settingsSent = linkCarriedSetting;
        emit queueRanDry();
        closeLink();
        emit exchangeFinished();
        if (settingsSent)
            emit settingsWritten();
        return;
    }
    const TtaskRecord *sent = TaskList.Get(next);
    const TtaskRecord task = *sent;

    const Request request = encodeTask(task, task.values ? *task.values : requestSources());
    if (request.known) {
        if (task.origin == TaskOrigin::Setting)
            linkCarriedSetting = true;
        if (request.setsWait) {
            wait_responce = true;
            awaited = task;
        }
        if (request.cmdMode == CmdModeChange::Set)
            cmdMode = true;
        else if (request.cmdMode == CmdModeChange::Clear)
            cmdMode = false;
        for (const QString &line : request.log)
            log(line);
        writeToLink(request.bytes);
        emit taskWritten(task);
        // A device that accepts the link but never answers must not keep it open for ever.
        if (request.setsWait)
            armWatchdog();
    }
    // The queue may have changed under the signals: the task is found again by its record.
    for (int i = 0; i < TaskList.Count(); ++i)
        if (TaskList.Get(i) == sent) {
            TaskList.Delete(i);
            break;
        }
}

void ControllerSession::writeToLink(const QByteArray &bytes)
{
    if (!IdTCPClient1 || !linkIsOpen() || IdTCPClient1->write(bytes) != bytes.size())
        throw LinkFailure("write failed");
    IdTCPClient1->flush();
}

RequestSources ControllerSession::requestSources() const
{
    RequestSources src;
    src.newPassword = model.BZ_newpassword;
    src.passwordToggle = model.use_password;
    src.webToggle = model.webConnection;
    src.alarmToggle = model.useAlarm;
    src.lockMode = model.lock_mode;
    for (const TunitRecord &unit : model.unit_par)
        src.unitFans.append(char(unit.buffer[units::FanByte]));
    src.now = clockNow();
    src.program = model.unitProgList.entries();
    src.netName = model.module.netName;
    src.passPhrase = model.module.passPhrase;
    src.ipAddress = model.module.address;
    src.gateway = model.module.gateway;
    src.dns = model.module.dns;
    src.dhcp = model.module.dhcp;
    if (fillSources)
        fillSources(src);
    return src;
}

std::shared_ptr<const RequestSources> ControllerSession::requestSnapshot() const
{
    return std::make_shared<const RequestSources>(requestSources());
}

void ControllerSession::queueSetting(const std::vector<setting::Task> &tasks,
                                     const std::function<void(RequestSources &)> &change)
{
    RequestSources values = requestSources();
    if (change)
        change(values);
    const auto carried = std::make_shared<const RequestSources>(values);
    for (const setting::Task &task : tasks)
        TaskList.Add_addr(task.code, task.addr, carried, TaskOrigin::Setting);
}
