// Device discovery: the beacon filter, the addresses heard, and whole searches
// against simulated devices that announce themselves on loopback.
#include "Controller.h"
#include "Extras.h"
#include "Server.h"
#include "devices/Discovery.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/waitUnit.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>

#include <memory>

namespace {

// A UDP port that nothing on this machine holds now, so searches in parallel test runs never share one.
quint16 freeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0))
        return 0;
    return probe.localPort();
}

// One simulated device: its controller on port 2000 of `address`, its beacon, and what it received.
struct Device
{
    explicit Device(const QString &address, const QString &name) : address(address)
    {
        sim::Controller controller = sim::Controller::builtinDefault();
        controller.deviceName = name;
        server = std::make_unique<sim::Server>(controller);
        QObject::connect(server.get(), &sim::Server::logLine, [this](const QString &line) {
            if (line.startsWith(QLatin1String("<- ")))
                received.append(line.mid(3));
        });
    }
    QString address;
    std::unique_ptr<sim::Server> server;
    sim::Beacon beacon;
    QStringList received;
};

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<Twaitform> wait;

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        prompts = std::make_unique<ScriptedPrompts>();
        form = makeTestForm();
        wait = std::make_unique<Twaitform>();
        form->dialogs.waitform = wait.get();
    }

    void cleanup()
    {
        form->dialogs.waitform = nullptr;
        wait.reset();
        form.reset();
        prompts.reset();
    }

    void beaconFilter_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper case") << QByteArray("WIFLY-GSX 2.23") << true;
        QTest::newRow("mixed case, binary header") << QByteArray("\x00\x01\x02WiFly", 8) << true;
        QTest::newRow("zero byte inside the word") << QByteArray("wi\x00"
                                                                 "fly",
                                                                 6)
                                                   << true;
        QTest::newRow("line feed inside the word") << QByteArray("WI\nFLY") << true;
        QTest::newRow("blank inside the word") << QByteArray("wi fly") << false;
        QTest::newRow("Latin-1 capital is not lowered") << QByteArray("WIF\xccY") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void beaconFilter()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, accepted);
        QCOMPARE(discovery::isBeacon(payload), accepted);
    }

    void everyAddressIsHeardOnceInTheOrderFirstHeard()
    {
        const QByteArray beacon("WiFly");
        const char *heard[] = {"192.168.1.10", "192.168.1.1", "192.168.1.10", "192.168.1.1", "10.0.0.5"};
        for (const char *sender : heard)
            form->IdUDPServer1UDPRead(beacon, QLatin1String(sender));
        form->IdUDPServer1UDPRead("no announcement", QStringLiteral("10.0.0.6"));
        QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("192.168.1.10\n192.168.1.1\n10.0.0.5"));
    }

    // Each result as a letter: + added, = repeated, ! the first over the limit, - ignored.
    void heardKeepsTheFirstAddressesUpToItsLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("senders");
        QTest::addColumn<QString>("results");
        QTest::addColumn<QString>("kept");
        QTest::newRow("under the limit") << 3 << "a b a c"
                                         << "++=+"
                                         << "a b c";
        QTest::newRow("over the limit") << 2 << "a b a c d b c"
                                        << "++=!-=-"
                                        << "a b";
    }

    void heardKeepsTheFirstAddressesUpToItsLimit()
    {
        QFETCH(int, limit);
        QFETCH(QString, senders);
        discovery::Heard heard(limit);
        QString results;
        for (const QString &sender : senders.split(QLatin1Char(' ')))
            results += QStringLiteral("+=!-").at(int(heard.add(sender)));
        QTEST(results, "results");
        QTEST(heard.addresses().join(QLatin1Char(' ')), "kept");
        heard.clear();
        QCOMPARE(heard.add(QStringLiteral("z")), discovery::Heard::Result::Added);
    }

    // Three devices heard in the order A, B, C, A again: three links in that
    // order, the module read only on C's, C active at the end.
    void threeDevicesAreVisitedInTheOrderHeard()
    {
        intervals().findDevice = 60000; // the test ends the window itself
        const quint16 port = freeUdpPort();
        QVERIFY(port != 0);
        form->discoveryPort = port;
        form->devList.Add(QStringLiteral("127.0.0.102"), QStringLiteral("Old name"));

        Device a(QStringLiteral("127.0.0.101"), QStringLiteral("Alpha"));
        Device b(QStringLiteral("127.0.0.102"), QStringLiteral("Beta"));
        Device c(QStringLiteral("127.0.0.103"), QStringLiteral("Gamma"));
        QStringList accepted;
        for (Device *device : {&a, &b, &c}) {
            QVERIFY(device->server->listen(QHostAddress(device->address), 2000));
            connect(device->server.get(), &sim::Server::connectionAccepted,
                    [&accepted, device] { accepted.append(device->address); });
        }

        prompts->answer = [&](QDialog *dialog) {
            if (dialog != wait.get())
                return 0;
            for (Device *device : {&a, &b, &c}) {
                if (!device->beacon.start(QHostAddress(QStringLiteral("127.0.0.1")), 30, port,
                                          QHostAddress(device->address)))
                    return 0;
                const bool heard = QTest::qWaitFor(
                    [&] { return form->Memo1->toPlainText().contains(device->address); }, 5000);
                if (!heard)
                    return 0;
            }
            form->Timer_finddevTimer();
            for (Device *device : {&a, &b, &c})
                device->beacon.stop();
            return QTest::qWaitFor([&] { return !form->findDeviceActive && !form->session->linkIsOpen(); },
                                   15000)
                       ? 1
                       : 0;
        };
        form->FindDevBtnTab4Click();

        QCOMPARE(accepted.first(3), (QStringList{a.address, b.address, c.address}));
        QCOMPARE(a.received, QStringList{QStringLiteral("*MK1900*#")});
        QCOMPARE(b.received, QStringList{QStringLiteral("*MK1900*#")});
        QVERIFY2(c.received.mid(0, 2) == (QStringList{QStringLiteral("*MK1900*#"), QStringLiteral("$$$")}),
                 qPrintable(c.received.join(QLatin1Char('|'))));
        QCOMPARE(form->ipSensor, c.address);

        // B was known: renamed in its place and not counted.
        QCOMPARE(form->devList.Count(), 3);
        QCOMPARE(form->devList.Get(0)->name, QStringLiteral("Beta"));
        QCOMPARE(form->ListView1->topLevelItemCount(), 3);
        QCOMPARE(form->ListView1->topLevelItem(2)->text(0), QStringLiteral("Gamma"));
        QCOMPARE(form->ListView1->topLevelItem(2)->checkState(0), Qt::Checked);
        QCOMPARE(form->ListView1->topLevelItem(0)->checkState(0), Qt::Unchecked);

        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Device founded : 2"));
        QCOMPARE(prompts->shown.first().caption, QStringLiteral("Information"));
        const QStringList log = logLines(*form);
        const auto last = log.lastIndexOf(QStringLiteral("Sensori trovati 2"));
        QVERIFY(last > 0);
        QVERIFY(log.indexOf(QStringLiteral("---> devlist :Gamma 127.0.0.103")) < last);
        QVERIFY(!form->IdUDPServer1->isOpen());
    }

    // A device that accepts the link and never answers is skipped once the
    // watchdog gives up on it; the next visit is not cut.
    // A silent device is asked once, whether the search goes on to another or ends with it.
    void aSilentDeviceIsSkipped_data()
    {
        QTest::addColumn<bool>("silentLast");
        QTest::newRow("silent first") << false;
        QTest::newRow("silent last") << true;
    }

    void aSilentDeviceIsSkipped()
    {
        QFETCH(bool, silentLast);
        Device silent(QStringLiteral("127.0.0.104"), QStringLiteral("Mute"));
        Device next(QStringLiteral("127.0.0.105"), QStringLiteral("Next"));
        silent.server->faults.silent = true;
        QVERIFY(silent.server->listen(QHostAddress(silent.address), 2000));
        QVERIFY(next.server->listen(QHostAddress(next.address), 2000));
        form->findDeviceActive = true;
        form->IdUDPServer1UDPRead("WiFly", silentLast ? next.address : silent.address);
        form->IdUDPServer1UDPRead("WiFly", silentLast ? silent.address : next.address);
        form->Timer_finddevTimer();
        QTRY_VERIFY_WITH_TIMEOUT(!form->findDeviceActive && linkIdle(*form), 10000);
        QCOMPARE(form->devList.Count(), 1);
        QCOMPARE(form->devList.Get(0)->name, QStringLiteral("Next"));
        QCOMPARE(next.received.count(QStringLiteral("*MK1900*#")), 1);
        QCOMPARE(silent.received.count(QStringLiteral("*MK1900*#")), 1);
        QCOMPARE(form->ipSensor, next.address); // the silent one never becomes active
        QVERIFY(prompts->shown.isEmpty());
    }

    // A visit that fails takes its own name request along, nothing else: a setting queued for that
    // address is not dropped unsaid, but reported when the link moves on.
    void aFailedVisitTakesOnlyItsOwnRequest()
    {
        const QString refuses = QStringLiteral("127.0.0.168");
        Device next(QStringLiteral("127.0.0.167"), QStringLiteral("Next"));
        QVERIFY(next.server->listen(QHostAddress(next.address), 2000));
        auto setting = std::make_unique<TtaskRecord>();
        setting->code = +Code::SetAllUnitStatus;
        setting->host = refuses;
        setting->origin = TaskOrigin::Setting;
        form->session->TaskList.Add(std::move(setting));
        form->findDeviceActive = true;
        form->IdUDPServer1UDPRead("WiFly", refuses);
        form->IdUDPServer1UDPRead("WiFly", next.address);
        form->Timer_finddevTimer();
        QTRY_VERIFY_WITH_TIMEOUT(!form->findDeviceActive && linkIdle(*form), 10000);
        QCOMPARE(form->devList.Count(), 1);
        QVERIFY(logHas(*form, QStringLiteral("not sent: Not sent to units: all")));
        QVERIFY(prompts->shown.isEmpty());
    }

    // Any sender can claim the module's word: only a device that answers its
    // visit becomes active, and an address that refuses is passed over quietly.
    void onlyADeviceThatAnswersBecomesActive_data()
    {
        QTest::addColumn<QStringList>("heard"); // in the order heard; the .193 to .195 answer
        QTest::addColumn<QString>("active");
        QTest::addColumn<int>("found");
        const QString before = QStringLiteral("127.0.0.190");
        const QString refuses = QStringLiteral("127.0.0.191");
        const QString a = QStringLiteral("127.0.0.193");
        const QString b = QStringLiteral("127.0.0.194");
        QTest::newRow("one forged beacon") << QStringList{refuses} << before << 0;
        QTest::newRow("refused, then a device") << QStringList{refuses, a} << a << 1;
        QTest::newRow("a device, then refused") << QStringList{a, refuses} << a << 1;
        QTest::newRow("two devices around a refusal") << QStringList{a, refuses, b} << b << 2;
    }

    void onlyADeviceThatAnswersBecomesActive()
    {
        QFETCH(QStringList, heard);
        QFETCH(QString, active);
        QFETCH(int, found);
        intervals().findDevice = 60000; // the test ends the window itself
        form->discoveryPort = freeUdpPort();
        form->ipSensor = QStringLiteral("127.0.0.190");
        std::vector<std::unique_ptr<Device>> devices;
        for (const QString &address : heard) {
            if (address.section(QLatin1Char('.'), 3).toInt() < 193)
                continue;
            devices.push_back(std::make_unique<Device>(address, QStringLiteral("Dev ") + address.right(3)));
            QVERIFY(devices.back()->server->listen(QHostAddress(address), 2000));
        }
        prompts->answer = [&](QDialog *) {
            for (const QString &address : heard)
                form->IdUDPServer1UDPRead("WiFly", address);
            form->Timer_finddevTimer();
            return QTest::qWaitFor([&] { return !form->findDeviceActive && linkIdle(*form); }, 10000) ? 1 : 0;
        };
        form->FindDevBtnTab4Click();

        QCOMPARE(form->ipSensor, active);
        QCOMPARE(form->devList.Count(), found);
        // What the network tab's "Set" would reach is the active device, never a forged address.
        QCOMPARE(form->session->linkHostName(), active);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Device founded : %1").arg(found));
        if (found > 0) {
            // The active device's module is read on its own visit.
            QVERIFY(devices.back()->received.contains(QStringLiteral("$$$")));
            QCOMPARE(devices.front()->received.contains(QStringLiteral("$$$")), devices.size() == 1);
        }
    }

    // An earlier exchange that ends while the search listens does not end the search.
    void aLinkClosingWhileListeningKeepsTheSearch()
    {
        intervals().findDevice = 60000;
        form->discoveryPort = freeUdpPort();
        Device earlier(QStringLiteral("127.0.0.106"), QStringLiteral("Earlier"));
        Device heard(QStringLiteral("127.0.0.107"), QStringLiteral("Heard"));
        QVERIFY(earlier.server->listen(QHostAddress(earlier.address), 2000));
        QVERIFY(heard.server->listen(QHostAddress(heard.address), 2000));
        form->ipSensor = earlier.address;
        prompts->answer = [&](QDialog *) {
            form->refreshActiveDevice();
            if (!QTest::qWaitFor([&] { return logHas(*form, QStringLiteral("--->FINITO")); }, 5000))
                return 0;
            form->IdUDPServer1UDPRead("WiFly", heard.address);
            form->Timer_finddevTimer();
            return QTest::qWaitFor([&] { return !form->findDeviceActive && !form->session->linkIsOpen(); },
                                   10000)
                       ? 1
                       : 0;
        };
        form->FindDevBtnTab4Click();
        QCOMPARE(form->devList.Count(), 2);
        QCOMPARE(form->devList.Get(1)->name, QStringLiteral("Heard"));
        QCOMPARE(prompts->shown.last().text, QStringLiteral("Device founded : 2"));
    }

    // Nothing heard: nothing visited, the count is 0 and the active device stays.
    void aSearchThatHearsNothingReportsZero()
    {
        intervals().findDevice = 50;
        form->discoveryPort = freeUdpPort();
        form->ipSensor = QStringLiteral("127.0.0.109");
        prompts->answer = [&](QDialog *) {
            return QTest::qWaitFor([&] { return !form->Timer_finddev->isActive(); }, 5000) ? 1 : 0;
        };
        form->FindDevBtnTab4Click();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Device founded : 0"));
        QCOMPARE(form->ipSensor, QStringLiteral("127.0.0.109"));
        QVERIFY(logHas(*form, QStringLiteral("Sensori trovati 0")));
    }

    // A port that another program holds exclusively: the log says so and the search still reports.
    void aPortThatCannotBeBoundIsLogged()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        form->discoveryPort = holder.localPort();
        intervals().findDevice = 20;
        prompts->answer = [&](QDialog *) {
            return QTest::qWaitFor([&] { return !form->Timer_finddev->isActive(); }, 5000) ? 1 : 0;
        };
        form->FindDevBtnTab4Click();
        QVERIFY(logLines(*form).filter(QStringLiteral("not opened")).size() == 1);
        QCOMPARE(prompts->shown.last().text, QStringLiteral("Device founded : 0"));
    }
};

QTEST_MAIN(TestDiscovery)
#include "tst_discovery.moc"
