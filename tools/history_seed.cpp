// Gives the demo a past: two days of reloads every 30 s and four weeks of
// hourly rows for the units of the simulator's built-in demo controller, a few
// fault periods (the units in fault now among them, still open) and a few
// operations, in the history file of FOLDER. A file already there is left alone.
#include "Controller.h"
#include "HistoryGenerator.h"
#include "history/FaultTransitions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr qint64 Hour = 3600;
constexpr qint64 Day = 24 * Hour;

quint64 codeOf(const sim::Unit &unit)
{
    TunitRecord record;
    const QByteArray bytes = unit.statusBytes();
    for (int i = 0; i < bytes.size() && i < units::StatusBytes; ++i)
        record.buffer[size_t(i)] = quint8(bytes[i]);
    return history::faultCode(record);
}

history::generator::Plan demoPlan(const QString &controller, qint64 now)
{
    using history::Operation;
    const sim::Controller demo = sim::Controller::builtinDemo();
    history::generator::Plan plan;
    plan.controller = controller;
    plan.end = now - now % 30;
    plan.rawFrom = plan.end - 2 * Day;
    plan.hourlyFrom = plan.end - 30 * Day;
    const qint64 end = plan.end;
    qint64 openFor = 3 * Hour;
    for (const auto &[addr, unit] : demo.units) {
        plan.units.push_back(
            {addr, unit.name, unit.mode, unit.fan, unit.setTemp, units::halfDegree(unit.room)});
        // The units in fault now have been for a while: the first reload finds their faults open.
        if (unit.inFault()) {
            plan.faults.push_back({addr, end - openFor, 0, codeOf(unit)});
            plan.faults.push_back({addr, end - openFor - 14 * Hour, end - openFor - 11 * Hour, codeOf(unit)});
            openFor += 23 * Hour;
        }
    }
    const auto past = [&plan, &demo, end](int addr, qint64 agoStart, qint64 agoEnd, quint64 code) {
        if (demo.units.count(addr))
            plan.faults.push_back({addr, end - agoStart, end - agoEnd, code});
    };
    const quint64 e1 = 0x02; // what the demo's toggled unit shows
    past(3, 20 * Hour, 19 * Hour + 15 * 60, e1);
    past(3, 9 * Hour, 8 * Hour + 30 * 60, e1);
    past(3, 2 * Hour, 1 * Hour + 50 * 60, e1);
    past(0, 30 * Hour, 28 * Hour, 0x08);                    // E3
    past(8, 5 * Day, 4 * Day + 18 * Hour, 0x10ULL << 16);   // P4
    past(17, 12 * Day, 11 * Day + 20 * Hour, 0x02ULL << 8); // E9
    past(1, 22 * Day, 21 * Day + 22 * Hour, 0x02ULL << 32); // 1#
    plan.operations = {
        {end - 23 * Hour, Operation::Schedule, {4}, QStringLiteral("12 entries"), true},
        {end - 20 * Hour - 1800, Operation::Setting, {7}, QStringLiteral("31"), true},
        {end - 8 * Hour, Operation::Setting, {17}, QStringLiteral("35 Suite 102"), true},
        {end - 6 * Hour, Operation::Options, {}, QStringLiteral("69 on"), true},
        {end - Hour, Operation::Setting, {2}, QStringLiteral("32"), false},
    };
    return plan;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3 || args[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: brezzano-history-seed FOLDER [CONTROLLER]\n"
                             "  writes a demo history for CONTROLLER (default 127.0.0.1) into FOLDER\n");
        return 2;
    }
    const QString folder = args[1];
    const QString controller = args.value(2, QStringLiteral("127.0.0.1"));
    const QString file = history::HistoryStore::fileNameIn(folder);
    if (QFileInfo::exists(file)) {
        std::printf("%s is there already: left alone\n", qPrintable(file));
        return 0;
    }
    const history::generator::Plan plan = demoPlan(controller, QDateTime::currentSecsSinceEpoch());
    const QString failure = history::generator::write(folder, plan);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "could not write %s: %s\n", qPrintable(file), qPrintable(failure));
        return 1;
    }
    std::printf("Wrote a demo history: %s (%d units of %s, 2 days of reloads, 4 weeks of hourly rows, "
                "%d fault periods, %d operations)\n",
                qPrintable(file), int(plan.units.size()), qPrintable(controller), int(plan.faults.size()),
                int(plan.operations.size()));
    return 0;
}
