#include "units/Setting.h"

#include "schedules/Program.h"

#include <algorithm>

namespace setting {

namespace {

constexpr int ModeOn = 0x80;
constexpr int FanAuto = 0x80;
constexpr int FlapOn = 4;
constexpr int RemoteByte = 10;

} // namespace

int modeButton(quint8 modeByte)
{
    if (!(modeByte & ModeOn))
        return 0;
    const int bits = modeByte & 0x1F;
    for (size_t i = 1; i < ModeValues.size(); ++i)
        if ((ModeValues[i] & 0x1F) == bits)
            return int(i);
    return -1;
}

int fanButton(quint8 fanByte)
{
    if (fanByte & FanAuto)
        return 0;
    const int nibble = fanByte & 0x0F;
    for (size_t i = 1; i < FanValues.size(); ++i)
        if (FanValues[i] == nibble)
            return int(i);
    return -1;
}

int correctedSetTemp(int setTemp, int tmin, int tmax)
{
    if (setTemp < tmin)
        setTemp = tmin;
    if (setTemp > tmax)
        setTemp = tmax;
    return setTemp;
}

void fillUpdateBuffer(QByteArray &buffer, const Controls &c)
{
    if (buffer.size() <= RemoteByte)
        buffer.append(RemoteByte + 1 - buffer.size(), '\0');
    const auto valueOf = [](const auto &values, int button) {
        return button >= 0 && button < int(values.size()) ? values[size_t(button)] : 0;
    };
    buffer[0] = char(valueOf(ModeValues, c.modeButton));
    buffer[1] = char(valueOf(FanValues, c.fanButton));
    buffer[2] = char(c.setTemp);
    buffer[3] = 0;
    buffer[4] = 0;
    buffer[5] = char(c.flap ? FlapOn : 0);
    buffer[6] = char(c.tmin);
    buffer[7] = char(c.tmax);
    buffer[8] = char(c.schedule ? 1 : 0);
    buffer[RemoteByte] = char(c.remoteEnabled ? 1 : 0);
}

std::vector<Task> settingTasks(int par, const std::vector<int> &targets, int unit, bool remoteEnabled,
                               int scheduleEntries)
{
    // A schedule of more than one block goes out as two requests.
    const bool twoBlocks = scheduleEntries > schedule::SlotsPerBlock;
    std::vector<Task> tasks;
    switch (par) {
    case 1:
        for (int adr : targets)
            tasks.push_back({33, adr});
        for (int adr : targets)
            tasks.push_back({remoteEnabled ? 32 : 31, adr});
        break;
    case 2:
        tasks.push_back({35, unit});
        break;
    case 3:
        tasks.push_back({36, 0});
        break;
    case 4:
        tasks.push_back({37, 0});
        break;
    case 5:
        tasks.push_back({38, 0});
        break;
    case 6:
        tasks.push_back({71, 0});
        break;
    case 7:
        tasks.push_back({39, unit});
        if (twoBlocks)
            tasks.push_back({40, unit});
        return tasks;
    case 8:
        for (int adr : targets) {
            tasks.push_back({39, adr});
            if (twoBlocks)
                tasks.push_back({40, adr});
        }
        return tasks;
    default:
        return tasks;
    }
    // Every setting but a schedule ends with a refresh of the units.
    tasks.push_back({29, 0});
    return tasks;
}

} // namespace setting
