#include "link/Frame.h"

#include "link/Codes.h"

namespace frame {

namespace {

constexpr int MinFrameSize = HeaderSize + 1;

} // namespace

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int hexByte(const QByteArray &line, int pos)
{
    const int high = hexDigit(line.at(pos));
    const int low = hexDigit(line.at(pos + 1));
    if (high < 0 || low < 0)
        return -1;
    return high * 16 + low;
}

QByteArray hex2(int value)
{
    // Formatted as unsigned, as "%.2X" does, so a stray negative value cannot inject a '-'.
    return QByteArray::number(uint(value), 16).toUpper().rightJustified(2, '0');
}

QByteArray textBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text)
        bytes.append(char(ch.unicode() & 0xFF));
    return bytes;
}

QByteArray build(int code, const QByteArray &payload)
{
    QByteArray out;
    out.reserve(MinFrameSize + 2 * payload.size());
    out += "*MK";
    out += hex2(code);
    out += hex2(2 * int(payload.size()));
    out += '*';
    out += payload.toHex().toUpper();
    out += '#';
    return out;
}

ParsedLine parseLine(const QByteArray &line)
{
    ParsedLine result;
    if (line.isEmpty() || line.front() != '*' || line.back() != '#')
        return result;
    if (line.size() < MinFrameSize) {
        result.kind = LineKind::Short;
        return result;
    }

    const int code = hexByte(line, 3);
    const int length = hexByte(line, 5);
    if (code < 0 || length < 0) {
        result.kind = LineKind::BadHex;
        return result;
    }
    // The declared payload must lie inside the line, before its final '#'.
    if (line.size() < MinFrameSize + length) {
        result.kind = LineKind::Short;
        return result;
    }

    TpktRecord packet;
    packet.code = code;
    packet.len = length / 2;
    packet.data.reserve(packet.len);
    for (int i = 0; i < packet.len; ++i) {
        const int value = hexByte(line, HeaderSize + 2 * i);
        if (value < 0) {
            result.kind = LineKind::BadHex;
            return result;
        }
        packet.data.append(char(value));
    }
    result.kind = LineKind::Packet;
    result.packet = packet;
    return result;
}

bool answersRequest(const TpktRecord &packet, bool waiting, int code, int addr)
{
    if (packet.code == Code::Greeting)
        return true;
    if (!waiting || packet.code != code)
        return false;
    switch (Code(packet.code)) {
    case Code::UnitStatus:
    case Code::UnitName:
    case Code::ScheduleLength:
        // An answer without payload carries no address to compare: it still ends the wait.
        return packet.data.isEmpty() || quint8(packet.data.at(0)) == (addr & 0xFF);
    default:
        return true;
    }
}

} // namespace frame
