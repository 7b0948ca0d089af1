#include "Controller.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sim {

namespace {

struct Named
{
    const char *name;
    quint8 value;
};

constexpr quint8 On = units::ModeOnBit;
// "off" keeps the cooling bits, as an off unit reports them.
constexpr Named modeNames[] = {{"off", units::ModeCooling},       {"auto", On | units::ModeAuto},
                               {"cool", On | units::ModeCooling}, {"heat", On | units::ModeHeating},
                               {"dry", On | units::ModeDrying},   {"fan", On | units::ModeVentilation}};
constexpr Named fanNames[] = {{"auto", units::FanAutoBit},
                              {"high", units::FanHigh},
                              {"medium", units::FanMedium},
                              {"low", units::FanLow},
                              {"verylow", units::FanVeryLow}};
const char *const dayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

template <size_t N> QJsonValue byteOrName(quint8 value, const Named (&names)[N])
{
    for (const Named &n : names)
        if (n.value == value)
            return QString::fromLatin1(n.name);
    return int(value);
}

// Reads a byte given as a number or one of the names; false with a message otherwise.
template <size_t N>
bool readByte(const QJsonValue &v, const Named (&names)[N], quint8 *out, QString *error, const QString &what)
{
    if (v.isString()) {
        for (const Named &n : names)
            if (v.toString() == QLatin1String(n.name)) {
                *out = n.value;
                return true;
            }
        *error = QStringLiteral("%1: unknown name \"%2\"").arg(what, v.toString());
        return false;
    }
    const int i = v.toInt(-1);
    if (!v.isDouble() || i < 0 || i > 255) {
        *error = QStringLiteral("%1: expected a name or a number 0..255").arg(what);
        return false;
    }
    *out = quint8(i);
    return true;
}

bool readNumber(const QJsonObject &o, const char *key, int lo, int hi, int *out, QString *error,
                const QString &where)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    const double d = v.toDouble(-1e9);
    if (!v.isDouble() || d < lo || d > hi || d != int(d)) { // the range first: int(1e30) is undefined
        *error = QStringLiteral("%1: \"%2\" must be a whole number %3..%4")
                     .arg(where, QLatin1String(key))
                     .arg(lo)
                     .arg(hi);
        return false;
    }
    *out = int(d);
    return true;
}

QJsonValue degrees(quint8 code, bool nullable)
{
    if (nullable && code == units::SensorMissing)
        return QJsonValue::Null;
    return units::halfDegree(code);
}

bool readDegrees(const QJsonObject &o, const char *key, bool nullable, quint8 *out, QString *error,
                 const QString &where)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    if (v.isNull() && nullable) {
        *out = units::SensorMissing;
        return true;
    }
    const double code = (v.toDouble(-1000.0) + 20.0) * 2.0;
    if (!v.isDouble() || code < 0 || code > 255 || code != int(code)) {
        *error = QStringLiteral("%1: \"%2\" must be -20.0..107.5 in half degrees%3")
                     .arg(where, QLatin1String(key), nullable ? QStringLiteral(" or null") : QString());
        return false;
    }
    *out = quint8(int(code));
    return true;
}

QString weekTime(int minute)
{
    return QStringLiteral("%1 %2:%3")
        .arg(QLatin1String(dayNames[minute / schedule::DayMinutes]))
        .arg(minute % schedule::DayMinutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minute % 60, 2, 10, QLatin1Char('0'));
}

int parseWeekTime(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return -1;
    int day = -1;
    for (int d = 0; d < 7; ++d)
        if (parts[0].compare(QLatin1String(dayNames[d]), Qt::CaseInsensitive) == 0)
            day = d;
    const QStringList hm = parts[1].split(QLatin1Char(':'));
    bool okH = false, okM = false;
    const int h = hm.value(0).toInt(&okH);
    const int m = hm.value(1).toInt(&okM);
    if (day < 0 || hm.size() != 2 || !okH || !okM || h < 0 || h > 23 || m < 0 || m > 59)
        return -1;
    return day * schedule::DayMinutes + h * 60 + m;
}

bool readUnit(const QJsonObject &o, Unit *u, QString *error, const QString &where)
{
    int address = -1;
    if (!o.contains(QLatin1String("address"))) {
        *error = where + QStringLiteral(": \"address\" is required");
        return false;
    }
    if (!readNumber(o, "address", 0, PanelUnits - 1, &address, error, where))
        return false;
    u->address = address;
    u->name = o.value(QLatin1String("name")).toString();
    if (u->name.size() > setting::UnitNameChars) {
        *error = QStringLiteral("%1: name longer than %2 characters").arg(where).arg(setting::UnitNameChars);
        return false;
    }
    if (o.contains(QLatin1String("mode")) && !readByte(o.value(QLatin1String("mode")), modeNames, &u->mode,
                                                       error, where + QStringLiteral(" mode")))
        return false;
    if (o.contains(QLatin1String("fan")) &&
        !readByte(o.value(QLatin1String("fan")), fanNames, &u->fan, error, where + QStringLiteral(" fan")))
        return false;
    int setTemp = u->setTemp, tmin = u->tmin, tmax = u->tmax, prog = u->prog;
    if (!readNumber(o, "setTemp", 0, 255, &setTemp, error, where) ||
        !readNumber(o, "tmin", 0, 255, &tmin, error, where) ||
        !readNumber(o, "tmax", 0, 255, &tmax, error, where) ||
        !readNumber(o, "prog", 0, 255, &prog, error, where))
        return false;
    u->setTemp = quint8(setTemp);
    u->tmin = quint8(tmin);
    u->tmax = quint8(tmax);
    u->prog = quint8(prog);
    if (!readDegrees(o, "room", false, &u->room, error, where) ||
        !readDegrees(o, "t2a", true, &u->t2a, error, where) ||
        !readDegrees(o, "t2b", true, &u->t2b, error, where) ||
        !readDegrees(o, "t3", true, &u->t3, error, where))
        return false;
    u->flap = o.value(QLatin1String("flap")).toBool(false);
    u->remoteLocked = o.value(QLatin1String("remoteLocked")).toBool(false);
    for (const QJsonValue &f : o.value(QLatin1String("faults")).toArray()) {
        int byteIndex = 0, bit = 0;
        if (!faultBit(f.toString(), &byteIndex, &bit)) {
            *error = QStringLiteral("%1: unknown fault code \"%2\"").arg(where, f.toString());
            return false;
        }
        u->faults[size_t(byteIndex)] |= quint8(1u << bit);
    }
    const QJsonArray schedule = o.value(QLatin1String("schedule")).toArray();
    if (schedule.size() > Unit::maxSchedule) {
        *error = QStringLiteral("%1: more than %2 schedule entries").arg(where).arg(Unit::maxSchedule);
        return false;
    }
    for (int i = 0; i < schedule.size(); ++i) {
        const QJsonObject e = schedule[i].toObject();
        const QString at = where + QStringLiteral(" schedule entry %1").arg(i);
        TprogRecord entry;
        entry.Temp = 20;
        entry.Time = parseWeekTime(e.value(QLatin1String("at")).toString());
        if (entry.Time < 0) {
            *error = at + QStringLiteral(": \"at\" must read like \"Mon 08:30\"");
            return false;
        }
        if (!readNumber(e, "temp", 0, 255, &entry.Temp, error, at) ||
            !readNumber(e, "mode", 0, 15, &entry.Mode, error, at) ||
            !readNumber(e, "fan", 0, 15, &entry.Fan, error, at))
            return false;
        u->schedule.append(entry);
    }
    std::sort(u->schedule.begin(), u->schedule.end(),
              [](const TprogRecord &a, const TprogRecord &b) { return a.Time < b.Time; });
    return true;
}

} // namespace

bool faultBit(const QString &code, int *byteIndex, int *bit)
{
    for (int index = 0; index < units::FaultBytes; ++index)
        for (int b = 0; b < 8; ++b)
            if (units::faultCode(index, b) == code) {
                *byteIndex = index;
                *bit = b;
                return true;
            }
    return false;
}

std::optional<Controller> Controller::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? parseError.errorString()
                     : QStringLiteral("the file must hold one JSON object");
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    Controller c;
    c.units.clear();
    const QJsonObject dev = root.value(QLatin1String("device")).toObject();
    c.deviceName = dev.value(QLatin1String("name")).toString(c.deviceName);
    c.macAddress = dev.value(QLatin1String("mac")).toString(c.macAddress);
    c.password = dev.value(QLatin1String("password")).toString(c.password);
    c.usePassword = dev.value(QLatin1String("usePassword")).toBool(c.usePassword);
    c.web = dev.value(QLatin1String("web")).toBool(c.web);
    c.alarm = dev.value(QLatin1String("alarm")).toBool(c.alarm);
    int lock = c.lockMode, offset = 0;
    if (!readNumber(dev, "lockMode", 0, 255, &lock, error, QStringLiteral("device")) ||
        !readNumber(dev, "clockOffsetMinutes", -100000000, 100000000, &offset, error,
                    QStringLiteral("device")))
        return std::nullopt;
    c.lockMode = quint8(lock);
    c.clockOffsetSecs = qint64(offset) * 60;
    c.drift = root.value(QLatin1String("drift")).toBool(false);

    const QJsonObject mod = root.value(QLatin1String("module")).toObject();
    c.module.ssid = mod.value(QLatin1String("ssid")).toString(c.module.ssid);
    c.module.passphrase = mod.value(QLatin1String("passphrase")).toString(c.module.passphrase);
    c.module.dhcp = mod.value(QLatin1String("dhcp")).toBool(c.module.dhcp);
    c.module.ip = mod.value(QLatin1String("ip")).toString(c.module.ip);
    c.module.gateway = mod.value(QLatin1String("gateway")).toString(c.module.gateway);
    c.module.dns = mod.value(QLatin1String("dns")).toString(c.module.dns);
    c.module.dnsBackup = mod.value(QLatin1String("dnsBackup")).toString(c.module.dnsBackup);

    const QJsonArray units = root.value(QLatin1String("units")).toArray();
    for (int i = 0; i < units.size(); ++i) {
        Unit u;
        if (!readUnit(units[i].toObject(), &u, error, QStringLiteral("unit %1").arg(i)))
            return std::nullopt;
        if (c.units.count(u.address) != 0) {
            *error = QStringLiteral("unit %1: address %2 is used twice").arg(i).arg(u.address);
            return std::nullopt;
        }
        c.units[u.address] = u;
    }
    return c;
}

QByteArray Controller::toJson() const
{
    QJsonObject dev{{QStringLiteral("name"), deviceName},
                    {QStringLiteral("mac"), macAddress},
                    {QStringLiteral("password"), password},
                    {QStringLiteral("usePassword"), usePassword},
                    {QStringLiteral("web"), web},
                    {QStringLiteral("alarm"), alarm},
                    {QStringLiteral("lockMode"), int(lockMode)},
                    {QStringLiteral("clockOffsetMinutes"), int(clockOffsetSecs / 60)}};
    QJsonObject mod{
        {QStringLiteral("ssid"), module.ssid},          {QStringLiteral("passphrase"), module.passphrase},
        {QStringLiteral("dhcp"), module.dhcp},          {QStringLiteral("ip"), module.ip},
        {QStringLiteral("gateway"), module.gateway},    {QStringLiteral("dns"), module.dns},
        {QStringLiteral("dnsBackup"), module.dnsBackup}};
    QJsonArray list;
    for (const auto &[address, u] : units) {
        QJsonArray faults;
        for (int b = 0; b < units::FaultBytes; ++b)
            for (int bit = 0; bit < 8; ++bit)
                if (u.faults[size_t(b)] & (1u << bit))
                    faults.append(units::faultCode(b, bit));
        QJsonArray schedule;
        for (const TprogRecord &e : u.schedule)
            schedule.append(QJsonObject{{QStringLiteral("at"), weekTime(e.Time)},
                                        {QStringLiteral("temp"), e.Temp},
                                        {QStringLiteral("mode"), e.Mode},
                                        {QStringLiteral("fan"), e.Fan}});
        QJsonObject o{{QStringLiteral("address"), address},
                      {QStringLiteral("name"), u.name},
                      {QStringLiteral("mode"), byteOrName(u.mode, modeNames)},
                      {QStringLiteral("fan"), byteOrName(u.fan, fanNames)},
                      {QStringLiteral("setTemp"), int(u.setTemp)},
                      {QStringLiteral("room"), degrees(u.room, false)},
                      {QStringLiteral("t2a"), degrees(u.t2a, true)},
                      {QStringLiteral("t2b"), degrees(u.t2b, true)},
                      {QStringLiteral("t3"), degrees(u.t3, true)},
                      {QStringLiteral("flap"), u.flap},
                      {QStringLiteral("remoteLocked"), u.remoteLocked},
                      {QStringLiteral("faults"), faults},
                      {QStringLiteral("tmin"), int(u.tmin)},
                      {QStringLiteral("tmax"), int(u.tmax)},
                      {QStringLiteral("prog"), int(u.prog)},
                      {QStringLiteral("schedule"), schedule}};
        list.append(o);
    }
    QJsonObject root{{QStringLiteral("device"), dev},
                     {QStringLiteral("module"), mod},
                     {QStringLiteral("drift"), drift},
                     {QStringLiteral("units"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace sim
