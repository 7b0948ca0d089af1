#pragma once

#include "link/Records.h"
#include "schedules/Program.h"

#include <QByteArray>
#include <QString>

#include <vector>

// What one answer of the controller means, without the window: the dispatcher
// applies it, the fuzzer checks that every packet gives one.
namespace response {

enum class Kind {
    Unlisted,       // a code this program does not know: ignored, the wait stays as it was
    Rejected,       // does not fit: `reason` is logged and the wait ends
    Acknowledged,   // ends the wait; `note` is the log line, if any
    Clock,          // 2: `day` 1..7, `hour`, `minute`
    Greeting,       // 20: the link is open
    MacAddress,     // 24: `text`
    DeviceName,     // 25: `text`
    UnitTable,      // 29, 30, 34: `data` for the unit table, which judges and stores it
    ScheduleLength, // 41: `unit`, `blocks`
    ScheduleBlock,  // 48, 49: `entries`
    PasswordUse,    // 50, 53: `flag`
    Password,       // 51: `text`
    WebConnection,  // 54, 55: `flag`
    AlarmUse,       // 68: `flag`
    LockMode,       // 70: `value`
    LockModeSet,    // 71
};

struct Reply
{
    Kind kind = Kind::Unlisted;
    int code = 0;
    QString reason;
    QString note;
    QString text;
    QByteArray data;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int unit = 0;
    int blocks = 0;
    bool flag = false;
    int value = 0;
    std::vector<TprogRecord> entries;
};

// Never reads outside `packet.data`, whatever its code and length.
Reply decode(const TpktRecord &packet);

} // namespace response
