#pragma once

#include "units/UnitTable.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A change to one unit that names only some of its fields, for writes made
// without a person at the settings dialog: every field not named keeps exactly
// what the unit reported last, out-of-range values included, and nothing is
// clamped.
namespace unitchange {

struct Change
{
    std::optional<quint8> mode; // a value of setting::ModeValues
    std::optional<quint8> fan;  // a value of setting::FanValues, or units::FanVeryLow
    std::optional<int> setTemp; // whole degrees
    std::optional<int> tmin;
    std::optional<int> tmax;
    std::optional<bool> flap;
    std::optional<bool> schedule;
    std::optional<bool> remoteEnabled;
    std::optional<QString> name;

    // A field of the status write (request 33) is named.
    bool namesStatus() const { return mode || fan || setTemp || tmin || tmax || flap || schedule; }
    bool namesLock() const { return remoteEnabled.has_value(); }
    bool namesName() const { return name.has_value(); }
    bool isEmpty() const { return !namesStatus() && !namesLock() && !namesName(); }
    // `later` on top of this one: what it names wins.
    void merge(const Change &later);
};

// The limits a set temperature must lie within: the unit's own, or the widest the
// controller accepts while the unit reports none (or nonsense).
struct Limits
{
    int tmin = 0;
    int tmax = 0;
};
Limits unitLimits(const TunitRecord &unit);

// Why `change` cannot be written to `unit` as it reports itself now; empty when it can.
// In the language last loaded.
QString refusal(const TunitRecord &unit, const Change &change);

// Bytes 0 to 8 of the status write: what `unit` reports, with the fields `change` names replaced.
QByteArray statusBytes(const TunitRecord &unit, const Change &change);

// The named fields that `after` (the unit read back) does not show, as "temp=24, fan=auto";
// empty when it shows them all. `part` picks the fields: the status write's, the lock or the name.
enum class Part { Settings, Lock, Name };
QString differences(const TunitRecord &after, const Change &change, Part part);

} // namespace unitchange
