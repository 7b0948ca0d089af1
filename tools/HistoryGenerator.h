#pragma once

#include "history/HistoryStore.h"

#include <QList>
#include <QString>

#include <vector>

// Generated history for one controller, written straight into the history
// file: for the benchmark's year and for the demo's days.
namespace history::generator {

struct Unit
{
    int addr = 0;
    QString name;
    int mode = 0x88; // on, cooling
    int fan = 0x80;  // automatic
    int setTemp = 22;
    double room = 22; // the day's middle: the room swings two degrees either side of it
};

struct Fault
{
    int addr = 0;
    qint64 start = 0; // seconds since the epoch
    qint64 end = 0;   // 0: still in fault
    quint64 code = 0; // as history::faultCode packs the five fault bytes
};

struct OperationEntry
{
    qint64 time = 0;
    Operation what = Operation::Setting;
    QList<int> units;
    QString values;
    bool taken = true;
};

struct Plan
{
    QString controller;
    std::vector<Unit> units;
    qint64 hourlyFrom = 0; // hourly rows from here (on the hour) up to rawFrom
    qint64 rawFrom = 0;    // a reload every 30 s from here up to end
    qint64 end = 0;
    std::vector<Fault> faults;
    std::vector<OperationEntry> operations;
};

// Writes `plan` into the history file in `folder`, whose schema the store
// makes; an existing file keeps what it holds. Returns why it failed, empty on success.
QString write(const QString &folder, const Plan &plan);

// The benches' year ending at `end` (on the hour): `units` units, hourly rows for eleven
// months and a reload every 30 s for the last 31 days, each unit in fault for two hours twice a
// week, four units in fault now, one operation.
Plan benchYear(const QString &controller, qint64 end, int units);

} // namespace history::generator
