// brezzano-cli as a user runs it, against brezzano-sim: what each command
// prints and sends, and its exit status for bad input, a controller that
// cannot be reached, one that stays silent and one that wants its password.
#include "shell/Texts.h"
#include "support/Fixtures.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

// Each address its own: the simulator of a row, one that is silent, and one where nothing listens.
const QString Sim = QStringLiteral("127.0.0.231");
const QString Silent = QStringLiteral("127.0.0.232");
const QString Nobody = QStringLiteral("127.0.0.233");

// A controller that asks for its password.
const QByteArray Locked = "{\"device\": {\"usePassword\": true, \"password\": \"secret7\"},"
                          " \"units\": [{\"address\": 3, \"name\": \"Lab\", \"tmin\": 18, \"tmax\": 28}]}";

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args, const QStringList &env = {}, const QString &out = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *var : {"BREZZANO_HOST", "BREZZANO_PASSWORD", "BREZZANO_ADDRESS_BOOK"})
        environment.remove(QLatin1String(var));
    for (const QString &pair : env)
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    if (!out.isEmpty())
        process.setStandardOutputFile(out);
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
        QCOMPARE(back.value("address").toInt(), 9);
        QCOMPARE(back.value("entries"), QJsonDocument::fromJson(got.out.toUtf8()).object().value("entries"));
        QCOMPARE(back.value("entries").toArray().size(), 35);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        const QString h = QStringLiteral("--host");
        QTest::newRow("no host") << QStringList{"units"} << "no controller: give --host";
        QTest::newRow("host not an address")
            << QStringList{h, "127.0.0", "units"} << "--host 127.0.0: not an address, ADDR:PORT";
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
            << QStringList{h, Sim, "--password", "12345", "units"} << "--password: a password from 6";
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
                                     << Nobody + ": no link: Connection refused" << QString();
        // A write that the link's failure cuts short says why, unit by unit.
        QTest::newRow("frames that are not hex under a write")
            << QStringList{"--bad-hex"} << withHost(Silent, {"set", "1", "temp=22"}) << 4
            << Silent + ": the link was cut: a frame holds a character that is not a hex digit"
            << "1: settings not sent: the link was cut";
        const QString scenario = file("locked.json", Locked);
        QTest::newRow("password missing")
            << QStringList{"--scenario", scenario} << withHost(Silent, {"set", "3", "flap=on"}) << 5
            << "give it with --password" << QString();
        QTest::newRow("password wrong") << QStringList{"--scenario", scenario}
                                        << withHost(Silent, {"--password", "secret8", "schedule", "set", "3",
                                                             file("empty.json", R"({"entries": []})")})
                                        << 5 << "the password given is not the controller's" << QString();
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

    // --host as an address, ADDR:PORT, a host name or an address-book name; the environment
    // standing in for options. A port or host name that leads nowhere says why.
    void addressing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on standard error; empty: nothing

        const QString book = file("book.ini", "[LISTSENS]\nNAME0=Hotel Lobby\nIPADDR0=" + Sim.toLatin1() +
                                                  "\nNAME1=Spa\nIPADDR1=127.0.0.233\nNAME2=SPA\n"
                                                  "IPADDR2=127.0.0.234:2001\n");
        const QString ab = QStringLiteral("--address-book");
        QTest::newRow("address and port")
            << withHost(Sim + ":2000", {"units"}) << QStringList{} << 0 << QString();
        QTest::newRow("another port") << withHost(Sim + ":2001", {"units"}) << QStringList{} << 3
                                      << Sim + ":2001: no link: Connection refused";
        QTest::newRow("host name") << withHost("localhost:1", {"units"}) << QStringList{} << 3
                                   << "localhost:1: no link: Connection refused";
        QTest::newRow("book name, any case")
            << withHost("hotel LOBBY", {ab, book, "units"}) << QStringList{} << 0 << QString();
        QTest::newRow("book and host from the environment")
            << QStringList{"units"}
            << QStringList{"BREZZANO_HOST=Hotel Lobby", "BREZZANO_ADDRESS_BOOK=" + book} << 0 << QString();
        QTest::newRow("option over the environment")
            << withHost(Sim, {"units"}) << QStringList{"BREZZANO_HOST=127.0.0.233"} << 0 << QString();
        QTest::newRow("ambiguous name") << withHost("spa", {ab, book, "units"}) << QStringList{} << 2
                                        << "spa: more than one device of that name in " + book +
                                               ": Spa (127.0.0.233), SPA (127.0.0.234:2001)";
        QTest::newRow("name not in the book")
            << withHost("Gym hall", {ab, book, "units"}) << QStringList{} << 2
            << "--host Gym hall: not an address, ADDR:PORT, a host name or a device's name in " + book;
        QTest::newRow("book missing") << withHost("Spa", {ab, dir.filePath("none.ini"), "units"})
                                      << QStringList{} << 2 << "Cannot read " + dir.filePath("none.ini");
    }
    void addressing()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimProcess sim;
        QVERIFY(sim.start(Sim));
        const Run run = cli(args, env);
        QVERIFY2(said.isEmpty() ? run.err.isEmpty() : run.err.contains(said), qPrintable(run.err));
        QCOMPARE(run.status, status);
        if (status == 0)
            QVERIFY2(run.out.contains(QLatin1String("Server room")), qPrintable(run.out));
    }

    // The password from a file of its owner's alone or from the environment; never in the log.
    void passwords_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const auto secretFile = [this](const QString &name, QFile::Permissions mode) {
            const QString path = file(name, "secret7\n");
            QFile::setPermissions(path, mode);
            return path;
        };
        const QString mine = secretFile("mine.pw", QFile::ReadOwner | QFile::WriteOwner);
        const QString shared =
            secretFile("shared.pw", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QStringList set{"--verbose", "set", "3", "flap=on"};
        QTest::newRow("file") << QStringList{"--password-file", mine} + set << QStringList{} << 0
                              << QString();
        QTest::newRow("file others may read") << QStringList{"--password-file", shared} + set << QStringList{}
                                              << 2 << shared + ": group or others may read it";
        QTest::newRow("environment") << set << QStringList{"BREZZANO_PASSWORD=secret7"} << 0 << QString();
        QTest::newRow("environment, wrong") << set << QStringList{"BREZZANO_PASSWORD=secret8"} << 5
                                            << "the password given is not the controller's";
        QTest::newRow("both options") << QStringList{"--password", "secret7", "--password-file", mine} + set
                                      << QStringList{} << 2 << "give the password once";
    }
    void passwords()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimProcess sim;
        QVERIFY(sim.start(Silent, {"--scenario", file("locked.json", Locked)}));
        const Run run = cli(withHost(Silent, args), env);
        QCOMPARE(run.status, status);
        QVERIFY2(said.isEmpty() || run.err.contains(said), qPrintable(run.err));
        // The log shows the password's frame, never the password, plain or in hex.
        if (status != 2)
            QVERIFY2(run.err.contains(QLatin1String("PWD : ***")), qPrintable(run.err));
        for (const QString &secret : {QStringLiteral("secret7"), QStringLiteral("736563726574")})
            QVERIFY2(!run.err.contains(secret), qPrintable(run.err));
    }

    // --timeout bounds the whole run, whatever the controller does; 3 when no link was made.
    void deadline_data()
    {
        QTest::addColumn<QStringList>("simArgs"); // empty: nothing listens
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("silent") << QStringList{"--silent"} << "units" << 4
                                << "not finished: Reading the units";
        QTest::newRow("silent module")
            << QStringList{"--silent"} << "module" << 4 << "not finished: Reading the module";
        QTest::newRow("flood") << QStringList{"--silent", "--flood"} << "units" << 4 << "not finished";
        QTest::newRow("flood under a write")
            << QStringList{"--silent", "--flood"} << "set" << 4
            << "0: settings not sent: " + Silent + ": the 1.5 s deadline passed";
        QTest::newRow("nothing listens") << QStringList{} << "units" << 3 << "no link: Connection refused";
    }
    void deadline()
    {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimProcess sim;
        if (!simArgs.isEmpty())
            QVERIFY(sim.start(Silent, simArgs));
        const QStringList args =
            command == QLatin1String("set") ? QStringList{"set", "0", "temp=22"} : QStringList{command};
        QElapsedTimer clock;
        clock.start();
        const Run run = cli(withHost(Silent, QStringList{"--timeout", "1.5"} + args));
        const qint64 took = clock.elapsed();
        QCOMPARE(run.status, status);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        QVERIFY2(run.err.contains(QLatin1String("deadline passed")), qPrintable(run.err));
        QVERIFY2(took >= 1400 && took < 3000, qPrintable(QString::number(took)));
    }

    // A hostile controller's texts can neither steer the terminal nor forge a row, a NUL cuts
    // nothing, and standard output that cannot be written fails the run.
    void hostileTexts()
    {
        SimProcess sim;
        const QJsonObject hostile{
            {"units",
             QJsonArray{QJsonObject{{"address", 1}, {"name", "\x1b]0;pwn\x07\x1b[2J"}},
                        QJsonObject{{"address", 2}, {"name", QString::fromUtf8("A\nFAKE-LINE 99\xC2\x9B")}}}},
            {"module", QJsonObject{{"ssid", QString::fromLatin1("Net\0work\x7f", 9)}}}};
        QVERIFY(sim.start(Sim, {"--scenario", file("hostile.json", QJsonDocument(hostile).toJson())}));
        for (const QString form : {"--tsv", "--json", "--verbose"}) {
            const Run units = cli(withHost(Sim, {"units", form}));
            const Run module = cli(withHost(Sim, {"module", form}));
            QCOMPARE(units.status, 0);
            QCOMPARE(module.status, 0);
            for (const QString &text : {units.out, units.err, module.out, module.err})
                QVERIFY2(std::none_of(text.begin(), text.end(),
                                      [](QChar c) {
                                          return (c < QChar(0x20) && c != QLatin1Char('\n') &&
                                                  c != QLatin1Char('\t')) ||
                                                 (c >= QChar(0x7F) && c <= QChar(0x9F));
                                      }),
                         qPrintable(text));
            QVERIFY2(!units.out.contains(QLatin1String("\nFAKE")), qPrintable(units.out));
            QVERIFY2(module.out.contains(form == QLatin1String("--json") ? "Net\\u0000work\\u007f"
                                                                         : "Net\\x00work\\x7f"),
                     qPrintable(module.out));
        }
        const QJsonArray units = QJsonDocument::fromJson(cli(withHost(Sim, {"units", "--json"})).out.toUtf8())
                                     .object()
                                     .value("units")
                                     .toArray();
        QCOMPARE(units.at(1).toObject().value("name").toString(),
                 QString::fromUtf8("A\nFAKE-LINE 99\xC2\x9B"));
        QCOMPARE(cli(withHost(Sim, {"units"}), {}, QStringLiteral("/dev/full")).status, 1);
    }

    // Every key that --json prints is in the manual page, and the same thing has the same key.
    void jsonKeysDocumented()
    {
        QFile page(QStringLiteral(BREZZANO_CLI_MAN));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString manual = QString::fromUtf8(page.readAll());
        SimProcess sim;
        QVERIFY(sim.start(Sim));
        QStringList keys;
        const std::function<void(const QJsonValue &)> collect = [&](const QJsonValue &value) {
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                keys << it.key();
                collect(it.value());
            }
            for (const QJsonValue &item : value.toArray())
                collect(item);
        };
        for (const QStringList &args : {QStringList{"units"}, QStringList{"set", "0", "temp=23", "remote=on"},
                                        QStringList{"schedule", "get", "0"}, QStringList{"module"}}) {
            const Run run = cli(withHost(Sim, args + QStringList{"--json"}));
            QCOMPARE(run.status, 0);
            collect(QJsonDocument::fromJson(run.out.toUtf8()).object());
        }
        keys.removeDuplicates();
        for (const QString &key : keys)
            QVERIFY2(manual.contains(QStringLiteral(".B %1\n").arg(key)), qPrintable(key));
        QVERIFY(keys.contains("temp") && !keys.contains("setTemp") && !keys.contains("unit"));
    }

    void help_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help set") << QStringList{"help", "set"} << 0
                                  << "Usage: brezzano-cli --host CONTROLLER set";
        QTest::newRow("set --help") << QStringList{"set", "--help"} << 0
                                    << "Usage: brezzano-cli --host CONTROLLER set";
        QTest::newRow("help") << QStringList{"help"} << 0 << "Usage: brezzano-cli [--host CONTROLLER]";
        QTest::newRow("help of nothing") << QStringList{"help", "reload"} << 2 << QString();
        QTest::newRow("help, Italian") << QStringList{"--language", "1", "units", "--help"} << 0 << "Uso:";
    }
    void help()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const Run run = cli(args);
        QCOMPARE(run.status, status);
        QVERIFY2(printed.isEmpty() ? run.out.isEmpty() : run.out.startsWith(printed), qPrintable(run.out));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
