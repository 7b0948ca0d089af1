// The module's reply rules and the rules for values written to it, without a link.
#include "netmodule/ModuleReply.h"
#include "netmodule/ModuleValues.h"
#include "shell/Texts.h"

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
    void initTestCase() { loadLanguage(0); }

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

    // What "Set" refuses to write: the line under the lead text, or nothing when it goes out as typed.
    void refusal_data()
    {
        QTest::addColumn<QStringList>("fields"); // name, pass phrase, address, gateway, DNS
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("why");
        const QStringList good{"Casa", "aria-fresca", "192.168.1.20", "192.168.1.1", "192.168.1.1"};
        const auto with = [&good](int field, const QString &value) {
            QStringList fields = good;
            fields[field] = value;
            return fields;
        };
        QTest::newRow("as read") << good << false << "";
        QTest::newRow("after a failed read")
            << QStringList{"", "", "", "", ""} << false << "Net name: the field is empty.";
        QTest::newRow("no name, DHCP on") << with(0, "") << true << "Net name: the field is empty.";
        QTest::newRow("name of 32 bytes, pass phrase of 64")
            << QStringList{QString(32, 'n'), QString(64, 'p'), "10.0.0.2", "10.0.0.1", "10.0.0.1"} << false
            << "";
        QTest::newRow("name of 33 bytes")
            << with(0, QString(33, 'n')) << false << "Net name: more than 32 characters.";
        QTest::newRow("pass phrase of 65 bytes")
            << with(1, QString(65, 'p')) << false << "Password: more than 64 characters.";
        QTest::newRow("open network, odd name")
            << with(1, "").replaceInStrings("Casa", " Caffè  ") << false << "";
        QTest::newRow("address half typed") << with(2, "192.168.") << false
                                            << "IP address: not an address (four numbers from 0 to 255 "
                                               "separated by dots).";
        QTest::newRow("no gateway")
            << with(3, "") << false
            << "Gateway: not an address (four numbers from 0 to 255 separated by dots).";
        QTest::newRow("DNS with a port")
            << with(4, "10.0.0.1:53") << false
            << "DNS: not an address (four numbers from 0 to 255 separated by dots).";
        QTest::newRow("addresses unused under DHCP")
            << with(2, "").replaceInStrings("192.168.1.1", "x") << true << "";
        QTest::newRow("line break in the pass phrase")
            << with(1, "aria\nfresca") << false
            << "Password: holds a character that the module cannot take (a control character, or one "
               "outside Latin-1).";
        QTest::newRow("tab in the DNS under DHCP")
            << with(4, "10.0.0.1\t") << true
            << "DNS: holds a character that the module cannot take (a control character, or one "
               "outside Latin-1).";
        QTest::newRow("delete in the name") << with(0, "Casa\x7f") << false
                                            << "Net name: holds a character that the module cannot take (a "
                                               "control character, or one outside Latin-1).";
        QTest::newRow("not a byte") << with(0, QStringLiteral("\u0141\u00f3d\u017a")) << false
                                    << "Net name: holds a character that the module cannot take (a "
                                       "control character, or one outside Latin-1).";
    }

    void refusal()
    {
        QFETCH(QStringList, fields);
        QFETCH(bool, dhcp);
        QFETCH(QString, why);
        const QString refused =
            netmodule::refusal({fields[0], fields[1], fields[2], fields[3], fields[4], dhcp});
        QCOMPARE(refused, why.isEmpty() ? QString() : "The settings were not sent to the module.\n" + why);
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
