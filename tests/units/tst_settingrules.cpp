// What the unit settings dialog sends, without its widgets: the update buffer,
// the buttons a status byte presses, and the tasks of each kind of sending.
#include "shell/Texts.h"
#include "units/Setting.h"
#include "units/UnitChange.h"

#include <QTest>

class TestSettingRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void updateBuffer_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("fan");
        QTest::addColumn<int>("tmin");
        QTest::addColumn<int>("tmax");
        QTest::addColumn<int>("set");
        QTest::addColumn<bool>("flap");
        QTest::addColumn<bool>("schedule");
        QTest::addColumn<QByteArray>("bytes"); // 0 to 8

        QTest::newRow("set raised to the minimum")
            << 2 << 1 << 25 << 28 << 20 << false << false << QByteArray::fromHex("880419000000191c00");
        QTest::newRow("minimum above maximum ends at the maximum") << 0 << 0 << 28 << 20 << 24 << true << true
                                                                   << QByteArray::fromHex("008014000004"
                                                                                          "1c1401");
        QTest::newRow("no button down sends zeros")
            << -1 << -1 << 17 << 30 << 22 << false << false << QByteArray::fromHex("000016000000111e00");
        QTest::newRow("heating high flap")
            << 3 << 3 << 17 << 30 << 30 << true << false << QByteArray::fromHex("84011e000004111e00");
    }

    void updateBuffer()
    {
        QFETCH(int, mode);
        QFETCH(int, fan);
        QFETCH(int, tmin);
        QFETCH(int, tmax);
        QFETCH(int, set);
        QFETCH(bool, flap);
        QFETCH(bool, schedule);
        QFETCH(QByteArray, bytes);
        setting::Controls c{mode, fan,      tmin, tmax, setting::correctedSetTemp(set, tmin, tmax),
                            flap, schedule, false};
        QByteArray buffer(16, char(0x77));
        setting::fillUpdateBuffer(buffer, c);
        QCOMPARE(buffer.left(9).toHex(), bytes.toHex());
        QCOMPARE(int(buffer.at(9)), 0x77); // never written
        QCOMPARE(int(buffer.at(10)), 0);
        QCOMPARE(int(buffer.at(11)), 0x77);
    }

    void buttonsOfStatusBytes()
    {
        struct Row
        {
            int byte, mode, fan;
        };
        // Bits 5 and 6 of the mode byte and 4 to 6 of the fan byte do not count.
        const Row rows[] = {{0x08, 0, -1}, {0x88, 2, 0}, {0xE4, 3, 0}, {0x90, 1, 0}, {0x83, -1, 0},
                            {0x81, 5, 0},  {0x01, 0, 3}, {0x72, 0, 2}, {0x74, 0, 1}, {0x0B, 0, -1}};
        for (const Row &row : rows) {
            QCOMPARE(setting::modeButton(quint8(row.byte)), row.mode);
            QCOMPARE(setting::fanButton(quint8(row.byte)), row.fan);
        }
    }

    void settingTasks_data()
    {
        QTest::addColumn<int>("par");
        QTest::addColumn<QList<int>>("targets");
        QTest::addColumn<bool>("remote");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("tasks");

        QTest::newRow("one unit, remote on") << 1 << QList<int>{5} << true << 0 << "33@5 32@5 29@0";
        QTest::newRow("checked units, remote off")
            << 1 << QList<int>{3, 7} << false << 0 << "33@3 33@7 31@3 31@7 29@0";
        QTest::newRow("no checked unit refreshes only") << 1 << QList<int>{} << false << 0 << "29@0";
        QTest::newRow("name") << 2 << QList<int>{5} << false << 0 << "35@5 29@0";
        QTest::newRow("lock all remotes") << 3 << QList<int>{} << false << 0 << "36@0 29@0";
        QTest::newRow("unlock all remotes") << 4 << QList<int>{} << false << 0 << "37@0 29@0";
        QTest::newRow("all units") << 5 << QList<int>{} << false << 0 << "38@0 29@0";
        QTest::newRow("lock mode") << 6 << QList<int>{} << false << 0 << "71@0 29@0";
        QTest::newRow("schedule of 30") << 7 << QList<int>{5} << false << 30 << "39@5";
        QTest::newRow("schedule of 31 to all") << 7 << QList<int>{} << false << 31 << "39@255 40@255";
        QTest::newRow("schedule to checked units")
            << 8 << QList<int>{3, 7} << false << 35 << "39@3 40@3 39@7 40@7";
        QTest::newRow("schedule to no checked unit") << 8 << QList<int>{} << false << 35 << "";
        QTest::newRow("unknown kind") << 9 << QList<int>{5} << false << 0 << "";
    }

    void settingTasks()
    {
        QFETCH(int, par);
        QFETCH(QList<int>, targets);
        QFETCH(bool, remote);
        QFETCH(int, entries);
        QFETCH(QString, tasks);
        const int unit = par == 7 && targets.isEmpty() ? 255 : targets.value(0, 255);
        QStringList made;
        for (const setting::Task &task : setting::settingTasks(
                 par, std::vector<int>(targets.begin(), targets.end()), unit, remote, entries))
            made << QStringLiteral("%1@%2").arg(task.code).arg(task.addr);
        QCOMPARE(made.join(QLatin1Char(' ')), tasks);
    }

    // A change without the dialog: refused before anything is sent, never clamped.
    void unitChangeRefusal_data()
    {
        QTest::addColumn<int>("unitMin");
        QTest::addColumn<int>("unitMax");
        QTest::addColumn<int>("unitSet");
        QTest::addColumn<int>("setTemp"); // -1: not named
        QTest::addColumn<int>("tmin");
        QTest::addColumn<int>("tmax");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("within the unit's own wide limits") << 12 << 35 << 22 << 25 << -1 << -1 << QString();
        QTest::newRow("above the unit's limits")
            << 18 << 28 << 22 << 29 << -1 << -1 << "temperature 29 outside the unit's limits 18 to 28";
        QTest::newRow("no limits reported: the controller's") << 0 << 0 << 22 << 30 << -1 << -1 << QString();
        QTest::newRow("new minimum beside the kept maximum")
            << 18 << 24 << 22 << -1 << 26 << -1 << "minimum 26 above maximum 24";
        QTest::newRow("new limits leave the set temperature out")
            << 17 << 30 << 22 << -1 << 24 << 28
            << "the unit's set temperature 22 would lie outside the new limits 24 to 28: name a temperature "
               "too";
        QTest::newRow("new limits and a temperature within them")
            << 17 << 30 << 22 << 25 << 24 << 28 << QString();
        QTest::newRow("limit beyond what the controller takes")
            << 17 << 30 << 22 << -1 << 16 << -1 << "tmin=16 outside 17 to 30";
    }

    void unitChangeRefusal()
    {
        QFETCH(int, unitMin);
        QFETCH(int, unitMax);
        QFETCH(int, unitSet);
        QFETCH(int, setTemp);
        QFETCH(int, tmin);
        QFETCH(int, tmax);
        QFETCH(QString, refusal);
        loadLanguage(0);
        TunitRecord unit;
        unit.tmin = quint8(unitMin);
        unit.tmax = quint8(unitMax);
        unit.buffer[units::SetTempByte] = quint8(unitSet);
        unitchange::Change change;
        const auto named = [](int v) { return v < 0 ? std::nullopt : std::optional<int>(v); };
        change.setTemp = named(setTemp);
        change.tmin = named(tmin);
        change.tmax = named(tmax);
        QCOMPARE(unitchange::refusal(unit, change), refusal);
    }
};

QTEST_GUILESS_MAIN(TestSettingRules)
#include "tst_settingrules.moc"
