// The recorder against a session talking to the device simulator.
#include "history/HistoryRecorder.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace history;

class TestRecorder : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<ControllerSession> session;
    std::unique_ptr<HistoryRecorder> recorder;

    void runQueue(const QString &host)
    {
        QSignalSpy closed(session.get(), &ControllerSession::linkClosed);
        session->setLinkHost(host);
        session->openConnection(true, 5);
        QTRY_VERIFY_WITH_TIMEOUT(
            closed.count() > 0 && session->TaskList.isEmpty() && session->state() == LinkState::Idle, 10000);
    }

    void reload(const QString &host)
    {
        for (int task : {50, 51, 70, 29})
            session->TaskList.Add_addr(task, 0, {}, TaskOrigin::Reload);
        runQueue(host);
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        store = std::make_unique<HistoryStore>();
        QVERIFY(store->open(dir.path()));
        session = std::make_unique<ControllerSession>();
        recorder = std::make_unique<HistoryRecorder>(session.get(), store.get());
    }

    void cleanup()
    {
        recorder.reset();
        session.reset();
        store.reset();
        QFile::remove(HistoryStore::fileNameIn(dir.path()));
    }

    void reloadsStoreFaultsOnceAndOperationsWithTheirOutcome()
    {
        const QString host = QStringLiteral("127.0.0.202");
        SimProcess sim;
        QVERIFY(sim.start(host, {QStringLiteral("--demo")}));
        QSignalSpy alerts(recorder.get(), &HistoryRecorder::transitionsRecorded);

        reload(host);
        QCOMPARE(alerts.count(), 1);
        const auto entered = alerts.at(0).at(1).value<std::vector<Transition>>();
        QCOMPARE(int(entered.size()), 2); // the demo's two units in fault
        QCOMPARE(store->faults({}).size(), 2);
        reload(host);
        QCOMPARE(alerts.count(), 1); // the faults did not change: nothing new
        QCOMPARE(store->faults({}).size(), 2);

        // Two units set alike are one operation; the refresh behind them is none.
        RequestSources values;
        values.updateBuffer = QByteArray::fromHex("0102030405060708090a0b");
        const auto snapshot = std::make_shared<const RequestSources>(values);
        for (int adr : {1, 2})
            session->TaskList.Add_addr(33, adr, snapshot, TaskOrigin::Setting);
        session->TaskList.Add_addr(29, 0, snapshot, TaskOrigin::Setting);
        runQueue(host);

        session->model.BZ_newpassword = QStringLiteral("s3cret");
        session->TaskList.Add_addr(52, 0, session->requestSnapshot());
        session->TaskList.Add(51);
        runQueue(host);

        const QList<OperationRecord> ops = store->operations({});
        QCOMPARE(ops.size(), 2);
        QCOMPARE(ops.at(1).what, QStringLiteral("setting"));
        QCOMPARE(ops.at(1).units, (QList<int>{1, 2}));
        QCOMPARE(ops.at(1).values, QStringLiteral("33 01 02 03 04 05 06 07 08 09"));
        QVERIFY(ops.at(1).taken);
        QCOMPARE(ops.at(0).what, QStringLiteral("password"));
        QVERIFY(ops.at(0).values.isEmpty());
        QVERIFY(ops.at(0).taken);
        QFile file(HistoryStore::fileNameIn(dir.path()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("s3cret"));
    }

    // A history that cannot be written still alerts: the run's own reloads are compared.
    void aStoreThatIsOffStillAlerts()
    {
        const QString host = QStringLiteral("127.0.0.156");
        SimProcess sim;
        QVERIFY(sim.start(host, {QStringLiteral("--demo")}));
        QTemporaryDir broken;
        QVERIFY(QDir(broken.path()).mkdir(QStringLiteral("brezzano-history.sqlite")));
        HistoryStore off;
        QVERIFY(!off.open(broken.path()));
        recorder = std::make_unique<HistoryRecorder>(session.get(), &off);
        QSignalSpy alerts(recorder.get(), &HistoryRecorder::transitionsRecorded);
        reload(host);
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(int(alerts.at(0).at(1).value<std::vector<Transition>>().size()), 2);
        reload(host);
        QCOMPARE(alerts.count(), 1);
        recorder.reset();
    }

    void aSettingThatNeverGetsAnAnswerIsNotTaken()
    {
        const QString host = QStringLiteral("127.0.0.203");
        SimProcess sim;
        QVERIFY(sim.start(host, {QStringLiteral("--silent")}));
        QSignalSpy lost(session.get(), &ControllerSession::undelivered);
        session->TaskList.Add_addr(71, 0, session->requestSnapshot(), TaskOrigin::Setting);
        session->setLinkHost(host);
        session->openConnection(true, 2);
        QTRY_VERIFY_WITH_TIMEOUT(lost.count() > 0, 15000);

        const QList<OperationRecord> ops = store->operations({});
        QCOMPARE(ops.size(), 1);
        QCOMPARE(ops.at(0).what, QStringLiteral("setting"));
        QVERIFY(!ops.at(0).taken);
    }
};

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
