#include "history/AlertPacer.h"

#include <algorithm>

namespace history {

bool AlertPacer::notify(const QString &controller, const Transition &transition, qint64 nowMs)
{
    const Unit unit{controller, transition.addr};
    switch (transition.change) {
    case Change::Cleared:
    case Change::Offline:
        inFault.erase(unit);
        return false;
    case Change::Online:
        return false;
    case Change::Entered:
        break;
    }
    inFault.insert(unit);
    const auto last = lastNotified.find(unit);
    if (last != lastNotified.end() && nowMs - last->second < intervalMs)
        return false;
    lastNotified[unit] = nowMs;
    return true;
}

void OpenAlarms::apply(const QString &controller, const Transition &transition)
{
    const auto same = std::find_if(alarms.begin(), alarms.end(), [&](const Alarm &a) {
        return a.controller == controller && a.addr == transition.addr;
    });
    if (transition.change == Change::Entered) {
        if (same != alarms.end())
            same->code = transition.code;
        else
            alarms.push_back({controller, transition.addr, transition.name, transition.code});
    } else if (transition.change != Change::Online && same != alarms.end()) {
        alarms.erase(same);
    }
}

} // namespace history
