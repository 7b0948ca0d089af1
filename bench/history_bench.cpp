// How fast the history records a reload and answers the History window and the
// chart after a year: one reload of 64 units recorded (median of 50), then a
// generated year of one controller with 64 units reloaded every 30 s (bulk
// inserted: hourly rows for the months the retention has rolled up, raw samples
// for the last 31 days, whose oldest day the real retention then rolls up),
// its file size and the times of a unit's 30-day series and of the fault list.
#include "HistoryGenerator.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Units = 64;
constexpr int Reloads = 50;
constexpr int Runs = 5;
const QString Controller = QStringLiteral("127.0.0.1");

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double msOf(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTimeUtc();

    {
        history::HistoryStore store;
        if (!store.open(dir.path()))
            return 1;
        UnitTable units{};
        OnlineTable online{};
        for (int adr = 0; adr < Units; ++adr) {
            online[size_t(adr)] = 1;
            units[size_t(adr)].name = QStringLiteral("Unit %1").arg(adr);
            units[size_t(adr)].buffer[units::ModeByte] = 136;
            units[size_t(adr)].buffer[units::SetTempByte] = 24;
        }
        std::vector<double> times;
        for (int i = 0; i < Reloads; ++i) {
            for (int adr = 0; adr < Units; ++adr) {
                units[size_t(adr)].buffer[units::RoomTempByte] = quint8(80 + (i + adr) % 10);
                units[size_t(adr)].buffer[units::FirstFaultByte] = quint8((i / 10 + adr) % 7 == 0 ? 2 : 0);
            }
            times.push_back(
                msOf([&] { store.recordReload(now.addSecs(30 * i), Controller, units, online); }));
        }
        if (!store.isOn())
            return 1;
        std::printf("one reload of %d units recorded: median %.2f ms of %d (goal < 5 ms)\n", Units,
                    median(times), Reloads);
    }

    // A fresh file for the year.
    QTemporaryDir yearDir;
    const qint64 end = now.toSecsSinceEpoch() - now.toSecsSinceEpoch() % 3600;
    const history::generator::Plan plan = history::generator::benchYear(Controller, end, Units);
    QString failure;
    const double generated = msOf([&] { failure = history::generator::write(yearDir.path(), plan); });
    if (!failure.isEmpty()) {
        std::printf("generation failed: %s\n", qPrintable(failure));
        return 1;
    }

    history::HistoryStore store;
    if (!store.open(yearDir.path()))
        return 1;
    const double retention = msOf([&] {
        store.applyRetention(QDateTime::fromSecsSinceEpoch(end, Qt::UTC),
                             history::HistoryStore::DefaultRawDays);
    });
    std::vector<double> series, buckets, hours, faults, unitFaults;
    qsizetype points = 0, bucketPoints = 0, hourPoints = 0, listed = 0;
    const QDateTime to = QDateTime::fromSecsSinceEpoch(end, Qt::UTC);
    for (int run = 0; run < Runs; ++run) {
        series.push_back(msOf([&] { points = store.series(Controller, 17, to.addDays(-30), to).size(); }));
        buckets.push_back(
            msOf([&] { bucketPoints = store.series(Controller, 17, to.addDays(-30), to, 600).size(); }));
        // What the chart's "Last 30 days" asks for.
        hours.push_back(
            msOf([&] { hourPoints = store.series(Controller, 17, to.addDays(-30), to, 3600).size(); }));
        faults.push_back(msOf([&] { listed = store.faults({}).size(); }));
        unitFaults.push_back(msOf([&] { store.faults({Controller, 17, to.addDays(-30), to}); }));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("size"));
        db.setDatabaseName(history::HistoryStore::fileNameIn(yearDir.path()));
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("size"));
    if (!store.isOn())
        return 1;
    const double mib = QFileInfo(history::HistoryStore::fileNameIn(yearDir.path())).size() / 1048576.0;
    std::printf("a year of %d units every 30 s: generated in %.1f s, file %.0f MiB\n", Units,
                generated / 1000, mib);
    std::printf("  retention rolling up one day of raw samples: %.0f ms\n", retention);
    std::printf("  a unit's 30-day series (%lld points): median %.0f ms of %d (goal < 200 ms)\n",
                static_cast<long long>(points), median(series), Runs);
    std::printf("  the same in 10-minute spans (%lld points): median %.0f ms of %d\n",
                static_cast<long long>(bucketPoints), median(buckets), Runs);
    std::printf("  the same in the 30-day chart's 1-hour spans (%lld points): median %.0f ms of %d\n",
                static_cast<long long>(hourPoints), median(hours), Runs);
    std::printf("  the fault list (%lld faults): median %.0f ms of %d (goal < 100 ms)\n",
                static_cast<long long>(listed), median(faults), Runs);
    std::printf("  a unit's faults over 30 days: median %.1f ms of %d\n", median(unitFaults), Runs);
    // The first reload after a week closed: seven days to roll up, a step between the window's events.
    double longestStep = 0, allSteps = 0;
    int steps = 0;
    const QDateTime weekLater = to.addDays(7);
    for (bool more = true; more;) {
        const double ms =
            msOf([&] { more = store.rollUpStep(weekLater, history::HistoryStore::DefaultRawDays); });
        longestStep = std::max(longestStep, ms);
        allSteps += ms;
        ++steps;
    }
    std::printf("  a week closed: %d roll-up steps, %.0f ms in all, the longest %.0f ms (goal < 100 ms)\n",
                steps, allSteps, longestStep);
    return 0;
}
