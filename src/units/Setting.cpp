#include "units/Setting.h"

#include "schedules/Program.h"
#include "shell/Texts.h"
#include "units/UnitTable.h"

#include <QStringList>

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
        tasks.push_back({33, adr});
    for (int adr : targets)
        tasks.push_back({remoteEnabled(adr) ? 32 : 31, adr});
    tasks.push_back({29, 0});
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
        return statusTasks(targets, [remoteEnabled](int) { return remoteEnabled; });
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

QString undeliveredText(const std::vector<Task> &unsent, const std::function<QString(int)> &unitName)
{
    std::vector<int> units;
    std::vector<int> blocks[2];
    for (const Task &task : unsent) {
        switch (task.code) {
        case 31: // remote controller, status, name of one unit
        case 32:
        case 33:
        case 35:
            units.push_back(task.addr);
            break;
        case 36: // every unit, or the controller itself
        case 37:
        case 38:
        case 71:
            units.push_back(AllUnits);
            break;
        case 39:
        case 40:
            blocks[task.code - 39].push_back(task.addr);
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
    QStringList parts;
    if (!units.empty())
        parts << extraText(ExtraText::NotSentToUnits).arg(names(units));
    for (int block = 0; block < 2; ++block)
        if (!blocks[block].empty())
            parts << extraText(ExtraText::ScheduleBlockNotSent).arg(block + 1).arg(names(blocks[block]));
    return parts.join(QStringLiteral("; "));
}

} // namespace setting
