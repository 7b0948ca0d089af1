#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using history::HistoryStore;

Q_DECLARE_METATYPE(history::Failure)

namespace {

constexpr int Unit = 3;
const QString Controller = QStringLiteral("127.0.0.1");
const QDateTime Now(QDate(2026, 6, 30), QTime(12, 20), Qt::UTC); // not on the hour

// One reload with unit 3 online at the given room temperature code.
void reloadAt(HistoryStore &store, const QDateTime &time, int roomCode, int faultByte = 0)
{
    UnitTable units{};
    OnlineTable online{};
    online[Unit] = 1;
    units[Unit].buffer[units::RoomTempByte] = quint8(roomCode);
    units[Unit].buffer[units::SetTempByte] = 24;
    units[Unit].buffer[units::FirstFaultByte] = quint8(faultByte);
    store.recordReload(time, Controller, units, online);
}

QString seriesText(const QList<history::SeriesPoint> &points)
{
    QStringList out;
    for (const history::SeriesPoint &p : points) {
        const QString time = p.time.toString(QStringLiteral("MMdd-HHmm"));
        if (p.hourly)
            out << QStringLiteral("H%1 %2/%3/%4")
                       .arg(time)
                       .arg(p.roomMin)
                       .arg(p.room, 0, 'f', 2)
                       .arg(p.roomMax);
        else
            out << (p.roomMin == p.roomMax ? QStringLiteral("R%1 %2").arg(time).arg(p.room)
                                           : QStringLiteral("R%1 %2/%3/%4")
                                                 .arg(time)
                                                 .arg(p.roomMin)
                                                 .arg(p.room, 0, 'f', 2)
                                                 .arg(p.roomMax));
    }
    return out.join(QLatin1String(", "));
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Steps: "r <minutes before Now> <room code>" records a reload, "k" applies a 30-day retention.
    void retention_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("series");
        QTest::addColumn<int>("bucket"); // seconds; 0: raw samples as they are
        const int day = 24 * 60;
        QTest::newRow("old hours rolled up, recent samples kept")
            << QStringLiteral("r %1 80; r %2 84; r %3 90; r 60 86; k")
                   .arg(31 * day)
                   .arg(31 * day - 30)
                   .arg(31 * day - 60)
            << "H0530-1200 20/21.00/22, H0530-1300 25/25.00/25, R0630-1120 23" << 0;
        QTest::newRow("the hour holding the cut-off stays raw")
            << QStringLiteral("r %1 80; r %2 82; k").arg(30 * day + 21).arg(30 * day + 1)
            << "H0531-1100 20/20.00/20, R0531-1219 21" << 0;
        QTest::newRow("a late sample merges into its hour")
            << QStringLiteral("r %1 80; r %2 84; k; r %3 92; k")
                   .arg(31 * day)
                   .arg(31 * day - 10)
                   .arg(31 * day - 20)
            << "H0530-1200 20/22.67/26" << 0;
        QTest::newRow("raw samples in ten-minute spans")
            << QStringLiteral("r 45 80; r 41 84; r 39 90; r 31 86")
            << "R0630-1130 20/21.00/22, R0630-1140 23/24.00/25" << 600;
        QTest::newRow("nothing old: nothing rolled up")
            << QStringLiteral("r 60 86; k") << "R0630-1120 23" << 0;
    }
    void retention()
    {
        QFETCH(QString, steps);
        QFETCH(QString, series);
        QFETCH(int, bucket);
        QTemporaryDir dir;
        HistoryStore store;
        QVERIFY(store.open(dir.path()));
        reloadAt(store, Now.addDays(-300), 80, 2); // a fault and an operation, kept for ever
        reloadAt(store, Now.addDays(-300).addSecs(30), 80);
        QVERIFY(store.recordOperation(Now.addDays(-300), Controller, history::Operation::Setting, {Unit},
                                      QStringLiteral("24"), true));
        for (const QString &step : steps.split(QLatin1String("; "))) {
            const QStringList parts = step.split(QLatin1Char(' '));
            if (parts[0] == QLatin1String("k"))
                QVERIFY(store.applyRetention(Now, HistoryStore::DefaultRawDays));
            else
                reloadAt(store, Now.addSecs(-60 * parts[1].toLongLong()), parts[2].toInt());
        }
        QCOMPARE(seriesText(store.series(Controller, Unit, Now.addDays(-40), Now, bucket)), series);
        QCOMPARE(store.faults({}).size(), 1);
        QCOMPARE(store.operations({}).size(), 1);
        QVERIFY(store.isOn());
    }

    // Reloads a minute apart (units 3 and 4: "ok", "off" or a fault byte) and
    // operations, then what the History lists show for a filter.
    void lists_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("addr");
        QTest::addColumn<int>("fromMinute"); // -1: no bound
        QTest::addColumn<int>("toMinute");
        QTest::addColumn<QString>("expected");
        QTest::newRow("faults: open first, then newest first")
            << "faults" << -1 << -1 << -1 << "4 E2 2-open, 3 E1 3-4 offline, 3 E1 0-1 cleared";
        QTest::newRow("faults of one unit")
            << "faults" << 3 << -1 << -1 << "3 E1 3-4 offline, 3 E1 0-1 cleared";
        QTest::newRow("faults overlapping a range")
            << "faults" << -1 << 1 << 2 << "4 E2 2-open, 3 E1 0-1 cleared";
        QTest::newRow("faults begun before a range, not those ended before it")
            << "faults" << -1 << 3 << 4 << "4 E2 2-open, 3 E1 3-4 offline";
        QTest::newRow("operations newest first")
            << "operations" << -1 << -1 << -1 << "password(), setting(14), setting(4 13), setting(3)";
        QTest::newRow("operations of unit 3, not 13") << "operations" << 3 << -1 << -1 << "setting(3)";
        QTest::newRow("operations in a range") << "operations" << -1 << 1 << 1 << "setting(4 13)";
    }
    void lists()
    {
        QFETCH(QString, list);
        QFETCH(int, addr);
        QFETCH(int, fromMinute);
        QFETCH(int, toMinute);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        HistoryStore store;
        QVERIFY(store.open(dir.path()));
        const QStringList reloads = {"2 ok", "ok ok", "ok 4", "2 4", "off 4"};
        for (int minute = 0; minute < reloads.size(); ++minute) {
            UnitTable units{};
            OnlineTable online{};
            const QStringList states = reloads[minute].split(QLatin1Char(' '));
            for (int i = 0; i < 2; ++i) {
                online[size_t(Unit + i)] = states[i] != QLatin1String("off");
                units[size_t(Unit + i)].buffer[units::FirstFaultByte] = quint8(states[i].toInt());
            }
            store.recordReload(Now.addSecs(60 * minute), Controller, units, online);
        }
        const QList<QList<int>> operated = {{3}, {4, 13}, {14}};
        for (int minute = 0; minute < operated.size(); ++minute)
            store.recordOperation(Now.addSecs(60 * minute), Controller, history::Operation::Setting,
                                  operated[minute], QString(), true);
        store.recordPasswordChange(Now.addSecs(60 * operated.size()), Controller, false);
        const auto minuteOf = [](const QDateTime &t) { return QString::number(Now.secsTo(t) / 60); };
        history::Filter filter{Controller, addr, QDateTime(), QDateTime()};
        if (fromMinute >= 0)
            filter = {Controller, addr, Now.addSecs(60 * fromMinute), Now.addSecs(60 * toMinute)};
        QStringList seen;
        if (list == QLatin1String("faults")) {
            for (const history::FaultPeriod &f : store.faults(filter))
                seen << QStringLiteral("%1 %2 %3-%4")
                            .arg(f.addr)
                            .arg(f.text, minuteOf(f.start))
                            .arg(f.end.isValid() ? minuteOf(f.end) + (f.endedBy == history::Change::Offline
                                                                          ? QStringLiteral(" offline")
                                                                          : QStringLiteral(" cleared"))
                                                 : QStringLiteral("open"));
        } else {
            for (const history::OperationRecord &op : store.operations(filter)) {
                QStringList units;
                for (int u : op.units)
                    units << QString::number(u);
                seen << QStringLiteral("%1(%2)").arg(op.what, units.join(QLatin1Char(' ')));
            }
        }
        QCOMPARE(seen.join(QLatin1String(", ")), expected);
    }

    // A fault open when the program stopped is the same fault after a restart.
    void restartKeepsFaultsOpen()
    {
        QTemporaryDir dir;
        for (int run = 0; run < 2; ++run) {
            HistoryStore store;
            QVERIFY(store.open(dir.path()));
            reloadAt(store, Now.addSecs(60 * run), 80, 2);
            const QList<history::FaultPeriod> faults = store.faults({});
            QCOMPARE(faults.size(), 1);
            QVERIFY(!faults[0].end.isValid());
        }
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("failure"); // history::Failure; 0: the store works
        QTest::newRow("read-only folder") << "read-only" << int(history::Failure::CannotOpen);
        QTest::newRow("the file's name taken by a folder") << "folder" << int(history::Failure::CannotOpen);
        QTest::newRow("corrupt file moved aside") << "corrupt" << 0;
        QTest::newRow("full disk") << "full" << int(history::Failure::DiskFull);
    }
    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(int, failure);
        QTemporaryDir dir;
        const QString path = HistoryStore::fileNameIn(dir.path());
        const QByteArray garbage(5000, '\x5a');
        if (kind == QLatin1String("read-only")) {
            if (geteuid() == 0)
                QSKIP("permissions do not bind root");
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("brezzano-history.sqlite")));
        } else if (kind == QLatin1String("corrupt")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        HistoryStore store;
        QSignalSpy off(&store, &HistoryStore::turnedOff);
        // 44 KiB: a page beyond the empty schema, so the disk fills while recording.
        store.open(dir.path(), kind == QLatin1String("full") ? 44 * 1024 : 0);
        if (kind == QLatin1String("full"))
            QVERIFY(store.isOn());
        // The caller goes on reloading whatever happens.
        for (int i = 0; i < 200; ++i)
            reloadAt(store, Now.addSecs(30 * i), 80 + i % 8, i % 2);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(int(store.failure()), failure);
        QCOMPARE(off.size(), failure == 0 ? 0 : 1);
        QCOMPARE(store.isOn(), failure == 0);
        if (failure != 0) {
            QVERIFY(!store.recordPasswordChange(Now, Controller, true));
            QCOMPARE(off.size(), 1);
        }
        if (kind == QLatin1String("full")) {
            // What was recorded before the disk filled is still listed, and recording
            // resumes by itself once there is room.
            QVERIFY(!store.faults({}).isEmpty());
            QSignalSpy on(&store, &HistoryStore::turnedOn);
            store.setSizeLimit(0);
            store.retry();
            reloadAt(store, Now.addDays(1), 80, 0);
            QVERIFY(store.isOn());
            QCOMPARE(on.size(), 1);
            QCOMPARE(int(store.failure()), 0);
        }
        if (kind == QLatin1String("corrupt")) {
            QFile aside(store.movedAside());
            QVERIFY(aside.open(QIODevice::ReadOnly));
            QCOMPARE(aside.readAll(), garbage);
            QCOMPARE(store.series(Controller, Unit, Now, Now.addDays(1)).size(), 200);
        }
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
