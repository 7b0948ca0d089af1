// Whole exchanges over loopback against the device simulator.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/BusyIndicator.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

class TestExchange : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TForm1> form;

    void waitForIdle(int timeout = 8000) { QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), timeout); }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        prompts = std::make_unique<ScriptedPrompts>();
        form = makeTestForm(); // no automatic reload in the middle of a case
    }

    void cleanup()
    {
        form.reset();
        prompts.reset();
    }

    void reloadListsTheUnitsFaultsFirst()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.32")));
        form->ipSensor = QStringLiteral("127.0.0.32");
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        waitForIdle();
        QVERIFY(form->PageControl1->isEnabled());
        QVERIFY(form->Tab1PanelList->isVisibleTo(form.get())); // the busy picture gave way

        QList<int> online;
        for (int adr = 0; adr < PanelUnits; ++adr)
            if (form->model.unit_online[size_t(adr)])
                online << adr;
        QVERIFY(!online.isEmpty());
        QCOMPARE(panelRows(*form), online.size());

        // Requests in the device's order: 50, 51, 70, 29, then 30 for each
        // online unit, 34 for each, then the clock.
        QStringList expected{"*MK3200*#", "*MK3300*#", "*MK4600*#", "*MK1D00*#"};
        for (int adr : online)
            expected << QStringLiteral("*MK1E02*%1#").arg(adr, 2, 16, QLatin1Char('0')).toUpper();
        for (int adr : online)
            expected << QStringLiteral("*MK2202*%1#").arg(adr, 2, 16, QLatin1Char('0')).toUpper();
        expected << QStringLiteral("*MK0200*#");
        // The simulator's log reaches us through a pipe, a moment after its answers.
        QTRY_VERIFY_WITH_TIMEOUT(inOrder(sim.output(), expected), 3000);

        // Faults first, in red; the rest alternate from the first row on.
        const int adr = panelAddress(*form, 0);
        QVERIFY(units::inFault(form->model.unit_par[size_t(adr)]));
        QCOMPARE(panelCell(*form, 0, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QVERIFY(panelCell(*form, 0, 1).data().toString().startsWith(QStringLiteral("Error code : ")));
        QVERIFY(prompts->shown.isEmpty());
    }

    void unreachableDeviceIsTriedTwiceAndKeepsTheTasks()
    {
        form->ipSensor = QStringLiteral("127.0.0.33");
        form->reloadUnitList();
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at 127.0.0.33")).size(), 1);
        QTRY_VERIFY(logHas(*form, QStringLiteral("******* RETRAY")));
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 3000);
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at 127.0.0.33")).size(), 2);
        QCOMPARE(prompts->shown.first().kind, QStringLiteral("error"));
        QCOMPARE(prompts->shown.first().caption, QStringLiteral("Information"));
        QCOMPARE(prompts->shown.first().text,
                 QStringLiteral("Unable to communicate with the centralized control"));
        QCOMPARE(form->session->TaskList.Count(), 4);
        QVERIFY(!form->Image11->isVisibleTo(form.get()));
    }

    void tasksForAnUnreachableHostNeverReachAnother()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.34")));
        form->session->setLinkHost(QStringLiteral("127.0.0.35"));
        form->session->TaskList.Add(52); // a password change meant for the unreachable device
        form->model.BZ_newpassword = QStringLiteral("secret1");
        form->session->openConnection(false, 5);
        QTRY_COMPARE(prompts->shown.size(), 1);

        form->ipSensor = QStringLiteral("127.0.0.34");
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        QVERIFY(logHas(*form, QStringLiteral("drop task 52 queued for 127.0.0.35")));
        QTRY_VERIFY_WITH_TIMEOUT(sim.output().contains(QStringLiteral("*MK0200*#")), 3000);
        QVERIFY(!sim.output().contains(QStringLiteral("*MK34")));
    }

    void silentDeviceIsDroppedByTheWatchdogAndReconnected()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.36"), {QStringLiteral("--silent")}));
        form->ipSensor = QStringLiteral("127.0.0.36");
        form->reloadUnitList();
        QTRY_COMPARE_WITH_TIMEOUT(logLines(*form).filter(QStringLiteral("START conn at")).size(), 2, 5000);
        QCOMPARE(form->session->retray_counter, 4);
        QVERIFY(!form->session->connectOK);
        // Each reconnection asks again, until the count runs out.
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 10000);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Centralized control does not respond"));
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at")).size(), 5);
        QTRY_COMPARE_WITH_TIMEOUT(sim.output().count(QStringLiteral("<- *MK3200*#")), 5, 3000);
        waitForIdle();
    }

    void lastWatchdogExpiryShowsTheMessage()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.37"), {QStringLiteral("--silent")}));
        form->session->setLinkHost(QStringLiteral("127.0.0.37"));
        form->session->TaskList.Add(50);
        form->session->openConnection(true, 1);
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 5000);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Centralized control does not respond"));
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at")).size(), 1);
        QVERIFY(!form->session->linkIsOpen());
    }

    void reloadDuringAnotherExchangeToTheSameHostIsServed()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.38"), {QStringLiteral("--delay"), QStringLiteral("30")}));
        form->ipSensor = QStringLiteral("127.0.0.38");
        form->session->setLinkHost(form->ipSensor);
        form->session->TaskList.Add(68);
        form->session->openConnection(true, 5);
        // The answer comes 30 ms late: look more often than QTRY's 50 ms, or the window is missed.
        QDeadlineTimer deadline(5000);
        while (!form->session->wait_responce && !deadline.hasExpired())
            QTest::qWait(1);
        QVERIFY(form->session->wait_responce);
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 10000);
        waitForIdle();
        QVERIFY(logHas(*form, QStringLiteral("USE ALARM : 0")));
        QTRY_COMPARE_WITH_TIMEOUT(sim.output().count(QStringLiteral("*MK1D00*#")), 1, 3000);
        QVERIFY(panelRows(*form) > 0);
    }

    void aReloadDuringTheConnectionAttemptRidesOnIt()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.40")));
        form->ipSensor = QStringLiteral("127.0.0.40");
        form->reloadUnitList();
        QVERIFY(!form->session->linkIsOpen()); // the attempt runs without waiting
        form->reloadUnitList();
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at 127.0.0.40")).size(), 2);
        // The second reload finds the first one's requests still waiting and queues none of its own.
        QCOMPARE(form->session->TaskList.Count(), 4);
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        QTRY_COMPARE_WITH_TIMEOUT(sim.output().count(QStringLiteral("*MK1D00*#")), 1, 3000);
        // The start-up probe and one link: no second connect.
        QVERIFY(!sim.output().contains(QStringLiteral("connection #3")));
    }

    void aNewConnectionCancelsAPendingRetry()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.41")));
        form->session->setLinkHost(QStringLiteral("127.0.0.42")); // nothing listens there
        form->session->TaskList.Add(50);
        form->session->openConnection(true, 5);
        QTRY_VERIFY(form->session->Timer_openconn->isActive());
        form->ipSensor = QStringLiteral("127.0.0.41");
        form->reloadUnitList();
        QVERIFY(!form->session->Timer_openconn->isActive());
        waitForIdle(); // idle includes no second attempt waiting to start
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at 127.0.0.42")).size(), 1);
        QVERIFY(prompts->shown.isEmpty());
    }

    void hostileDeviceNeverBreaksTheNextExchange_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("garbage lines") << QStringList{QStringLiteral("--garbage")};
        QTest::newRow("out-of-range payloads") << QStringList{QStringLiteral("--out-of-range")};
        QTest::newRow("1 MB line") << QStringList{QStringLiteral("--huge-line")};
        QTest::newRow("bad hex") << QStringList{QStringLiteral("--bad-hex")};
        QTest::newRow("early close") << QStringList{QStringLiteral("--close-after"), QStringLiteral("3")};
    }

    void hostileDeviceNeverBreaksTheNextExchange()
    {
        QFETCH(QStringList, faults);
        {
            SimProcess hostile;
            QVERIFY(hostile.start(QStringLiteral("127.0.0.39"), faults));
            form->ipSensor = QStringLiteral("127.0.0.39");
            form->reloadUnitList();
            waitForIdle(15000);
        }
        prompts->shown.clear();
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.39")));
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(panelRows(*form) > 0, 8000);
        waitForIdle();
        QVERIFY(form->PageControl1->isEnabled());
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
