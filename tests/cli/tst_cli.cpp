// brezzano-cli as a user runs it, against brezzano-sim: what each command
// prints and sends, and its exit status for bad input, a controller that
// cannot be reached, one that stays silent and one that wants its password.
#include "shell/Texts.h"
#include "support/Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Each address its own: the simulator of a row, one that is silent, and one where nothing listens.
const QString Sim = QStringLiteral("127.0.0.231");
const QString Silent = QStringLiteral("127.0.0.232");
const QString Nobody = QStringLiteral("127.0.0.233");

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(BREZZANO_CLI), args);
    if (!process.waitForFinished(20000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList withHost(const QString &host, const QStringList &args)
{
    return QStringList{QStringLiteral("--host"), host} + args;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        return f.fileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        loadLanguage(0);
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("printed"); // lines of standard output, in order
        QTest::addColumn<QStringList>("sent");    // requests in the simulator's log, in order
        QTest::addColumn<int>("frames");          // requests in all; -1: not counted

        const QString schedule = file(QStringLiteral("week.json"), R"({"unit": 7, "entries": [
            {"at": "Tue 07:05", "temp": 21, "mode": "heating", "fan": "*"},
            {"at": "Mon 08:30", "temp": 22, "mode": "cooling", "fan": "low"}]})");

        QTest::newRow("units, faults first")
            << QStringList{"units"}
            << QStringList{"Address  Name          Operating mode    Fan speed  Remote controller  Setting "
                           "temp.  "
                           "Detected temp.",
                           "5        Server room   Error code :  E3  High       ON                 18°       "
                           "     27.0°",
                           "0        Hall          Cooling           Low        ON                 24°       "
                           "     25.5°",
                           "1        Office 1      Heating           Auto       ON                 21°       "
                           "     19.5°",
                           "2        Meeting room  OFF               Medium     OFF                22°       "
                           "     22.0°",
                           "9        Archive       Drying            Very low   ON                 23°       "
                           "     23.5°"}
            << QStringList{"*MK3200*#", "*MK3300*#", "*MK4600*#", "*MK1D00*#", "*MK0200*#"} << -1;
        QTest::newRow("units in Italian") << QStringList{"--language", "1", "units"}
                                          << QStringList{"5          Server room   Codice errore :  E3",
                                                         "9          Archive       Deumidificazione"}
                                          << QStringList{"*MK1D00*#"} << -1;
        // Each unit read right before its write and read back after it: the password flag,
        // then three requests a unit. Unit 0 keeps low fan, flap and schedule and its remote
        // control enabled; unit 2 keeps medium fan, 18..28 and its remote control locked.
        QTest::newRow("set two units")
            << QStringList{"set", "2,0", "mode=heating", "temp=25"}
            << QStringList{"2: settings applied", "0: settings applied"}
            << QStringList{"*MK3200*#",   "*MK1E02*02#", "*MK2114*02840219000000121C00#",
                           "*MK1E02*02#", "*MK1E02*00#", "*MK2114*00840419000004111E01#",
                           "*MK1E02*00#"}
            << 7;
        // What no field names is written back as the unit holds it: very low fan, set
        // temperature and limits outside 17..30, an unknown schedule value.
        const QString odd = file(QStringLiteral("odd.json"), R"({"units": [{"address": 6, "name": "Odd",
            "mode": "cool", "fan": "verylow", "setTemp": 33, "tmin": 12, "tmax": 35, "prog": 7}]})");
        QTest::newRow("set keeps what is not named")
            << QStringList{"--sim", odd, "set", "6", "mode=heating"} << QStringList{"6: settings applied"}
            << QStringList{"*MK1E02*06#", "*MK2114*068408210000000C2307#", "*MK1E02*06#"} << 4;
        QTest::newRow("set all") << QStringList{"set", "all", "fan=auto"}
                                 << QStringList{"0: settings applied", "9: settings applied"}
                                 << QStringList{"*MK3200*#",  "*MK1D00*#",   "*MK1E02*00#",
                                                "*MK2114*00", "*MK1E02*00#", "*MK1E02*09#"}
                                 << 2 + 3 * 5;
        QTest::newRow("set a name and a locked remote control")
            << QStringList{"set", "9", "name=Archivio", "remote=off"}
            << QStringList{"Archivio (9): remote control lock applied; name applied"}
            << QStringList{"*MK3200*#", "*MK1F02*09#", "*MK2314*09417263686976696F00#", "*MK1E02*09#",
                           "*MK2202*09#"}
            << 5;
        QTest::newRow("schedule get")
            << QStringList{"schedule", "get", "0"}
            << QStringList{"Monday 08:00 - Temp. 24°C - Mode: Cooling - Ventilation: Low",
                           "Friday 18:30 - Temp. 24°C - Mode: OFF - Ventilation: Auto"}
            << QStringList{"*MK2902*00#", "*MK3002*00#"} << -1;
        QTest::newRow("schedule set, read back")
            << QStringList{"schedule", "set", "2", schedule}
            << QStringList{"Monday 08:30 - Temp. 22°C - Mode: Cooling - Ventilation: Low",
                           "Tuesday 07:05 - Temp. 21°C - Mode: Heating - Ventilation: *"}
            << QStringList{"*MK27F2*0201FE163207491540FFFFFFFF", "*MK2902*02#", "*MK3002*02#"} << -1;
        QTest::newRow("module") << QStringList{"module"}
                                << QStringList{"Net name    BrezzanoNet", "Use DHCP    ON",
                                               "IP address  127.0.0.1", "DNS         127.0.0.53"}
                                << QStringList{"$$$", "get wlan", "get ip", "get dns", "exit"} << -1;
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, printed);
        QFETCH(QStringList, sent);
        QFETCH(int, frames);
        QStringList simArgs;
        if (args.value(0) == QLatin1String("--sim")) { // the controller of a scenario file
            simArgs = QStringList{QStringLiteral("--scenario"), args.at(1)};
            args = args.mid(2);
        }
        SimProcess sim;
        QVERIFY(sim.start(Sim, simArgs));
        const Run run = cli(withHost(Sim, args));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QVERIFY2(inOrder(run.out, printed), qPrintable(run.out));
        sim.stop(); // its log is whole once it has ended
        QStringList log;
        for (const QString &line : sim.output().split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("<- ")))
                log << line.mid(3);
        QVERIFY2(inOrder(log.join(QLatin1Char('\n')), sent), qPrintable(log.join(QLatin1Char('\n'))));
        if (frames >= 0)
            QCOMPARE(log.size(), frames);
    }

    // What --json prints is what `schedule set` reads, and scripts find the units by their words.
    void jsonRoundTrip()
    {
        SimProcess sim;
        QVERIFY(sim.start(Sim));
        const Run units = cli(withHost(Sim, {"units", "--json"}));
        QCOMPARE(units.status, 0);
        const QJsonArray list = QJsonDocument::fromJson(units.out.toUtf8()).object().value("units").toArray();
        QCOMPARE(list.size(), 5);
        QCOMPARE(list.at(0).toObject().value("faults").toArray(), QJsonArray({"E3"}));
        QCOMPARE(list.at(4).toObject().value("fan").toString(), QStringLiteral("very-low"));
        QCOMPARE(list.at(1).toObject().value("roomTemp").toDouble(), 25.5);

        const Run got = cli(withHost(Sim, {"schedule", "get", "1", "--json"}));
        QCOMPARE(got.status, 0);
        const Run set =
            cli(withHost(Sim, {"schedule", "set", "9", file("one.json", got.out.toUtf8()), "--json"}));
        QCOMPARE(set.status, 0);
        QJsonObject back = QJsonDocument::fromJson(set.out.toUtf8()).object();
        QCOMPARE(back.value("unit").toInt(), 9);
        QCOMPARE(back.value("entries"), QJsonDocument::fromJson(got.out.toUtf8()).object().value("entries"));
        QCOMPARE(back.value("entries").toArray().size(), 35);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        const QString h = QStringLiteral("--host");
        QTest::newRow("no host") << QStringList{"units"} << "--host ADDR is required";
        QTest::newRow("host not an address")
            << QStringList{h, "127.0.0", "units"} << "--host: not an address";
        QTest::newRow("no command") << QStringList{h, Sim} << "no command";
        QTest::newRow("unknown command") << QStringList{h, Sim, "reload"} << "reload: unknown command";
        QTest::newRow("unknown option") << QStringList{h, Sim, "--fast", "units"} << "--fast: unknown option";
        QTest::newRow("language 2") << QStringList{h, Sim, "--language", "2", "units"} << "--language: 0";
        QTest::newRow("nothing to set") << QStringList{h, Sim, "set", "3"} << "nothing to set";
        QTest::newRow("unit 64") << QStringList{h, Sim, "set", "1,64", "flap=on"}
                                 << "1,64: not a unit address";
        QTest::newRow("unknown mode")
            << QStringList{h, Sim, "set", "1", "mode=cool"} << "mode=cool: one of off, auto";
        QTest::newRow("temperature 31")
            << QStringList{h, Sim, "set", "all", "temp=31"} << "temp=31: a whole number";
        QTest::newRow("field twice") << QStringList{h, Sim, "set", "1", "fan=low", "fan=high"}
                                     << "fan is given twice";
        QTest::newRow("name for two units")
            << QStringList{h, Sim, "set", "1,2", "name=Hall"} << "name= sets one unit";
        QTest::newRow("name too long")
            << QStringList{h, Sim, "set", "1", "name=Sixteen chars..."} << "name: at most 15";
        QTest::newRow("short password")
            << QStringList{h, Sim, "--password", "12345", "units"} << "--password: from 6";
        QTest::newRow("schedule file missing")
            << QStringList{h, Sim, "schedule", "set", "1", dir.filePath("none.json")} << "Cannot read";
        QTest::newRow("schedule entry off the clock")
            << QStringList{h,
                           Sim,
                           "schedule",
                           "set",
                           "1",
                           file("bad.json", R"({"entries": [{"at": "Mon 24:00", "temp": 22, "mode": "off", "fan": "*"}]})")}
            << "entry 1: \"at\"";
        QTest::newRow("schedule minute twice")
            << QStringList{h,
                           Sim,
                           "schedule",
                           "set",
                           "1",
                           file("twice.json",
                                R"({"entries": [{"at": "Mon 08:00", "temp": 22, "mode": 1, "fan": 0},
                                                             {"at": "Mon 08:00", "temp": 23, "mode": 1, "fan": 0}]})")}
            << "entry 2 falls on the minute";
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        SimProcess sim;
        QVERIFY(sim.start(Sim));
        const Run run = cli(args);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith(QLatin1String("brezzano-cli: ")) && run.err.contains(said),
                 qPrintable(run.err));
        QCOMPARE(run.out, QString());
        sim.stop();
        // The one connection is the start's own check that the simulator listens.
        QCOMPARE(sim.output().count(QRegularExpression(QStringLiteral("connection #\\d+ from"))), 1);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("simArgs"); // empty: nothing listens
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("printed"); // empty: nothing at all
        QTest::newRow("unreachable") << QStringList{} << withHost(Nobody, {"units"}) << 3
                                     << "Unable to communicate with the centralized control" << QString();
        QTest::newRow("silent") << QStringList{"--silent"} << withHost(Silent, {"--timeout", "0.1", "units"})
                                << 4 << "Centralized control does not respond" << QString();
        QTest::newRow("silent module")
            << QStringList{"--silent"} << withHost(Silent, {"--timeout", "0.1", "module"}) << 4
            << "Centralized control does not respond" << QString();
        const QString scenario =
            file("locked.json", R"({"device": {"usePassword": true, "password": "secret7"},
            "units": [{"address": 3, "name": "Lab", "tmin": 18, "tmax": 28}]})");
        QTest::newRow("password missing")
            << QStringList{"--scenario", scenario} << withHost(Silent, {"set", "3", "flap=on"}) << 5
            << "give it with --password" << QString();
        QTest::newRow("password wrong") << QStringList{"--scenario", scenario}
                                        << withHost(Silent, {"--password", "secret8", "schedule", "set", "3",
                                                             file("empty.json", R"({"entries": []})")})
                                        << 5 << "Passwords do not match" << QString();
        // Named by its address, a unit is not looked up first: what it reads back tells.
        QTest::newRow("unit not on the controller")
            << QStringList{"--scenario", scenario}
            << withHost(Silent, {"--password", "secret7", "set", "4", "flap=on"}) << 4 << QString()
            << "4: settings not applied: the unit reports flap=off";
        QTest::newRow("temperature outside the unit's limits")
            << QStringList{"--scenario", scenario}
            << withHost(Silent, {"--password", "secret7", "set", "3", "temp=29"}) << 2 << QString()
            << "3: settings refused: temperature 29 outside the unit's limits 18 to 28";
    }

    void failures()
    {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, said);
        QFETCH(QString, printed);
        SimProcess sim;
        if (!simArgs.isEmpty())
            QVERIFY(sim.start(Silent, simArgs));
        const Run run = cli(args);
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        QCOMPARE(run.status, status);
        QVERIFY2(printed.isEmpty() ? run.out.isEmpty() : run.out.contains(printed), qPrintable(run.out));
        // Refused before anything was set: only reads went out.
        if (!simArgs.isEmpty() && status != 4) {
            sim.stop();
            const QString log = sim.output();
            QVERIFY(!log.contains(QLatin1String("<- *MK21")) && !log.contains(QLatin1String("<- *MK27")));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
