#include "schedules/Program.h"
#include "session/Encoder.h"

#include <QTest>

Q_DECLARE_METATYPE(CmdModeChange)
Q_DECLARE_METATYPE(RequestSources)

namespace {

QStringList doLog(const QByteArray &frame)
{
    return {QStringLiteral("do ") + QString::fromLatin1(frame)};
}

QByteArray emptySlots(int count)
{
    return QByteArray("FFFFFFFF").repeated(count);
}

} // namespace

class TestEncoder : public QObject
{
    Q_OBJECT
private:
    TprogRecordList program;

    RequestSources sources() const
    {
        RequestSources src;
        src.updateBuffer = QByteArray::fromHex("010203040506070809");
        src.unitName = QStringLiteral("ABC");
        src.deviceName = QStringLiteral("Sala");
        src.newPassword = QStringLiteral("1234");
        src.passwordToggle = true;
        src.webToggle = false;
        src.alarmToggle = true;
        src.lockMode = 2;
        src.now = QDateTime(QDate(2014, 3, 5), QTime(9, 7, 33)); // a Wednesday
        src.program = program.entries();
        src.netName = QStringLiteral("My Net");
        src.passPhrase = QStringLiteral("secret");
        src.ipAddress = QStringLiteral("192.168.1.20");
        src.gateway = QStringLiteral("192.168.1.1");
        src.dns = QStringLiteral("8.8.8.8");
        src.dhcp = true;
        return src;
    }

    void row(const char *name, int code, int addr, const RequestSources &src, const QByteArray &bytes,
             const QStringList &log, bool setsWait = true, CmdModeChange cmd = CmdModeChange::Keep)
    {
        QTest::newRow(name) << code << addr << src << true << bytes << log << setsWait << cmd;
    }

    void moduleRow(const char *name, int code, const RequestSources &src, const QByteArray &bytes)
    {
        row(name, code, 0, src, bytes, {}, true, CmdModeChange::Set);
    }

private Q_SLOTS:
    void initTestCase() { program.Add(510, 22, 3, 2); }

    void encodeTask_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("addr");
        QTest::addColumn<RequestSources>("src");
        QTest::addColumn<bool>("known");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("setsWait");
        QTest::addColumn<CmdModeChange>("cmdMode");

        const RequestSources src = sources();
        const QByteArray week = "05"
                                "01FE1632" +
                                emptySlots(29) + "#";

        moduleRow("1 enter command mode", 1, src, "$$$");
        row("2 clock request", 2, 0, src, "*MK0200*#", {QStringLiteral("do MK0200")});
        row("3 clock", 3, 0, src, "*MK030C*0E0305030907#", {});
        row("24 mac", 24, 0, src, "*MK1800*#", {});
        row("25 name", 25, 0, src, "*MK1900*#", {});
        row("26 rename", 26, 0, src, "*MK1A08*53616C61#", {});
        row("29 online", 29, 0, src, "*MK1D00*#", {});
        row("30 status", 30, 12, src, "*MK1E02*0C#", doLog("*MK1E02*0C#"));
        row("31 lock rc", 31, 12, src, "*MK1F02*0C#", doLog("*MK1F02*0C#"));
        row("32 unlock rc", 32, 12, src, "*MK2002*0C#", doLog("*MK2002*0C#"));
        row("33 unit settings", 33, 12, src, "*MK2114*0C010203040506070809#",
            doLog("*MK2114*0C010203040506070809#"));
        row("34 unit name", 34, 12, src, "*MK2202*0C#", {});
        row("35 set unit name", 35, 3, src, "*MK230A*0341424300#", doLog("*MK230A*0341424300#"));
        row("36 lock all", 36, 0, src, "*MK2400*#", {});
        row("37 unlock all", 37, 0, src, "*MK2500*#", {});
        row("38 all units", 38, 0, src, "*MK2612*010203040506070809#", doLog("*MK2612*010203040506070809#"));
        row("39 week block 1", 39, 5, src, "*MK27F2*" + week,
            {QStringLiteral("do set temp"), QStringLiteral("unit 1 send 1"),
             QStringLiteral("week *MK27F2*") + QString::fromLatin1(week)});
        row("40 week block 2", 40, 5, src, "*MK28F2*" + week,
            {QStringLiteral("unit 1 send 1"), QStringLiteral("week *MK28F2*") + QString::fromLatin1(week)});
        row("41 schedule length", 41, 12, src, "*MK2902*0C#", doLog("*MK2902*0C#"));
        row("48 schedule block 1", 48, 12, src, "*MK3002*0C#", doLog("*MK3002*0C#"));
        row("49 schedule block 2", 49, 12, src, "*MK3102*0C#", doLog("*MK3102*0C#"));
        row("50 password flag", 50, 0, src, "*MK3200*#", {});
        row("51 password", 51, 0, src, "*MK3300*#", {});
        row("52 new password", 52, 0, src, "*MK3408*31323334#", {});
        row("53 password toggle down", 53, 0, src, "*MK3502*01#", {QStringLiteral("do MK3502")});
        row("54 web toggle up", 54, 0, src, "*MK3602*00#", doLog("*MK3602*00#"));
        row("55 web setting", 55, 0, src, "*MK3700*#", {});
        row("67 web on", 67, 0, src, "*MK4300*#", {});
        row("68 alarm setting", 68, 0, src, "*MK4400*#", {});
        row("69 alarm toggle down", 69, 0, src, "*MK4502*01#", doLog("*MK4502*01#"));
        row("70 lock mode", 70, 0, src, "*MK4600*#", {});
        row("71 set lock mode", 71, 0, src, "*MK4702*02#", doLog("*MK4702*02#"));
        moduleRow("99 save", 99, src, "save\r\n");
        row("100 back to controller", 100, 0, src, "*MK0102*00#", {}, false, CmdModeChange::Clear);
        moduleRow("101 exit", 101, src, "exit\r\n");
        moduleRow("162 get wlan", 162, src, "get wlan\r\n");
        moduleRow("163 get ip", 163, src, "get ip\r\n");
        moduleRow("164 get dns", 164, src, "get dns\r\n");
        moduleRow("166 ssid", 166, src, "set wlan ssid My Net\r\n");
        moduleRow("167 phrase", 167, src, "set wlan phrase secret\r\n");
        moduleRow("168 address", 168, src, "set ip address 192.168.1.20\r\n");
        moduleRow("169 gateway", 169, src, "set ip gateway 192.168.1.1\r\n");
        moduleRow("170 dns", 170, src, "set dns address 8.8.8.8\r\n");
        moduleRow("171 dhcp down", 171, src, "set ip dhcp 3\r\n");

        RequestSources v = src;
        v.unitName = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        row("35 name cut to 15", 35, 3, v,
            "*MK2322*03" + QByteArray("ABCDEFGHIJKLMNO").toHex().toUpper() + "00#",
            doLog("*MK2322*03" + QByteArray("ABCDEFGHIJKLMNO").toHex().toUpper() + "00#"));
        v = src;
        v.deviceName.clear();
        row("26 empty name", 26, 0, v, "*MK1A00*#", {});
        v = src;
        v.deviceName = QString(200, QLatin1Char('a'));
        row("26 name cut to 127", 26, 0, v, "*MK1AFE*" + QByteArray("61").repeated(127) + "#", {});
        v = src;
        v.newPassword = QStringLiteral("\u0141");
        row("52 char above 255", 52, 0, v, "*MK3402*41#", {});
        v = src;
        v.passwordToggle = false;
        row("53 password toggle up", 53, 0, v, "*MK3502*00#", {QStringLiteral("do MK3502")});
        v = src;
        v.updateBuffer = QByteArray::fromHex("0102");
        row("38 short buffer counts zeros", 38, 0, v, "*MK2612*010200000000000000#",
            doLog("*MK2612*010200000000000000#"));
        v = src;
        v.now = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)); // a Sunday
        row("3 sunday", 3, 0, v, "*MK030C*170C1F07173B#", {});
        v = src;
        v.program.clear();
        row("39 no schedule", 39, 255, v, "*MK27F2*FF" + emptySlots(30) + "#",
            {QStringLiteral("do set temp"), QStringLiteral("unit 0 send 0"),
             QStringLiteral("week *MK27F2*FF") + QString::fromLatin1(emptySlots(30)) + "#"});
        v = src;
        v.gateway.clear();
        moduleRow("169 empty gateway", 169, v, "set ip gateway \r\n");
        v = src;
        v.dhcp = false;
        moduleRow("171 dhcp up", 171, v, "set ip dhcp 0\r\n");
        v = src;
        v.netName = QStringLiteral("My Net\r\nsave");
        moduleRow("166 line break in a value", 166, v, "set wlan ssid My Netsave\r\n");

        for (const int code : {0, 5, 42, 165, 172, -1})
            QTest::addRow("unlisted %d", code)
                << code << 1 << src << false << QByteArray() << QStringList() << false << CmdModeChange::Keep;
    }

    void encodeTask()
    {
        QFETCH(int, code);
        QFETCH(int, addr);
        QFETCH(RequestSources, src);
        QFETCH(bool, known);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, log);
        QFETCH(bool, setsWait);
        QFETCH(CmdModeChange, cmdMode);

        TtaskRecord task;
        task.code = code;
        task.addr = addr;
        const Request request = ::encodeTask(task, src);
        QCOMPARE(request.known, known);
        QCOMPARE(request.bytes, bytes);
        QCOMPARE(request.log, log);
        QCOMPARE(request.setsWait, setsWait);
        QCOMPARE(request.cmdMode, cmdMode);
    }
};

QTEST_APPLESS_MAIN(TestEncoder)
#include "tst_encoder.moc"
