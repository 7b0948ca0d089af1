#pragma once

#include "units/Setting.h"
#include "units/UnitTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <vector>

// What the bridge publishes, as pure functions of a unit's record: the state
// message, the Home Assistant discovery configs and their removal.
namespace bridge {

struct Topics
{
    QString prefix = QStringLiteral("brezzano");
    QString discoveryPrefix = QStringLiteral("homeassistant");
    QString bridgeId = QStringLiteral("bridge");

    QString bridgeAvailability() const;                         // <prefix>/bridge/<id>/availability
    QString bridgeError() const;                                // <prefix>/bridge/<id>/error
    QString birth() const;                                      // <discovery prefix>/status
    QString availability(const QString &controller) const;      // <prefix>/<controller>/availability
    QString unit(const QString &controller, int address) const; // <prefix>/<controller>/<address>
    QString state(const QString &controller, int address) const;
    QString error(const QString &controller, int address) const;
    QString command(const QString &controller, int address, const QString &field) const; // .../set/<field>
};

// Mode and fan as Home Assistant names them; an empty string for a byte that
// none of them describes.
QString modeName(quint8 modeByte);
QString fanName(quint8 fanByte); // "very_low" too, which the controller cannot be told
// The other way: setting::modeButton / setting::fanButton of a name, -1 for none.
int modeButtonNamed(const QString &name);
int fanButtonNamed(const QString &name);

struct Limits
{
    int tmin = setting::MinTemp;
    int tmax = setting::MaxTemp;
};
// The unit's own limits, or the widest the controller allows while it has reported none.
Limits unitLimits(const TunitRecord &unit);

// The mode byte that turns a unit on or off and keeps its mode: off clears bit 7 alone;
// on resumes the mode bits the unit keeps while off, else `remembered` (the mode byte
// last seen on, 0 for none), else auto.
quint8 powerMode(quint8 modeByte, bool on, quint8 remembered);

// The state without its time, so that two readings compare equal when nothing changed.
QJsonObject stateObject(const TunitRecord &unit, int address);
// The retained state message: stateObject plus "time" (ISO 8601, UTC), which no
// entity's attributes show (each new time would be a new row in Home Assistant's recorder).
QByteArray statePayload(const QJsonObject &state, const QDateTime &readAt);

// The controller as Home Assistant shows it.
struct ControllerInfo
{
    QString id;   // the topic segment
    QString name; // shown to people
};

struct Message
{
    QString topic;
    QByteArray payload; // retained; empty removes a discovery config
};

// Device-based discovery: one config per device with its components.
// The controller's own device: a connectivity sensor that follows its availability.
Message controllerDiscovery(const Topics &topics, const ControllerInfo &controller);
// Per unit one device: a climate entity, fault, room and pipe temperature sensors, and
// switches for the remote-control lock and the weekly schedule.
Message unitDiscovery(const Topics &topics, const ControllerInfo &controller, const TunitRecord &unit,
                      int address);
// The empty retained payload that removes the unit's device.
Message unitRemoval(const Topics &topics, const QString &controller, int address);
// Empty retained payloads on the single-component topics that earlier versions used,
// so that an upgrade leaves no second set of entities behind.
std::vector<Message> legacyRemoval(const Topics &topics, const QString &controller, int address);

} // namespace bridge
