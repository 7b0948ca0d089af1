#include "bridge/Payloads.h"

#include "units/UnitChange.h"

#include "shell/Texts.h"
#include "units/Setting.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <array>

namespace bridge {

namespace {

// Indexed by setting::modeButton and setting::fanButton.
const std::array<const char *, 6> ModeNames{"off", "auto", "cool", "heat", "dry", "fan_only"};
const std::array<const char *, 4> FanNames{"auto", "low", "medium", "high"};
const std::array<const char *, 4> FanOffered{"auto", "high", "medium", "low"};

QString nodeId(const QString &controller)
{
    return QStringLiteral("brezzano_") + controller;
}

QString deviceId(const QString &controller, int address)
{
    return nodeId(controller) + QLatin1Char('_') + QString::number(address);
}

QString configTopic(const Topics &topics, const char *component, const QString &controller, int address,
                    const char *entity)
{
    return QStringLiteral("%1/%2/%3/%4_%5/config")
        .arg(topics.discoveryPrefix, QLatin1String(component), nodeId(controller))
        .arg(address)
        .arg(QLatin1String(entity));
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

// The fields every entity of a unit shares.
QJsonObject unitEntity(const Topics &topics, const ControllerInfo &controller, const TunitRecord &unit,
                       int address, const char *entity)
{
    const QString name = unit.name.isEmpty() ? QStringLiteral("Unit %1").arg(address) : unit.name;
    return QJsonObject{
        {QStringLiteral("unique_id"),
         deviceId(controller.id, address) + QLatin1Char('_') + QLatin1String(entity)},
        {QStringLiteral("availability"), availabilityOf(topics, controller.id)},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        // A device per unit, linked to its controller: one controller's units sit in different rooms (areas).
        {QStringLiteral("device"),
         QJsonObject{{QStringLiteral("identifiers"), QJsonArray{deviceId(controller.id, address)}},
                     {QStringLiteral("name"), name},
                     {QStringLiteral("model"), QStringLiteral("Air-conditioning unit %1").arg(address)},
                     {QStringLiteral("via_device"), nodeId(controller.id)}}},
    };
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString Topics::bridgeAvailability() const
{
    return prefix + QStringLiteral("/bridge/availability");
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
    QJsonObject state{
        {QStringLiteral("address"), address},
        {QStringLiteral("name"), unit.name},
        {QStringLiteral("mode"), mode.isEmpty() ? QJsonValue() : QJsonValue(mode)},
        {QStringLiteral("fan"), fan.isEmpty() ? QJsonValue() : QJsonValue(fan)},
        {QStringLiteral("set_temperature"), int(b[units::SetTempByte])},
        {QStringLiteral("room_temperature"), units::halfDegree(b[units::RoomTempByte])},
        {QStringLiteral("flap"), bool(b[units::FlapByte] & units::FlapOnBit)},
        {QStringLiteral("remote_lock"), bool(b[units::RemoteByte] & units::RemoteLockedBit)},
        {QStringLiteral("fault"), units::inFault(unit)},
        {QStringLiteral("fault_codes"), faultCodes(unit)},
        {QStringLiteral("fault_text"),
         units::inFault(unit) ? units::faultText(unit, languageTable(0)).simplified() : QString()},
    };
    const std::array<std::pair<const char *, int>, 3> pipes{
        {{"pipe_t2a", units::PipeT2AByte}, {"pipe_t2b", units::PipeT2BByte}, {"pipe_t3", units::PipeT3Byte}}};
    for (const auto &[key, index] : pipes)
        if (b[size_t(index)] != units::SensorMissing)
            state.insert(QLatin1String(key), units::halfDegree(b[size_t(index)]));
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
    const QJsonObject config{
        {QStringLiteral("name"), QStringLiteral("Link")},
        {QStringLiteral("unique_id"), nodeId(controller.id) + QStringLiteral("_link")},
        {QStringLiteral("device_class"), QStringLiteral("connectivity")},
        {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
        {QStringLiteral("state_topic"), topics.availability(controller.id)},
        {QStringLiteral("payload_on"), QStringLiteral("online")},
        {QStringLiteral("payload_off"), QStringLiteral("offline")},
        {QStringLiteral("availability"), availabilityOf(topics, QString())},
        {QStringLiteral("device"),
         QJsonObject{{QStringLiteral("identifiers"), QJsonArray{nodeId(controller.id)}},
                     {QStringLiteral("name"), controller.name},
                     {QStringLiteral("model"), QStringLiteral("Central controller")}}},
    };
    return {
        QStringLiteral("%1/binary_sensor/%2/link/config").arg(topics.discoveryPrefix, nodeId(controller.id)),
        compact(config)};
}

std::vector<Message> unitDiscovery(const Topics &topics, const ControllerInfo &controller,
                                   const TunitRecord &unit, int address)
{
    const QString state = topics.state(controller.id, address);
    const Limits limits = unitLimits(unit);

    QJsonObject climate = unitEntity(topics, controller, unit, address, "climate");
    climate.insert(QStringLiteral("name"), QJsonValue()); // the entity takes the unit's name
    climate.insert(QStringLiteral("modes"), names(ModeNames));
    climate.insert(QStringLiteral("fan_modes"), names(FanOffered));
    climate.insert(QStringLiteral("min_temp"), limits.tmin);
    climate.insert(QStringLiteral("max_temp"), limits.tmax);
    climate.insert(QStringLiteral("temp_step"), 1);
    climate.insert(QStringLiteral("precision"), 0.5);
    climate.insert(QStringLiteral("temperature_unit"), QStringLiteral("C"));
    climate.insert(QStringLiteral("mode_command_topic"), topics.command(controller.id, address, "mode"));
    climate.insert(QStringLiteral("mode_state_topic"), state);
    climate.insert(QStringLiteral("mode_state_template"), QStringLiteral("{{ value_json.mode }}"));
    climate.insert(QStringLiteral("fan_mode_command_topic"),
                   topics.command(controller.id, address, "fan_mode"));
    climate.insert(QStringLiteral("fan_mode_state_topic"), state);
    climate.insert(QStringLiteral("fan_mode_state_template"), QStringLiteral("{{ value_json.fan }}"));
    climate.insert(QStringLiteral("temperature_command_topic"),
                   topics.command(controller.id, address, "temperature"));
    climate.insert(QStringLiteral("temperature_state_topic"), state);
    climate.insert(QStringLiteral("temperature_state_template"),
                   QStringLiteral("{{ value_json.set_temperature }}"));
    climate.insert(QStringLiteral("current_temperature_topic"), state);
    climate.insert(QStringLiteral("current_temperature_template"),
                   QStringLiteral("{{ value_json.room_temperature }}"));
    climate.insert(QStringLiteral("json_attributes_topic"), state);

    QJsonObject fault = unitEntity(topics, controller, unit, address, "fault");
    fault.insert(QStringLiteral("name"), QStringLiteral("Fault"));
    fault.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    fault.insert(QStringLiteral("state_topic"), state);
    fault.insert(QStringLiteral("value_template"),
                 QStringLiteral("{{ 'ON' if value_json.fault else 'OFF' }}"));
    fault.insert(QStringLiteral("json_attributes_topic"), state);
    fault.insert(
        QStringLiteral("json_attributes_template"),
        QStringLiteral("{{ {'codes': value_json.fault_codes, 'text': value_json.fault_text} | tojson }}"));

    QJsonObject room = unitEntity(topics, controller, unit, address, "room_temperature");
    room.insert(QStringLiteral("name"), QStringLiteral("Room temperature"));
    room.insert(QStringLiteral("device_class"), QStringLiteral("temperature"));
    room.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    room.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("°C"));
    room.insert(QStringLiteral("state_topic"), state);
    room.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.room_temperature }}"));

    const std::vector<Message> topicsOnly = unitRemoval(topics, controller.id, address);
    return {{topicsOnly[0].topic, compact(climate)},
            {topicsOnly[1].topic, compact(fault)},
            {topicsOnly[2].topic, compact(room)}};
}

std::vector<Message> unitRemoval(const Topics &topics, const QString &controller, int address)
{
    return {{configTopic(topics, "climate", controller, address, "climate"), {}},
            {configTopic(topics, "binary_sensor", controller, address, "fault"), {}},
            {configTopic(topics, "sensor", controller, address, "room_temperature"), {}}};
}

} // namespace bridge
