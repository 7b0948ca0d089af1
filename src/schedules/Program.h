#pragma once

#include "link/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// One switching point of a weekly schedule.
struct TprogRecord
{
    int Time = 0; // minute of the week from Monday 00:00, 0 to 10079
    int Temp = 0; // whole degrees Celsius
    int Mode = 0; // 0 "*", 1 OFF, 2 Auto, 3 Cooling, 4 Heating, 5 Drying, 6 Ventilation
    int Fan = 0;  // 0 "*", 1 Auto, 2 Low, 3 Medium, 4 High
};

class TprogRecordList final : public OwningList<TprogRecord>
{
public:
    using OwningList::Add;
    int Add(int tm, int tp, int md, int fn);
    void sortByTime(); // ascending Time
    std::vector<TprogRecord> entries() const;
    // Replaces the entries with copies of `source`'s, in its order.
    void assign(const std::vector<TprogRecord> &source);

    // An entry read from a unit: a minute already in the list changes only its
    // Temp (on every entry of that minute). True when the entry was appended.
    bool addReceived(const TprogRecord &entry);

    // An entry set in the editor: a minute already in the list takes the new
    // Temp, Mode and Fan; a new minute is refused once the list holds MaxEdited.
    enum class EditResult { Replaced, Added, Refused };
    static constexpr int MaxEdited = 59;
    EditResult setEdited(const TprogRecord &entry);
};

namespace schedule {

constexpr int SlotsPerBlock = 30;
constexpr int Blocks = 2;
constexpr int EntrySize = 4; // bytes of one slot
constexpr int DayMinutes = 1440;
constexpr int WeekMinutes = 7 * DayMinutes;

// The four wire bytes of one entry: Time high and low, Temp, Mode * 16 + Fan.
QByteArray entryBytes(const TprogRecord &entry);

// The slots of one block: entries `first` to `first` + 29 of `list` as far as it
// holds them, then empty slots (FF FF FF FF), 30 slots in all.
QByteArray blockSlots(const std::vector<TprogRecord> &list, int first);

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

// The editor's day choices after the seven single days (0 = Monday).
enum DayChoice { MonToFri = 7, SatSun = 8, AllDays = 9 };

// Calls `set` with the minute of the week of `minuteOfDay` on each day that
// `dayChoice` covers, in order; `set` returns false when it refused the entry.
// Monday to Friday tries every day; the weekend and the whole week stop at the
// first refusal.
void forChosenDays(int dayChoice, int minuteOfDay, const std::function<bool(int time)> &set);

// "Monday 08:30 - Temp. 22°C - Mode: Cooling - Ventilation: Low"
QString entryLine(const TprogRecord &entry, const QStringList &texts);

} // namespace schedule
