#include "link/Encoder.h"

#include "link/Frame.h"
#include "netmodule/ModuleValues.h"
#include "schedules/Program.h"
#include "units/Setting.h"

namespace {

// Two hex digits of length field hold at most 127 payload bytes.
constexpr int MaxTextChars = 127;
constexpr int UpdateBufferBytes = 9;

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

Request controllerRequest(int code, const QByteArray &payload)
{
    Request request;
    request.known = true;
    request.setsWait = true;
    request.bytes = frame::build(code, payload);
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
    const bool secondBlock = task.code == 40;
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
    return frame::build(3, payload);
}

Request encodeTask(const TtaskRecord &task, const RequestSources &src)
{
    const QByteArray address(1, byteOf(task.addr));
    switch (task.code) {
    case 1:
        return moduleRequest("$$$");
    case 2:
        return withLog(controllerRequest(2, {}), QStringLiteral("do MK0200"));
    case 3: {
        // An unset clock would send a date of zeros; the computer's clock is what is meant.
        Request request = controllerRequest(3, {});
        request.bytes = clockFrame(src.now.isValid() ? src.now : QDateTime::currentDateTime());
        return request;
    }
    case 24:
    case 25:
    case 29:
    case 36:
    case 37:
    case 50:
    case 51:
    case 55:
    case 67:
    case 68:
    case 70:
        return controllerRequest(task.code, {});
    case 26:
        return controllerRequest(26, frame::textBytes(src.deviceName.left(MaxTextChars)));
    case 30:
    case 31:
    case 32:
    case 41:
    case 48:
    case 49:
        return logged(controllerRequest(task.code, address));
    case 33: {
        // No fan button down: the unit keeps its own fan speed; fan 0 is no speed at all.
        QByteArray bytes = updateBytes(src.updateBuffer);
        if (bytes.at(1) == 0 && task.addr >= 0 && task.addr < src.unitFans.size())
            bytes[1] = src.unitFans.at(task.addr);
        return logged(controllerRequest(33, address + bytes));
    }
    case 34:
        return controllerRequest(34, address);
    case 35:
        return logged(controllerRequest(
            35, address + frame::textBytes(src.unitName.left(setting::UnitNameChars)) + '\0'));
    case 38:
        return logged(controllerRequest(38, updateBytes(src.updateBuffer)));
    case 39:
    case 40:
        return weekProgram(task, src);
    case 52:
        return controllerRequest(52, frame::textBytes(src.newPassword.left(MaxTextChars)));
    case 53:
        return withLog(controllerRequest(53, QByteArray(1, src.passwordToggle ? 1 : 0)),
                       QStringLiteral("do MK3502"));
    case 54:
        return logged(controllerRequest(54, QByteArray(1, src.webToggle ? 1 : 0)));
    case 69:
        return logged(controllerRequest(69, QByteArray(1, src.alarmToggle ? 1 : 0)));
    case 71:
        return logged(controllerRequest(71, QByteArray(1, byteOf(src.lockMode))));
    case 99:
        return moduleCommand("save");
    case 100: {
        // Leaves command mode towards the controller; nothing answers it.
        Request request;
        request.known = true;
        request.cmdMode = CmdModeChange::Clear;
        request.bytes = frame::build(1, QByteArray(1, '\0'));
        return request;
    }
    case 101:
        return moduleCommand("exit");
    case 162:
        return moduleCommand("get wlan");
    case 163:
        return moduleCommand("get ip");
    case 164:
        return moduleCommand("get dns");
    case 166:
        return moduleCommand("set wlan ssid ", src.netName);
    case 167:
        return moduleCommand("set wlan phrase ", src.passPhrase);
    case 168:
        return moduleCommand("set ip address ", src.ipAddress);
    case 169:
        return moduleCommand("set ip gateway ", src.gateway);
    case 170:
        return moduleCommand("set dns address ", src.dns);
    case 171:
        return moduleCommand(src.dhcp ? "set ip dhcp 3" : "set ip dhcp 0");
    default:
        return {};
    }
}
