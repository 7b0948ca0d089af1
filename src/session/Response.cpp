#include "session/Response.h"

#include "link/Codes.h"
#include "link/Frame.h"

namespace response {

namespace {

Reply reply(Kind kind, int code)
{
    Reply result;
    result.kind = kind;
    result.code = code;
    return result;
}

Reply rejected(int code, const QString &reason)
{
    Reply result = reply(Kind::Rejected, code);
    result.reason = reason;
    return result;
}

Reply acknowledged(int code, const QString &note = QString())
{
    Reply result = reply(Kind::Acknowledged, code);
    result.note = note;
    return result;
}

// The one-byte answers: 0 is off, anything else on.
Reply flagReply(Kind kind, const TpktRecord &packet, const QString &missing)
{
    if (packet.data.isEmpty())
        return rejected(packet.code, missing);
    Reply result = reply(kind, packet.code);
    result.value = quint8(packet.data.at(0));
    result.flag = result.value != 0;
    return result;
}

} // namespace

Reply decode(const TpktRecord &packet)
{
    const QByteArray &data = packet.data;
    const int n = int(data.size());
    const int code = packet.code;
    const auto byteAt = [&data](int i) { return int(quint8(data.at(i))); };

    switch (Code(code)) {
    case Code::Clock: {
        if (n < 3)
            return rejected(code, QStringLiteral("clock needs 3 bytes, got %1").arg(n));
        const int day = byteAt(0);
        if (day < 1 || day > 7)
            return rejected(code, QStringLiteral("day %1 is not 1 to 7").arg(day));
        Reply result = reply(Kind::Clock, code);
        result.day = day;
        result.hour = byteAt(1);
        result.minute = byteAt(2);
        return result;
    }
    case Code::SetClock:
    case Code::SetDeviceName:
        return acknowledged(code);
    case Code::Greeting:
        return reply(Kind::Greeting, code);
    case Code::MacAddress:
    case Code::DeviceName: {
        Reply result = reply(code == Code::MacAddress ? Kind::MacAddress : Kind::DeviceName, code);
        result.text = QString::fromLatin1(data);
        return result;
    }
    case Code::OnlineUnits:
    case Code::UnitStatus:
    case Code::UnitName: {
        Reply result = reply(Kind::UnitTable, code);
        result.data = data;
        return result;
    }
    case Code::LockRemote:
    case Code::UnlockRemote:
    case Code::SetUnitStatus:
    case Code::SetUnitName:
    case Code::LockAllRemotes:
    case Code::UnlockAllRemotes:
    case Code::SetAllUnitStatus: {
        static const char *const names[] = {
            "SETREMCONTRLOCK", "SETREMCONTRUNLOCK",  "SETUNITSTATUS",        nullptr,
            "SETUNITNAME",     "SETALLREMCONTRLOCK", "SETALLREMCONTRUNLOCK", "SETALLUNITSTATUS"};
        return acknowledged(code, QStringLiteral("rcv ") + QLatin1String(names[code - +Code::LockRemote]));
    }
    case Code::SetScheduleBlock1:
    case Code::SetScheduleBlock2:
        return acknowledged(code, QStringLiteral(" RCV : ") + QString::fromLatin1(frame::hex2(code)));
    case Code::ScheduleLength: {
        if (n < 2)
            return rejected(code, QStringLiteral("schedule length needs 2 bytes, got %1").arg(n));
        Reply result = reply(Kind::ScheduleLength, code);
        result.unit = byteAt(0);
        result.blocks = byteAt(1);
        return result;
    }
    case Code::ScheduleBlock1:
    case Code::ScheduleBlock2: {
        Reply result = reply(Kind::ScheduleBlock, code);
        result.entries = schedule::decodeBlock(data, code == Code::ScheduleBlock2);
        return result;
    }
    case Code::PasswordUse:
    case Code::SetPasswordUse:
        return flagReply(Kind::PasswordUse, packet, QStringLiteral("the flag is missing"));
    case Code::Password: {
        Reply result = reply(Kind::Password, code);
        result.text = QString::fromLatin1(data);
        return result;
    }
    case Code::SetPassword:
        return acknowledged(code, QStringLiteral("RCV NEW PWD"));
    case Code::SetWebConnection:
    case Code::WebConnection:
        return flagReply(Kind::WebConnection, packet, QStringLiteral("the flag is missing"));
    case Code::WebUpdate:
        return acknowledged(code, QStringLiteral("RCV UPWEB : "));
    case Code::AlarmUse:
        return flagReply(Kind::AlarmUse, packet, QStringLiteral("the flag is missing"));
    case Code::SetAlarmUse:
        return acknowledged(code, QStringLiteral("RCV ALARM "));
    case Code::LockMode:
        return flagReply(Kind::LockMode, packet, QStringLiteral("the lock value is missing"));
    case Code::SetLockMode:
        return reply(Kind::LockModeSet, code);
    default:
        // Codes with no known meaning that still end the wait.
        if ((code >= 4 && code <= 11) || code == 23 || code == 28)
            return acknowledged(code);
        return reply(Kind::Unlisted, code);
    }
}

} // namespace response
