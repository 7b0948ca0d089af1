#include "Controller.h"

#include <QRandomGenerator>

namespace sim {

namespace {

quint8 code(double degrees)
{
    return quint8(qBound(0, int((degrees + 20.0) * 2.0 + 0.5), 254));
}

constexpr quint8 On = units::ModeOnBit;
constexpr quint8 Off = units::ModeCooling; // bit 7 clear: off, whatever the low bits held
constexpr quint8 Auto = On | units::ModeAuto, Cool = On | units::ModeCooling, Heat = On | units::ModeHeating,
                 Dry = On | units::ModeDrying, Vent = On | units::ModeVentilation;
constexpr quint8 FanAuto = units::FanAutoBit, FanHigh = units::FanHigh, FanMed = units::FanMedium,
                 FanLow = units::FanLow, FanVeryLow = units::FanVeryLow;

int weekMinute(int day, int hour, int minute)
{
    return day * schedule::DayMinutes + hour * 60 + minute;
}

Unit makeUnit(int address, const QString &name, quint8 mode, quint8 fan, int setTemp, double room)
{
    Unit u;
    u.address = address;
    u.name = name;
    u.mode = mode;
    u.fan = fan;
    u.setTemp = quint8(setTemp);
    u.room = code(room);
    u.t2a = code(room - 8.0);
    u.t2b = units::SensorMissing;
    u.t3 = code(room + 14.5);
    return u;
}

QVector<TprogRecord> officeWeek()
{
    // Working days on at 08:00 (cooling 24, low fan), off at 18:30.
    QVector<TprogRecord> week;
    for (int day = 0; day < 5; ++day) {
        week.append({weekMinute(day, 8, 0), 24, 3, 2});
        week.append({weekMinute(day, 18, 30), 24, 1, 1});
    }
    return week;
}

QVector<TprogRecord> busyWeek()
{
    // More than one block of 30, so the second block is exercised too.
    QVector<TprogRecord> week;
    for (int day = 0; day < 7; ++day) {
        week.append({weekMinute(day, 6, 30), 21, 4, 1});
        week.append({weekMinute(day, 9, 0), 20, 2, 2});
        week.append({weekMinute(day, 12, 15), 22, 3, 3});
        week.append({weekMinute(day, 17, 45), 23, 3, 4});
        week.append({weekMinute(day, 22, 0), 19, 1, 0});
    }
    return week;
}

} // namespace

QByteArray Unit::statusBytes() const
{
    QByteArray b(units::StatusBytes, '\0');
    b[units::ModeByte] = char(mode);
    b[units::FanByte] = char(fan);
    b[units::SetTempByte] = char(setTemp);
    b[units::RoomTempByte] = char(room);
    b[units::PipeT2AByte] = char(t2a);
    b[units::PipeT2BByte] = char(t2b);
    b[units::PipeT3Byte] = char(t3);
    b[units::FlapByte] = char(flap ? units::FlapOnBit : 0);
    b[units::RemoteByte] = char(remoteLocked ? units::RemoteLockedBit : 0);
    for (int i = 0; i < units::FaultBytes; ++i)
        b[units::FirstFaultByte + i] = char(faults[size_t(i)]);
    return b;
}

bool Unit::inFault() const
{
    for (const quint8 f : faults)
        if (f != 0)
            return true;
    return false;
}

int Unit::scheduleBlocks() const
{
    return schedule.isEmpty() ? 0 : (schedule.size() > schedule::SlotsPerBlock ? 2 : 1);
}

Controller Controller::builtinDefault()
{
    Controller c;
    auto add = [&c](Unit u) { c.units[u.address] = std::move(u); };
    Unit hall = makeUnit(0, QStringLiteral("Hall"), Cool, FanLow, 24, 25.5);
    hall.flap = true;
    hall.prog = 1;
    hall.schedule = officeWeek();
    add(hall);
    Unit office = makeUnit(1, QStringLiteral("Office 1"), Heat, FanAuto, 21, 19.5);
    office.schedule = busyWeek();
    add(office);
    Unit meeting = makeUnit(2, QStringLiteral("Meeting room"), Off, FanMed, 22, 22.0);
    meeting.remoteLocked = true;
    meeting.tmin = 18;
    meeting.tmax = 28;
    add(meeting);
    Unit server = makeUnit(5, QStringLiteral("Server room"), Cool, FanHigh, 18, 27.0);
    server.faults = {0x08, 0x00, 0x00, 0x00, 0x00}; // E3
    add(server);
    add(makeUnit(9, QStringLiteral("Archive"), Dry, FanVeryLow, 23, 23.5));
    return c;
}

void Controller::fillUnits(int count)
{
    for (int address = 0; address < count && address < PanelUnits; ++address)
        if (!units.count(address))
            units[address] =
                makeUnit(address, QStringLiteral("Unit %1").arg(address), Cool, FanAuto, 22, 22.0);
}

Controller Controller::builtinDemo()
{
    Controller c;
    c.deviceName = QStringLiteral("Villa Brezzano");
    c.macAddress = QStringLiteral("00:1E:C0:4D:7A:21");
    c.alarm = true;
    c.drift = true;
    auto add = [&c](Unit u) { c.units[u.address] = std::move(u); };
    add(makeUnit(0, QStringLiteral("Reception"), Cool, FanAuto, 23, 24.5));
    add(makeUnit(1, QStringLiteral("Lobby"), Auto, FanMed, 22, 22.5));
    Unit kitchen = makeUnit(2, QStringLiteral("Kitchen"), Cool, FanHigh, 21, 26.0);
    kitchen.faults = {0x00, 0x00, 0x05, 0x00, 0x00}; // P0 P2
    add(kitchen);
    add(makeUnit(3, QStringLiteral("Dining room"), Heat, FanLow, 21, 19.0));
    Unit conf = makeUnit(4, QStringLiteral("Conference A"), Cool, FanMed, 22, 23.0);
    conf.prog = 1;
    conf.flap = true;
    conf.schedule = officeWeek();
    add(conf);
    add(makeUnit(5, QStringLiteral("Conference B"), Off, FanAuto, 22, 21.5));
    Unit gym = makeUnit(7, QStringLiteral("Gym"), Vent, FanHigh, 20, 21.0);
    gym.remoteLocked = true;
    add(gym);
    add(makeUnit(8, QStringLiteral("Spa"), Heat, FanVeryLow, 26, 25.0));
    Unit laundry = makeUnit(12, QStringLiteral("Laundry"), Dry, FanLow, 24, 27.5);
    laundry.faults = {0x00, 0x02, 0x00, 0x00, 0x04}; // E9 2#
    add(laundry);
    add(makeUnit(16, QStringLiteral("Suite 101"), Auto, FanAuto, 22, 22.0));
    Unit suite = makeUnit(17, QStringLiteral("Suite 102"), Cool, FanLow, 23, 24.0);
    suite.schedule = busyWeek();
    suite.prog = 1;
    add(suite);
    add(makeUnit(33, QStringLiteral("Roof terrace bar"), Off, FanMed, 25, 29.5)); // name cut to 15
    c.units[33].name.truncate(setting::UnitNameChars);
    return c;
}

Unit *Controller::unit(int address)
{
    const auto it = units.find(address);
    return it == units.end() ? nullptr : &it->second;
}

QDateTime Controller::now() const
{
    return QDateTime::currentDateTime().addSecs(clockOffsetSecs);
}

bool Controller::setClock(int yearMod1000, int month, int day, int hour, int minute)
{
    const QDate date(2000 + yearMod1000, month, day);
    const QTime time(hour, minute);
    if (!date.isValid() || !time.isValid())
        return false;
    const QDateTime wanted(date, time);
    clockOffsetSecs = QDateTime::currentDateTime().secsTo(wanted);
    return true;
}

void Controller::driftTemperatures()
{
    auto *rng = QRandomGenerator::global();
    for (auto &[address, u] : units) {
        Q_UNUSED(address)
        if (rng->bounded(3) != 0)
            continue;
        // Lean towards the set temperature so the values stay believable.
        const int target = (int(u.setTemp) + 20) * 2;
        int step = rng->bounded(2) == 0 ? -1 : 1;
        if (std::abs(int(u.room) - target) > 6)
            step = int(u.room) > target ? -1 : 1;
        u.room = quint8(qBound(0, int(u.room) + step, 254));
    }
}

} // namespace sim
