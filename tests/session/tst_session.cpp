// The controller session without a window: a QCoreApplication, the in-process
// simulator, and what the model holds and the device received after each
// exchange the window and brezzano-cli drive.
#include "Server.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "session/UnitWrite.h"
#include "shell/Texts.h"
#include "support/FastIntervals.h"
#include "units/Setting.h"

#include <QSignalSpy>

#include <QTest>
#include <tuple>

namespace {

const QString Host = QStringLiteral("127.0.0.221");
const QString OtherHost = QStringLiteral("127.0.0.150");
const QString ThirdHost = QStringLiteral("127.0.0.157");

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<sim::Server> server;
    std::unique_ptr<ControllerSession> session;
    QStringList received; // what reached the device, as its log shows it

    // One exchange as the window starts it; true when the queue ran empty with every answer in.
    bool exchange(const std::function<void()> &queue)
    {
        received.clear();
        QSignalSpy finished(session.get(), &ControllerSession::exchangeFinished);
        session->setLinkHost(Host);
        queue();
        session->openConnection(true, 5);
        return finished.wait(5000) && session->state() == LinkState::Idle;
    }

    // A reload of OtherHost, answered slowly by `slow`, runs on the link; one of Host is asked for behind it.
    void reloadBehindASlowExchange(sim::Server &slow)
    {
        slow.faults.delayMs = 20;
        QVERIFY(slow.listen(QHostAddress(OtherHost), 2000));
        session->setLinkHost(OtherHost);
        session->queueReload();
        session->openConnection(true, 5);
        QTRY_VERIFY(session->linkIsOpen());
        session->setLinkHost(Host);
        session->queueReload();
        session->openConnection(true, 5);
    }

    void reload()
    {
        QVERIFY(exchange([this] {
            for (int task : {50, 51, 70, 29})
                session->TaskList.Add_addr(task, 0, {}, TaskOrigin::Reload);
        }));
    }

private slots:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        server = std::make_unique<sim::Server>(sim::Controller::builtinDefault());
        QVERIFY(server->listen(QHostAddress(Host), 2000));
        connect(server.get(), &sim::Server::logLine, this, [this](const QString &line) {
            if (line.startsWith(QLatin1String("<- ")))
                received << line.mid(3);
        });
        session = std::make_unique<ControllerSession>();
    }

    void cleanup()
    {
        session.reset();
        server.reset();
    }

    void fullReload()
    {
        QSignalSpy units(session.get(), &ControllerSession::unitsChanged);
        reload();
        // Status then name for every listed unit, in address order, then the clock.
        QCOMPARE(received,
                 QStringList({"*MK3200*#", "*MK3300*#", "*MK4600*#", "*MK1D00*#", "*MK1E02*00#",
                              "*MK1E02*01#", "*MK1E02*02#", "*MK1E02*05#", "*MK1E02*09#", "*MK2202*00#",
                              "*MK2202*01#", "*MK2202*02#", "*MK2202*05#", "*MK2202*09#", "*MK0200*#"}));
        QCOMPARE(units.count(), 1);
        const ControllerModel &m = session->model;
        QCOMPARE(units::panelOrder(m.unit_par, m.unit_online), std::vector<int>({5, 0, 1, 2, 9}));
        QCOMPARE(m.unit_par[2].name, QStringLiteral("Meeting room"));
        QCOMPARE(m.unit_par[2].tmin, quint8(18));
        QCOMPARE(m.BZ_password, QStringLiteral("123456"));
        QCOMPARE(m.unitsReadFrom, Host);
        QVERIFY(!m.current_time.isEmpty());
    }

    // The dialog opened for unit 2 alone, heating pressed, sent.
    void modeZeroSetting()
    {
        reload();
        setting::Controls controls = setting::unitControls(session->model.unit_par[2]);
        controls.modeButton = 3;
        RequestSources values = session->requestSources();
        setting::fillUpdateBuffer(values.updateBuffer, controls);
        const auto carried = std::make_shared<const RequestSources>(values);
        QSignalSpy written(session.get(), &ControllerSession::settingsWritten);
        QVERIFY(exchange([&] {
            for (const setting::Task &task : setting::settingTasks(1, {2}, 2, controls.remoteEnabled, 0))
                session->TaskList.Add_addr(task.code, task.addr, carried, TaskOrigin::Setting);
        }));
        QCOMPARE(written.count(), 1);
        // Everything but the mode as the unit had it: medium fan, 22 degrees, 18..28, remote locked.
        QCOMPARE(received.mid(0, 3),
                 QStringList({"*MK2114*02840216000000121C00#", "*MK1F02*02#", "*MK1D00*#"}));
        QCOMPARE(server->controller().unit(2)->mode, quint8(0x84));
        // The refresh after the setting brought the new status back into the model.
        QCOMPARE(session->model.unit_par[2].buffer[units::ModeByte], quint8(0x84));
        QCOMPARE(received.last(), QStringLiteral("*MK0200*#"));
    }

    void scheduleReadAndWrite()
    {
        // Unit 1 holds 35 entries: two blocks.
        QSignalSpy changed(session.get(), &ControllerSession::scheduleChanged);
        QVERIFY(exchange([this] { session->TaskList.Add_addr(41, 1); }));
        QCOMPARE(received, QStringList({"*MK2902*01#", "*MK3002*01#", "*MK3102*01#"}));
        QCOMPARE(changed.count(), 2);
        const std::vector<TprogRecord> read = session->model.unitProgList.entries();
        QCOMPARE(int(read.size()), server->controller().unit(1)->schedule.size());
        QCOMPARE(read.back().Time, 6 * schedule::DayMinutes + 22 * 60);

        // Written to unit 2 as the dialog's Set does; it arrives whole, in two blocks.
        QVERIFY(exchange([this] {
            for (const setting::Task &task :
                 setting::settingTasks(7, {}, 2, false, session->model.unitProgList.Count()))
                session->TaskList.Add_addr(task.code, task.addr, session->requestSnapshot(),
                                           TaskOrigin::Setting);
        }));
        QCOMPARE(received.size(), 2);
        QVERIFY(received.at(0).startsWith(QLatin1String("*MK27F2*02")));
        QVERIFY(received.at(1).startsWith(QLatin1String("*MK28F2*02")));
        const auto entriesOf = [](const QVector<TprogRecord> &entries) {
            QVector<std::tuple<int, int, int, int>> out;
            for (const TprogRecord &e : entries)
                out.append({e.Time, e.Temp, e.Mode, e.Fan});
            return out;
        };
        QCOMPARE(entriesOf(server->controller().unit(2)->schedule),
                 entriesOf(server->controller().unit(1)->schedule));
    }

    void moduleRead()
    {
        QSignalSpy replies(session.get(), &ControllerSession::moduleReplyRead);
        QVERIFY(exchange([this] { session->queueModuleRead(); }));
        QCOMPARE(received, QStringList({"$$$", "get wlan", "get ip", "get dns", "exit"}));
        const netmodule::NetworkSettings &module = session->model.module;
        const sim::ModuleSettings &device = server->controller().module;
        QCOMPARE(module.netName, device.ssid);
        QCOMPARE(module.passPhrase, device.passphrase);
        QCOMPARE(module.address, device.ip);
        QCOMPARE(module.gateway, device.gateway);
        QCOMPARE(module.dns, device.dns);
        QCOMPARE(module.dhcp, device.dhcp);
        QVERIFY(!session->cmdMode);
        QVERIFY(replies.count() > 0);
    }

    // A link asked for while another controller's exchange runs waits for it: neither that
    // exchange nor the tasks queued for the second controller are lost.
    void secondControllerWaitsForTheOpenExchange()
    {
        sim::Server slow(sim::Controller::builtinDefault());
        QStringList atSlow;
        connect(&slow, &sim::Server::logLine, this, [&atSlow](const QString &line) {
            if (line.startsWith(QLatin1String("<- ")))
                atSlow << line.mid(3);
        });
        QSignalSpy units(session.get(), &ControllerSession::unitsChanged);
        reloadBehindASlowExchange(slow);
        QTRY_COMPARE_WITH_TIMEOUT(units.count(), 2, 10000);
        QCOMPARE(atSlow.last(), QStringLiteral("*MK0200*#")); // its reload to the end
        QVERIFY(received.contains(QStringLiteral("*MK1D00*#")));
        QCOMPARE(session->model.unitsReadFrom, Host);
    }

    // Links asked for while another controller's exchange runs open in the order asked, each with
    // its own tasks; a task that an answer's handler queues without a controller goes out on the
    // link that brought the answer.
    void linksAskedForWaitInTurn()
    {
        sim::Server slow(sim::Controller::builtinDefault());
        sim::Server third(sim::Controller::builtinDefault());
        QVERIFY(third.listen(QHostAddress(ThirdHost), 2000));
        QObject scope;
        QStringList opened;
        connect(session.get(), &ControllerSession::linkOpened, &scope,
                [&] { opened << session->openHostName(); });
        QStringList macAskedAt;
        for (sim::Server *at : {&slow, &third})
            connect(at, &sim::Server::requestHandled, &scope, [&, at](int code) {
                if (code == +Code::MacAddress)
                    macAskedAt << (at == &slow ? OtherHost : ThirdHost);
            });
        connect(session.get(), &ControllerSession::answered, &scope, [&](const TtaskRecord &task, bool) {
            if (task.code == +Code::Clock && session->openHostName() == OtherHost)
                session->TaskList.Add(Code::MacAddress);
        });
        reloadBehindASlowExchange(slow);
        session->setLinkHost(ThirdHost);
        session->TaskList.Add(Code::Clock);
        session->openConnection(true, 5);
        QTRY_COMPARE_WITH_TIMEOUT(opened, (QStringList{OtherHost, Host, ThirdHost}), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(session->state(), LinkState::Idle, 5000);
        QCOMPARE(macAskedAt, QStringList{OtherHost});
        QVERIFY(received.contains(QStringLiteral("*MK0200*#")));
    }

    // Settings left for a controller that could not be reached are reported once, when a link to
    // another moves on, however that link ends; they never bring a link of their own.
    void settingsLeftForAnUnreachableControllerReportedOnce_data()
    {
        QTest::addColumn<std::vector<int>>("cutAfter");
        QTest::addColumn<int>("silentAfter");
        QTest::addColumn<int>("links");
        QTest::newRow("the link runs dry") << std::vector<int>{} << -1 << 1;
        QTest::newRow("the link is reset") << std::vector<int>{2} << -1 << 1;
        QTest::newRow("the controller falls silent") << std::vector<int>{} << 2 << 2;
    }

    void settingsLeftForAnUnreachableControllerReportedOnce()
    {
        QFETCH(std::vector<int>, cutAfter);
        QFETCH(int, silentAfter);
        QFETCH(int, links);
        QSignalSpy failed(session.get(), &ControllerSession::failed);
        session->setLinkHost(OtherHost); // nothing listens there
        session->queueSetting(std::vector<setting::Task>{{+Code::SetAllUnitStatus, 0}});
        session->openConnection(false, 1);
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        QObject scope;
        int reported = 0;
        connect(session.get(), &ControllerSession::undelivered, &scope,
                [&](const std::vector<TtaskRecord> &tasks) {
                    for (const TtaskRecord &task : tasks)
                        reported += task.origin == TaskOrigin::Setting && task.host == OtherHost ? 1 : 0;
                });
        QSignalSpy closed(session.get(), &ControllerSession::linkClosed);
        server->faults.cutAfter = cutAfter;
        server->faults.silentAfter = silentAfter;
        session->setLinkHost(Host);
        session->queueReload();
        session->openConnection(true, links);
        QTRY_VERIFY_WITH_TIMEOUT(closed.count() >= links && session->state() == LinkState::Idle, 8000);
        QCOMPARE(closed.count(), links);
        QCOMPARE(server->connectionCount(), links);
        QCOMPARE(reported, 1);
        QVERIFY(session->TaskList.isEmpty());
    }

    // A handler's error closes the link: the settings it leaves for this controller are reported.
    void handlerErrorReportsTheSettingsLeft()
    {
        server->faults.silentAfter = 0;
        int reported = 0;
        QObject scope;
        connect(session.get(), &ControllerSession::undelivered, &scope,
                [&](const std::vector<TtaskRecord> &tasks) { reported += int(tasks.size()); });
        QSignalSpy opened(session.get(), &ControllerSession::linkOpened);
        session->setLinkHost(Host);
        session->queueReload();
        session->queueSetting(std::vector<setting::Task>{{+Code::SetAllUnitStatus, 0}});
        session->openConnection(false, 1);
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 5000);
        session->appException(nullptr, QStringLiteral("a handler failed"));
        QCOMPARE(reported, 1);
        QCOMPARE(session->state(), LinkState::Idle);
    }

    // Whoever asks for a module write, the session itself refuses values the module cannot work
    // with, says why, and queues nothing.
    void moduleWriteRefusedByTheSession_data()
    {
        QTest::addColumn<QString>("netName");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("dhcp");
        QTest::newRow("no network name") << QString() << QString() << true;
        QTest::newRow("a fixed address that is not one") << "Net"
                                                         << "127.0.0" << false;
    }

    void moduleWriteRefusedByTheSession()
    {
        QFETCH(QString, netName);
        QFETCH(QString, address);
        QFETCH(bool, dhcp);
        session->fillSources = [&](RequestSources &src) {
            src.netName = netName;
            src.ipAddress = src.gateway = src.dns = address;
            src.dhcp = dhcp;
        };
        session->setLinkHost(Host);
        const QString why = session->sendNetworkSettings();
        QVERIFY(why.startsWith(extraText(ExtraText::SettingsNotSent)));
        QVERIFY(session->TaskList.isEmpty());
        QCOMPARE(session->state(), LinkState::Idle);
    }

    // A module write that could not connect goes out later with the values checked when it was
    // asked for, not with what the fields hold by then.
    void moduleWriteKeepsItsCheckedValues()
    {
        QString ssid = QStringLiteral("Checked");
        session->fillSources = [&ssid](RequestSources &src) {
            src.netName = ssid;
            src.passPhrase = QStringLiteral("pass-12345");
            src.dhcp = true;
        };
        QSignalSpy failed(session.get(), &ControllerSession::failed);
        session->setLinkHost(OtherHost); // nothing listens there yet
        QVERIFY(session->sendNetworkSettings().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        ssid.clear();
        sim::Server later(sim::Controller::builtinDefault());
        QVERIFY(later.listen(QHostAddress(OtherHost), 2000));
        QSignalSpy finished(session.get(), &ControllerSession::exchangeFinished);
        session->setLinkHost(OtherHost);
        session->queueModuleRead();
        session->openConnection(true, 5);
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() > 0, 5000);
        QCOMPARE(later.controller().module.ssid, QStringLiteral("Checked"));
        QCOMPARE(later.controller().module.passphrase, QStringLiteral("pass-12345"));
    }

    // A write of the set temperature and the remote control lock of unit 2, the link cut
    // after N_k requests of its k-th connection: what is reported of each part.
    void unitWriteUnderCuts_data()
    {
        QTest::addColumn<std::vector<int>>("cutAfter");
        QTest::addColumn<QStringList>("outcomes"); // settings, lock
        QTest::addColumn<int>("end");
        const auto end = [](WriteReport::End e) { return int(e); };
        QTest::newRow("no cut") << std::vector<int>{} << QStringList{"applied", "applied"}
                                << end(WriteReport::End::Done);
        // The second link takes the lock and the read-back; the write is not sent again.
        QTest::newRow("cut under the lock, once")
            << std::vector<int>{2} << QStringList{"applied", "applied"} << end(WriteReport::End::Done);
        QTest::newRow("cut under the lock, twice")
            << std::vector<int>{2, 0}
            << QStringList{"not confirmed: the unit could not be read back",
                           "not confirmed: the link was cut"}
            << end(WriteReport::End::LinkLost);
        QTest::newRow("cut under the status read, twice")
            << std::vector<int>{0, 0}
            << QStringList{"not sent: the link was cut", "not sent: the link was cut"}
            << end(WriteReport::End::LinkLost);
    }

    void unitWriteUnderCuts()
    {
        QFETCH(std::vector<int>, cutAfter);
        QFETCH(QStringList, outcomes);
        QFETCH(int, end);
        received.clear();
        server->faults.cutAfter = cutAfter;
        server->controller().unit(2)->fan = 0x01; // changed at the unit: it must stay
        UnitWrite write(*session);
        QSignalSpy finished(&write, &UnitWrite::finished);
        UnitWriteRequest request;
        request.units = {2};
        request.change.setTemp = 24;
        request.change.remoteEnabled = true;
        write.start(Host, request);
        QVERIFY(finished.wait(5000));
        const WriteReport report = finished.at(0).at(0).value<WriteReport>();
        QCOMPARE(int(report.end), end);
        QCOMPARE(report.units.size(), size_t(1));
        QStringList got;
        for (const PartReport &part : report.units.front().parts)
            got << outcomeText(part);
        QCOMPARE(got, outcomes);
        // Nothing of the write is left to go out with a later link.
        QVERIFY(!session->TaskList.has(TaskOrigin::Write));
        if (outcomes.first() == QLatin1String("applied")) {
            QCOMPARE(server->controller().unit(2)->setTemp, quint8(24));
            QCOMPARE(server->controller().unit(2)->fan, quint8(0x01));
            QCOMPARE(received.filter(QStringLiteral("*MK2114*")).size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
