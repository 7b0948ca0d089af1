#include "history/AlertPacer.h"
#include "history/FaultTransitions.h"
#include "history/HistorySummary.h"
#include "history/HistoryTexts.h"

#include <QTest>

using history::Change;

namespace {

constexpr int Unit = 3;

QString changeName(Change change)
{
    switch (change) {
    case Change::Entered:
        return QStringLiteral("Entered");
    case Change::Cleared:
        return QStringLiteral("Cleared");
    case Change::Offline:
        return QStringLiteral("Offline");
    case Change::Online:
        return QStringLiteral("Online");
    }
    return QString();
}

// One reload as the link leaves the tables: "off" (not in the online list),
// "ok" (online, no fault) or the unit's five fault bytes in hexadecimal, byte 16 lowest.
history::ControllerState reload(const QString &token)
{
    UnitTable units{};
    OnlineTable online{};
    if (token != QLatin1String("off")) {
        online[Unit] = 1;
        const quint64 code = token == QLatin1String("ok") ? 0 : token.toULongLong(nullptr, 16);
        for (int i = 0; i < 5; ++i)
            units[Unit].buffer[size_t(units::FirstFaultByte + i)] = quint8(code >> (8 * i));
    }
    return history::controllerState(units, online);
}

} // namespace

class TestTransitions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transitions_data()
    {
        QTest::addColumn<QString>("reloads"); // "-": the controller could not be reached
        QTest::addColumn<QString>("expected");
        QTest::newRow("enter") << "ok ok 2"
                               << "Entered E1";
        QTest::newRow("a fault is announced once while it lasts") << "2 2 2"
                                                                  << "Entered E1";
        QTest::newRow("leave") << "2 ok"
                               << "Entered E1, Cleared E1";
        QTest::newRow("flap") << "ok 2 ok 2"
                              << "Entered E1, Cleared E1, Entered E1";
        QTest::newRow("another code") << "2 10006"
                                      << "Entered E1, Cleared E1, Entered E1 E2 P0";
        QTest::newRow("offline in fault is not cleared") << "2 off"
                                                         << "Entered E1, Offline E1";
        QTest::newRow("back online still in fault") << "2 off 2"
                                                    << "Entered E1, Offline E1, Online, Entered E1";
        QTest::newRow("back online healthy") << "off ok off ok"
                                             << "Online, Offline, Online";
        QTest::newRow("unreachable changes nothing") << "2 - 2 - ok"
                                                     << "Entered E1, Cleared E1";
    }
    void transitions()
    {
        QFETCH(QString, reloads);
        QFETCH(QString, expected);
        history::ControllerState last{};
        QStringList seen;
        for (const QString &token : reloads.split(QLatin1Char(' '))) {
            if (token == QLatin1String("-"))
                continue;
            const history::ControllerState now = reload(token);
            for (const history::Transition &t : history::faultTransitions(last, now)) {
                QCOMPARE(t.addr, Unit);
                const QString code = history::faultCodeText(t.code);
                seen << (code.isEmpty() ? changeName(t.change)
                                        : changeName(t.change) + QLatin1Char(' ') + code);
            }
            last = now;
        }
        QCOMPARE(seen.join(QLatin1String(", ")), expected);
    }

    void alerts_data()
    {
        QTest::addColumn<QString>("events"); // seconds:change+address, E entered, C cleared, O offline
        QTest::addColumn<QString>("notified");
        QTest::addColumn<int>("count");
        QTest::newRow("one per transition") << "0:E3 5:E4"
                                            << "y y" << 2;
        QTest::newRow("flapping within a minute once") << "0:E3 10:C3 20:E3 30:C3 59:E3"
                                                       << "y - n - n" << 1;
        QTest::newRow("again after a minute") << "0:E3 10:C3 60:E3"
                                              << "y - y" << 1;
        QTest::newRow("offline leaves the count") << "0:E3 1:E4 2:O3"
                                                  << "y y -" << 1;
    }
    void alerts()
    {
        QFETCH(QString, events);
        QFETCH(QString, notified);
        QFETCH(int, count);
        history::AlertPacer pacer(60000);
        QStringList seen;
        for (const QString &event : events.split(QLatin1Char(' '))) {
            const QStringList parts = event.split(QLatin1Char(':'));
            history::Transition t;
            t.addr = parts[1].mid(1).toInt();
            t.change = parts[1][0] == QLatin1Char('E')   ? Change::Entered
                       : parts[1][0] == QLatin1Char('C') ? Change::Cleared
                                                         : Change::Offline;
            const bool shown = pacer.notify(QStringLiteral("c"), t, parts[0].toLongLong() * 1000);
            seen << (t.change != Change::Entered ? QStringLiteral("-")
                     : shown                     ? QStringLiteral("y")
                                                 : QStringLiteral("n"));
        }
        QCOMPARE(seen.join(QLatin1Char(' ')), notified);
        QCOMPARE(pacer.faultCount(), count);
    }

    // The fault as the panel words it, from the code the history keeps.
    void faultTexts_data()
    {
        QTest::addColumn<quint64>("code"); // five fault bytes, byte 16 lowest
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one code") << quint64(0x02) << 0 << "Error code : E1";
        QTest::newRow("Italian") << quint64(0x05) << 1 << "Codice errore : E0 E2";
        QTest::newRow("every byte, in the panel's order")
            << quint64(0x0401800180) << 0 << "Error code : E7 E8 P7 P8 2#";
        QTest::newRow("an unknown language is English") << quint64(0x10) << 5 << "Error code : E4";
    }
    void faultTexts()
    {
        QFETCH(quint64, code);
        QFETCH(int, lang);
        QFETCH(QString, expected);
        QCOMPARE(history::faultText(code, lang), expected);
    }

    void faultCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << 0 << 0 << "0 units in fault";
        QTest::newRow("one") << 1 << 0 << "1 unit in fault";
        QTest::newRow("three") << 3 << 0 << "3 units in fault";
        QTest::newRow("one, in Italian") << 1 << 1 << "1 unità in errore";
        QTest::newRow("three, in Italian") << 3 << 1 << "3 unità in errore";
    }
    void faultCounts()
    {
        QFETCH(int, count);
        QFETCH(int, lang);
        QFETCH(QString, expected);
        QCOMPARE(history::faultCountText(count, lang), expected);
    }

    // An operation as stored, then as the History window words it.
    void operationTexts_data()
    {
        QTest::addColumn<QString>("stored"); // what|values
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a name") << "setting|35 Suite 102" << 0 << "Unit setting: name (Suite 102)";
        QTest::newRow("a switch, in Italian")
            << "options|69 on" << 1 << "Opzioni centrale: allarme sonoro (sì)";
        QTest::newRow("a code alone") << "setting|32" << 0 << "Unit setting: remote control unlocked";
        QTest::newRow("a schedule") << "schedule|12 entries" << 1 << "Programma settimanale: 12 commutazioni";
        QTest::newRow("no values") << "password|" << 1 << "Cambio password";
        QTest::newRow("an unknown code as stored") << "setting|99 x" << 0 << "Unit setting: 99 x";
        QTest::newRow("a status write in words")
            << "setting|33 88 04 18 00 00 04 11 1e 01" << 0
            << "Unit setting: mode, fan and temperatures (Cooling, fan speed Low, set temperature 24 °C "
               "(17 – 30 °C), motorized flap on, schedulings on)";
        QTest::newRow("bytes that are not a status write stay as stored")
            << "setting|33 88 04" << 0 << "Unit setting: mode, fan and temperatures (88 04)";
        QTest::newRow("an unknown kind as stored") << "later|1 2" << 0 << "later: 1 2";
    }
    void operationTexts()
    {
        QFETCH(QString, stored);
        QFETCH(int, lang);
        QFETCH(QString, expected);
        QCOMPARE(history::operationText(stored.section(QLatin1Char('|'), 0, 0),
                                        stored.section(QLatin1Char('|'), 1), lang),
                 expected);
    }

    // Faults summed per unit and code over a range: clipped to it, an open one up to now,
    // a code filter keeping the faults that include the code.
    void summary_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected"); // unit:faults:secs[:code=count/secs...] per unit
        QTest::newRow("all codes") << QString() << "3:2:5400:E1=1/1800:E1 P2=1/3600 5:1:600:E3=1/600";
        QTest::newRow("one code") << "P2"
                                  << "3:1:3600:E1 P2=1/3600";
    }
    void summary()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        const QDateTime from = QDateTime(QDate(2026, 12, 1), QTime(0, 0), Qt::UTC);
        const QDateTime to = from.addDays(1);
        const QDateTime now = to.addSecs(-600);
        const auto fault = [&](int addr, qint64 startSecs, qint64 endSecs, quint64 key) {
            history::FaultPeriod f;
            f.controller = QStringLiteral("c");
            f.addr = addr;
            f.start = from.addSecs(startSecs);
            f.end = endSecs < 0 ? QDateTime() : from.addSecs(endSecs);
            f.code = key;
            return f;
        };
        const QList<history::FaultPeriod> faults = {
            fault(3, -1800, 1800, 0x02),                      // began before the range: half of it counts
            fault(3, 7200, 10800, 0x02 | (quint64(4) << 16)), // E1 and P2
            fault(5, 86400 - 1200, -1, 0x08),                 // still open: up to now
        };
        QStringList got;
        for (const history::UnitSummary &unit : history::summarize(faults, {}, from, to, now, code)) {
            QString line = QStringLiteral("%1:%2:%3").arg(unit.addr).arg(unit.faults).arg(unit.faultSecs);
            for (const auto &c : unit.codes)
                line +=
                    QStringLiteral(":%1=%2/%3").arg(history::faultCodeText(c.code)).arg(c.count).arg(c.secs);
            got << line;
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }
};

QTEST_APPLESS_MAIN(TestTransitions)
#include "tst_transitions.moc"
