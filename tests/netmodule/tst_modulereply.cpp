// The module's reply rules and the rules for values written to it, without a link.
#include "netmodule/ModuleReply.h"
#include "netmodule/ModuleValues.h"

#include <QTest>

using netmodule::ReplyEffect;

namespace {

// Everything a reply does, in one line: "wait exit ssid[..] phrase[..] ip[..] gw[..] dns[..] dhcp[on]".
QString describe(const ReplyEffect &e)
{
    QStringList parts;
    if (e.endsWait)
        parts << QStringLiteral("wait");
    if (e.endsCommandMode)
        parts << QStringLiteral("exit");
    const auto field = [&parts](const char *name, const std::optional<QString> &value) {
        if (value)
            parts << QStringLiteral("%1[%2]").arg(QLatin1String(name), *value);
    };
    field("ssid", e.netName);
    field("phrase", e.passPhrase);
    field("ip", e.ipAddress);
    field("gw", e.gateway);
    field("dns", e.dns);
    if (e.dhcp)
        parts << (*e.dhcp ? QStringLiteral("dhcp[on]") : QStringLiteral("dhcp[off]"));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestModuleReply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseReply_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("effect");
        const auto row = [](const char *name, const QByteArray &line, const char *effect) {
            QTest::newRow(name) << line << QString::fromUtf8(effect);
        };
        row("CMD", "CMD", "wait");
        row("AOK", "AOK", "wait");
        row("aok", "aok", "wait");
        row("blank before AOK", " AOK", "");
        row("blank after AOK", "AOK ", "");
        row("Aok", "Aok", "");
        row("in config", "Storing in config", "wait");
        row("in config anywhere", "xx in configuration!", "wait");
        row("in config stops before keys", "SSID=in config", "wait");
        row("SSID with a blank", "SSID=My Net", "ssid[My Net]");
        row("SSID kept as sent", "SSID= a=b ", "ssid[ a=b ]");
        row("Passphrase ends the wait", "Passphrase=aria-fresca", "wait phrase[aria-fresca]");
        row("empty Passphrase", "Passphrase=", "wait phrase[]");
        row("GW", "GW=192.168.1.1", "gw[192.168.1.1]");
        row("DHCP=OFF", "DHCP=OFF", "dhcp[off]");
        row("DHCP=ON", "DHCP=ON", "dhcp[on]");
        row("DHCP=off", "DHCP=off", "dhcp[on]");
        row("IP with port", "IP=192.168.1.20:2000", "ip[192.168.1.20]");
        row("IP without port", "IP=192.168.1.20", "");
        row("colon only before IP", "x:IP=192.168.1.20", "");
        row("colon before and after IP", "x:IP=10.0.0.2:2000", "ip[10.0.0.2]");
        row("BACKUP ends the wait", "BACKUP=0.0.0.0", "wait");
        row("DNS", "DNS=8.8.8.8", "dns[8.8.8.8]");
        row("Backup ends the wait", "Backup=0.0.0.0", "wait");
        row("EXIT", "EXIT", "wait exit");
        row("EXIT inside a line", "EXIT now", "");
        row("two keys on one line", "GW=1.2.3.4 DNS=5.6.7.8", "gw[1.2.3.4 DNS=5.6.7.8] dns[5.6.7.8]");
        row("HOST is not IP", "HOST=0.0.0.0:2000", "");
        row("echo", "get wlan", "");
        row("frame in command mode", "*MK0200*#", "");
        row("Latin-1 byte", "SSID=Caf\xe9", "ssid[Caf\u00e9]");
    }

    void parseReply()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, effect);
        QCOMPARE(describe(netmodule::parseReply(line)), effect);
    }

    void commandValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QStringLiteral("My Net") << QByteArray("My Net");
        QTest::newRow("line break dropped") << QStringLiteral("net\r\nsave") << QByteArray("netsave");
        QTest::newRow("tab and NUL dropped") << QStringLiteral("a\tb") + QChar(0) << QByteArray("ab");
        QTest::newRow("Latin-1 kept") << QStringLiteral("Caf\u00e9") << QByteArray("Caf\xe9");
        QTest::newRow("empty") << QString() << QByteArray();
    }

    void commandValue()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, bytes);
        QCOMPARE(netmodule::commandValue(value), bytes);
        // What the module reports back reads as what was typed, byte for byte.
        const QString read = *netmodule::parseReply("SSID=" + bytes).netName;
        QCOMPARE(netmodule::commandValue(read), bytes);
    }

    void fitsModule()
    {
        QVERIFY(netmodule::fitsModule(QStringLiteral("Caf\u00e9 \u00ff")));
        QVERIFY(!netmodule::fitsModule(QStringLiteral("\u0141\u00f3d\u017a")));
        QVERIFY(!netmodule::fitsModule(QStringLiteral("net \U0001F600")));
    }

    void isDottedIPv4_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("address") << QStringLiteral("192.168.1.50") << true;
        QTest::newRow("bounds") << QStringLiteral("0.0.0.255") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("half typed") << QStringLiteral("192.168.") << false;
        QTest::newRow("three parts") << QStringLiteral("192.168.1") << false;
        QTest::newRow("five parts") << QStringLiteral("1.2.3.4.5") << false;
        QTest::newRow("above 255") << QStringLiteral("192.168.1.256") << false;
        QTest::newRow("leading zero") << QStringLiteral("192.168.01.5") << false;
        QTest::newRow("blank") << QStringLiteral("192.168.1.5 ") << false;
        QTest::newRow("sign") << QStringLiteral("192.168.+1.5") << false;
        QTest::newRow("port") << QStringLiteral("192.168.1.5:2000") << false;
        QTest::newRow("name") << QStringLiteral("device.local") << false;
        QTest::newRow("arabic-indic digits") << QStringLiteral("\u0661.1.1.1") << false;
    }

    void isDottedIPv4()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QCOMPARE(netmodule::isDottedIPv4(text), ok);
    }
};

QTEST_APPLESS_MAIN(TestModuleReply)
#include "tst_modulereply.moc"
