#include "schedules/Program.h"

#include "link/Codes.h"
#include "link/Frame.h"

#include <algorithm>

int TprogRecordList::Add(int tm, int tp, int md, int fn)
{
    auto entry = std::make_unique<TprogRecord>();
    entry->Time = tm;
    entry->Temp = tp;
    entry->Mode = md;
    entry->Fan = fn;
    return Add(std::move(entry));
}

void TprogRecordList::sortByTime()
{
    std::stable_sort(items.begin(), items.end(),
                     [](const auto &a, const auto &b) { return a->Time < b->Time; });
}

std::vector<TprogRecord> TprogRecordList::entries() const
{
    std::vector<TprogRecord> copy;
    copy.reserve(items.size());
    for (const auto &entry : items)
        copy.push_back(*entry);
    return copy;
}

void TprogRecordList::assign(const std::vector<TprogRecord> &source)
{
    items.clear();
    for (const TprogRecord &entry : source)
        Add(std::make_unique<TprogRecord>(entry));
}

namespace {

// Applies `change` to every entry planned at `time`; false when there is none.
template <typename Items, typename Change> bool changeEntriesAt(Items &items, int time, Change change)
{
    bool matched = false;
    for (const auto &existing : items) {
        if (existing->Time == time) {
            change(*existing);
            matched = true;
        }
    }
    return matched;
}

} // namespace

bool TprogRecordList::addReceived(const TprogRecord &entry)
{
    const bool matched =
        changeEntriesAt(items, entry.Time, [&](TprogRecord &existing) { existing.Temp = entry.Temp; });
    if (!matched)
        Add(std::make_unique<TprogRecord>(entry));
    return !matched;
}

TprogRecordList::EditResult TprogRecordList::setEdited(const TprogRecord &entry)
{
    if (changeEntriesAt(items, entry.Time, [&](TprogRecord &existing) { existing = entry; }))
        return EditResult::Replaced;
    if (Count() >= MaxEdited)
        return EditResult::Refused;
    Add(std::make_unique<TprogRecord>(entry));
    return EditResult::Added;
}

namespace schedule {

namespace {

constexpr int DayTextBase = 4;
constexpr int ModeOffText = 76;
constexpr int FanAutoText = 79;
constexpr int VentilationText = 83;
constexpr int UnsetText = 142;
constexpr int ModeCaptionText = 143;

// A received code or a bad time must never index outside the table.
QString textAt(const QStringList &texts, int index)
{
    return index >= 0 && index < texts.size() ? texts.at(index) : QString();
}

int modeTextIndex(int mode)
{
    if (mode >= 2)
        return mode + 77;
    if (mode == 1)
        return ModeOffText;
    return mode == 0 ? UnsetText : -1;
}

int fanTextIndex(int fan)
{
    if (fan >= 2)
        return fan + 84;
    if (fan == 1)
        return FanAutoText;
    return fan == 0 ? UnsetText : -1;
}

QString twoDigits(int value)
{
    return QString::asprintf("%.2d", value);
}

} // namespace

QByteArray entryBytes(const TprogRecord &entry)
{
    QByteArray bytes(EntrySize, '\0');
    bytes[0] = char((entry.Time >> 8) & 0xFF);
    bytes[1] = char(entry.Time & 0xFF);
    bytes[2] = char(entry.Temp & 0xFF);
    // Each code keeps to its own nibble so a bad fan code cannot change the mode.
    bytes[3] = char(((entry.Mode & 0x0F) << 4) | (entry.Fan & 0x0F));
    return bytes;
}

QByteArray blockSlots(const std::vector<TprogRecord> &list, int first)
{
    const int last = std::max(first, std::min(int(list.size()), first + SlotsPerBlock));
    QByteArray out;
    out.reserve(EntrySize * SlotsPerBlock);
    for (int i = first; i < last; ++i)
        out += entryBytes(list[size_t(i)]);
    out.append(EntrySize * (SlotsPerBlock - (last - first)), char(0xFF));
    return out;
}

WeekBlock weekProgramFrame(const std::vector<TprogRecord> &list, int addr, bool secondBlock)
{
    WeekBlock block;
    block.total = int(list.size());
    // Block 2 of a short list repeats block 1; it is only queued for lists above 30 entries.
    const int first = secondBlock && block.total > SlotsPerBlock ? SlotsPerBlock : 0;
    block.sent = std::min(block.total, first + SlotsPerBlock) - first;

    const QByteArray payload = char(addr & 0xFF) + blockSlots(list, first);
    block.frame = frame::build(+(secondBlock ? Code::SetScheduleBlock2 : Code::SetScheduleBlock1), payload);
    return block;
}

std::vector<TprogRecord> decodeBlock(const QByteArray &payload, bool secondBlock)
{
    std::vector<TprogRecord> entries;
    const int n = int(payload.size());
    for (int pos = secondBlock ? 1 : 0; pos + EntrySize <= n; pos += EntrySize) {
        const auto byte = [&](int i) { return int(uchar(payload.at(pos + i))); };
        TprogRecord entry;
        entry.Time = byte(0) * 256 + byte(1);
        if (entry.Time >= WeekMinutes)
            break;
        entry.Temp = byte(2);
        entry.Mode = byte(3) / 16;
        entry.Fan = byte(3) % 16;
        entries.push_back(entry);
    }
    return entries;
}

void forChosenDays(int dayChoice, int minuteOfDay, const std::function<bool(int time)> &set)
{
    int first = dayChoice;
    int last = dayChoice;
    bool tryEveryDay = false;
    switch (dayChoice) {
    case MonToFri:
        first = 0;
        last = 4;
        tryEveryDay = true;
        break;
    case SatSun:
        first = 5;
        last = 6;
        break;
    case AllDays:
        first = 0;
        last = 6;
        break;
    default:
        if (dayChoice < 0 || dayChoice > 6)
            return;
    }
    for (int day = first; day <= last; ++day)
        if (!set(day * DayMinutes + minuteOfDay) && !tryEveryDay)
            return;
}

QString entryLine(const TprogRecord &entry, const QStringList &texts)
{
    const bool inWeek = entry.Time >= 0 && entry.Time < WeekMinutes;
    const int dayMinute = entry.Time % DayMinutes;
    return QStringLiteral("%1 %2:%3 - Temp. %4\u00B0C - %5: %6 - %7: %8")
        .arg(textAt(texts, inWeek ? entry.Time / DayMinutes + DayTextBase : -1), twoDigits(dayMinute / 60),
             twoDigits(dayMinute % 60), twoDigits(entry.Temp), textAt(texts, ModeCaptionText),
             textAt(texts, modeTextIndex(entry.Mode)), textAt(texts, VentilationText),
             textAt(texts, fanTextIndex(entry.Fan)));
}

} // namespace schedule
