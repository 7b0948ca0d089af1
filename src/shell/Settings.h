#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class IniFile;
class QLockFile;

inline const QString DeviceNetworkAddress = QStringLiteral("169.254.1.1");

// What brezzano.ini holds, after the reading rules have been applied.
struct AppSettings
{
    int netType = 0; // 0: the device's own network; else the local network
    QString ipSensor = DeviceNetworkAddress;
    int debug = 0;                                    // 127 switches debugging on
    int language = 0;                                 // 0 English, 1 Italian
    int autoUpdate = 30;                              // seconds, 0 = never
    std::vector<std::pair<QString, QString>> devices; // (name, address) in address-book order
    QString registrationUrl;                          // REGURL: read only, never written
    int historyRawDays = 30; // [HISTORY] RAWDAYS: days of raw samples kept; read only, never written
    int sitePeriod = 60;     // [SITE] PERIOD: seconds between readings of the site, 0 off; read only
};

// The keys of brezzano.ini that the program reads, each named once here: the reading and
// writing code take their names from this list, and the manual's test holds the manual to it.
enum class SettingsKey {
    NetType,
    Ip,
    Language,
    AutoUpdate,
    Debug,
    RegistrationUrl,
    DeviceName,    // NAME0, NAME1, ...
    DeviceAddress, // IPADDR0, IPADDR1, ...
    HistoryRawDays,
    SitePeriod,
    Count
};
struct SettingsKeyName
{
    const char *section;
    const char *key;
    bool numbered; // the key stands for key0, key1, ... as the address book numbers them
};
const SettingsKeyName &settingsKeyName(SettingsKey key);
QString settingsSection(SettingsKey key);
QString settingsKey(SettingsKey key, int number = -1); // number: of a numbered key

// Reads SENS and the LISTSENS address book (NAMEn / IPADDRn rule).
AppSettings readSettings(const IniFile &ini);

// Writes SENS (NETTYPE, IP, AUTOAUPD, LANGUAGE in this order) and replaces LISTSENS.
// NETTYPE is written 0 when netType is 0, else 1; with 0 the address is 169.254.1.1.
// DEBUG is never written. Other keys and sections are left as they were.
void writeSettings(IniFile &ini, const AppSettings &settings);

// Locks the settings folder `dir` for this process, for as long as the lock
// lives, so that a second instance there cannot overwrite the first one's
// settings at its close. Null when another running process holds it (`heldElsewhere`
// set) or when the lock file cannot be written; a lock left behind by a process that
// has ended is taken over.
std::unique_ptr<QLockFile> lockSettingsFolder(const QString &dir, bool *heldElsewhere = nullptr);
