// The bridge's configuration: the file, the command line over it, and the
// controllers from a list or from the program's address book.
#include "bridge/Config.h"
#include "bridge/MqttClient.h"
#include "shell/IniFile.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Book = std::vector<std::pair<QString, QString>>;

// "host:port client prefix discovery period | id=address ... | warnings", or "error: ...".
QString outcome(const QStringList &args, const QString &fileText, const Book &book)
{
    const bridge::Arguments parsed = bridge::parseArguments(args);
    if (!parsed.error.isEmpty())
        return QStringLiteral("error: ") + parsed.error;
    IniFile file;
    file.loadText(fileText);
    bridge::BridgeConfig config;
    const QString error = bridge::buildConfig(file, parsed, book, &config);
    if (!error.isEmpty())
        return QStringLiteral("error: ") + error;
    QStringList controllers;
    for (const auto &c : config.controllers)
        controllers << c.id + QLatin1Char('=') + c.address;
    return QStringLiteral("%1:%2 %3 %4 %5 | %6 | %7")
        .arg(config.brokerHost)
        .arg(config.brokerPort)
        .arg(config.prefix, config.discoveryPrefix)
        .arg(config.period)
        .arg(controllers.join(QLatin1Char(' ')), QString::number(config.warnings.size()));
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    // Each bridge on a broker is named: its client id and topics follow.
    void bridgeId_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // "id client-id will", or "error: ..."
        const QString one = QStringLiteral("[controllers]\noffice = 127.0.0.5\n");
        QTest::newRow("host name") << QStringList() << one
                                   << "gw-3 brezzano-bridge-gw-3 brezzano/bridge/gw-3/availability";
        QTest::newRow("file") << QStringList() << "[bridge]\nid=site1\n" + one
                              << "site1 brezzano-bridge-site1 brezzano/bridge/site1/availability";
        QTest::newRow("command line over the file")
            << QStringList{"--id", "b2", "--prefix", "p"} << "[bridge]\nid=site1\n" + one
            << "b2 brezzano-bridge-b2 p/bridge/b2/availability";
        QTest::newRow("client id set") << QStringList{"--id", "b2"} << "[broker]\nclient_id=mine\n" + one
                                       << "b2 mine brezzano/bridge/b2/availability";
        QTest::newRow("not a topic segment") << QStringList{"--id", "a/b"} << one
                                             << "error: bridge id \"a/b\": use lower-case letters, digits, _ "
                                                "and - only";
        QTest::newRow("empty") << QStringList() << "[bridge]\nid=\n" + one
                               << "error: bridge id \"\": use lower-case letters, digits, _ and - only";
    }
    void bridgeId()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        IniFile ini;
        ini.loadText(file);
        bridge::BridgeConfig config;
        QString error = bridge::buildConfig(ini, bridge::parseArguments(args), {}, &config,
                                            QStringLiteral("GW-3.example.org"));
        bridge::BrokerOptions broker;
        if (error.isEmpty())
            error = bridge::brokerOptions(config, &broker);
        QCOMPARE(error.isEmpty()
                     ? QStringLiteral("%1 %2 %3").arg(config.id, broker.clientId, broker.willTopic)
                     : QStringLiteral("error: ") + error,
                 expected);
    }

    void config_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Book>("book");
        QTest::addColumn<QString>("expected");

        const QString one = QStringLiteral("[controllers]\noffice = 127.0.0.5\n");
        QTest::newRow("defaults") << QStringList() << one << Book()
                                  << "localhost:1883 brezzano homeassistant 30 | office=127.0.0.5 | 0";
        QTest::newRow("file values")
            << QStringList()
            << "[broker]\nhost=127.0.0.9\nport=1884\n[topics]\nprefix=site/a\ndiscovery_prefix=ha\n"
               "[poll]\nperiod=5\n" +
                   one
            << Book() << "127.0.0.9:1884 site/a ha 5 | office=127.0.0.5 | 0";
        QTest::newRow("command line over the file")
            << QStringList{"--broker", "127.0.0.10:1999",    "--period", "7", "--prefix",
                           "p",        "--discovery-prefix", "d"}
            << "[broker]\nhost=127.0.0.9\nport=1884\n[poll]\nperiod=5\n" + one << Book()
            << "127.0.0.10:1999 p d 7 | office=127.0.0.5 | 0";
        QTest::newRow("host alone keeps the file's port")
            << QStringList{"--broker", "127.0.0.10"} << "[broker]\nport=1884\n" + one << Book()
            << "127.0.0.10:1884 brezzano homeassistant 30 | office=127.0.0.5 | 0";
        QTest::newRow("IPv6 with a port") << QStringList{"--broker", "[::1]:1999"} << one << Book()
                                          << "::1:1999 brezzano homeassistant 30 | office=127.0.0.5 | 0";
        QTest::newRow("IPv6 without brackets has no port")
            << QStringList{"--broker", "::1"} << one << Book()
            << "::1:1883 brezzano homeassistant 30 | office=127.0.0.5 | 0";
        QTest::newRow("TLS moves the default port")
            << QStringList() << "[broker]\ntls_ca=/etc/ssl/ca.pem\n" + one << Book()
            << "localhost:8883 brezzano homeassistant 30 | office=127.0.0.5 | 0";
        QTest::newRow("address book only")
            << QStringList() << QString() << Book{{"Ground floor", "127.0.0.7"},
                                                  {"ground  FLOOR", "127.0.0.8"},
                                                  {"", "127.0.0.9"},
                                                  {"Bridge", "127.0.0.10"},
                                                  {"Roof", "roof.example"},
                                                  {"Ground floor", "127.0.0.7"}}
            << "localhost:1883 brezzano homeassistant 30 | 127_0_0_7=127.0.0.7 "
               "127_0_0_8=127.0.0.8 "
               "127_0_0_9=127.0.0.9 127_0_0_10=127.0.0.10 | 1";
        QTest::newRow("listed first, the book's copy of an address left out")
            << QStringList() << one << Book{{"Office", "127.0.0.5"}, {"Office", "127.0.0.6"}}
            << "localhost:1883 brezzano homeassistant 30 | office=127.0.0.5 127_0_0_6=127.0.0.6 | 0";

        QTest::newRow("no controllers")
            << QStringList() << QString() << Book()
            << "error: no controllers: list them under [controllers] or name an address book";
        QTest::newRow("period zero") << QStringList{"--period", "0"} << one << Book()
                                     << "error: --period 0: whole seconds from 1 to 86400 expected";
        QTest::newRow("period in the file")
            << QStringList() << "[poll]\nperiod=half a minute\n" + one << Book()
            << "error: [poll] period half a minute: whole seconds from 1 to 86400 expected";
        QTest::newRow("port zero") << QStringList{"--broker", "127.0.0.9:0"} << one << Book()
                                   << "error: --broker 127.0.0.9:0: 0 is not a port";
        QTest::newRow("port in the file") << QStringList() << "[broker]\nport=mqtt\n" + one << Book()
                                          << "error: [broker] port mqtt is not a port";
        QTest::newRow("wildcard prefix")
            << QStringList{"--prefix", "a/#"} << one << Book() << "error: topic prefix \"a/#\" is not usable";
        QTest::newRow("empty level") << QStringList{"--discovery-prefix", "ha//x"} << one << Book()
                                     << "error: discovery prefix \"ha//x\" is not usable";
        QTest::newRow("listed id with a blank")
            << QStringList() << "[controllers]\nGround floor=127.0.0.5\n"
            << Book()
            << "error: [controllers] Ground floor: use lower-case letters, "
               "digits, _ and - only";
        QTest::newRow("the bridge's own segment")
            << QStringList() << "[controllers]\nbridge=127.0.0.5\n"
            << Book() << "error: [controllers] bridge: name already used";
        QTest::newRow("listed address")
            << QStringList() << "[controllers]\noffice=office.local\n"
            << Book() << "error: [controllers] office: office.local is not an IP address";
        QTest::newRow("unknown option")
            << QStringList{"--host", "x"} << one << Book() << "error: Unknown option 'host'.";
        QTest::newRow("stray argument")
            << QStringList{"run"} << one << Book() << "error: unexpected argument run";
    }

    void config()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(Book, book);
        QFETCH(QString, expected);
        QCOMPARE(outcome(args, file, book), expected);
    }

    // From the files: the configuration names the address book, which the program's own reader reads.
    void passwordPath_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("credentials");
        QTest::addColumn<QString>("path"); // empty: refused
        QTest::newRow("a path") << "/etc/brezzano/bridge.password"
                                << "/run/credentials/b.service"
                                << "/etc/brezzano/bridge.password";
        QTest::newRow("a credential") << "bridge.password"
                                      << "/run/credentials/b.service"
                                      << "/run/credentials/b.service/bridge.password";
        QTest::newRow("a credential, none passed") << "bridge.password"
                                                   << ""
                                                   << "";
    }
    void passwordPath()
    {
        QFETCH(QString, setting);
        QFETCH(QString, credentials);
        QFETCH(QString, path);
        QString resolved;
        const QString error = bridge::passwordPath(setting, credentials, &resolved);
        QCOMPARE(error.isEmpty(), !path.isEmpty());
        if (error.isEmpty())
            QCOMPARE(resolved, path);
        else
            QVERIFY2(error.contains(QStringLiteral("CREDENTIALS_DIRECTORY")), qPrintable(error));
    }

    void files()
    {
        QTemporaryDir dir;
        const QString bookPath = dir.filePath(QStringLiteral("brezzano.ini"));
        const QString configPath = dir.filePath(QStringLiteral("bridge.ini"));
        const QString passwordPath = dir.filePath(QStringLiteral("password"));
        IniFile book;
        book.loadText(QStringLiteral("[SENS]\nNETTYPE=1\n[LISTSENS]\nNAME0=Shop\nIPADDR0=127.0.0.31\n"));
        QVERIFY(book.save(bookPath));
        IniFile config;
        config.loadText(
            QStringLiteral("[broker]\nuser=bridge\npassword_file=%1\n[controllers]\naddress_book=%2\n")
                .arg(passwordPath, bookPath));
        QVERIFY(config.save(configPath));

        bridge::BridgeConfig loaded;
        QCOMPARE(bridge::loadConfig(bridge::parseArguments({"--config", configPath}), &loaded), QString());
        QCOMPARE(loaded.controllers.size(), size_t(1));
        QCOMPARE(loaded.controllers[0].id, QStringLiteral("127_0_0_31"));
        QCOMPARE(loaded.controllers[0].name, QStringLiteral("Shop"));
        QCOMPARE(loaded.controllers[0].address, QStringLiteral("127.0.0.31"));
        QCOMPARE(loaded.user, QStringLiteral("bridge"));

        QString password;
        QVERIFY(!bridge::readPasswordFile(passwordPath, &password).isEmpty());
        QFile file(passwordPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("s3cret\r\nsecond line\n");
        file.close();
        QCOMPARE(bridge::readPasswordFile(passwordPath, &password), QString());
        QCOMPARE(password, QStringLiteral("s3cret"));
        bridge::BrokerOptions options;
        QCOMPARE(bridge::brokerOptions(loaded, &options), QString());
        QCOMPARE(options.user, QStringLiteral("bridge"));
        QCOMPARE(options.password, QStringLiteral("s3cret"));
        QCOMPARE(options.willTopic, QStringLiteral("brezzano/bridge/%1/availability").arg(loaded.id));

        // A named file must exist; the default one may be missing when the options say enough.
        const QString missing = dir.filePath(QStringLiteral("none.ini"));
        QCOMPARE(bridge::loadConfig(bridge::parseArguments({"--config", missing}), &loaded),
                 QStringLiteral("configuration file %1 not found").arg(missing));
        QCOMPARE(bridge::loadConfig(bridge::parseArguments({"--address-book", missing}), &loaded),
                 QStringLiteral("address book %1 not found").arg(missing));
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
