#include "history/HistorySummary.h"

#include "history/FaultTransitions.h"

#include <algorithm>

namespace history {

namespace {

UnitSummary &unitOf(QList<UnitSummary> &out, const QString &controller, int addr, const QString &name)
{
    for (UnitSummary &unit : out)
        if (unit.controller == controller && unit.addr == addr)
            return unit;
    out.append(UnitSummary{controller, addr, name, {}, 0, 0, -1});
    return out.last();
}

} // namespace

QList<UnitSummary> summarize(const QList<FaultPeriod> &faults, const QList<UnitRun> &runs,
                             const QDateTime &from, const QDateTime &to, const QDateTime &now,
                             const QString &code)
{
    QList<UnitSummary> out;
    for (const FaultPeriod &fault : faults) {
        if (!code.isEmpty() && !faultCodeText(fault.code).split(QLatin1Char(' ')).contains(code))
            continue;
        const QDateTime end = fault.end.isValid() ? fault.end : now;
        const QDateTime start = from.isValid() ? std::max(fault.start, from) : fault.start;
        const qint64 secs = std::max<qint64>(0, start.secsTo(to.isValid() ? std::min(end, to) : end));
        UnitSummary &unit = unitOf(out, fault.controller, fault.addr, fault.name);
        ++unit.faults;
        unit.faultSecs += secs;
        auto same = std::find_if(unit.codes.begin(), unit.codes.end(),
                                 [&fault](const UnitSummary::ByCode &c) { return c.code == fault.code; });
        if (same == unit.codes.end()) {
            unit.codes.append({fault.code, 0, 0});
            same = unit.codes.end() - 1;
        }
        ++same->count;
        same->secs += secs;
    }
    // With a code chosen, only the units that had it.
    for (const UnitRun &run : runs) {
        const bool known = std::any_of(out.begin(), out.end(), [&run](const UnitSummary &u) {
            return u.controller == run.controller && u.addr == run.addr;
        });
        if (known || code.isEmpty())
            unitOf(out, run.controller, run.addr, run.name).runSecs = run.secs;
    }
    std::stable_sort(out.begin(), out.end(), [](const UnitSummary &a, const UnitSummary &b) {
        if (a.faultSecs != b.faultSecs)
            return a.faultSecs > b.faultSecs;
        return a.controller != b.controller ? a.controller < b.controller : a.addr < b.addr;
    });
    return out;
}

} // namespace history
