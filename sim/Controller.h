#pragma once

#include "schedules/Program.h"
#include "units/Setting.h"
#include "units/UnitTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <array>
#include <map>
#include <optional>

namespace sim {

struct Unit final
{
    static constexpr int maxSchedule = schedule::Blocks * schedule::SlotsPerBlock;

    int address = 0;
    QString name;
    quint8 mode = units::ModeOnBit | units::ModeCooling; // status byte 2
    quint8 fan = units::FanAutoBit;                      // status byte 3
    quint8 setTemp = 22;
    quint8 room = 84; // half-degree code: 84 is 22.0 degrees
    quint8 t2a = units::SensorMissing;
    quint8 t2b = units::SensorMissing;
    quint8 t3 = units::SensorMissing;
    bool flap = false;
    bool remoteLocked = false;
    std::array<quint8, units::FaultBytes> faults{}; // status bytes 16..20
    quint8 tmin = setting::MinTemp;
    quint8 tmax = setting::MaxTemp;
    quint8 prog = 0;
    QVector<TprogRecord> schedule;

    // The status bytes as the controller reports them.
    QByteArray statusBytes() const;
    bool inFault() const;
    int scheduleBlocks() const;
};

struct ModuleSettings final
{
    QString ssid = QStringLiteral("BrezzanoNet");
    QString passphrase = QStringLiteral("aria-fresca-2000");
    bool dhcp = true;
    QString ip = QStringLiteral("127.0.0.1");
    QString gateway = QStringLiteral("127.0.0.254");
    QString dns = QStringLiteral("127.0.0.53");
    QString dnsBackup = QStringLiteral("0.0.0.0");
};

// Everything the simulated controller and its Wi-Fi module remember.
class Controller final
{
public:
    QString deviceName = QStringLiteral("Simulated controller");
    QString macAddress = QStringLiteral("00:1E:C0:12:34:56");
    QString password = QStringLiteral("123456");
    bool usePassword = false;
    bool web = true;
    bool alarm = false;
    quint8 lockMode = 0;
    qint64 clockOffsetSecs = 0; // device clock minus the computer's
    bool drift = false;         // measured temperatures wander a little on each reload
    ModuleSettings module;
    std::map<int, Unit> units; // by address 0..63

    static Controller builtinDefault();
    static Controller builtinDemo();

    Unit *unit(int address);
    // Adds a plain unit at every address below `count` that has none.
    void fillUnits(int count);
    QDateTime now() const;
    // Sets the device clock from the fields of a clock request; false when they make no date.
    bool setClock(int yearMod1000, int month, int day, int hour, int minute);
    // One half-degree step up or down for some units, kept near their set temperature.
    void driftTemperatures();

    // Scenario files: see sim/README.md for the format.
    static std::optional<Controller> fromJson(const QByteArray &json, QString *error);
    QByteArray toJson() const;
};

// Fault codes as the panel shows them ("E3", "PA", "2#") to bits of status bytes 16..20;
// units::faultCode is the other way.
bool faultBit(const QString &code, int *byteIndex, int *bit);

} // namespace sim
