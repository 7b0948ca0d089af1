// The read tick and the request sender against a loopback peer that the test scripts.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString Host = QStringLiteral("127.0.0.31");

} // namespace

class TestReadTick : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;
    std::unique_ptr<QTcpServer> server;
    QTcpSocket *peer = nullptr;
    ScriptedPrompts *prompts = nullptr;

    // Opens the link with `tasks` queued; the read timer is stopped so the test
    // drives every tick itself.
    void openWith(std::initializer_list<int> tasks)
    {
        for (int task : tasks)
            form->session->TaskList.Add(task);
        form->session->setLinkHost(Host);
        form->session->openConnection(true, 5);
        QTRY_VERIFY(form->session->linkIsOpen());
        form->session->Timer_readtcp->stop();
        // The event loop that saw the link open may have accepted it already.
        QVERIFY(server->hasPendingConnections() || server->waitForNewConnection(2000));
        peer = server->nextPendingConnection();
        QVERIFY(peer);
    }

    QByteArray peerReads()
    {
        peer->waitForReadyRead(500);
        return peer->readAll();
    }

    // The window's end of the link, where the read tick reads.
    QTcpSocket *link() const { return form->findChild<QTcpSocket *>(); }

    // Sends `bytes` and waits until the window's end holds them, so the next tick reads them.
    void send(const QByteArray &bytes)
    {
        QVERIFY(peer);
        const qint64 before = link()->bytesAvailable();
        peer->write(bytes);
        peer->flush();
        QTRY_VERIFY(link()->bytesAvailable() >= before + bytes.size());
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        // The tests drive every tick themselves: a first tick of its own could run an empty
        // queue to its end and close the link before openWith sees it open.
        intervals().readFirst = 60000;
        loadLanguage(0);
    }

    void init()
    {
        prompts = new ScriptedPrompts;
        form = std::make_unique<TForm1>();
        form->debugLog = true; // these tests read the communication log
        server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(QHostAddress(Host), 2000));
    }

    void cleanup()
    {
        form.reset();
        server.reset();
        delete prompts;
        peer = nullptr;
    }

    void firstTickSendsHeadTaskAndWaits()
    {
        openWith({2, 50});
        QVERIFY(!form->PageControl1->isEnabled());
        form->session->Timer_readtcpTimer();
        QCOMPARE(peerReads(), QByteArray("*MK0200*#"));
        QVERIFY(form->session->wait_responce);
        QCOMPARE(form->session->TaskList.Count(), 1);
        QVERIFY(logHas(*form, QStringLiteral("do MK0200")));
        // Nothing more goes out while the response is awaited.
        form->session->Timer_readtcpTimer();
        QVERIFY(!peer->waitForReadyRead(50));
        QCOMPARE(form->session->TaskList.Count(), 1);
    }

    void twoFramesInOneWriteAreDispatchedInOneTick()
    {
        openWith({50});
        form->session->Timer_readtcpTimer();
        QCOMPARE(peerReads(), QByteArray("*MK3200*#"));
        // The answer and an unasked greeting arrive together, with CR LF.
        send("*MK3202*01#\r\n*MK1400*#\n");
        form->session->Timer_readtcpTimer();
        QVERIFY(form->model.use_password);
        QVERIFY(form->session->connectOK);
        QVERIFY(logHas(*form, QStringLiteral("*MK3202*01#")));
        QVERIFY(logHas(*form, QStringLiteral("USE PWD : 1")));
        QVERIFY(form->session->PktList.isEmpty());
        // The queue ran empty: the link was closed and the tabs came back.
        QVERIFY(logHas(*form, QStringLiteral("--->FINITO")));
        QVERIFY(!form->session->linkIsOpen());
        QVERIFY(form->PageControl1->isEnabled());
    }

    void frameSplitAcrossReadsIsCompletedLater()
    {
        openWith({70});
        form->session->Timer_readtcpTimer();
        QCOMPARE(peerReads(), QByteArray("*MK4600*#"));
        send("*MK4602");
        form->session->Timer_readtcpTimer();
        QCOMPARE(form->model.lock_mode, quint8(0));
        QVERIFY(form->session->wait_responce);
        send("*02#\n");
        form->session->Timer_readtcpTimer();
        QCOMPARE(form->model.lock_mode, quint8(2));
        QVERIFY(logHas(*form, QStringLiteral("*MK4602*02#")));
    }

    void failuresTakeTheFailurePath_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("closePeer");
        QTest::newRow("letter G in the code") << QByteArray("*MK3G00*#\n") << false;
        QTest::newRow("non-hex payload") << QByteArray("*MK3202*0Z#\n") << false;
        QTest::newRow("link lost") << QByteArray() << true;
    }

    void failuresTakeTheFailurePath()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, closePeer);
        openWith({50, 51});
        form->session->Timer_readtcpTimer();
        peerReads();
        if (!reply.isEmpty())
            send(reply);
        if (closePeer) {
            peer->disconnectFromHost();
            QTRY_VERIFY(link()->state() != QAbstractSocket::ConnectedState);
        }
        form->session->Timer_readtcpTimer();
        QCOMPARE(logLines(*form).last(), QStringLiteral("********** ERRORE **************"));
        QVERIFY(!form->session->linkIsOpen());
        QVERIFY(!form->session->Timer_readtcp->isActive());
        QVERIFY(form->PageControl1->isEnabled());
        QVERIFY(form->session->TaskList.isEmpty());
        QVERIFY(!form->session->wait_responce);
    }

    void overlongLineIsDroppedAndTheNextLineRead()
    {
        openWith({50});
        form->session->Timer_readtcpTimer();
        peerReads();
        // More than the window's read buffer holds: each tick takes what has come.
        peer->write(QByteArray(1024 * 1024, 'x') + "\n*MK3202*01#\n");
        QVERIFY(QTest::qWaitFor(
            [this] {
                if (!form->model.use_password)
                    form->session->Timer_readtcpTimer();
                return form->model.use_password;
            },
            20000));
        QVERIFY(logHas(*form, QStringLiteral("line too long: 1048577 bytes dropped")));
        QVERIFY(!logHas(*form, QStringLiteral("********** ERRORE **************")));
    }

    void lineAfterTheQueueEmptiedEndsThePassQuietly()
    {
        // A non-frame line in the pass that closes the link: the pass ends there,
        // without reading the closed link and reporting a failure that did not happen.
        openWith({});
        send("hello\n");
        form->session->Timer_readtcpTimer();
        QVERIFY(logHas(*form, QStringLiteral("hello")));
        QCOMPARE(logLines(*form).last(), QStringLiteral("--->FINITO"));
        QVERIFY(form->PageControl1->isEnabled());
    }

    void unlistedTaskIsDroppedWithoutWriting()
    {
        // One task per pass: the unlisted ones leave the queue one call each.
        openWith({5, 165, 2});
        form->session->Timer_readtcpTimer();
        QCOMPARE(form->session->TaskList.Count(), 2);
        QVERIFY(!form->session->wait_responce);
        form->session->Timer_readtcpTimer();
        form->session->Timer_readtcpTimer();
        QCOMPARE(peerReads(), QByteArray("*MK0200*#"));
        QVERIFY(form->session->TaskList.isEmpty());
    }

    void everyLineReArmsTheWatchdog()
    {
        openWith({50});
        form->session->Timer_readtcpTimer();
        peerReads();
        QVERIFY(form->session->Timer_comm->isActive()); // armed by the write
        form->session->Timer_comm->stop();
        send("noise\n");
        form->session->Timer_readtcpTimer();
        QVERIFY(form->session->Timer_comm->isActive());
        QCOMPARE(form->session->Timer_comm->interval(), intervals().watchdog);
    }

    void linesInCommandModeMakeNoPacket()
    {
        openWith({50});
        form->session->cmdMode = true;
        form->session->wait_responce = true;
        send("*MK0200*#\n");
        form->session->Timer_readtcpTimer();
        QVERIFY(logHas(*form, QStringLiteral("*MK0200*#")));
        QVERIFY(form->session->PktList.isEmpty());
        QVERIFY(form->model.current_time.isEmpty());
    }
};

QTEST_MAIN(TestReadTick)
#include "tst_readtick.moc"
