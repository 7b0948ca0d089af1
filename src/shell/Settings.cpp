#include "shell/Settings.h"

#include "shell/IniFile.h"

#include <QDir>
#include <QLockFile>

namespace {

const QString Sens = QStringLiteral("SENS");
const QString ListSens = QStringLiteral("LISTSENS");

// The book numbers its devices 0 to k-1 (k keys in the section); a NAME key with
// another number, leading zeros or another case is not a device.
int deviceNumber(const QString &key, int keyCount)
{
    static const QString prefix = QStringLiteral("NAME");
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

AppSettings readSettings(const IniFile &ini)
{
    AppSettings settings;
    settings.ipSensor = ini.readString(Sens, QStringLiteral("IP"), DeviceNetworkAddress);
    settings.netType = ini.readInteger(Sens, QStringLiteral("NETTYPE"), 0);
    if (settings.netType == 0)
        settings.ipSensor = DeviceNetworkAddress;
    settings.debug = ini.readInteger(Sens, QStringLiteral("DEBUG"), 0);
    settings.language = ini.readInteger(Sens, QStringLiteral("LANGUAGE"), 0);
    if (settings.language != 0 && settings.language != 1)
        settings.language = 0;
    settings.autoUpdate = ini.readInteger(Sens, QStringLiteral("AUTOAUPD"), 30);
    settings.registrationUrl = ini.readString(Sens, QStringLiteral("REGURL"), QString());
    const int rawDays =
        ini.readInteger(QStringLiteral("HISTORY"), QStringLiteral("RAWDAYS"), settings.historyRawDays);
    if (rawDays > 0)
        settings.historyRawDays = rawDays;
    const int sitePeriod =
        ini.readInteger(QStringLiteral("SITE"), QStringLiteral("PERIOD"), settings.sitePeriod);
    if (sitePeriod >= 0)
        settings.sitePeriod = sitePeriod;

    const auto entries = ini.entries(ListSens);
    const int keyCount = int(entries.size());
    std::vector<bool> seen(entries.size(), false); // a repeated NAMEn: the first counts
    for (const auto &[key, name] : entries) {
        const int n = deviceNumber(key, keyCount);
        if (n < 0 || seen[size_t(n)])
            continue;
        seen[size_t(n)] = true;
        const QString address =
            ini.readString(ListSens, QStringLiteral("IPADDR") + QString::number(n), DeviceNetworkAddress);
        settings.devices.emplace_back(name, address);
    }
    return settings;
}

void writeSettings(IniFile &ini, const AppSettings &settings)
{
    const int netType = settings.netType == 0 ? 0 : 1;
    ini.writeInteger(Sens, QStringLiteral("NETTYPE"), netType);
    ini.writeString(Sens, QStringLiteral("IP"), netType == 0 ? DeviceNetworkAddress : settings.ipSensor);
    ini.writeInteger(Sens, QStringLiteral("AUTOAUPD"), settings.autoUpdate);
    ini.writeInteger(Sens, QStringLiteral("LANGUAGE"), settings.language == 1 ? 1 : 0);

    // An empty book leaves no LISTSENS section behind in a new file.
    ini.eraseSectionKeys(ListSens);
    for (std::size_t i = 0; i < settings.devices.size(); ++i) {
        const QString n = QString::number(i);
        ini.writeString(ListSens, QStringLiteral("NAME") + n, settings.devices[i].first);
        ini.writeString(ListSens, QStringLiteral("IPADDR") + n, settings.devices[i].second);
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
