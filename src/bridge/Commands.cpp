#include "bridge/Commands.h"

#include "units/Setting.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace bridge {

namespace {

constexpr int MaxUnitAddress = UnitRecords - 1;
constexpr int MaxPayloadBytes = 64; // a longer payload is no value of any field

// What the controller can carry: one byte per character, no control characters.
bool latin1Printable(QChar ch)
{
    const ushort code = ch.unicode();
    return (code >= 0x20 && code <= 0x7E) || (code >= 0xA0 && code <= 0xFF);
}

template <typename T> Parsed<T> refused(const QString &reason, const T &value = T())
{
    Parsed<T> out;
    out.value = value;
    out.reason = reason;
    return out;
}

// ON or OFF (on/off for the swing), as Home Assistant sends them.
bool parseSwitch(const QString &text, bool *on)
{
    const QString word = text.trimmed().toUpper();
    if (word != QLatin1String("ON") && word != QLatin1String("OFF"))
        return false;
    *on = word == QLatin1String("ON");
    return true;
}

} // namespace

Parsed<Target> parseTarget(const QString &prefix, const QString &topic)
{
    const QString head = prefix + QLatin1Char('/');
    if (!topic.startsWith(head))
        return refused<Target>(QStringLiteral("not under %1").arg(head));
    const QStringList parts = topic.mid(head.size()).split(QLatin1Char('/'));
    if (parts.size() != 4 || parts[2] != QLatin1String("set") || parts[0].isEmpty())
        return refused<Target>(QStringLiteral("not a command topic"));

    Target target;
    target.controller = parts[0];
    target.unit = -1; // until it is known
    if (parts[1] == QLatin1String("all")) {
        target.unit = setting::AllUnits;
    } else {
        bool ok = false;
        target.unit = parts[1].toInt(&ok);
        if (!ok || target.unit < 0 || target.unit > MaxUnitAddress ||
            QString::number(target.unit) != parts[1])
            return refused<Target>(
                QStringLiteral("unit %1 is no address (0 to %2 or all)").arg(parts[1]).arg(MaxUnitAddress),
                Target{target.controller, -1, Field::Mode});
    }
    const QString &field = parts[3];
    if (field == QLatin1String("mode"))
        target.field = Field::Mode;
    else if (field == QLatin1String("fan_mode"))
        target.field = Field::FanMode;
    else if (field == QLatin1String("temperature"))
        target.field = Field::Temperature;
    else if (field == QLatin1String("name"))
        target.field = Field::Name;
    else if (field == QLatin1String("power"))
        target.field = Field::Power;
    else if (field == QLatin1String("swing"))
        target.field = Field::Swing;
    else if (field == QLatin1String("remote_lock"))
        target.field = Field::RemoteLock;
    else if (field == QLatin1String("schedule"))
        target.field = Field::Schedule;
    else
        return refused<Target>(QStringLiteral("unknown field %1").arg(field), target);
    return {true, target, {}};
}

Parsed<Change> parseChange(Field field, const QByteArray &payload, const Limits &limits)
{
    if (payload.size() > MaxPayloadBytes)
        return refused<Change>(QStringLiteral("payload of %1 bytes is too long").arg(payload.size()));
    Change change;
    change.field = field;
    const QString text = QString::fromUtf8(payload);
    switch (field) {
    case Field::Mode:
        change.modeButton = modeButtonNamed(text.trimmed());
        if (change.modeButton < 0)
            return refused<Change>(QStringLiteral("unknown mode \"%1\"").arg(text));
        break;
    case Field::FanMode:
        change.fanButton = fanButtonNamed(text.trimmed());
        if (text.trimmed() == QLatin1String("very_low"))
            return refused<Change>(QStringLiteral("the controller sets no very low fan speed"));
        if (change.fanButton < 0)
            return refused<Change>(QStringLiteral("unknown fan mode \"%1\"").arg(text));
        break;
    case Field::Temperature: {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return refused<Change>(QStringLiteral("temperature \"%1\" is not a number").arg(text));
        if (value != std::floor(value))
            return refused<Change>(
                QStringLiteral("temperature %1 is not a whole degree").arg(text.trimmed()));
        if (value < limits.tmin || value > limits.tmax)
            return refused<Change>(QStringLiteral("temperature %1 outside %2 to %3")
                                       .arg(text.trimmed())
                                       .arg(limits.tmin)
                                       .arg(limits.tmax));
        change.temperature = int(value);
        break;
    }
    case Field::Name:
        if (text.trimmed().isEmpty())
            return refused<Change>(QStringLiteral("empty name"));
        if (text.size() > UnitNameChars)
            return refused<Change>(QStringLiteral("name longer than %1 characters").arg(UnitNameChars));
        if (!std::all_of(text.begin(), text.end(), latin1Printable))
            return refused<Change>(QStringLiteral("name has characters the controller cannot store"));
        change.name = text;
        break;
    case Field::Power:
    case Field::Swing:
    case Field::RemoteLock:
    case Field::Schedule:
        if (!parseSwitch(text, &change.on))
            return refused<Change>(QStringLiteral("\"%1\" is neither ON nor OFF").arg(text));
        break;
    }
    return {true, change, {}};
}

QByteArray errorPayload(const QString &topic, const QByteArray &payload, const QString &reason,
                        const QDateTime &at)
{
    const QJsonObject error{
        {QStringLiteral("topic"), topic},
        {QStringLiteral("payload"), QString::fromUtf8(payload.left(MaxPayloadBytes))},
        {QStringLiteral("error"), reason},
        {QStringLiteral("time"), at.toUTC().toString(Qt::ISODate)},
    };
    return QJsonDocument(error).toJson(QJsonDocument::Compact);
}

std::vector<QueuedChange> takeExpired(std::vector<QueuedChange> &queue, qint64 now)
{
    std::vector<QueuedChange> lapsed;
    const auto keep = std::stable_partition(
        queue.begin(), queue.end(), [now](const QueuedChange &change) { return !change.expired(now); });
    std::move(keep, queue.end(), std::back_inserter(lapsed));
    queue.erase(keep, queue.end());
    return lapsed;
}

unitchange::Change unitChange(const Change &change, const TunitRecord &unit, quint8 remembered)
{
    unitchange::Change named;
    const quint8 mode = unit.buffer[units::ModeByte];
    switch (change.field) {
    case Field::Mode:
        named.mode = change.modeButton == 0 ? powerMode(mode, false, remembered)
                                            : quint8(setting::ModeValues[size_t(change.modeButton)]);
        break;
    case Field::Power:
        named.mode = powerMode(mode, change.on, remembered);
        break;
    case Field::Swing:
        named.flap = change.on;
        break;
    case Field::RemoteLock:
        named.remoteEnabled = !change.on;
        break;
    case Field::Schedule:
        named.schedule = change.on;
        break;
    case Field::FanMode:
        named.fan = quint8(setting::FanValues[size_t(change.fanButton)]);
        break;
    case Field::Temperature:
        named.setTemp = change.temperature;
        break;
    case Field::Name:
        named.name = change.name;
        break;
    }
    return named;
}

void addPending(std::vector<PendingWrite> &pending, const QueuedChange &queued,
                const unitchange::Change &named)
{
    const int unit = queued.target.unit;
    auto same = std::find_if(pending.begin(), pending.end(),
                             [unit](const PendingWrite &p) { return p.unit == unit; });
    if (same == pending.end())
        same = pending.insert(pending.end(), PendingWrite{unit, {}, {}});
    same->change.merge(named);
    same->origins.push_back(queued);
}

std::vector<PendingWrite> takeExpired(std::vector<PendingWrite> &pending, qint64 now)
{
    std::vector<PendingWrite> lapsed;
    const auto keep = std::stable_partition(pending.begin(), pending.end(), [now](const PendingWrite &p) {
        return p.origins.empty() || !p.origins.front().expired(now);
    });
    std::move(keep, pending.end(), std::back_inserter(lapsed));
    pending.erase(keep, pending.end());
    return lapsed;
}

} // namespace bridge
