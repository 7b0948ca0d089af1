#include "bridge/Payloads.h"

#include "units/UnitChange.h"

#include "shell/Texts.h"
#include "units/Setting.h"

#include "bridge/Config.h"
#include "shell/Version.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <array>
#include <tuple>

namespace bridge {

namespace {

// Indexed by setting::modeButton and setting::fanButton.
const std::array<const char *, 6> ModeNames{"off", "auto", "cool", "heat", "dry", "fan_only"};
const std::array<const char *, 4> FanNames{"auto", "low", "medium", "high"};
// Very low is shown, never set: without it among the modes Home Assistant warns on every state.
const std::array<const char *, 5> FanOffered{"auto", "high", "medium", "low", "very_low"};
const std::array<const char *, 2> SwingNames{"on", "off"};

// A topic segment for the prefix: itself when it is one, else its slug and a digest of it,
// so that two prefixes never share their discovery topics.
QString prefixNode(const QString &prefix)
{
    const QString plain = slug(prefix);
    if (plain == prefix)
        return plain;
    const QByteArray digest = QCryptographicHash::hash(prefix.toUtf8(), QCryptographicHash::Sha1);
    return plain + QLatin1Char('_') + QString::fromLatin1(digest.left(4).toHex());
}

// Identifiers are free text: the topic path of what they name is unique on the broker.
QString controllerDeviceId(const Topics &topics, const QString &controller)
{
    return topics.prefix + QLatin1Char('/') + controller;
}

// A controller's object id ends in "_link", a unit's in digits: never the same.
QString deviceConfigTopic(const Topics &topics, const QString &objectId)
{
    return QStringLiteral("%1/device/%2/%3/config")
        .arg(topics.discoveryPrefix, prefixNode(topics.prefix), objectId);
}

template <size_t N> int indexOf(const std::array<const char *, N> &list, const QString &name)
{
    for (size_t i = 0; i < N; ++i)
        if (name == QLatin1String(list[i]))
            return int(i);
    return -1;
}

template <size_t N> QJsonArray names(const std::array<const char *, N> &list)
{
    QJsonArray out;
    for (const char *name : list)
        out.append(QLatin1String(name));
    return out;
}

QJsonArray availabilityOf(const Topics &topics, const QString &controller)
{
    QJsonArray list{QJsonObject{{QStringLiteral("topic"), topics.bridgeAvailability()}}};
    if (!controller.isEmpty())
        list.append(QJsonObject{{QStringLiteral("topic"), topics.availability(controller)}});
    return list;
}

QJsonObject origin()
{
    return QJsonObject{{QStringLiteral("name"), QStringLiteral("brezzano-bridge")},
                       {QStringLiteral("sw_version"), QStringLiteral(BREZZANO_VERSION)}};
}

// What every device config shares: the device, the origin and availability.
QJsonObject deviceConfig(const Topics &topics, const QString &controller, const QJsonObject &device)
{
    return QJsonObject{
        {QStringLiteral("device"), device},
        {QStringLiteral("origin"), origin()},
        {QStringLiteral("availability"), availabilityOf(topics, controller)},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        {QStringLiteral("qos"), 1},
    };
}

QJsonArray faultCodes(const TunitRecord &unit)
{
    // The panel's own rule, without its heading: "E3 PA 2# ".
    QJsonArray codes;
    const QStringList words =
        units::faultText(unit, QStringList()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &code : words)
        codes.append(code);
    return codes;
}

QString actionOf(quint8 modeByte)
{
    if ((modeByte & units::ModeOnBit) == 0)
        return QStringLiteral("off");
    switch (modeByte & units::ModeBits) {
    case units::ModeCooling:
        return QStringLiteral("cooling");
    case units::ModeHeating:
        return QStringLiteral("heating");
    case units::ModeDrying:
        return QStringLiteral("drying");
    case units::ModeVentilation:
        return QStringLiteral("fan");
    default:
        return {}; // auto, or a mode no table lists: whether it heats or cools is not told
    }
}

QString template_(const char *key)
{
    return QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(key));
}

QJsonObject component(const char *platform, const QString &uniqueId, const QJsonValue &name)
{
    return QJsonObject{{QStringLiteral("platform"), QLatin1String(platform)},
                       {QStringLiteral("unique_id"), uniqueId},
                       {QStringLiteral("name"), name}};
}

QJsonObject temperatureSensor(const QString &uniqueId, const QString &name, const QString &state,
                              const char *key, bool diagnostic)
{
    QJsonObject sensor = component("sensor", uniqueId, name);
    sensor.insert(QStringLiteral("device_class"), QStringLiteral("temperature"));
    sensor.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    sensor.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("°C"));
    sensor.insert(QStringLiteral("state_topic"), state);
    sensor.insert(QStringLiteral("value_template"), template_(key));
    if (diagnostic)
        sensor.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
    return sensor;
}

QJsonObject flagSwitch(const QString &uniqueId, const QString &name, const QString &state,
                       const QString &command, const char *key)
{
    QJsonObject sw = component("switch", uniqueId, name);
    sw.insert(QStringLiteral("state_topic"), state);
    sw.insert(QStringLiteral("value_template"),
              QStringLiteral("{{ 'ON' if value_json.%1 else 'OFF' }}").arg(QLatin1String(key)));
    sw.insert(QStringLiteral("command_topic"), command);
    sw.insert(QStringLiteral("entity_category"), QStringLiteral("config"));
    return sw;
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString Topics::bridgeAvailability() const
{
    return prefix + QStringLiteral("/bridge/") + bridgeId + QStringLiteral("/availability");
}

QString Topics::bridgeError() const
{
    return prefix + QStringLiteral("/bridge/") + bridgeId + QStringLiteral("/error");
}

QString Topics::birth() const
{
    return discoveryPrefix + QStringLiteral("/status");
}

QString Topics::availability(const QString &controller) const
{
    return prefix + QLatin1Char('/') + controller + QStringLiteral("/availability");
}

QString Topics::unit(const QString &controller, int address) const
{
    return prefix + QLatin1Char('/') + controller + QLatin1Char('/') + QString::number(address);
}

QString Topics::state(const QString &controller, int address) const
{
    return unit(controller, address) + QStringLiteral("/state");
}

QString Topics::error(const QString &controller, int address) const
{
    return unit(controller, address) + QStringLiteral("/error");
}

QString Topics::command(const QString &controller, int address, const QString &field) const
{
    return unit(controller, address) + QStringLiteral("/set/") + field;
}

QString modeName(quint8 modeByte)
{
    const int button = setting::modeButton(modeByte);
    return button < 0 ? QString() : QLatin1String(ModeNames[size_t(button)]);
}

QString fanName(quint8 fanByte)
{
    const int button = setting::fanButton(fanByte);
    if (button >= 0)
        return QLatin1String(FanNames[size_t(button)]);
    return (fanByte & units::FanBits) == units::FanVeryLow ? QStringLiteral("very_low") : QString();
}

int modeButtonNamed(const QString &name)
{
    return indexOf(ModeNames, name);
}

int fanButtonNamed(const QString &name)
{
    return indexOf(FanNames, name);
}

quint8 powerMode(quint8 modeByte, bool on, quint8 remembered)
{
    if (!on)
        return quint8(modeByte & units::ModeBits);
    for (const quint8 bits : {quint8(modeByte & units::ModeBits), quint8(remembered & units::ModeBits)})
        if (setting::modeButton(quint8(units::ModeOnBit | bits)) > 0)
            return quint8(units::ModeOnBit | bits);
    return quint8(units::ModeOnBit | units::ModeAuto);
}

Limits unitLimits(const TunitRecord &unit)
{
    const unitchange::Limits limits = unitchange::unitLimits(unit);
    return {limits.tmin, limits.tmax};
}

QJsonObject stateObject(const TunitRecord &unit, int address)
{
    const auto &b = unit.buffer;
    const QString mode = modeName(b[units::ModeByte]);
    const QString fan = fanName(b[units::FanByte]);
    const QString action = actionOf(b[units::ModeByte]);
    QJsonObject state{
        {QStringLiteral("address"), address},
        {QStringLiteral("name"), unit.name},
        {QStringLiteral("mode"), mode.isEmpty() ? QJsonValue() : QJsonValue(mode)},
        {QStringLiteral("power"), (b[units::ModeByte] & units::ModeOnBit) ? "ON" : "OFF"},
        {QStringLiteral("action"), action.isEmpty() ? QJsonValue() : QJsonValue(action)},
        {QStringLiteral("fan"), fan.isEmpty() ? QJsonValue() : QJsonValue(fan)},
        {QStringLiteral("set_temperature"), int(b[units::SetTempByte])},
        {QStringLiteral("room_temperature"), units::halfDegree(b[units::RoomTempByte])},
        {QStringLiteral("flap"), bool(b[units::FlapByte] & units::FlapOnBit)},
        {QStringLiteral("swing"), (b[units::FlapByte] & units::FlapOnBit) ? "on" : "off"},
        {QStringLiteral("remote_lock"), bool(b[units::RemoteByte] & units::RemoteLockedBit)},
        {QStringLiteral("schedule"), unit.prog != 0},
        {QStringLiteral("fault"), units::inFault(unit)},
        {QStringLiteral("fault_codes"), faultCodes(unit)},
        {QStringLiteral("fault_text"),
         units::inFault(unit) ? units::faultText(unit, languageTable(0)).simplified() : QString()},
    };
    const std::array<std::pair<const char *, int>, 3> pipes{
        {{"pipe_t2a", units::PipeT2AByte}, {"pipe_t2b", units::PipeT2BByte}, {"pipe_t3", units::PipeT3Byte}}};
    // null for a missing sensor: Home Assistant shows it unknown.
    for (const auto &[key, index] : pipes)
        state.insert(QLatin1String(key), b[size_t(index)] == units::SensorMissing
                                             ? QJsonValue()
                                             : QJsonValue(units::halfDegree(b[size_t(index)])));
    return state;
}

QByteArray statePayload(const QJsonObject &state, const QDateTime &readAt)
{
    QJsonObject out = state;
    out.insert(QStringLiteral("time"), readAt.toUTC().toString(Qt::ISODate));
    return compact(out);
}

Message controllerDiscovery(const Topics &topics, const ControllerInfo &controller)
{
    const QString id = controllerDeviceId(topics, controller.id);
    QJsonObject link = component("binary_sensor", id + QStringLiteral(":link"), QStringLiteral("Link"));
    link.insert(QStringLiteral("device_class"), QStringLiteral("connectivity"));
    link.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
    link.insert(QStringLiteral("state_topic"), topics.availability(controller.id));
    link.insert(QStringLiteral("payload_on"), QStringLiteral("online"));
    link.insert(QStringLiteral("payload_off"), QStringLiteral("offline"));
    QJsonObject config =
        deviceConfig(topics, QString(),
                     QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                                 {QStringLiteral("name"), controller.name},
                                 {QStringLiteral("model"), QStringLiteral("Central controller")}});
    config.insert(QStringLiteral("components"), QJsonObject{{QStringLiteral("link"), link}});
    return {deviceConfigTopic(topics, controller.id + QStringLiteral("_link")), compact(config)};
}

Message unitDiscovery(const Topics &topics, const ControllerInfo &controller, const TunitRecord &unit,
                      int address)
{
    const QString state = topics.state(controller.id, address);
    const QString id = topics.unit(controller.id, address);
    const auto uid = [&id](const char *entity) { return id + QLatin1Char(':') + QLatin1String(entity); };
    const auto command = [&](const char *field) { return topics.command(controller.id, address, field); };
    const Limits limits = unitLimits(unit);

    QJsonObject climate = component("climate", uid("climate"), QJsonValue()); // the unit's name
    climate.insert(QStringLiteral("modes"), names(ModeNames));
    climate.insert(QStringLiteral("fan_modes"), names(FanOffered));
    climate.insert(QStringLiteral("swing_modes"), names(SwingNames));
    climate.insert(QStringLiteral("min_temp"), limits.tmin);
    climate.insert(QStringLiteral("max_temp"), limits.tmax);
    climate.insert(QStringLiteral("temp_step"), 1);
    climate.insert(QStringLiteral("precision"), 0.5);
    climate.insert(QStringLiteral("temperature_unit"), QStringLiteral("C"));
    climate.insert(QStringLiteral("power_command_topic"), command("power"));
    const std::array<std::tuple<const char *, const char *, const char *>, 4> controls{{
        {"mode", "mode", "mode"},
        {"fan_mode", "fan_mode", "fan"},
        {"swing_mode", "swing", "swing"},
        {"temperature", "temperature", "set_temperature"},
    }};
    for (const auto &[option, field, key] : controls) {
        climate.insert(QLatin1String(option) + QStringLiteral("_command_topic"), command(field));
        climate.insert(QLatin1String(option) + QStringLiteral("_state_topic"), state);
        climate.insert(QLatin1String(option) + QStringLiteral("_state_template"), template_(key));
    }
    climate.insert(QStringLiteral("current_temperature_topic"), state);
    climate.insert(QStringLiteral("current_temperature_template"), template_("room_temperature"));
    climate.insert(QStringLiteral("action_topic"), state);
    climate.insert(QStringLiteral("action_template"), template_("action"));
    climate.insert(QStringLiteral("json_attributes_topic"), state);
    climate.insert(QStringLiteral("json_attributes_template"),
                   QStringLiteral("{{ {'address': value_json.address, 'fault_codes': value_json.fault_codes} "
                                  "| tojson }}"));

    QJsonObject fault = component("binary_sensor", uid("fault"), QStringLiteral("Fault"));
    fault.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    fault.insert(QStringLiteral("state_topic"), state);
    fault.insert(QStringLiteral("value_template"),
                 QStringLiteral("{{ 'ON' if value_json.fault else 'OFF' }}"));
    fault.insert(QStringLiteral("json_attributes_topic"), state);
    fault.insert(
        QStringLiteral("json_attributes_template"),
        QStringLiteral("{{ {'codes': value_json.fault_codes, 'text': value_json.fault_text} | tojson }}"));

    QJsonObject components{
        {QStringLiteral("climate"), climate},
        {QStringLiteral("fault"), fault},
        {QStringLiteral("room_temperature"),
         temperatureSensor(uid("room_temperature"), QStringLiteral("Room temperature"), state,
                           "room_temperature", false)},
        {QStringLiteral("remote_lock"), flagSwitch(uid("remote_lock"), QStringLiteral("Remote control lock"),
                                                   state, command("remote_lock"), "remote_lock")},
        {QStringLiteral("schedule"), flagSwitch(uid("schedule"), QStringLiteral("Weekly schedule"), state,
                                                command("schedule"), "schedule")},
    };
    const std::array<std::pair<const char *, const char *>, 3> pipes{
        {{"pipe_t2a", "Pipe T2A"}, {"pipe_t2b", "Pipe T2B"}, {"pipe_t3", "Pipe T3"}}};
    for (const auto &[key, title] : pipes)
        components.insert(QLatin1String(key),
                          temperatureSensor(uid(key), QLatin1String(title), state, key, true));

    const QString name = unit.name.trimmed().isEmpty() ? QStringLiteral("Unit %1").arg(address) : unit.name;
    // A device per unit, linked to its controller: one controller's units sit in different rooms (areas).
    QJsonObject config = deviceConfig(
        topics, controller.id,
        QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                    {QStringLiteral("name"), name},
                    {QStringLiteral("model"), QStringLiteral("Air-conditioning unit %1").arg(address)},
                    {QStringLiteral("via_device"), controllerDeviceId(topics, controller.id)}});
    config.insert(QStringLiteral("components"), components);
    return {unitRemoval(topics, controller.id, address).topic, compact(config)};
}

Message unitRemoval(const Topics &topics, const QString &controller, int address)
{
    return {deviceConfigTopic(topics, controller + QLatin1Char('_') + QString::number(address)), {}};
}

std::vector<Message> legacyRemoval(const Topics &topics, const QString &controller, int address)
{
    const QString node = QStringLiteral("brezzano_") + controller;
    if (address < 0)
        return {{QStringLiteral("%1/binary_sensor/%2/link/config").arg(topics.discoveryPrefix, node), {}}};
    std::vector<Message> out;
    for (const auto &[component, entity] :
         {std::pair{"climate", "climate"}, std::pair{"binary_sensor", "fault"},
          std::pair{"sensor", "room_temperature"}})
        out.push_back({QStringLiteral("%1/%2/%3/%4_%5/config")
                           .arg(topics.discoveryPrefix, QLatin1String(component), node)
                           .arg(address)
                           .arg(QLatin1String(entity)),
                       {}});
    return out;
}

} // namespace bridge
