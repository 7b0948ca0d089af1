#include "session/Encoder.h"

#include "link/Codes.h"
#include "link/Frame.h"
#include "netmodule/ModuleValues.h"
#include "schedules/Program.h"
#include "units/Setting.h"

namespace {

constexpr int MaxTextChars = protocol::MaxPayloadBytes;
constexpr int UpdateBufferBytes = setting::SentSettings;

char byteOf(int value)
{
    return char(value & 0xFF);
}

// Bytes 0 to 8 of update_buffer; a byte the dialog has not filled counts as 0.
QByteArray updateBytes(const QByteArray &buffer)
{
    QByteArray bytes = buffer.left(UpdateBufferBytes);
    bytes.append(UpdateBufferBytes - bytes.size(), '\0');
    return bytes;
}

Request controllerRequest(Code code, const QByteArray &payload)
{
    Request request;
    request.known = true;
    request.setsWait = true;
    request.bytes = frame::build(+code, payload);
    return request;
}

Request logged(Request request)
{
    request.log << QStringLiteral("do ") + QString::fromLatin1(request.bytes);
    return request;
}

Request withLog(Request request, const QString &line)
{
    request.log << line;
    return request;
}

Request moduleRequest(const QByteArray &bytes)
{
    Request request;
    request.known = true;
    request.setsWait = true;
    request.cmdMode = CmdModeChange::Set;
    request.bytes = bytes;
    return request;
}

Request moduleCommand(const QByteArray &command, const QString &value = QString())
{
    return moduleRequest(command + netmodule::commandValue(value) + "\r\n");
}

Request weekProgram(const TtaskRecord &task, const RequestSources &src)
{
    const bool secondBlock = task.code == Code::SetScheduleBlock2;
    const schedule::WeekBlock block = schedule::weekProgramFrame(src.program, task.addr, secondBlock);

    Request request;
    request.known = true;
    request.setsWait = true;
    request.bytes = block.frame;
    if (!secondBlock)
        request.log << QStringLiteral("do set temp");
    request.log << QStringLiteral("unit %1 send %2").arg(block.total).arg(block.sent);
    request.log << QStringLiteral("week ") + QString::fromLatin1(block.frame);
    return request;
}

} // namespace

bool isModuleTask(int code)
{
    TtaskRecord task;
    task.code = code;
    return encodeTask(task, RequestSources{}).cmdMode != CmdModeChange::Keep;
}

QByteArray clockFrame(const QDateTime &now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    QByteArray payload;
    payload.append(byteOf(date.year() % 1000));
    payload.append(byteOf(date.month()));
    payload.append(byteOf(date.day()));
    payload.append(byteOf(date.dayOfWeek()));
    payload.append(byteOf(time.hour()));
    payload.append(byteOf(time.minute()));
    return frame::build(+Code::SetClock, payload);
}

Request encodeTask(const TtaskRecord &task, const RequestSources &src)
{
    const QByteArray address(1, byteOf(task.addr));
    switch (Code(task.code)) {
    case Code::ModuleEnter:
        return moduleRequest("$$$");
    case Code::Clock:
        return withLog(controllerRequest(Code::Clock, {}), QStringLiteral("do MK0200"));
    case Code::SetClock: {
        // An unset clock would send a date of zeros; the computer's clock is what is meant.
        Request request = controllerRequest(Code::SetClock, {});
        request.bytes = clockFrame(src.now.isValid() ? src.now : QDateTime::currentDateTime());
        return request;
    }
    case Code::MacAddress:
    case Code::DeviceName:
    case Code::OnlineUnits:
    case Code::LockAllRemotes:
    case Code::UnlockAllRemotes:
    case Code::PasswordUse:
    case Code::Password:
    case Code::WebConnection:
    case Code::WebUpdate:
    case Code::AlarmUse:
    case Code::LockMode:
        return controllerRequest(Code(task.code), {});
    case Code::SetDeviceName:
        return controllerRequest(Code::SetDeviceName, frame::textBytes(src.deviceName.left(MaxTextChars)));
    case Code::UnitStatus:
    case Code::LockRemote:
    case Code::UnlockRemote:
    case Code::ScheduleLength:
    case Code::ScheduleBlock1:
    case Code::ScheduleBlock2:
        return logged(controllerRequest(Code(task.code), address));
    case Code::SetUnitStatus: {
        // No fan button down: the unit keeps its own fan speed; fan 0 is no speed at all.
        QByteArray bytes = updateBytes(src.updateBuffer);
        if (bytes.at(setting::FanSetting) == 0 && task.addr >= 0 && task.addr < src.unitFans.size())
            bytes[setting::FanSetting] = src.unitFans.at(task.addr);
        return logged(controllerRequest(Code::SetUnitStatus, address + bytes));
    }
    case Code::UnitName:
        return controllerRequest(Code::UnitName, address);
    case Code::SetUnitName:
        return logged(controllerRequest(
            Code::SetUnitName, address + frame::textBytes(src.unitName.left(setting::UnitNameChars)) + '\0'));
    case Code::SetAllUnitStatus:
        return logged(controllerRequest(Code::SetAllUnitStatus, updateBytes(src.updateBuffer)));
    case Code::SetScheduleBlock1:
    case Code::SetScheduleBlock2:
        return weekProgram(task, src);
    case Code::SetPassword:
        return controllerRequest(Code::SetPassword, frame::textBytes(src.newPassword.left(MaxTextChars)));
    case Code::SetPasswordUse:
        return withLog(controllerRequest(Code::SetPasswordUse, QByteArray(1, src.passwordToggle ? 1 : 0)),
                       QStringLiteral("do MK3502"));
    case Code::SetWebConnection:
        return logged(controllerRequest(Code::SetWebConnection, QByteArray(1, src.webToggle ? 1 : 0)));
    case Code::SetAlarmUse:
        return logged(controllerRequest(Code::SetAlarmUse, QByteArray(1, src.alarmToggle ? 1 : 0)));
    case Code::SetLockMode:
        return logged(controllerRequest(Code::SetLockMode, QByteArray(1, byteOf(src.lockMode))));
    case Code::ModuleSave:
        return moduleCommand("save");
    case Code::ModuleLeave: {
        // Leaves command mode towards the controller with its command 1; nothing answers it.
        Request request;
        request.known = true;
        request.cmdMode = CmdModeChange::Clear;
        request.bytes = frame::build(+Code::ModuleEnter, QByteArray(1, '\0'));
        return request;
    }
    case Code::ModuleExit:
        return moduleCommand("exit");
    case Code::ModuleGetWlan:
        return moduleCommand("get wlan");
    case Code::ModuleGetIp:
        return moduleCommand("get ip");
    case Code::ModuleGetDns:
        return moduleCommand("get dns");
    case Code::ModuleSetSsid:
        return moduleCommand("set wlan ssid ", src.netName);
    case Code::ModuleSetPhrase:
        return moduleCommand("set wlan phrase ", src.passPhrase);
    case Code::ModuleSetIp:
        return moduleCommand("set ip address ", src.ipAddress);
    case Code::ModuleSetGateway:
        return moduleCommand("set ip gateway ", src.gateway);
    case Code::ModuleSetDns:
        return moduleCommand("set dns address ", src.dns);
    case Code::ModuleSetDhcp:
        return moduleCommand(src.dhcp ? "set ip dhcp 3" : "set ip dhcp 0");
    default:
        return {};
    }
}
