#include "link/Records.h"

#include <QTest>

class TestRecords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void taskQueueKeepsOrderAndStampsOnlyUnboundTasks()
    {
        TtaskRecordList queue;
        QCOMPARE(queue.Add(50), 0);
        QCOMPARE(queue.Add_addr(30, 5), 1);
        queue.Get(1)->host = QStringLiteral("127.0.0.9");
        queue.stampHost(QStringLiteral("127.0.0.2"));
        QCOMPARE(queue.Get(0)->host, QStringLiteral("127.0.0.2"));
        QCOMPARE(queue.Get(1)->host, QStringLiteral("127.0.0.9"));
        queue.RemoveHead();
        QCOMPARE(queue.Count(), 1);
        QCOMPARE(queue.Get(0)->code, 30);
        QCOMPARE(queue.Get(0)->addr, 5);
    }
};

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
