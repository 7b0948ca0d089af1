// The dispatcher, response by response, on crafted packets.
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"

#include <QLabel>
#include <QModelIndex>
#include <QTest>
#include <QToolButton>

namespace {

TpktRecord packet(int code, const QByteArray &hex)
{
    TpktRecord p;
    p.code = code;
    p.data = QByteArray::fromHex(hex);
    p.len = int(p.data.size());
    return p;
}

QList<int> queued(const TForm1 &form, QList<int> *addresses = nullptr)
{
    QList<int> codes;
    for (const auto &task : form.session->TaskList) {
        codes << task->code;
        if (addresses)
            *addresses << task->addr;
    }
    return codes;
}

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT

    std::unique_ptr<TForm1> form;

private Q_SLOTS:
    void initTestCase() { loadLanguage(0); }

    void init()
    {
        form = std::make_unique<TForm1>();
        form->debugLog = true; // these tests read the communication log
        form->resetControllerState();
        form->setupUnitListColumns();
        form->session->wait_responce = true;
    }

    void cleanup() { form.reset(); }

    void logLinesAndEndOfWait_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("logLine"); // empty: none expected
        QTest::addColumn<bool>("endsWait");
        QTest::newRow("3 clock set") << 3 << QByteArray() << QString() << true;
        QTest::newRow("20 greeting") << 20 << QByteArray() << QString() << false;
        QTest::newRow("24 mac") << 24 << QByteArray("3030") << QStringLiteral("MAC ADDR : 00") << true;
        QTest::newRow("31") << 31 << QByteArray() << QStringLiteral("rcv SETREMCONTRLOCK") << true;
        QTest::newRow("32") << 32 << QByteArray() << QStringLiteral("rcv SETREMCONTRUNLOCK") << true;
        QTest::newRow("33") << 33 << QByteArray() << QStringLiteral("rcv SETUNITSTATUS") << true;
        QTest::newRow("35") << 35 << QByteArray() << QStringLiteral("rcv SETUNITNAME") << true;
        QTest::newRow("36") << 36 << QByteArray() << QStringLiteral("rcv SETALLREMCONTRLOCK") << true;
        QTest::newRow("37") << 37 << QByteArray() << QStringLiteral("rcv SETALLREMCONTRUNLOCK") << true;
        QTest::newRow("38") << 38 << QByteArray() << QStringLiteral("rcv SETALLUNITSTATUS") << true;
        QTest::newRow("39") << 39 << QByteArray() << QStringLiteral(" RCV : 27") << true;
        QTest::newRow("40") << 40 << QByteArray() << QStringLiteral(" RCV : 28") << true;
        QTest::newRow("50") << 50 << QByteArray("01") << QStringLiteral("USE PWD : 1") << true;
        QTest::newRow("51") << 51 << QByteArray("313233343536") << QStringLiteral("PWD : 123456") << true;
        QTest::newRow("52") << 52 << QByteArray() << QStringLiteral("RCV NEW PWD") << true;
        QTest::newRow("53") << 53 << QByteArray("00") << QStringLiteral("RCV SET USE PWD : 0") << true;
        QTest::newRow("54") << 54 << QByteArray("01") << QStringLiteral("RCV WEB CONN : 1") << true;
        QTest::newRow("55") << 55 << QByteArray("00") << QStringLiteral("RCV WEB CONN : 0") << true;
        QTest::newRow("67") << 67 << QByteArray() << QStringLiteral("RCV UPWEB : ") << true;
        QTest::newRow("68") << 68 << QByteArray("05") << QStringLiteral("USE ALARM : 5") << true;
        QTest::newRow("69") << 69 << QByteArray() << QStringLiteral("RCV ALARM ") << true;
        QTest::newRow("unlisted 12") << 12 << QByteArray("01") << QString() << false;
        QTest::newRow("41 no blocks")
            << 41 << QByteArray("0700") << QStringLiteral("LENGTH PROG : 0") << true;
        QTest::newRow("48 empty block")
            << 48 << QByteArray("FFFFFFFF") << QStringLiteral(" PROG : 4 -->FFFFFFFF") << true;
    }

    void logLinesAndEndOfWait()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QString, logLine);
        QFETCH(bool, endsWait);
        const int before = logLines(*form).size();
        form->session->applyResponse(packet(code, payload));
        QCOMPARE(form->session->wait_responce, !endsWait);
        const QStringList after = logLines(*form).mid(before);
        if (logLine.isEmpty())
            QVERIFY2(after.isEmpty(), qPrintable(after.join(QLatin1Char('|'))));
        else
            QCOMPARE(after, QStringList{logLine});
    }

    void outOfRangePayloadsStoreNothingButEndTheWait_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("30 address 65") << 30 << QByteArray("41000088");
        QTest::newRow("30 three bytes") << 30 << QByteArray("000088");
        QTest::newRow("30 thirty bytes") << 30 << QByteArray(60, '1');
        QTest::newRow("34 address 70") << 34 << QByteArray("464142");
        QTest::newRow("34 no address") << 34 << QByteArray();
        QTest::newRow("29 69 bytes") << 29 << QByteArray(138, '1');
        QTest::newRow("2 day 9") << 2 << QByteArray("090907");
        QTest::newRow("2 day 0") << 2 << QByteArray("000907");
        QTest::newRow("2 two bytes") << 2 << QByteArray("0309");
        QTest::newRow("41 one byte") << 41 << QByteArray("07");
        QTest::newRow("50 empty") << 50 << QByteArray();
        QTest::newRow("55 empty") << 55 << QByteArray();
        QTest::newRow("68 empty") << 68 << QByteArray();
        QTest::newRow("70 empty") << 70 << QByteArray();
    }

    void outOfRangePayloadsStoreNothingButEndTheWait()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        const UnitTable unitsBefore = form->model.unit_par;
        const OnlineTable onlineBefore = form->model.unit_online;
        const int before = logLines(*form).size();
        form->session->applyResponse(packet(code, payload));
        QVERIFY(!form->session->wait_responce);
        QVERIFY(form->session->TaskList.isEmpty());
        QVERIFY(form->model.current_time.isEmpty());
        QCOMPARE(form->model.unit_online, onlineBefore);
        for (int adr = 0; adr < UnitRecords; ++adr) {
            QCOMPARE(form->model.unit_par[size_t(adr)].buffer, unitsBefore[size_t(adr)].buffer);
            QCOMPARE(form->model.unit_par[size_t(adr)].name, unitsBefore[size_t(adr)].name);
        }
        const QStringList after = logLines(*form).mid(before);
        QCOMPARE(after.size(), 1);
        QVERIFY(after.first().startsWith(QStringLiteral("rcv %1 ignored: ").arg(code)));
    }

    void clockSetsTimeLabelAndRebuildsPanel()
    {
        form->model.unit_online[2] = 1;
        form->model.unit_par[2].name = QStringLiteral("Hall");
        form->session->applyResponse(packet(2, "030907"));
        QCOMPARE(form->model.current_time, QStringLiteral("Wednesday 09:07"));
        QVERIFY(logHas(*form, QStringLiteral("CURR TIME Wednesday 09:07")));
        QCOMPARE(form->tab3lb2->text(), QStringLiteral("Active station - Wednesday 09:07"));
        QCOMPARE(panelRows(*form), 1);
        QCOMPARE(panelCell(*form, 0).data().toString(), QStringLiteral("Hall"));
    }

    void onlineListQueuesStatusThenNamesThenClock()
    {
        form->session->applyResponse(packet(29, "010001"));
        QList<int> addresses;
        QCOMPARE(queued(*form, &addresses), (QList<int>{30, 30, 34, 34, 2}));
        QCOMPARE(addresses.mid(0, 4), (QList<int>{0, 2, 0, 2}));
        form->session->TaskList.Clear();
        form->session->applyResponse(packet(29, "000000"));
        QVERIFY(form->session->TaskList.isEmpty());
    }

    void statusAndNameFillTheTable()
    {
        form->session->applyResponse(packet(30, "05000088800A56"
                                                "ffff07"));
        const TunitRecord &unit = form->model.unit_par[5];
        QCOMPARE(unit.addr, 5);
        QCOMPARE(int(unit.buffer[2]), 0x88);
        QCOMPARE(int(unit.buffer[5]), 0x56);
        QCOMPARE(int(unit.tmin), 0xff);
        QCOMPARE(int(unit.prog), 7);
        form->session->applyResponse(packet(34, "0541420043"));
        QCOMPARE(form->model.unit_par[5].name, QStringLiteral("AB"));
        form->session->applyResponse(packet(34, "05"));
        QCOMPARE(form->model.unit_par[5].name, QStringLiteral("0000000000000005"));
    }

    void togglesFollowTheFlagsWithoutAClick()
    {
        // Each flag moves its toggle, while no password is asked, so a click
        // handler that ran would queue its request.
        form->session->applyResponse(packet(55, "01"));
        QVERIFY(form->tab3sb2->isChecked());
        form->session->applyResponse(packet(68, "01"));
        QVERIFY(form->tab3sb7->isChecked());
        form->session->applyResponse(packet(68, "00"));
        QVERIFY(!form->tab3sb7->isChecked());
        form->session->applyResponse(packet(50, "01"));
        QVERIFY(form->tab3sb1->isChecked());
        QVERIFY(form->model.use_password);
        QVERIFY(form->session->TaskList.isEmpty());
    }

    void lockModeIsLoggedFromTheField()
    {
        form->session->applyResponse(packet(70, "02"));
        QCOMPARE(form->model.lock_mode, quint8(2));
        form->session->applyResponse(packet(71, "09"));
        QVERIFY(logHas(*form, QStringLiteral("RCV LOCK MODE : 2")));
    }

    void greetingKeepsTheWait()
    {
        form->ipSensor = QStringLiteral("127.0.0.1");
        form->session->applyResponse(packet(20, ""));
        QCOMPARE(form->Tab4Label1->text(), QStringLiteral("Device connected 127.0.0.1"));
        QVERIFY(form->session->connectOK);
        QVERIFY(form->session->wait_responce);
    }

    void deviceNameAddsOnlyDuringASearch()
    {
        form->session->applyResponse(packet(25, "4F6666696365"));
        QVERIFY(form->devList.isEmpty());
        form->findDeviceActive = true;
        form->session->applyResponse(packet(25, "4F6666696365"));
        QCOMPARE(form->devList.Count(), 1);
        QVERIFY(!form->findDeviceActive);
        QCOMPARE(logLines(*form).last(), QStringLiteral("---> devlist :Office "));
    }

    void scheduleLengthQueuesBlocks()
    {
        form->session->applyResponse(packet(41, "0702"));
        QList<int> addresses;
        QCOMPARE(queued(*form, &addresses), (QList<int>{48, 49}));
        QCOMPARE(addresses, (QList<int>{7, 7}));
    }

    void scheduleBlocksFillAndMerge()
    {
        form->session->applyResponse(packet(48, "01FE1632"
                                                "00100000"
                                                "FFFFFFFF"
                                                "02000000"));
        QCOMPARE(form->model.unitProgList.Count(), 2);
        // Block 2 with the same minute changes only the temperature.
        form->session->applyResponse(packet(49, "00"
                                                "01FE1811"));
        QCOMPARE(form->model.unitProgList.Count(), 2);
        const TprogRecord *first = form->model.unitProgList.Get(0);
        QCOMPARE(first->Time, 16);
        const TprogRecord *second = form->model.unitProgList.Get(1);
        QCOMPARE(second->Time, 510);
        QCOMPARE(second->Temp, 0x18);
        QCOMPARE(second->Mode, 3);
        QCOMPARE(second->Fan, 2);
    }
};

QTEST_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
