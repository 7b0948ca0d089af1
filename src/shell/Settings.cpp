#include "shell/Settings.h"

#include "shell/IniFile.h"

#include <QDir>
#include <QLockFile>

#include <array>

namespace {

// clang-format off
constexpr std::array<SettingsKeyName, size_t(SettingsKey::Count)> KeyNames{{
    {"SENS", "NETTYPE", false},
    {"SENS", "IP", false},
    {"SENS", "LANGUAGE", false},
    {"SENS", "AUTOAUPD", false},
    {"SENS", "DEBUG", false},
    {"SENS", "REGURL", false},
    {"LISTSENS", "NAME", true},
    {"LISTSENS", "IPADDR", true},
    {"HISTORY", "RAWDAYS", false},
    {"SITE", "PERIOD", false},
}};
// clang-format on

// The book numbers its devices 0 to k-1 (k keys in the section); a NAME key with
// another number, leading zeros or another case is not a device.
int deviceNumber(const QString &key, int keyCount)
{
    static const QString prefix = settingsKey(SettingsKey::DeviceName);
    if (!key.startsWith(prefix, Qt::CaseSensitive))
        return -1;
    const QString digits = key.mid(prefix.size());
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    if (!ok || n < 0 || n >= keyCount || QString::number(n) != digits)
        return -1;
    return n;
}

} // namespace

const SettingsKeyName &settingsKeyName(SettingsKey key)
{
    return KeyNames[size_t(key)];
}

QString settingsSection(SettingsKey key)
{
    return QLatin1String(settingsKeyName(key).section);
}

QString settingsKey(SettingsKey key, int number)
{
    const QString name = QLatin1String(settingsKeyName(key).key);
    return number >= 0 ? name + QString::number(number) : name;
}

AppSettings readSettings(const IniFile &ini)
{
    using K = SettingsKey;
    AppSettings settings;
    const auto integer = [&ini](K key, int def) {
        return ini.readInteger(settingsSection(key), settingsKey(key), def);
    };
    const auto text = [&ini](K key, const QString &def) {
        return ini.readString(settingsSection(key), settingsKey(key), def);
    };
    settings.ipSensor = text(K::Ip, DeviceNetworkAddress);
    settings.netType = integer(K::NetType, 0);
    if (settings.netType == 0)
        settings.ipSensor = DeviceNetworkAddress;
    settings.debug = integer(K::Debug, 0);
    settings.language = integer(K::Language, 0);
    if (settings.language != 0 && settings.language != 1)
        settings.language = 0;
    settings.autoUpdate = integer(K::AutoUpdate, 30);
    settings.registrationUrl = text(K::RegistrationUrl, QString());
    const int rawDays = integer(K::HistoryRawDays, settings.historyRawDays);
    if (rawDays > 0)
        settings.historyRawDays = rawDays;
    const int sitePeriod = integer(K::SitePeriod, settings.sitePeriod);
    if (sitePeriod >= 0)
        settings.sitePeriod = sitePeriod;

    const QString book = settingsSection(K::DeviceName);
    const auto entries = ini.entries(book);
    const int keyCount = int(entries.size());
    std::vector<bool> seen(entries.size(), false); // a repeated NAMEn: the first counts
    for (const auto &[key, deviceName] : entries) {
        const int n = deviceNumber(key, keyCount);
        if (n < 0 || seen[size_t(n)])
            continue;
        seen[size_t(n)] = true;
        const QString address = ini.readString(settingsSection(K::DeviceAddress),
                                               settingsKey(K::DeviceAddress, n), DeviceNetworkAddress);
        settings.devices.emplace_back(deviceName, address);
    }
    return settings;
}

void writeSettings(IniFile &ini, const AppSettings &settings)
{
    using K = SettingsKey;
    const int netType = settings.netType == 0 ? 0 : 1;
    ini.writeInteger(settingsSection(K::NetType), settingsKey(K::NetType), netType);
    ini.writeString(settingsSection(K::Ip), settingsKey(K::Ip),
                    netType == 0 ? DeviceNetworkAddress : settings.ipSensor);
    ini.writeInteger(settingsSection(K::AutoUpdate), settingsKey(K::AutoUpdate), settings.autoUpdate);
    ini.writeInteger(settingsSection(K::Language), settingsKey(K::Language), settings.language == 1 ? 1 : 0);

    // An empty book leaves no LISTSENS section behind in a new file.
    const QString book = settingsSection(K::DeviceName);
    ini.eraseSectionKeys(book);
    for (std::size_t i = 0; i < settings.devices.size(); ++i) {
        ini.writeString(book, settingsKey(K::DeviceName, int(i)), settings.devices[i].first);
        ini.writeString(book, settingsKey(K::DeviceAddress, int(i)), settings.devices[i].second);
    }
}

std::unique_ptr<QLockFile> lockSettingsFolder(const QString &dir, bool *heldElsewhere)
{
    auto lock = std::make_unique<QLockFile>(QDir(dir).filePath(QStringLiteral("brezzano.lock")));
    // Held for hours: only a holder that no longer runs makes it stale, never its age.
    lock->setStaleLockTime(0);
    const bool locked = lock->tryLock(0);
    if (heldElsewhere)
        *heldElsewhere = !locked && lock->error() == QLockFile::LockFailedError;
    if (!locked)
        return nullptr;
    return lock;
}
