#include "shell/Texts.h"
#include "units/UnitTable.h"

#include <QTest>

namespace {

TunitRecord unitWith(std::initializer_list<std::pair<int, quint8>> bytes)
{
    TunitRecord unit;
    for (const auto &[index, value] : bytes)
        unit.buffer[index] = value;
    return unit;
}

QByteArray bytesOf(int count, int first)
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data.append(char(first + i));
    return data;
}

} // namespace

class TestUnitTable : public QObject
{
    Q_OBJECT
private:
    const QStringList &english = languageTable(0);

private Q_SLOTS:
    void modeText_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("cooling") << 136 << "Cooling";
        QTest::newRow("bit 7 clear is off") << 8 << "OFF";
        QTest::newRow("unlisted code") << 131 << "";
        QTest::newRow("bits 5 and 6 ignored") << 200 << "Cooling";
        QTest::newRow("auto") << 0x90 << "Auto";
        QTest::newRow("heating") << 0x84 << "Heating";
        QTest::newRow("drying") << 0x82 << "Drying";
        QTest::newRow("ventilation") << 0x81 << "Ventilation";
    }
    void modeText()
    {
        QFETCH(int, mode);
        QFETCH(QString, text);
        QCOMPARE(units::modeText(quint8(mode), english), text);
    }

    void fanText_data()
    {
        QTest::addColumn<int>("fan");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "unkwon 00";
        QTest::newRow("upper-case hex") << 10 << "unkwon 0A";
        QTest::newRow("bit 4 ignored") << 24 << "Very low";
        QTest::newRow("bit 7 is auto") << 129 << "Auto";
        QTest::newRow("high") << 1 << "High";
        QTest::newRow("medium") << 2 << "Medium";
        QTest::newRow("low") << 0x74 << "Low";
    }
    void fanText()
    {
        QFETCH(int, fan);
        QFETCH(QString, text);
        QCOMPARE(units::fanText(quint8(fan), english), text);
    }

    void roomTemperature_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("localeName");
        QTest::addColumn<QString>("text");
        QTest::newRow("23.0") << 86 << "C" << QString::fromUtf8("23.0°");
        QTest::newRow("lowest") << 0 << "C" << QString::fromUtf8("-20.0°");
        QTest::newRow("highest") << 255 << "C" << QString::fromUtf8("107.5°");
        QTest::newRow("half degree") << 85 << "en_US" << QString::fromUtf8("22.5°");
        QTest::newRow("Italian separator") << 86 << "it_IT" << QString::fromUtf8("23,0°");
        QTest::newRow("single digit") << 41 << "C" << QString::fromUtf8("0.5°");
    }
    void roomTemperature()
    {
        QFETCH(int, code);
        QFETCH(QString, localeName);
        QFETCH(QString, text);
        const TunitRecord unit = unitWith({{units::RoomTempByte, quint8(code)}});
        QCOMPARE(units::roomTempText(unit, QLocale(localeName)), text);
    }

    void faultText_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("E0 and E7") << 16 << 129 << "Error code :  E0 E7 ";
        QTest::newRow("E9") << 17 << 2 << "Error code :  E9 ";
        QTest::newRow("P0") << 18 << 1 << "Error code :  P0 ";
        QTest::newRow("PA") << 19 << 4 << "Error code :  PA ";
        QTest::newRow("3#") << 20 << 8 << "Error code :  3# ";
        QTest::newRow("7#") << 20 << 128 << "Error code :  7# ";
    }
    void faultText()
    {
        QFETCH(int, byte);
        QFETCH(int, value);
        QFETCH(QString, text);
        const TunitRecord unit = unitWith({{units::ModeByte, 136}, {byte, quint8(value)}});
        QVERIFY(units::inFault(unit));
        QCOMPARE(units::faultKey(unit), value);
        QCOMPARE(units::faultText(unit, english), text);
        QCOMPARE(units::unitRow(unit, 3, english, QLocale::c()).mode, text);
    }

    void faultCodesComeInByteOrder()
    {
        const TunitRecord unit = unitWith({{16, 1}, {17, 1}, {18, 0x80}, {19, 0x80}, {20, 1}});
        QCOMPARE(units::faultText(unit, english), QStringLiteral("Error code :  E0 E8 P7 PF 0# "));
        QCOMPARE(units::faultKey(unit), 0x81);
    }

    void rowOfAUnitNotInFault()
    {
        TunitRecord unit = unitWith({{units::ModeByte, 0x88},
                                     {units::FanByte, 2},
                                     {units::SetTempByte, 24},
                                     {units::RoomTempByte, 86},
                                     {units::RemoteByte, 0x80}});
        unit.name = QStringLiteral("Hall");
        const units::UnitRow row = units::unitRow(unit, 12, english, QLocale::c());
        QCOMPARE(row.name, QStringLiteral("Hall"));
        QCOMPARE(row.mode, QStringLiteral("Cooling"));
        QCOMPARE(row.fan, QStringLiteral("Medium"));
        QCOMPARE(row.remote, QStringLiteral("OFF"));
        QCOMPARE(row.setTemp, QString::fromUtf8("24°"));
        QCOMPARE(row.roomTemp, QString::fromUtf8("23.0°"));
        QCOMPARE(row.address, QStringLiteral("12"));
    }

    void storeStatus_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("filled"); // status bytes taken from the reply
        QTest::newRow("12 bytes") << (char(5) + bytesOf(11, 101)) << true << 8;
        QTest::newRow("29 bytes") << (char(5) + bytesOf(28, 101)) << true << 25;
        QTest::newRow("4 bytes: limits only") << (char(5) + bytesOf(3, 101)) << true << 0;
        QTest::newRow("3 bytes") << (char(5) + bytesOf(2, 101)) << false << 0;
        QTest::newRow("30 bytes") << (char(5) + bytesOf(29, 101)) << false << 0;
        QTest::newRow("address 64") << (char(64) + bytesOf(11, 101)) << true << 8;
        QTest::newRow("address 65") << (char(65) + bytesOf(11, 101)) << false << 0;
        QTest::newRow("address 255") << (char(255) + bytesOf(11, 101)) << false << 0;
    }
    void storeStatus()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, accepted);
        QFETCH(int, filled);
        UnitTable table{};
        for (TunitRecord &unit : table) {
            unit.addr = 255;
            unit.buffer.fill(7);
        }
        const UnitTable before = table;
        const int a = quint8(data.at(0));
        const int n = data.size();

        const QString reason = units::storeStatus(table, data);
        QCOMPARE(reason.isEmpty(), accepted);
        if (!accepted) {
            for (int i = 0; i < UnitRecords; ++i) {
                QCOMPARE(table[i].addr, before[i].addr);
                QCOMPARE(table[i].buffer, before[i].buffer);
                QCOMPARE(table[i].tmin, before[i].tmin);
            }
            return;
        }
        const TunitRecord &unit = table[a];
        QCOMPARE(unit.addr, a);
        for (int i = 0; i < 25; ++i)
            QCOMPARE(int(unit.buffer[i]), i < filled ? 101 + i : 7);
        QCOMPARE(unit.tmin, quint8(data.at(n - 3)));
        QCOMPARE(unit.tmax, quint8(data.at(n - 2)));
        QCOMPARE(unit.prog, quint8(data.at(n - 1)));
    }

    void storeName_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("name"); // null: rejected
        QTest::newRow("up to the zero byte") << QByteArray::fromHex("0541420043") << "AB";
        QTest::newRow("to the end") << QByteArray::fromHex("054142") << "AB";
        QTest::newRow("empty gives the address") << QByteArray::fromHex("05") << "0000000000000005";
        QTest::newRow("zero at once") << QByteArray::fromHex("050041") << "0000000000000005";
        QTest::newRow("Latin-1 bytes") << QByteArray::fromHex("05E8") << QString::fromUtf8("è");
        QTest::newRow("address 65") << QByteArray::fromHex("4141") << QString();
        QTest::newRow("no address") << QByteArray() << QString();
    }
    void storeName()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, name);
        UnitTable table{};
        for (TunitRecord &unit : table)
            unit.name = QStringLiteral("old");
        const QString reason = units::storeName(table, data);
        QCOMPARE(reason.isEmpty(), !name.isNull());
        for (int i = 0; i < UnitRecords; ++i)
            QCOMPARE(table[i].name, (!name.isNull() && i == 5) ? name : QStringLiteral("old"));
    }

    void storeOnline_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("10 bytes") << 10 << true;
        QTest::newRow("empty") << 0 << true;
        QTest::newRow("68 bytes") << 68 << true;
        QTest::newRow("69 bytes") << 69 << false;
    }
    void storeOnline()
    {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        OnlineTable online;
        online.fill(9);
        QCOMPARE(units::storeOnline(online, QByteArray(size, char(1))).isEmpty(), accepted);
        for (int i = 0; i < OnlineFlags; ++i)
            QCOMPARE(int(online[i]), accepted && i < size ? 1 : 9);
    }

    void resetLeavesEntry64AndTheSpareFlags()
    {
        UnitTable table{};
        OnlineTable online;
        online.fill(1);
        for (TunitRecord &unit : table)
            unit.addr = 3;
        units::resetControllerState(table, online);
        for (int i = 0; i < 64; ++i) {
            QCOMPARE(table[i].addr, 255);
            QCOMPARE(int(online[i]), 0);
        }
        QCOMPARE(table[64].addr, 3);
        for (int i = 64; i < OnlineFlags; ++i)
            QCOMPARE(int(online[i]), 1);
    }
};

QTEST_APPLESS_MAIN(TestUnitTable)
#include "tst_unittable.moc"
