#pragma once

#include "link/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One switching point of a weekly schedule.
struct TprogRecord
{
    int Time = 0; // minute of the week from Monday 00:00, 0 to 10079
    int Temp = 0; // whole degrees Celsius
    int Mode = 0; // 0 "*", 1 OFF, 2 Auto, 3 Cooling, 4 Heating, 5 Drying, 6 Ventilation
    int Fan = 0;  // 0 "*", 1 Auto, 2 Low, 3 Medium, 4 High
};
using PprogRecord = TprogRecord *;

class TprogRecordList final : public OwningList<TprogRecord>
{
public:
    using OwningList::Add;
    int Add(int tm, int tp, int md, int fn);
    void sortByTime(); // ascending Time
    std::vector<TprogRecord> entries() const;
};

namespace schedule {

constexpr int SlotsPerBlock = 30;
constexpr int WeekMinutes = 10080;

// The four wire bytes of one entry.
QByteArray entryBytes(const TprogRecord &entry);

struct WeekBlock
{
    QByteArray frame; // the whole request frame, 121 payload bytes
    int total = 0;    // entries in the list
    int sent = 0;     // entries written into this block
};

// Block 1 (task 39) or block 2 (task 40) of `list` for unit `addr` (255: all units).
WeekBlock weekProgramFrame(const std::vector<TprogRecord> &list, int addr, bool secondBlock);
inline WeekBlock weekProgramFrame(const TprogRecordList &list, int addr, bool secondBlock)
{
    return weekProgramFrame(list.entries(), addr, secondBlock);
}

// Entries of a received block (response 48: from byte 0; response 49: from byte 1),
// up to the first slot whose Time is 10080 or more.
std::vector<TprogRecord> decodeBlock(const QByteArray &payload, bool secondBlock);

// "Monday 08:30 - Temp. 22°C - Mode: Cooling - Ventilation: Low"
QString entryLine(const TprogRecord &entry, const QStringList &texts);

} // namespace schedule
