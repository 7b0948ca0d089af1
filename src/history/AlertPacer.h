#pragma once

#include "history/FaultTransitions.h"

#include <QString>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace history {

// Decides which fault transitions become a desktop notification: one per unit
// entering a fault, but a unit flapping in and out is announced at most once
// per interval. Also keeps the number of units in fault, for the tray tooltip.
class AlertPacer final
{
public:
    explicit AlertPacer(qint64 intervalMs) : intervalMs(intervalMs) {}

    // True when this transition deserves a notification now.
    bool notify(const QString &controller, const Transition &transition, qint64 nowMs);
    int faultCount() const { return int(inFault.size()); }

private:
    using Unit = std::pair<QString, int>;
    qint64 intervalMs;
    std::map<Unit, qint64> lastNotified;
    std::set<Unit> inFault;
};

// The faults that entered while the program runs and that the user has not yet
// acknowledged, oldest first; a fault that ends leaves the list by itself.
class OpenAlarms final
{
public:
    struct Alarm
    {
        QString controller;
        int addr = 0;
        QString name;
        quint64 code = 0;
    };

    // Entered adds (or updates) the unit; Cleared and Offline remove it.
    void apply(const QString &controller, const Transition &transition);
    void acknowledge() { alarms.clear(); }
    const std::vector<Alarm> &list() const { return alarms; }

private:
    std::vector<Alarm> alarms;
};

} // namespace history
