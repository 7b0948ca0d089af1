#include "link/Frame.h"

#include <QTest>

using frame::LineKind;

Q_DECLARE_METATYPE(LineKind)

class TestFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parseLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("data"); // hex of the payload bytes

        QTest::newRow("no payload") << QByteArray("*MK0200*#") << LineKind::Packet << 2 << QByteArray();
        QTest::newRow("three bytes") << QByteArray("*MK0206*030C1E#") << LineKind::Packet << 2
                                     << QByteArray("030c1e");
        QTest::newRow("lower-case digits")
            << QByteArray("*MK1e04*0aff#") << LineKind::Packet << 30 << QByteArray("0aff");
        QTest::newRow("positions 1 2 7 unchecked")
            << QByteArray("*xy1E02?05#") << LineKind::Packet << 30 << QByteArray("05");
        QTest::newRow("odd length drops last digit")
            << QByteArray("*MK0203*0102#") << LineKind::Packet << 2 << QByteArray("01");
        QTest::newRow("odd length last digit not read")
            << QByteArray("*MK0203*01Z#") << LineKind::Packet << 2 << QByteArray("01");
        QTest::newRow("two frames take the first")
            << QByteArray("*MK1E02*05#*MK0200*#") << LineKind::Packet << 30 << QByteArray("05");
        QTest::newRow("trailing junk before #")
            << QByteArray("*MK1E02*05zz#") << LineKind::Packet << 30 << QByteArray("05");
        QTest::newRow("largest length") << QByteArray("*MK31FE*" + QByteArray(254, 'a') + "#")
                                        << LineKind::Packet << 49 << QByteArray(254, 'a');

        QTest::newRow("empty") << QByteArray() << LineKind::Ignored << 0 << QByteArray();
        QTest::newRow("blank before *") << QByteArray(" *MK0200*#") << LineKind::Ignored << 0 << QByteArray();
        QTest::newRow("char after #") << QByteArray("*MK0200*#\r") << LineKind::Ignored << 0 << QByteArray();
        QTest::newRow("module chatter") << QByteArray("CMD") << LineKind::Ignored << 0 << QByteArray();
        QTest::newRow("lone star") << QByteArray("*") << LineKind::Ignored << 0 << QByteArray();

        QTest::newRow("star hash") << QByteArray("*#") << LineKind::Short << 0 << QByteArray();
        QTest::newRow("eight chars") << QByteArray("*MK0200#") << LineKind::Short << 0 << QByteArray();
        QTest::newRow("bad digits but short") << QByteArray("*MKGG#") << LineKind::Short << 0 << QByteArray();
        QTest::newRow("truncated payload")
            << QByteArray("*MK1E04*05#") << LineKind::Short << 0 << QByteArray();
        QTest::newRow("length past line")
            << QByteArray("*MK31FE*00#") << LineKind::Short << 0 << QByteArray();
        QTest::newRow("odd length missing digit")
            << QByteArray("*MK0203*01#") << LineKind::Short << 0 << QByteArray();

        QTest::newRow("G in code") << QByteArray("*MK0G00*#") << LineKind::BadHex << 0 << QByteArray();
        QTest::newRow("bad length digit")
            << QByteArray("*MK02 2*00#") << LineKind::BadHex << 0 << QByteArray();
        QTest::newRow("bad payload digit")
            << QByteArray("*MK1E04*05x1#") << LineKind::BadHex << 0 << QByteArray();
        QTest::newRow("sign in payload")
            << QByteArray("*MK1E02*-5#") << LineKind::BadHex << 0 << QByteArray();
    }

    void parseLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(LineKind, kind);
        QFETCH(int, code);
        QFETCH(QByteArray, data);

        const frame::ParsedLine parsed = frame::parseLine(line);
        QCOMPARE(parsed.kind, kind);
        if (kind != LineKind::Packet)
            return;
        const QByteArray bytes = QByteArray::fromHex(data);
        QCOMPARE(parsed.packet.code, code);
        QCOMPARE(parsed.packet.len, int(bytes.size()));
        QCOMPARE(parsed.packet.data, bytes);
    }

    void build_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("no payload") << 2 << QByteArray() << QByteArray("*MK0200*#");
        QTest::newRow("status unit 5") << 30 << QByteArray("\x05", 1) << QByteArray("*MK1E02*05#");
        QTest::newRow("upper-case padded")
            << 0x47 << QByteArray("\x0a\xff\x00", 3) << QByteArray("*MK4706*0AFF00#");
        QTest::newRow("127 bytes") << 52 << QByteArray(127, 'z')
                                   << QByteArray("*MK34FE*" + QByteArray(127, 'z').toHex().toUpper() + "#");
    }

    void build()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);

        const QByteArray built = frame::build(code, payload);
        QCOMPARE(built, expected);

        const frame::ParsedLine parsed = frame::parseLine(built);
        QCOMPARE(parsed.kind, LineKind::Packet);
        QCOMPARE(parsed.packet.code, code);
        QCOMPARE(parsed.packet.len, int(payload.size()));
        QCOMPARE(parsed.packet.data, payload);
    }

    void text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("payload");

        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << QStringLiteral("ABC") << QByteArray("414243");
        QTest::newRow("latin-1") << QStringLiteral("\u00e8") << QByteArray("E8");
        QTest::newRow("above 255 keeps low byte") << QStringLiteral("\u0141x") << QByteArray("4178");
    }

    void text()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, payload);
        QCOMPARE(frame::textBytes(text), QByteArray::fromHex(payload));
    }
};

QTEST_APPLESS_MAIN(TestFrame)
#include "tst_frame.moc"
