#include "history/AlertPacer.h"

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

} // namespace history
