#pragma once

#include "link/Records.h"

#include <QByteArray>
#include <QString>

// The frame grammar, the same in both directions:
//   "*MK" <code: 2 hex> <length L in characters: 2 hex> "*" <payload: L hex digits> "#"
namespace frame {

constexpr int HeaderSize = 8; // "*MK" code length "*"

// The value of one hex digit in either case, or -1.
int hexDigit(char c);

// The value of the two hex digits at `pos` of `text`, or -1 when either is not one.
int hexByte(const QByteArray &text, int pos);

// "%.2X": at least two upper-case hex digits.
QByteArray hex2(int value);

// The low 8 bits of every character, as bytes.
QByteArray textBytes(const QString &text);

// A request frame for `code` carrying `payload` bytes: "*MK" hex2(code)
// hex2(2 * payload.size()) "*" hex(payload) "#". No line end.
QByteArray build(int code, const QByteArray &payload);

enum class LineKind {
    Ignored, // not "*...#": noise, module chatter, an unfinished frame
    Short,   // "*...#" but shorter than the frame that it declares: ignored too
    Packet,  // a packet was made
    BadHex,  // a non-hex character where a digit is read: a read failure
};

struct ParsedLine
{
    LineKind kind = LineKind::Ignored;
    TpktRecord packet;
};

// Turns one received line (without its line end) into at most one packet.
// Never reads outside the line.
ParsedLine parseLine(const QByteArray &line);

// Whether `packet` answers the request that waits (`waiting`, with its code and
// unit address): the same code and, for the answers that begin with the unit's
// address (30, 34, 41), the same address. The leading byte of 49 means nothing
// known, so 49 matches by its code. The greeting 20 may come at any time.
bool answersRequest(const TpktRecord &packet, bool waiting, int code, int addr);

} // namespace frame
