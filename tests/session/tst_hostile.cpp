// Devices that flood, answer slowly, answer twice or send frames nobody asked for.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/LogPane.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"

#include <QPlainTextEdit>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TestHostile : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowsUnderTest> windows;
    TForm1 *form = nullptr;

    void connectTo(SimProcess &sim, const QString &host, const QStringList &faults)
    {
        QVERIFY(sim.start(host, faults));
        form->ipSensor = host;
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        windows = std::make_unique<WindowsUnderTest>();
        form = windows->form;
    }

    void cleanup() { windows.reset(); }

    void logPanesKeepTheirBounds()
    {
        QPlainTextEdit pane;
        capLogPane(&pane, 100, 10000);
        for (int i = 0; i < 500; ++i)
            pane.appendPlainText(QString::number(i) + QString(20, QLatin1Char('x')));
        QCOMPARE(pane.blockCount(), 100);
        QVERIFY(pane.toPlainText().endsWith(QStringLiteral("499") + QString(20, QLatin1Char('x'))));
        for (int i = 0; i < 50; ++i)
            pane.appendPlainText(QString(1000, QLatin1Char('y')));
        QTRY_VERIFY(pane.document()->characterCount() <= 10000);
        QVERIFY(pane.blockCount() >= 8); // the newest lines stay
    }

    void floodingDeviceLeavesTheWindowResponsive()
    {
        SimProcess sim;
        connectTo(sim, QStringLiteral("127.0.0.121"), {QStringLiteral("--flood")});
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(form->Memo2->blockCount() > 2000, 8000);
        // Events posted in the middle of the flood are served, again and again.
        for (int round = 0; round < 5; ++round) {
            bool served = false;
            QTimer::singleShot(0, this, [&served] { served = true; });
            QTRY_VERIFY_WITH_TIMEOUT(served, 1000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(form->Memo2->blockCount() == 20000, 15000);
        QVERIFY(form->session->linkIsOpen());
        form->session->closeLink();
    }

    void slowDeviceGetsOneReloadAtATime()
    {
        SimProcess sim;
        connectTo(sim, QStringLiteral("127.0.0.122"), {QStringLiteral("--delay"), QStringLiteral("25")});
        int longest = 0;
        QTimer probe;
        connect(&probe, &QTimer::timeout, this,
                [&] { longest = std::max(longest, form->session->TaskList.Count()); });
        probe.start(1);
        // A reload every two counts of 20 ms, while one reload takes about 15 x 25 ms.
        form->autoupdvalue = 2;
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(
            logHas(*form, QStringLiteral("reload skipped: the last one is still running")), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        form->autoupdvalue = 0;
        form->autoupdtm->stop();
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000);
        // 50, 51, 70 and 29, then a status and a name request for each of 5 units and the clock.
        QVERIFY2(longest <= 11, qPrintable(QString::number(longest)));
        QCOMPARE(panelRows(*form), 5);
    }

    void repeatedOrStrayAnswersEndNoWait_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("host");
        QTest::newRow("every answer twice") << "--duplicate"
                                            << "127.0.0.123";
        QTest::newRow("a stray frame before every answer") << "--stray"
                                                           << "127.0.0.124";
    }

    void repeatedOrStrayAnswersEndNoWait()
    {
        QFETCH(QString, fault);
        QFETCH(QString, host);
        SimProcess sim;
        connectTo(sim, host, {fault});
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000);
        QCOMPARE(panelRows(*form), 5);
        for (int adr : {0, 1, 2, 5, 9})
            QVERIFY2(!form->model.unit_par[size_t(adr)].name.isEmpty(), qPrintable(QString::number(adr)));
        QCOMPARE(form->model.unit_par[63].addr, 255); // the stray status stored nothing
        // Exactly the reload's requests went out: 4, then 5 status, 5 names and the clock.
        QTRY_COMPARE_WITH_TIMEOUT(sim.output().count(QStringLiteral("<- *MK")), 15, 3000);
    }

    void deviceFallingSilentIsAskedAgainAfterReconnecting()
    {
        // Each connection answers six requests, then nothing: the reload of 15
        // requests needs three links.
        SimProcess sim;
        connectTo(sim, QStringLiteral("127.0.0.125"),
                  {QStringLiteral("--silent-after"), QStringLiteral("6")});
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000);
        QCOMPARE(form->session->retray_counter, 3);
        QCOMPARE(panelRows(*form), 5);
        QTRY_COMPARE_WITH_TIMEOUT(sim.output().count(QStringLiteral("<- *MK")), 17,
                                  3000); // 15, and two again
        QVERIFY(windows->prompts.shown.isEmpty());
    }

    void connectionAttemptNeverStallsTheWindow()
    {
        // A listener that never accepts, its queue filled: the next connection hangs.
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(2000);
        address.sin_addr.s_addr = htonl(0x7F00007E); // 127.0.0.126
        const int yes = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(listener, 0) == 0);
        std::vector<std::unique_ptr<QTcpSocket>> fillers;
        for (int i = 0; i < 2; ++i) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QStringLiteral("127.0.0.126"), 2000);
            fillers.back()->waitForConnected(300);
        }

        intervals().connectTimeout = 1500;
        form->session->setLinkHost(QStringLiteral("127.0.0.126"));
        form->session->TaskList.Add(50);
        form->session->openConnection(true, 5);
        // A blocking connect would return only once the attempt had failed and
        // the second one was scheduled.
        QVERIFY(!form->session->Timer_openconn->isActive());
        QVERIFY(!logHas(*form, QStringLiteral("******* RETRAY")));
        // A host set later must not divert the second attempt.
        form->session->setLinkHost(QStringLiteral("127.0.0.127"));
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("******* RETRAY")), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windows->prompts.shown.size(), 1, 8000);
        intervals().connectTimeout = 500;
        ::close(listener);
        QCOMPARE(logLines(*form).filter(QStringLiteral("START conn at 127.0.0.126")).size(), 2);
        QCOMPARE(windows->prompts.shown.first().text,
                 QStringLiteral("Unable to communicate with the centralized control"));
        QCOMPARE(form->session->TaskList.Count(), 1); // kept for the next connection
    }

    void anAttemptToAnotherHostSupersedesTheRunningOne()
    {
        SimProcess sim;
        connectTo(sim, QStringLiteral("127.0.0.128"), {});
        form->session->setLinkHost(QStringLiteral("127.0.0.129")); // nothing listens there
        form->session->TaskList.Add(52);
        form->session->openConnection(true, 5);
        form->reloadUnitList();
        QVERIFY(logHas(*form, QStringLiteral("drop task 52 queued for 127.0.0.129")));
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000);
        QVERIFY(!logHas(*form, QStringLiteral("******* RETRAY")));
        QVERIFY(windows->prompts.shown.isEmpty());
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
