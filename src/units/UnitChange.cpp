#include "units/UnitChange.h"

#include "link/Frame.h"
#include "shell/Texts.h"
#include "units/Setting.h"

#include <QStringList>

namespace unitchange {

void Change::merge(const Change &later)
{
    const auto take = [](auto &mine, const auto &theirs) {
        if (theirs)
            mine = theirs;
    };
    take(mode, later.mode);
    take(fan, later.fan);
    take(setTemp, later.setTemp);
    take(tmin, later.tmin);
    take(tmax, later.tmax);
    take(flap, later.flap);
    take(schedule, later.schedule);
    take(remoteEnabled, later.remoteEnabled);
    take(name, later.name);
}

Limits unitLimits(const TunitRecord &unit)
{
    if (unit.tmin == 0 || unit.tmax == 0 || unit.tmin > unit.tmax)
        return {setting::MinTemp, setting::MaxTemp};
    return {unit.tmin, unit.tmax};
}

QString refusal(const TunitRecord &unit, const Change &change)
{
    for (const auto &[word, value] : {std::pair{"tmin", change.tmin}, std::pair{"tmax", change.tmax}})
        if (value && (*value < setting::MinTemp || *value > setting::MaxTemp))
            return extraText(ExtraText::LimitOutside)
                .arg(QLatin1String(word))
                .arg(*value)
                .arg(setting::MinTemp)
                .arg(setting::MaxTemp);
    if (!change.tmin && !change.tmax) {
        if (!change.setTemp)
            return {};
        const Limits limits = unitLimits(unit);
        if (*change.setTemp < limits.tmin || *change.setTemp > limits.tmax)
            return extraText(ExtraText::TempOutsideLimits)
                .arg(*change.setTemp)
                .arg(limits.tmin)
                .arg(limits.tmax);
        return {};
    }
    // New limits: the unit keeps the one not named, and its set temperature must fit them.
    const int tmin = change.tmin.value_or(unit.tmin);
    const int tmax = change.tmax.value_or(unit.tmax);
    if (tmin > tmax)
        return extraText(ExtraText::LimitsCrossed).arg(tmin).arg(tmax);
    const int setTemp = change.setTemp.value_or(unit.buffer[units::SetTempByte]);
    if (setTemp < tmin || setTemp > tmax)
        return extraText(change.setTemp ? ExtraText::TempOutsideLimits : ExtraText::TempOutsideNew)
            .arg(setTemp)
            .arg(tmin)
            .arg(tmax);
    return {};
}

QByteArray statusBytes(const TunitRecord &unit, const Change &change)
{
    const auto &b = unit.buffer;
    QByteArray bytes(setting::SentSettings, '\0');
    bytes[setting::ModeSetting] = char(change.mode.value_or(b[units::ModeByte]));
    bytes[setting::FanSetting] = char(change.fan.value_or(b[units::FanByte]));
    bytes[setting::SetTempSetting] = char(change.setTemp.value_or(b[units::SetTempByte]));
    const bool flap = change.flap.value_or((b[units::FlapByte] & units::FlapOnBit) != 0);
    bytes[setting::FlapSetting] = char(flap ? units::FlapOnBit : 0);
    bytes[setting::TminSetting] = char(change.tmin.value_or(unit.tmin));
    bytes[setting::TmaxSetting] = char(change.tmax.value_or(unit.tmax));
    // The unit's own value, whatever it means, unless the schedule is named.
    bytes[setting::ScheduleSetting] = char(change.schedule ? (*change.schedule ? 1 : 0) : unit.prog);
    return bytes;
}

namespace {

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

// What the controller keeps of a name, as it reads back.
QString storedName(const QString &name)
{
    return QString::fromLatin1(frame::textBytes(name.left(setting::UnitNameChars)));
}

} // namespace

QString differences(const TunitRecord &after, const Change &change, Part part)
{
    const auto &b = after.buffer;
    QStringList shown;
    const auto check = [&shown](bool same, const char *word, const QString &value) {
        if (!same)
            shown << QLatin1String(word) + QLatin1Char('=') + value;
    };
    switch (part) {
    case Part::Settings:
        if (change.mode)
            check(setting::modeButton(b[units::ModeByte]) == setting::modeButton(*change.mode), "mode",
                  setting::modeWord(b[units::ModeByte]));
        if (change.fan) {
            // By word, so that very low is told from a speed that has none.
            const QString fan = setting::fanWord(b[units::FanByte]);
            check(!fan.isEmpty() && fan == setting::fanWord(*change.fan), "fan", fan);
        }
        if (change.setTemp)
            check(b[units::SetTempByte] == *change.setTemp, "temp", QString::number(b[units::SetTempByte]));
        if (change.tmin)
            check(after.tmin == *change.tmin, "tmin", QString::number(after.tmin));
        if (change.tmax)
            check(after.tmax == *change.tmax, "tmax", QString::number(after.tmax));
        if (change.flap)
            check(((b[units::FlapByte] & units::FlapOnBit) != 0) == *change.flap, "flap",
                  onOff(b[units::FlapByte] & units::FlapOnBit));
        if (change.schedule)
            check((after.prog != 0) == *change.schedule, "schedule", onOff(after.prog != 0));
        break;
    case Part::Lock:
        if (change.remoteEnabled) {
            const bool enabled = !(b[units::RemoteByte] & units::RemoteLockedBit);
            check(enabled == *change.remoteEnabled, "remote", onOff(enabled));
        }
        break;
    case Part::Name:
        // An empty name reads back as the address the controller puts in its place.
        if (change.name && !storedName(*change.name).isEmpty())
            check(after.name == storedName(*change.name), "name",
                  QLatin1Char('"') + after.name + QLatin1Char('"'));
        break;
    }
    return shown.join(QStringLiteral(", "));
}

} // namespace unitchange
