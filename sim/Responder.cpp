#include "Responder.h"

#include "Controller.h"
#include "Wire.h"

#include <optional>

namespace sim {

namespace {

constexpr int allUnits = 255;
constexpr int slotsPerBlock = 30;

QString textOf(const QByteArray &bytes)
{
    // One character per byte, as the application sends them.
    return QString::fromLatin1(bytes);
}

QByteArray scheduleSlots(const QVector<ScheduleEntry> &entries, int first)
{
    QByteArray out;
    for (int i = first; i < first + slotsPerBlock; ++i) {
        if (i < entries.size()) {
            const ScheduleEntry &e = entries[i];
            out += char((e.time >> 8) & 0xFF);
            out += char(e.time & 0xFF);
            out += char(e.temp & 0xFF);
            out += char(((e.mode & 0x0F) << 4) | (e.fan & 0x0F));
        } else {
            out += QByteArray(4, char(0xFF));
        }
    }
    return out;
}

QVector<ScheduleEntry> readSlots(const QByteArray &wire)
{
    QVector<ScheduleEntry> out;
    for (int at = 0; at + 4 <= wire.size(); at += 4) {
        const auto b = [&](int i) { return int(quint8(wire.at(at + i))); };
        const int time = b(0) * 256 + b(1);
        if (time >= 7 * 1440)
            break; // the first empty slot ends the block
        out.append({time, b(2), b(3) >> 4, b(3) & 0x0F});
    }
    return out;
}

template <typename F> int forUnits(Controller &c, int address, F apply)
{
    int n = 0;
    for (auto &[a, u] : c.units)
        if (address == allUnits || a == address) {
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

    switch (code) {
    case 3:
        if (p.size() >= 6 && c.setClock(byte(0), byte(1), byte(2), byte(4), byte(5)))
            a.note = QStringLiteral("clock set to ") + c.now().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        else
            a.note = QStringLiteral("clock request without a valid date, ignored");
        break;
    case 26:
        c.deviceName = textOf(p);
        a.note = QStringLiteral("device name is now \"%1\"").arg(c.deviceName);
        break;
    case 31:
    case 32:
        if (unit) {
            unit->remoteLocked = code == 31;
            a.note = QStringLiteral("unit %1 remote controller %2")
                         .arg(addr)
                         .arg(code == 31 ? "locked" : "unlocked");
        }
        break;
    case 33:
        if (unit && p.size() >= 10) {
            unit->mode = quint8(byte(1));
            unit->fan = quint8(byte(2));
            unit->setTemp = quint8(byte(3));
            unit->flap = (byte(6) & 0x04) != 0;
            unit->tmin = quint8(byte(7));
            unit->tmax = quint8(byte(8));
            unit->prog = quint8(byte(9));
            a.note = QStringLiteral("unit %1 status set").arg(addr);
        }
        break;
    case 35:
        if (unit) {
            QByteArray name = p.mid(1);
            const qsizetype zero = name.indexOf('\0');
            if (zero >= 0)
                name.truncate(zero);
            unit->name = textOf(name.left(Unit::maxName));
            a.note = QStringLiteral("unit %1 is now \"%2\"").arg(addr).arg(unit->name);
        }
        break;
    case 36:
    case 37:
        forUnits(c, allUnits, [code](Unit &u) { u.remoteLocked = code == 36; });
        a.note = code == 36 ? QStringLiteral("all remote controllers locked")
                            : QStringLiteral("all remote controllers unlocked");
        break;
    case 38:
        // Nine bytes: the settings bytes 0..8 of a unit status request, without an address.
        if (p.size() >= 9) {
            forUnits(c, allUnits, [&byte](Unit &u) {
                u.mode = quint8(byte(0));
                u.fan = quint8(byte(1));
                u.setTemp = quint8(byte(2));
                u.flap = (byte(5) & 0x04) != 0;
                u.tmin = quint8(byte(6));
                u.tmax = quint8(byte(7));
                u.prog = quint8(byte(8));
            });
            a.note = QStringLiteral("status set for all units");
        }
        break;
    case 39:
    case 40:
        if (addr >= 0) {
            const QVector<ScheduleEntry> block = readSlots(p.mid(1));
            const int n = forUnits(c, addr, [&](Unit &u) {
                if (code == 39)
                    u.schedule = block;
                else
                    u.schedule = u.schedule.mid(0, slotsPerBlock) + block;
            });
            a.note = QStringLiteral("schedule block %1 (%2 entries) stored for %3 unit(s)")
                         .arg(code - 38)
                         .arg(block.size())
                         .arg(n);
        }
        break;
    case 52:
        c.password = textOf(p);
        a.note = QStringLiteral("password changed");
        break;
    case 53:
        if (addr >= 0)
            c.usePassword = addr != 0;
        return {flag(c.usePassword), QStringLiteral("password use %1").arg(c.usePassword ? "on" : "off")};
    case 54:
        if (addr >= 0)
            c.web = addr != 0;
        return {flag(c.web), QStringLiteral("web connection %1").arg(c.web ? "on" : "off")};
    case 69:
        if (addr >= 0)
            c.alarm = addr != 0;
        a.note = QStringLiteral("alarm %1").arg(c.alarm ? "on" : "off");
        break;
    case 71:
        if (addr >= 0)
            c.lockMode = quint8(addr);
        a.note = QStringLiteral("lock mode %1").arg(c.lockMode);
        break;
    default:
        break;
    }
    if (style.ackOnly)
        return {QByteArray(), a.note};

    switch (code) {
    case 2: {
        const QDateTime now = c.now();
        const int day = style.outOfRange ? 9 : now.date().dayOfWeek();
        a.payload = QByteArray() + char(day) + char(now.time().hour()) + char(now.time().minute());
        break;
    }
    case 24:
        a.payload = textBytes(c.macAddress);
        break;
    case 25:
        a.payload = textBytes(c.deviceName);
        break;
    case 29: {
        if (c.drift)
            c.driftTemperatures();
        a.payload = QByteArray(style.outOfRange ? 80 : 64, '\0');
        for (const auto &[address, u] : c.units)
            a.payload[address] = 1;
        if (style.outOfRange)
            a.payload[79] = 1;
        break;
    }
    case 30: {
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
    case 34:
        a.payload = QByteArray(1, char(style.outOfRange ? 70 : qMax(addr, 0)));
        if (unit)
            a.payload += textBytes(unit->name);
        a.payload += '\0';
        break;
    case 41:
        a.payload = QByteArray(1, char(qMax(addr, 0))) + char(unit ? unit->scheduleBlocks() : 0);
        break;
    case 48:
        a.payload = scheduleSlots(unit ? unit->schedule : QVector<ScheduleEntry>(), 0);
        break;
    case 49:
        a.payload = QByteArray(1, char(style.scheduleLead >= 0 ? style.scheduleLead : qMax(addr, 0))) +
                    scheduleSlots(unit ? unit->schedule : QVector<ScheduleEntry>(), slotsPerBlock);
        break;
    case 50:
        a.payload = flag(c.usePassword);
        break;
    case 51:
        a.payload = textBytes(c.password);
        break;
    case 55:
        a.payload = flag(c.web);
        break;
    case 68:
    case 69:
        a.payload = flag(c.alarm);
        break;
    case 70:
    case 71:
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
                "IP=" + l1(m.ip) + ":2000",
                "NM=255.255.255.0",
                "GW=" + l1(m.gateway),
                "HOST=0.0.0.0:2000",
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
