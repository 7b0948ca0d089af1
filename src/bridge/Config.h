#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

class IniFile;

// The bridge's configuration: /etc/brezzano/bridge.ini (or --config PATH),
// overridden by the command line, with the controllers listed there or taken
// from an address book in the program's own brezzano.ini format.
namespace bridge {

inline const QString DefaultConfigPath = QStringLiteral("/etc/brezzano/bridge.ini");

struct ControllerEntry
{
    QString id; // the topic segment: lower-case letters, digits, '_' and '-'
    QString name;
    QString address;
};

struct BridgeConfig
{
    // Names this bridge among others on one broker: its client id, availability and error topics.
    QString id = QStringLiteral("bridge");
    QString brokerHost = QStringLiteral("localhost");
    int brokerPort = 1883; // 8883 by default with TLS
    QString clientId;      // brezzano-bridge-<id> unless set
    QString user;
    QString passwordFile;
    QString caFile;
    QString prefix = QStringLiteral("brezzano");
    QString discoveryPrefix = QStringLiteral("homeassistant");
    int period = 30; // seconds
    QString addressBook;
    std::vector<ControllerEntry> controllers;
    QStringList warnings; // address-book entries left out, for the log
};

// What the command line says; unset options leave the file's values.
struct Arguments
{
    QString configPath; // empty: the default path, which may be missing
    std::optional<QString> id;
    std::optional<QString> brokerHost;
    std::optional<int> brokerPort;
    std::optional<QString> addressBook;
    std::optional<int> period;
    std::optional<QString> prefix;
    std::optional<QString> discoveryPrefix;
    bool help = false;
    QString error; // non-empty: the command line is wrong
};

// `args` without the program name.
Arguments parseArguments(const QStringList &args);
QString usage();

// The bridge id when none is configured: the host name as a topic segment.
QString defaultBridgeId(const QString &hostName);

// Pure: the file's values, then the command line's. `hostName` gives the default id. Address-book devices are
// (name, address) pairs in book order. Returns an empty string or the first fault.
QString buildConfig(const IniFile &file, const Arguments &args,
                    const std::vector<std::pair<QString, QString>> &addressBook, BridgeConfig *out,
                    const QString &hostName = QString());

// Reads the configuration file and the address book it or the command line names.
QString loadConfig(const Arguments &args, BridgeConfig *out);

// The first line of the file, without its line end.
QString readPasswordFile(const QString &path, QString *password);
// Where the password file setting points: a path, or a bare name of a credential in
// `credentialsDirectory` (systemd's $CREDENTIALS_DIRECTORY). Empty string or the fault.
QString passwordPath(const QString &setting, const QString &credentialsDirectory, QString *path);

struct BrokerOptions;
// The client's options: the broker, the password read from its file, and the
// last will on <prefix>/bridge/<id>/availability. Empty string or the fault.
QString brokerOptions(const BridgeConfig &config, BrokerOptions *out);

// A topic segment made of `text`: "Ground floor" -> "ground_floor".
QString slug(const QString &text);

} // namespace bridge
