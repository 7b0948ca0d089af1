#include "bridge/Config.h"

#include "bridge/MqttClient.h"
#include "bridge/Payloads.h"

#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSet>
#include <QSysInfo>

namespace bridge {

namespace {

const QString Broker = QStringLiteral("broker");
const QString BridgeSection = QStringLiteral("bridge");
const QString TopicsSection = QStringLiteral("topics");
const QString Poll = QStringLiteral("poll");
const QString Controllers = QStringLiteral("controllers");
const QString AddressBookKey = QStringLiteral("address_book");
// Topic segments the bridge uses itself beside the controllers'.
const QString ReservedId = QStringLiteral("bridge");

constexpr int MaxPeriod = 86400;

bool parsePort(const QString &text, int *port)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 1 || value > 65535)
        return false;
    *port = value;
    return true;
}

bool parsePeriod(const QString &text, int *period)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 1 || value > MaxPeriod)
        return false;
    *period = value;
    return true;
}

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; an IPv6 address without brackets has no port.
QString parseBroker(const QString &text, Arguments &args)
{
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return QStringLiteral("--broker %1: missing ]").arg(text);
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return QStringLiteral("--broker %1: expected :PORT after ]").arg(text);
            port = rest.mid(1);
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
    }
    if (host.isEmpty())
        return QStringLiteral("--broker %1: no host").arg(text);
    args.brokerHost = host;
    if (!port.isNull()) {
        int value = 0;
        if (!parsePort(port, &value))
            return QStringLiteral("--broker %1: %2 is not a port").arg(text, port);
        args.brokerPort = value;
    }
    return {};
}

// A root for topics: no wildcards, no empty level, no slash at either end.
bool validRoot(const QString &root)
{
    if (root.isEmpty() || root.startsWith(QLatin1Char('/')) || root.endsWith(QLatin1Char('/')))
        return false;
    if (root.contains(QStringLiteral("//")))
        return false;
    for (const QChar ch : root)
        if (ch == QLatin1Char('+') || ch == QLatin1Char('#') || ch.unicode() == 0)
            return false;
    return true;
}

bool validAddress(const QString &address)
{
    QHostAddress parsed;
    return parsed.setAddress(address.trimmed());
}

} // namespace

QString slug(const QString &text)
{
    QString out;
    for (const QChar ch : text.toLower()) {
        const bool kept = (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ||
                          (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('-');
        if (kept)
            out += ch;
        else if (!out.endsWith(QLatin1Char('_')))
            out += QLatin1Char('_');
    }
    while (out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    return out;
}

QString defaultBridgeId(const QString &hostName)
{
    const QString id = slug(hostName.section(QLatin1Char('.'), 0, 0));
    return id.isEmpty() ? QStringLiteral("bridge") : id;
}

QString usage()
{
    return QStringLiteral(
        "Usage: brezzano-bridge [--config PATH] [--id ID] [--broker HOST[:PORT]] [--address-book PATH]\n"
        "                       [--period SECONDS] [--prefix TOPIC] [--discovery-prefix TOPIC]\n"
        "Publishes the units of every listed controller on an MQTT broker, with Home Assistant discovery.\n"
        "The configuration file (default /etc/brezzano/bridge.ini) is optional when the options say "
        "enough.\n");
}

Arguments parseArguments(const QStringList &args)
{
    Arguments out;
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption config(QStringLiteral("config"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption id(QStringLiteral("id"), QString(), QStringLiteral("ID"));
    const QCommandLineOption broker(QStringLiteral("broker"), QString(), QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption book(QStringLiteral("address-book"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption period(QStringLiteral("period"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption prefix(QStringLiteral("prefix"), QString(), QStringLiteral("TOPIC"));
    const QCommandLineOption discovery(QStringLiteral("discovery-prefix"), QString(),
                                       QStringLiteral("TOPIC"));
    parser.addOptions({help, config, id, broker, book, period, prefix, discovery});
    if (!parser.parse(QStringList{QStringLiteral("brezzano-bridge")} + args)) {
        out.error = parser.errorText();
        return out;
    }
    if (!parser.positionalArguments().isEmpty()) {
        out.error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return out;
    }
    out.help = parser.isSet(help);
    out.configPath = parser.value(config);
    if (parser.isSet(id))
        out.id = parser.value(id);
    if (parser.isSet(broker)) {
        out.error = parseBroker(parser.value(broker), out);
        if (!out.error.isEmpty())
            return out;
    }
    if (parser.isSet(book))
        out.addressBook = parser.value(book);
    if (parser.isSet(period)) {
        int value = 0;
        if (!parsePeriod(parser.value(period), &value)) {
            out.error = QStringLiteral("--period %1: whole seconds from 1 to %2 expected")
                            .arg(parser.value(period))
                            .arg(MaxPeriod);
            return out;
        }
        out.period = value;
    }
    if (parser.isSet(prefix))
        out.prefix = parser.value(prefix);
    if (parser.isSet(discovery))
        out.discoveryPrefix = parser.value(discovery);
    return out;
}

QString buildConfig(const IniFile &file, const Arguments &args,
                    const std::vector<std::pair<QString, QString>> &addressBook, BridgeConfig *out,
                    const QString &hostName)
{
    BridgeConfig c;
    c.id = args.id.value_or(file.readString(BridgeSection, QStringLiteral("id"), QString()));
    if (c.id.isEmpty() && !args.id && !file.hasKey(BridgeSection, QStringLiteral("id")))
        c.id = defaultBridgeId(hostName.isNull() ? QSysInfo::machineHostName() : hostName);
    if (c.id.isEmpty() || c.id != slug(c.id))
        return QStringLiteral("bridge id \"%1\": use lower-case letters, digits, _ and - only").arg(c.id);
    c.brokerHost = args.brokerHost.value_or(file.readString(Broker, QStringLiteral("host"), c.brokerHost));
    c.clientId = file.readString(Broker, QStringLiteral("client_id"), QString());
    if (c.clientId.isEmpty())
        c.clientId = QStringLiteral("brezzano-bridge-") + c.id;
    c.user = file.readString(Broker, QStringLiteral("user"), QString());
    c.passwordFile = file.readString(Broker, QStringLiteral("password_file"), QString());
    c.caFile = file.readString(Broker, QStringLiteral("tls_ca"), QString());
    if (!c.caFile.isEmpty())
        c.brokerPort = 8883;
    if (args.brokerPort) {
        c.brokerPort = *args.brokerPort;
    } else if (file.hasKey(Broker, QStringLiteral("port"))) {
        const QString text = file.readString(Broker, QStringLiteral("port"), QString());
        if (!parsePort(text, &c.brokerPort))
            return QStringLiteral("[broker] port %1 is not a port").arg(text);
    }
    if (c.brokerHost.isEmpty())
        return QStringLiteral("[broker] host is empty");

    c.prefix = args.prefix.value_or(file.readString(TopicsSection, QStringLiteral("prefix"), c.prefix));
    c.discoveryPrefix = args.discoveryPrefix.value_or(
        file.readString(TopicsSection, QStringLiteral("discovery_prefix"), c.discoveryPrefix));
    if (!validRoot(c.prefix))
        return QStringLiteral("topic prefix \"%1\" is not usable").arg(c.prefix);
    if (!validRoot(c.discoveryPrefix))
        return QStringLiteral("discovery prefix \"%1\" is not usable").arg(c.discoveryPrefix);

    if (args.period) {
        c.period = *args.period;
    } else if (file.hasKey(Poll, QStringLiteral("period"))) {
        const QString text = file.readString(Poll, QStringLiteral("period"), QString());
        if (!parsePeriod(text, &c.period))
            return QStringLiteral("[poll] period %1: whole seconds from 1 to %2 expected")
                .arg(text)
                .arg(MaxPeriod);
    }

    QSet<QString> ids{ReservedId};
    QSet<QString> addresses;
    for (const auto &[key, value] : file.entries(Controllers)) {
        if (key.compare(AddressBookKey, Qt::CaseInsensitive) == 0)
            continue;
        const QString id = key.toLower();
        if (id != slug(id) || id.isEmpty())
            return QStringLiteral("[controllers] %1: use lower-case letters, digits, _ and - only").arg(key);
        if (ids.contains(id))
            return QStringLiteral("[controllers] %1: name already used").arg(key);
        if (!validAddress(value))
            return QStringLiteral("[controllers] %1: %2 is not an IP address").arg(key, value);
        ids.insert(id);
        addresses.insert(value.trimmed());
        c.controllers.push_back({id, key, value.trimmed()});
    }

    c.addressBook = args.addressBook.value_or(file.readString(Controllers, AddressBookKey, QString()));
    for (const auto &[name, address] : addressBook) {
        if (!validAddress(address)) {
            c.warnings
                << QStringLiteral("address book: %1 (%2) left out: not an IP address").arg(name, address);
            continue;
        }
        if (addresses.contains(address.trimmed()))
            continue; // listed twice: the first entry counts
        // Named by its address, not its name or place in the book: renaming or reordering
        // entries keeps every controller's topics and Home Assistant entities.
        const QString id = slug(address);
        if (ids.contains(id)) {
            c.warnings << QStringLiteral("address book: %1 (%2) left out: id %3 already used")
                              .arg(name, address, id);
            continue;
        }
        ids.insert(id);
        addresses.insert(address.trimmed());
        c.controllers.push_back({id, name.isEmpty() ? address.trimmed() : name, address.trimmed()});
    }
    if (c.controllers.empty())
        return QStringLiteral("no controllers: list them under [controllers] or name an address book");
    *out = c;
    return {};
}

QString loadConfig(const Arguments &args, BridgeConfig *out)
{
    const QString path = args.configPath.isEmpty() ? DefaultConfigPath : args.configPath;
    if (!args.configPath.isEmpty() && !QFileInfo::exists(path))
        return QStringLiteral("configuration file %1 not found").arg(path);
    IniFile file;
    QString error;
    if (!file.load(path, &error))
        return error;

    std::vector<std::pair<QString, QString>> devices;
    const QString bookPath =
        args.addressBook.value_or(file.readString(Controllers, AddressBookKey, QString()));
    if (!bookPath.isEmpty()) {
        if (!QFileInfo::exists(bookPath))
            return QStringLiteral("address book %1 not found").arg(bookPath);
        IniFile book;
        if (!book.load(bookPath, &error))
            return error;
        devices = readSettings(book).devices;
    }
    return buildConfig(file, args, devices, out);
}

QString readPasswordFile(const QString &path, QString *password)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("password file %1: %2").arg(path, file.errorString());
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return {};
}

QString passwordPath(const QString &setting, const QString &credentialsDirectory, QString *path)
{
    // A service under a user of its own cannot read a file that is root's alone: systemd
    // hands it over as a credential (LoadCredential=), named without a slash.
    if (setting.contains(QLatin1Char('/'))) {
        *path = setting;
        return {};
    }
    if (credentialsDirectory.isEmpty())
        return QStringLiteral("password file %1: a credential name, but no credentials were passed "
                              "(CREDENTIALS_DIRECTORY is not set); give a path to read a file")
            .arg(setting);
    *path = QDir(credentialsDirectory).filePath(setting);
    return {};
}

QString brokerOptions(const BridgeConfig &config, BrokerOptions *out)
{
    BrokerOptions options;
    options.host = config.brokerHost;
    options.port = config.brokerPort;
    options.clientId = config.clientId;
    options.user = config.user;
    options.caFile = config.caFile;
    if (!config.passwordFile.isEmpty()) {
        QString path;
        QString error =
            passwordPath(config.passwordFile, qEnvironmentVariable("CREDENTIALS_DIRECTORY"), &path);
        if (error.isEmpty())
            error = readPasswordFile(path, &options.password);
        if (!error.isEmpty())
            return error;
    }
    Topics topics;
    topics.prefix = config.prefix;
    topics.bridgeId = config.id;
    options.willTopic = topics.bridgeAvailability();
    *out = options;
    return {};
}

} // namespace bridge
