#pragma once

#include "history/HistoryStore.h"

#include <QList>
#include <QString>

namespace history {

// One unit over a range: its faults by code and the time it ran.
struct UnitSummary
{
    QString controller;
    int addr = 0;
    QString name;
    struct ByCode
    {
        quint64 code = 0;
        int count = 0;
        qint64 secs = 0; // in fault within the range
    };
    QList<ByCode> codes; // the codes in the order first met
    int faults = 0;
    qint64 faultSecs = 0;
    qint64 runSecs = -1; // -1: no samples of the range
};

// Sums `faults` (as HistoryStore::faults gives them for [from, to)) per unit and code,
// each fault's time clipped to the range, an open one counted up to `now`; `runSecs`
// (from HistoryStore::runSeconds) joins them. `code` not empty keeps only the faults
// whose codes include it ("E1"). Units in fault first, the longest first.
QList<UnitSummary> summarize(const QList<FaultPeriod> &faults, const QList<UnitRun> &runs,
                             const QDateTime &from, const QDateTime &to, const QDateTime &now,
                             const QString &code = {});

} // namespace history
