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

    QString bridgeAvailability() const;                         // <prefix>/bridge/availability
    QString availability(const QString &controller) const;      // <prefix>/<controller>/availability
    QString unit(const QString &controller, int address) const; // <prefix>/<controller>/<address>
    QString state(const QString &controller, int address) const;
    QString error(const QString &controller, int address) const;
    QString command(const QString &controller, int address, const QString &field) const; // .../set/<field>
};

// Mode and fan as Home Assistant names them; an empty string for a byte that
// none of them describes.
QString modeName(quint8 modeByte);
QString fanName(quint8 fanByte); // "very_low" too, which cannot be set from here
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

// The state without its time, so that two readings compare equal when nothing changed.
QJsonObject stateObject(const TunitRecord &unit, int address);
// The retained state message: stateObject plus "time" (ISO 8601, UTC).
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

// The controller's own device: a connectivity sensor that follows its availability.
Message controllerDiscovery(const Topics &topics, const ControllerInfo &controller);
// Per unit a climate entity, a fault sensor and a room temperature sensor.
std::vector<Message> unitDiscovery(const Topics &topics, const ControllerInfo &controller,
                                   const TunitRecord &unit, int address);
// Empty retained payloads on the topics unitDiscovery uses.
std::vector<Message> unitRemoval(const Topics &topics, const QString &controller, int address);

} // namespace bridge
