#pragma once

#include "units/UnitTable.h"

#include <QString>

#include <array>
#include <vector>

namespace history {

// What a reload said about one address.
struct UnitState
{
    enum class Presence { Unknown, Offline, Online };
    Presence presence = Presence::Unknown; // Unknown: no reload of this controller seen yet
    quint64 code = 0;                      // the five fault bytes, byte 16 lowest; 0: no fault
    QString name;
};
using ControllerState = std::array<UnitState, PanelUnits>;

// Stored by number: keep the values.
enum class Change { Entered = 0, Cleared = 1, Offline = 2, Online = 3 };

struct Transition
{
    int addr = 0;
    Change change = Change::Entered;
    quint64 code = 0; // Entered: the new fault; Cleared and Offline: the fault that ended, if any
    QString name;
};

quint64 faultCode(const TunitRecord &unit);
// A record whose five fault bytes hold `code`, the rest zero.
TunitRecord faultRecord(quint64 code);
// The fault codes as the panel lists them, without its caption ("E1 P3").
QString faultCodeText(quint64 code);
// The fault as the panel's mode column shows it, in language `lang`: "Error code : E1 P3".
QString faultText(quint64 code, int lang);
// A unit as the History window and the chart name it: "12 Laundry", or "12" before a name is known.
QString unitLabel(int addr, const QString &name);

ControllerState controllerState(const UnitTable &units, const OnlineTable &online);

// What changed between two consecutive reloads of one controller. A controller
// that could not be reached has no reload: compare the next one with the last
// one recorded, so an outage never reads as faults cleared. A unit that leaves
// the online list goes Offline, never Cleared; a changed code is Cleared then Entered.
std::vector<Transition> faultTransitions(const ControllerState &before, const ControllerState &after);

} // namespace history
