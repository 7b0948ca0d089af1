#include "Responder.h"

#include "Controller.h"
#include "Wire.h"
#include "link/Codes.h"
#include "link/Frame.h"

#include <optional>

namespace sim {

namespace {

using setting::AllUnits;

QString textOf(const QByteArray &bytes)
{
    // One character per byte, as the application sends them.
    return QString::fromLatin1(bytes);
}

QByteArray scheduleSlots(const QVector<TprogRecord> &entries, int first)
{
    return schedule::blockSlots({entries.begin(), entries.end()}, first);
}

QVector<TprogRecord> readSlots(const QByteArray &wire)
{
    const std::vector<TprogRecord> entries = schedule::decodeBlock(wire, false);
    return {entries.begin(), entries.end()};
}

// Bytes 0 to 8 of the settings dialog's update buffer, found from `at` on in `p`.
void applySettings(Unit &u, const QByteArray &p, int at)
{
    const auto byte = [&p, at](int i) { return quint8(p.at(at + i)); };
    u.mode = byte(setting::ModeSetting);
    u.fan = byte(setting::FanSetting);
    u.setTemp = byte(setting::SetTempSetting);
    u.flap = (byte(setting::FlapSetting) & units::FlapOnBit) != 0;
    u.tmin = byte(setting::TminSetting);
    u.tmax = byte(setting::TmaxSetting);
    u.prog = byte(setting::ScheduleSetting);
}

template <typename F> int forUnits(Controller &c, int address, F apply)
{
    int n = 0;
    for (auto &[a, u] : c.units)
        if (address == AllUnits || a == address) {
            apply(u);
            ++n;
        }
    return n;
}

QByteArray flag(bool on)
{
    return QByteArray(1, on ? '\1' : '\0');
}

} // namespace

Answer respond(Controller &c, int code, const QByteArray &p, const AnswerStyle &style)
{
    Answer a;
    const auto byte = [&p](int i) { return i < p.size() ? int(quint8(p.at(i))) : -1; };
    const int addr = byte(0);
    Unit *unit = addr >= 0 ? c.unit(addr) : nullptr;

    switch (Code(code)) {
    case Code::SetClock:
        if (p.size() >= 6 && c.setClock(byte(0), byte(1), byte(2), byte(4), byte(5)))
            a.note = QStringLiteral("clock set to ") + c.now().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        else
            a.note = QStringLiteral("clock request without a valid date, ignored");
        break;
    case Code::SetDeviceName:
        c.deviceName = textOf(p);
        a.note = QStringLiteral("device name is now \"%1\"").arg(c.deviceName);
        break;
    case Code::LockRemote:
    case Code::UnlockRemote:
        if (unit) {
            unit->remoteLocked = code == Code::LockRemote;
            a.note = QStringLiteral("unit %1 remote controller %2")
                         .arg(addr)
                         .arg(code == Code::LockRemote ? "locked" : "unlocked");
        }
        break;
    case Code::SetUnitStatus:
        if (unit && p.size() >= 1 + setting::SentSettings) {
            applySettings(*unit, p, 1);
            a.note = QStringLiteral("unit %1 status set").arg(addr);
        }
        break;
    case Code::SetUnitName:
        if (unit) {
            QByteArray name = p.mid(1);
            const qsizetype zero = name.indexOf('\0');
            if (zero >= 0)
                name.truncate(zero);
            unit->name = textOf(name.left(setting::UnitNameChars));
            a.note = QStringLiteral("unit %1 is now \"%2\"").arg(addr).arg(unit->name);
        }
        break;
    case Code::LockAllRemotes:
    case Code::UnlockAllRemotes:
        forUnits(c, AllUnits, [code](Unit &u) { u.remoteLocked = code == Code::LockAllRemotes; });
        a.note = code == Code::LockAllRemotes ? QStringLiteral("all remote controllers locked")
                                              : QStringLiteral("all remote controllers unlocked");
        break;
    case Code::SetAllUnitStatus:
        // Nine bytes: the settings bytes 0..8 of a unit status request, without an address.
        if (p.size() >= setting::SentSettings) {
            forUnits(c, AllUnits, [&p](Unit &u) { applySettings(u, p, 0); });
            a.note = QStringLiteral("status set for all units");
        }
        break;
    case Code::SetScheduleBlock1:
    case Code::SetScheduleBlock2:
        if (addr >= 0) {
            const QVector<TprogRecord> block = readSlots(p.mid(1));
            const int n = forUnits(c, addr, [&](Unit &u) {
                if (code == Code::SetScheduleBlock1)
                    u.schedule = block;
                else
                    u.schedule = u.schedule.mid(0, schedule::SlotsPerBlock) + block;
            });
            a.note = QStringLiteral("schedule block %1 (%2 entries) stored for %3 unit(s)")
                         .arg(code == Code::SetScheduleBlock1 ? 1 : 2)
                         .arg(block.size())
                         .arg(n);
        }
        break;
    case Code::SetPassword:
        c.password = textOf(p);
        a.note = QStringLiteral("password changed");
        break;
    case Code::SetPasswordUse:
        if (addr >= 0)
            c.usePassword = addr != 0;
        return {flag(c.usePassword), QStringLiteral("password use %1").arg(c.usePassword ? "on" : "off")};
    case Code::SetWebConnection:
        if (addr >= 0)
            c.web = addr != 0;
        return {flag(c.web), QStringLiteral("web connection %1").arg(c.web ? "on" : "off")};
    case Code::SetAlarmUse:
        if (addr >= 0)
            c.alarm = addr != 0;
        a.note = QStringLiteral("alarm %1").arg(c.alarm ? "on" : "off");
        break;
    case Code::SetLockMode:
        if (addr >= 0)
            c.lockMode = quint8(addr);
        a.note = QStringLiteral("lock mode %1").arg(c.lockMode);
        break;
    default:
        break;
    }
    if (style.ackOnly)
        return {QByteArray(), a.note};

    switch (Code(code)) {
    case Code::Clock: {
        const QDateTime now = c.now();
        const int day = style.outOfRange ? 9 : now.date().dayOfWeek();
        a.payload = QByteArray() + char(day) + char(now.time().hour()) + char(now.time().minute());
        break;
    }
    case Code::MacAddress:
        a.payload = frame::textBytes(c.macAddress);
        break;
    case Code::DeviceName:
        a.payload = frame::textBytes(c.deviceName);
        break;
    case Code::OnlineUnits: {
        if (c.drift)
            c.driftTemperatures();
        a.payload = QByteArray(style.outOfRange ? 80 : PanelUnits, '\0');
        for (const auto &[address, u] : c.units)
            a.payload[address] = 1;
        if (style.outOfRange)
            a.payload[79] = 1;
        break;
    }
    case Code::UnitStatus: {
        // An address without a unit reads as all zeros with the pipe sensors missing.
        Unit blank;
        blank.mode = blank.fan = blank.setTemp = blank.room = blank.tmin = blank.tmax = 0;
        const Unit &u = unit ? *unit : blank;
        QByteArray status = u.statusBytes();
        if (style.outOfRange)
            status += QByteArray(5, '\x11');
        a.payload = QByteArray(1, char(style.outOfRange ? 70 : qMax(addr, 0))) + status + char(u.tmin) +
                    char(u.tmax) + char(u.prog);
        break;
    }
    case Code::UnitName:
        a.payload = QByteArray(1, char(style.outOfRange ? 70 : qMax(addr, 0)));
        if (unit)
            a.payload += frame::textBytes(unit->name);
        a.payload += '\0';
        break;
    case Code::ScheduleLength:
        a.payload = QByteArray(1, char(qMax(addr, 0))) + char(unit ? unit->scheduleBlocks() : 0);
        break;
    case Code::ScheduleBlock1:
        a.payload = scheduleSlots(unit ? unit->schedule : QVector<TprogRecord>(), 0);
        break;
    case Code::ScheduleBlock2:
        a.payload = QByteArray(1, char(style.scheduleLead >= 0 ? style.scheduleLead : qMax(addr, 0))) +
                    scheduleSlots(unit ? unit->schedule : QVector<TprogRecord>(), schedule::SlotsPerBlock);
        break;
    case Code::PasswordUse:
        a.payload = flag(c.usePassword);
        break;
    case Code::Password:
        a.payload = frame::textBytes(c.password);
        break;
    case Code::WebConnection:
        a.payload = flag(c.web);
        break;
    case Code::AlarmUse:
    case Code::SetAlarmUse:
        a.payload = flag(c.alarm);
        break;
    case Code::LockMode:
    case Code::SetLockMode:
        a.payload = QByteArray(1, char(c.lockMode));
        break;
    default:
        break;
    }
    return a;
}

QList<QByteArray> moduleReply(Controller &c, const QByteArray &line)
{
    const QByteArray cmd = line.trimmed();
    ModuleSettings &m = c.module;
    const auto l1 = [](const QString &s) { return s.toLatin1(); };
    const QByteArray port = QByteArray::number(protocol::ControllerPort);
    if (cmd == "get wlan")
        return {"SSID=" + l1(m.ssid),
                "Chan=0",
                "ExtAnt=0",
                "Join=1",
                "Auth=WPA2",
                "Mask=0x1fff",
                "Rate=12, 24 Mb",
                "Linkmon=0",
                "Passphrase=" + l1(m.passphrase)};
    if (cmd == "get ip")
        return {"IF=UP",
                QByteArray("DHCP=") + (m.dhcp ? "ON" : "OFF"),
                "IP=" + l1(m.ip) + ':' + port,
                "NM=255.255.255.0",
                "GW=" + l1(m.gateway),
                "HOST=0.0.0.0:" + port,
                "PROTO=TCP,",
                "MTU=1524",
                "FLAGS=0x7",
                "TCPMODE=0x0",
                "BACKUP=0.0.0.0"};
    if (cmd == "get dns")
        return {"DNS=" + l1(m.dns), "Name=time.local", "Backup=" + l1(m.dnsBackup)};
    if (cmd == "save")
        return {"Storing in config"};
    if (cmd == "exit")
        return {"EXIT"};
    if (cmd.startsWith("set ")) {
        // The value is everything after the key, blanks included, as the module takes it.
        const QByteArray rest = line.mid(line.indexOf("set ") + 4);
        const auto value = [&rest](const char *key) -> std::optional<QString> {
            const QByteArray k(key);
            if (!rest.startsWith(k))
                return std::nullopt;
            return QString::fromLatin1(rest.mid(k.size()));
        };
        if (auto v = value("wlan ssid "))
            m.ssid = *v;
        else if (auto v = value("wlan phrase "))
            m.passphrase = *v;
        else if (auto v = value("ip address "))
            m.ip = *v;
        else if (auto v = value("ip gateway "))
            m.gateway = *v;
        else if (auto v = value("dns address "))
            m.dns = *v;
        else if (auto v = value("ip dhcp "))
            m.dhcp = v->trimmed().toInt() != 0;
        return {"AOK"};
    }
    return {"ERR: ?-Cmd"};
}

} // namespace sim
