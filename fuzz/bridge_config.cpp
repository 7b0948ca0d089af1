// The bridge's configuration file, address book and command line: any of them
// either loads or gives a reason, what loads is usable, and loading reads the
// two files it is given and nothing else.
#include "Check.h"
#include "Folder.h"

#include "bridge/Config.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <QFile>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

bool usableRoot(const QString &root)
{
    return !root.isEmpty() && !root.startsWith(QLatin1Char('/')) && !root.endsWith(QLatin1Char('/')) &&
           !root.contains(QStringLiteral("//")) && !root.contains(QLatin1Char('+')) &&
           !root.contains(QLatin1Char('#'));
}

void checkUsable(const bridge::BridgeConfig &c)
{
    FUZZ_CHECK(!c.id.isEmpty() && c.id == bridge::slug(c.id));
    FUZZ_CHECK(!c.brokerHost.isEmpty() && c.brokerPort >= 1 && c.brokerPort <= 65535);
    FUZZ_CHECK(usableRoot(c.prefix) && usableRoot(c.discoveryPrefix));
    FUZZ_CHECK(c.period >= 1 && c.period <= 86400);
    FUZZ_CHECK(!c.controllers.empty());
    QStringList ids{QStringLiteral("bridge")};
    for (const bridge::ControllerEntry &controller : c.controllers) {
        FUZZ_CHECK(!controller.id.isEmpty() && controller.id == bridge::slug(controller.id));
        FUZZ_CHECK(!ids.contains(controller.id));
        FUZZ_CHECK(!controller.address.isEmpty());
        ids << controller.id;
    }
}

bool sameConfig(const bridge::BridgeConfig &a, const bridge::BridgeConfig &b)
{
    if (a.controllers.size() != b.controllers.size())
        return false;
    for (size_t i = 0; i < a.controllers.size(); ++i)
        if (a.controllers[i].id != b.controllers[i].id || a.controllers[i].name != b.controllers[i].name ||
            a.controllers[i].address != b.controllers[i].address)
            return false;
    return a.id == b.id && a.brokerHost == b.brokerHost && a.brokerPort == b.brokerPort &&
           a.clientId == b.clientId && a.user == b.user && a.passwordFile == b.passwordFile &&
           a.caFile == b.caFile && a.prefix == b.prefix && a.discoveryPrefix == b.discoveryPrefix &&
           a.period == b.period && a.warnings == b.warnings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FUZZ_CHECK(fuzzFolder().isValid());
    // The configuration file; after the first 0x01 the address book; after the first 0x02
    // the command line, its arguments split by NUL.
    QByteArray input(reinterpret_cast<const char *>(bytes), int(size));
    QStringList argv;
    if (const int split = input.indexOf('\x02'); split >= 0) {
        for (const QByteArray &arg : input.mid(split + 1).split('\0'))
            argv << QString::fromUtf8(arg);
        input.truncate(split);
    }
    QByteArray bookBytes;
    if (const int split = input.indexOf('\x01'); split >= 0) {
        bookBytes = input.mid(split + 1);
        input.truncate(split);
    }

    bridge::Arguments args = bridge::parseArguments(argv);
    if (!args.error.isEmpty())
        return 0;
    FUZZ_CHECK(!args.brokerPort || (*args.brokerPort >= 1 && *args.brokerPort <= 65535));
    FUZZ_CHECK(!args.period || (*args.period >= 1 && *args.period <= 86400));

    IniFile file;
    file.loadBytes(input);
    IniFile book;
    book.loadBytes(bookBytes);
    const std::vector<std::pair<QString, QString>> devices = readSettings(book).devices;
    // Whatever the file names as address book or password file is never followed: the
    // paths are the two files of an otherwise empty folder.
    const QString configPath = fuzzFolder().filePath(QStringLiteral("bridge.ini"));
    const QString bookPath = fuzzFolder().filePath(QStringLiteral("book.ini"));
    args.configPath = configPath;
    args.addressBook = bookPath;

    bridge::BridgeConfig built;
    const QString error = bridge::buildConfig(file, args, devices, &built, QStringLiteral("fuzz-host"));
    if (error.isEmpty())
        checkUsable(built);

    writeFile(configPath, input);
    writeFile(bookPath, bookBytes);
    // Without an id anywhere the host name decides it, as loading does.
    bridge::BridgeConfig expected;
    const QString expectedError = bridge::buildConfig(file, args, devices, &expected);
    bridge::BridgeConfig loaded;
    const QString loadError = bridge::loadConfig(args, &loaded);
    FUZZ_CHECK(loadError == expectedError);
    if (loadError.isEmpty())
        FUZZ_CHECK(sameConfig(loaded, expected));

    // A password file setting only names a path: the credential folder is the empty one.
    QString path;
    if (error.isEmpty() && !built.passwordFile.isEmpty())
        FUZZ_CHECK(bridge::passwordPath(built.passwordFile, fuzzFolder().path(), &path).isEmpty() &&
                   !path.isEmpty());
    return 0;
}
