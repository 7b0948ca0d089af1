// The response dispatcher of the controller session: the one place where the
// device's answers are interpreted and applied to the model.
#include "link/Codes.h"
#include "link/Frame.h"
#include "netmodule/ModuleValues.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "session/Response.h"
#include "shell/Texts.h"

void ControllerSession::processPackets()
{
    if (PktList.isEmpty())
        return;
    const TpktRecord packet = *PktList.Get(0);
    // A repeated or stray frame must not end the wait of the request it does not answer.
    if (frame::answersRequest(packet, wait_responce, awaited.code, awaited.addr)) {
        const bool waited = wait_responce;
        const TtaskRecord task = awaited;
        const bool stored = applyResponse(packet);
        if (waited && !wait_responce)
            emit answered(task, stored);
    } else
        log(QStringLiteral("rcv %1 ignored: not the answer awaited").arg(packet.code));
    if (!PktList.isEmpty())
        PktList.RemoveHead();
    if (!TaskList.isEmpty())
        sendNextTask();
}

bool ControllerSession::applyResponse(const TpktRecord &packet)
{
    const response::Reply reply = response::decode(packet);
    // A payload that does not fit the tables stores nothing but still ends the
    // wait, so the exchange goes on.
    const auto reject = [this, &packet](const QString &reason) {
        log(QStringLiteral("rcv %1 ignored: %2").arg(packet.code).arg(reason));
        wait_responce = false;
        return false;
    };

    switch (reply.kind) {
    case response::Kind::Unlisted:
        return true; // the wait stays as it was
    case response::Kind::Rejected:
        return reject(reply.reason);
    case response::Kind::Acknowledged:
        if (!reply.note.isEmpty())
            log(reply.note);
        wait_responce = false;
        return true;
    case response::Kind::Clock:
        model.current_time = QString::asprintf("%s %.2d:%.2d", qUtf8Printable(texts.value(reply.day + 3)),
                                               reply.hour, reply.minute);
        model.clockReadFrom = openHost;
        emit clockChanged();
        log(QStringLiteral("CURR TIME ") + model.current_time);
        wait_responce = false;
        emit unitsChanged();
        return true;
    case response::Kind::Greeting:
        connectOK = true;
        emit connectOKChanged(true);
        return true;
    case response::Kind::MacAddress:
        emit macAddressRead(reply.text, openHost);
        log(QStringLiteral("MAC ADDR : ") + reply.text);
        wait_responce = false;
        return true;
    case response::Kind::DeviceName:
        wait_responce = false;
        emit deviceNameRead(reply.text);
        return true;
    case response::Kind::UnitTable: {
        const QString reason =
            packet.code == Code::OnlineUnits  ? units::storeOnline(model.unit_online, reply.data)
            : packet.code == Code::UnitStatus ? units::storeStatus(model.unit_par, reply.data)
                                              : units::storeName(model.unit_par, reply.data);
        if (!reason.isEmpty())
            return reject(reason);
        wait_responce = false;
        // A unit write reads the online list for its own use: it brings no reload.
        if (packet.code == Code::OnlineUnits && awaited.origin != TaskOrigin::Write) {
            model.unitsReadFrom = openHost;
            queueUnitRequests();
        }
        return true;
    }
    case response::Kind::ScheduleLength:
        log(QStringLiteral("LENGTH PROG : %1").arg(reply.blocks));
        if (reply.blocks >= 1)
            queueFollowUp(+Code::ScheduleBlock1, reply.unit);
        if (reply.blocks >= 2)
            queueFollowUp(+Code::ScheduleBlock2, reply.unit);
        if (reply.blocks == 0)
            model.unitProgList.Clear();
        wait_responce = false;
        return true;
    case response::Kind::ScheduleBlock:
        log(QStringLiteral(" PROG : %1 -->").arg(packet.data.size()) +
            QString::fromLatin1(packet.data.toHex().toUpper()));
        if (packet.code == Code::ScheduleBlock1)
            model.unitProgList.Clear();
        for (const TprogRecord &entry : reply.entries)
            addUnitProgEntry(entry.Time, entry.Temp, entry.Mode, entry.Fan);
        wait_responce = false;
        model.unitProgList.sortByTime();
        emit scheduleChanged();
        return true;
    case response::Kind::PasswordUse:
        model.use_password = reply.flag;
        emit passwordUseRead(reply.flag);
        log((packet.code == Code::PasswordUse ? QStringLiteral("USE PWD : ")
                                              : QStringLiteral("RCV SET USE PWD : ")) +
            QString::number(reply.value));
        wait_responce = false;
        return true;
    case response::Kind::Password:
        model.BZ_password = reply.text;
        log(QStringLiteral("PWD : ") + model.BZ_password);
        wait_responce = false;
        return true;
    case response::Kind::WebConnection:
        model.webConnection = reply.flag;
        model.optionsReadFrom = openHost;
        emit webConnectionRead(reply.flag);
        log(QStringLiteral("RCV WEB CONN : ") + QString::number(reply.value));
        wait_responce = false;
        return true;
    case response::Kind::AlarmUse:
        model.useAlarm = reply.flag;
        emit alarmUseRead(reply.flag);
        log(QStringLiteral("USE ALARM : ") + QString::number(reply.value));
        wait_responce = false;
        return true;
    case response::Kind::LockMode:
        model.lock_mode = quint8(reply.value);
        wait_responce = false;
        return true;
    case response::Kind::LockModeSet:
        log(QStringLiteral("RCV LOCK MODE : ") + QString::number(model.lock_mode));
        wait_responce = false;
        return true;
    }
    return true;
}

void ControllerSession::queueReload()
{
    for (const Code task : {Code::PasswordUse, Code::Password, Code::LockMode, Code::OnlineUnits})
        TaskList.Add_addr(task, 0, {}, TaskOrigin::Reload);
}

void ControllerSession::queueUnitRequests()
{
    int queued = 0;
    for (int adr = 0; adr < UnitRecords; ++adr)
        if (model.unit_online[size_t(adr)] != 0) {
            queueFollowUp(+Code::UnitStatus, adr);
            ++queued;
        }
    for (int adr = 0; adr < UnitRecords; ++adr)
        if (model.unit_online[size_t(adr)] != 0 && (!nameWanted || nameWanted(adr)))
            queueFollowUp(+Code::UnitName, adr);
    if (queued > 0)
        queueFollowUp(+Code::Clock, 0);
    else if (awaited.origin == TaskOrigin::Reload)
        emit unitsChanged(); // no clock request follows: the reload ends here, with no units
}

void ControllerSession::queueFollowUp(int task, int adr)
{
    const int at = TaskList.Add_addr(task, adr, {}, awaited.origin);
    // It belongs to the link that brought the answer, whatever is asked of the session meanwhile.
    TaskList.Get(at)->host = openHost;
}

void ControllerSession::addUnitProgEntry(int tm, int tp, int md, int fn)
{
    if (model.unitProgList.addReceived({tm, tp, md, fn}))
        log(QStringLiteral("%1,%2,%3,%4").arg(tm).arg(tp).arg(md).arg(fn));
}

void ControllerSession::parseModuleReply(const QByteArray &line)
{
    const netmodule::ReplyEffect reply = netmodule::parseReply(line);
    if (reply.endsWait)
        wait_responce = false;
    netmodule::NetworkSettings &module = model.module;
    for (const auto &[value, field] :
         {std::pair{&reply.netName, &module.netName}, std::pair{&reply.passPhrase, &module.passPhrase},
          std::pair{&reply.gateway, &module.gateway}, std::pair{&reply.ipAddress, &module.address},
          std::pair{&reply.dns, &module.dns}})
        if (*value)
            *field = **value;
    if (reply.dhcp)
        module.dhcp = *reply.dhcp;
    if (reply.endsCommandMode)
        cmdMode = false;
    emit moduleReplyRead(reply);
}

void ControllerSession::queueModuleRead()
{
    for (const Code task :
         {Code::ModuleEnter, Code::ModuleGetWlan, Code::ModuleGetIp, Code::ModuleGetDns, Code::ModuleExit})
        TaskList.Add(task);
}

namespace {

QString refusalOf(const RequestSources &v)
{
    return netmodule::refusal({v.netName, v.passPhrase, v.ipAddress, v.gateway, v.dns, v.dhcp});
}

} // namespace

QString ControllerSession::moduleWriteRefusal() const
{
    return refusalOf(requestSources());
}

QString ControllerSession::sendNetworkSettings()
{
    // The values checked when "Set" was pressed go with the tasks: a write that waits for its
    // link must not send what the fields hold by then. Values the module cannot work with would
    // cut it off the network once saved: whoever asks, they are refused here, and said.
    const std::shared_ptr<const RequestSources> checked = requestSnapshot();
    if (QString why = refusalOf(*checked); !why.isEmpty()) {
        log(QStringLiteral("module write refused: ") + why);
        return why;
    }
    // The last task hands the link back to the controller; nothing answers it.
    for (const Code task : {Code::ModuleEnter, Code::ModuleSetSsid, Code::ModuleSetPhrase, Code::ModuleSetIp,
                            Code::ModuleSetGateway, Code::ModuleSetDns, Code::ModuleSetDhcp, Code::ModuleSave,
                            Code::ModuleExit, Code::ModuleLeave})
        TaskList.Add_addr(task, 0, checked);
    openConnection(true, protocol::Reopens);
    return {};
}
