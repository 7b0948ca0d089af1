#include "units/Setting.h"

#include "link/Codes.h"
#include "schedules/Program.h"
#include "shell/Texts.h"
#include "units/UnitTable.h"

#include <QStringList>

#include <algorithm>

namespace setting {

int modeButton(quint8 modeByte)
{
    if (!(modeByte & units::ModeOnBit))
        return 0;
    const int bits = modeByte & units::ModeBits;
    for (size_t i = 1; i < ModeValues.size(); ++i)
        if ((ModeValues[i] & units::ModeBits) == bits)
            return int(i);
    return -1;
}

int fanButton(quint8 fanByte)
{
    if (fanByte & units::FanAutoBit)
        return 0;
    const int nibble = fanByte & units::FanBits;
    for (size_t i = 1; i < FanValues.size(); ++i)
        if (FanValues[i] == nibble)
            return int(i);
    return -1;
}

namespace {

template <size_t N> int indexOfWord(const std::array<const char *, N> &words, const QString &word)
{
    for (size_t i = 0; i < N; ++i)
        if (word == QLatin1String(words[i]))
            return int(i);
    return -1;
}

} // namespace

int modeButtonNamed(const QString &word)
{
    return indexOfWord(ModeWords, word);
}

int fanButtonNamed(const QString &word)
{
    return indexOfWord(FanWords, word);
}

QString modeWord(quint8 modeByte)
{
    const int button = modeButton(modeByte);
    return button < 0 ? QString() : QLatin1String(ModeWords[size_t(button)]);
}

QString fanWord(quint8 fanByte)
{
    constexpr int VeryLow = 0x08;
    const int button = fanButton(fanByte);
    if (button >= 0)
        return QLatin1String(FanWords[size_t(button)]);
    return (fanByte & 0x0F) == VeryLow ? QStringLiteral("very-low") : QString();
}

Controls unitControls(const TunitRecord &unit)
{
    const auto held = [](int value) { return std::clamp(value, MinTemp, MaxTemp); };
    Controls c;
    c.modeButton = modeButton(unit.buffer[units::ModeByte]);
    c.fanButton = fanButton(unit.buffer[units::FanByte]);
    c.remoteEnabled = !(unit.buffer[units::RemoteByte] & units::RemoteLockedBit);
    c.flap = unit.buffer[units::FlapByte] & units::FlapOnBit;
    c.schedule = unit.prog != 0;
    c.tmin = held(unit.tmin);
    c.tmax = held(unit.tmax);
    c.setTemp = held(unit.buffer[units::SetTempByte]);
    return c;
}

bool passwordAccepted(const QString &typed, const QString &stored)
{
    return typed.size() >= PasswordMinChars && typed.size() <= PasswordMaxChars && typed == stored;
}

std::vector<Task> statusTasks(const std::vector<int> &targets, const std::function<bool(int)> &remoteEnabled)
{
    std::vector<Task> tasks;
    for (int adr : targets)
        tasks.push_back({+Code::SetUnitStatus, adr});
    for (int adr : targets)
        tasks.push_back({+(remoteEnabled(adr) ? Code::UnlockRemote : Code::LockRemote), adr});
    tasks.push_back({+Code::OnlineUnits, 0});
    return tasks;
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
    if (buffer.size() <= RemoteSetting)
        buffer.append(RemoteSetting + 1 - buffer.size(), '\0');
    const auto valueOf = [](const auto &values, int button) {
        return button >= 0 && button < int(values.size()) ? values[size_t(button)] : 0;
    };
    buffer[ModeSetting] = char(valueOf(ModeValues, c.modeButton));
    buffer[FanSetting] = char(valueOf(FanValues, c.fanButton));
    buffer[SetTempSetting] = char(c.setTemp);
    buffer[3] = 0;
    buffer[4] = 0;
    buffer[FlapSetting] = char(c.flap ? units::FlapOnBit : 0);
    buffer[TminSetting] = char(c.tmin);
    buffer[TmaxSetting] = char(c.tmax);
    buffer[ScheduleSetting] = char(c.schedule ? 1 : 0);
    buffer[RemoteSetting] = char(c.remoteEnabled ? 1 : 0);
}

std::vector<Task> settingTasks(int par, const std::vector<int> &targets, int unit, bool remoteEnabled,
                               int scheduleEntries)
{
    // A schedule of more than one block goes out as two requests.
    const bool twoBlocks = scheduleEntries > schedule::SlotsPerBlock;
    std::vector<Task> tasks;
    switch (par) {
    case 1:
        return statusTasks(targets, [remoteEnabled](int) { return remoteEnabled; });
    case 2:
        tasks.push_back({+Code::SetUnitName, unit});
        break;
    case 3:
        tasks.push_back({+Code::LockAllRemotes, 0});
        break;
    case 4:
        tasks.push_back({+Code::UnlockAllRemotes, 0});
        break;
    case 5:
        tasks.push_back({+Code::SetAllUnitStatus, 0});
        break;
    case 6:
        tasks.push_back({+Code::SetLockMode, 0});
        break;
    case 7:
        tasks.push_back({+Code::SetScheduleBlock1, unit});
        if (twoBlocks)
            tasks.push_back({+Code::SetScheduleBlock2, unit});
        return tasks;
    case 8:
        for (int adr : targets) {
            tasks.push_back({+Code::SetScheduleBlock1, adr});
            if (twoBlocks)
                tasks.push_back({+Code::SetScheduleBlock2, adr});
        }
        return tasks;
    default:
        return tasks;
    }
    // Every setting but a schedule ends with a refresh of the units.
    tasks.push_back({+Code::OnlineUnits, 0});
    return tasks;
}

QString undeliveredText(const std::vector<Task> &unsent, const std::function<QString(int)> &unitName)
{
    std::vector<int> units;
    std::vector<int> locks; // units of which only the remote controller's lock was lost
    std::vector<int> blocks[2];
    for (const Task &task : unsent) {
        switch (Code(task.code)) {
        case Code::LockRemote:
        case Code::UnlockRemote:
            locks.push_back(task.addr);
            break;
        case Code::SetUnitStatus: // status, name of one unit
        case Code::SetUnitName:
            units.push_back(task.addr);
            break;
        case Code::LockAllRemotes: // every unit, or the controller itself
        case Code::UnlockAllRemotes:
        case Code::SetAllUnitStatus:
        case Code::SetLockMode:
            units.push_back(AllUnits);
            break;
        case Code::SetScheduleBlock1:
        case Code::SetScheduleBlock2:
            blocks[task.code == Code::SetScheduleBlock2 ? 1 : 0].push_back(task.addr);
            break;
        default:
            break;
        }
    }
    const auto names = [&unitName](std::vector<int> addresses) {
        std::sort(addresses.begin(), addresses.end());
        addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
        if (addresses.back() == AllUnits)
            return extraText(ExtraText::AllUnits);
        QStringList shown;
        for (int adr : addresses) {
            const QString name = unitName ? unitName(adr).trimmed() : QString();
            shown << (name.isEmpty() ? QString::number(adr) : name);
        }
        return shown.join(QStringLiteral(", "));
    };
    locks.erase(std::remove_if(
                    locks.begin(), locks.end(),
                    [&units](int adr) { return std::find(units.begin(), units.end(), adr) != units.end(); }),
                locks.end());
    QStringList parts;
    if (!units.empty())
        parts << extraText(ExtraText::NotSentToUnits).arg(names(units));
    if (!locks.empty())
        parts << extraText(ExtraText::LockNotSentToUnits).arg(names(locks));
    for (int block = 0; block < 2; ++block)
        if (!blocks[block].empty())
            parts << extraText(ExtraText::ScheduleBlockNotSent).arg(block + 1).arg(names(blocks[block]));
    return parts.join(QStringLiteral("; "));
}

} // namespace setting
