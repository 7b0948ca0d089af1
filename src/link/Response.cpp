#include "link/Response.h"

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

    switch (code) {
    case 2: {
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
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 23:
    case 26:
    case 28:
        return acknowledged(code);
    case 20:
        return reply(Kind::Greeting, code);
    case 24:
    case 25: {
        Reply result = reply(code == 24 ? Kind::MacAddress : Kind::DeviceName, code);
        result.text = QString::fromLatin1(data);
        return result;
    }
    case 29:
    case 30:
    case 34: {
        Reply result = reply(Kind::UnitTable, code);
        result.data = data;
        return result;
    }
    case 31:
    case 32:
    case 33:
    case 35:
    case 36:
    case 37:
    case 38: {
        static const char *const names[] = {
            "SETREMCONTRLOCK", "SETREMCONTRUNLOCK",  "SETUNITSTATUS",        nullptr,
            "SETUNITNAME",     "SETALLREMCONTRLOCK", "SETALLREMCONTRUNLOCK", "SETALLUNITSTATUS"};
        return acknowledged(code, QStringLiteral("rcv ") + QLatin1String(names[code - 31]));
    }
    case 39:
    case 40:
        return acknowledged(code, QStringLiteral(" RCV : ") + QString::fromLatin1(frame::hex2(code)));
    case 41: {
        if (n < 2)
            return rejected(code, QStringLiteral("schedule length needs 2 bytes, got %1").arg(n));
        Reply result = reply(Kind::ScheduleLength, code);
        result.unit = byteAt(0);
        result.blocks = byteAt(1);
        return result;
    }
    case 48:
    case 49: {
        Reply result = reply(Kind::ScheduleBlock, code);
        result.entries = schedule::decodeBlock(data, code == 49);
        return result;
    }
    case 50:
    case 53:
        return flagReply(Kind::PasswordUse, packet, QStringLiteral("the flag is missing"));
    case 51: {
        Reply result = reply(Kind::Password, code);
        result.text = QString::fromLatin1(data);
        return result;
    }
    case 52:
        return acknowledged(code, QStringLiteral("RCV NEW PWD"));
    case 54:
    case 55:
        return flagReply(Kind::WebConnection, packet, QStringLiteral("the flag is missing"));
    case 67:
        return acknowledged(code, QStringLiteral("RCV UPWEB : "));
    case 68:
        return flagReply(Kind::AlarmUse, packet, QStringLiteral("the flag is missing"));
    case 69:
        return acknowledged(code, QStringLiteral("RCV ALARM "));
    case 70:
        return flagReply(Kind::LockMode, packet, QStringLiteral("the lock value is missing"));
    case 71:
        return reply(Kind::LockModeSet, code);
    default:
        return reply(Kind::Unlisted, code);
    }
}

} // namespace response
