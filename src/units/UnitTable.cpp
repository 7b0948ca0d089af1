#include "units/UnitTable.h"

#include <algorithm>

namespace units {

namespace {

constexpr QChar degreeSign(0x00B0);

constexpr int MaxUnitAddress = UnitRecords - 1;
constexpr int MinStatusReply = 4; // address, tmin, tmax, prog
constexpr int MaxStatusReply = StatusBytes + 4;

// A short table (a text table still being filled, say) must not crash the panel.
QString textAt(const QStringList &texts, int index)
{
    return index < texts.size() ? texts.at(index) : QString();
}

quint8 byteAt(const QByteArray &data, int index)
{
    return static_cast<quint8>(data.at(index));
}

} // namespace

double halfDegree(quint8 code)
{
    return code / 2.0 - 20.0;
}

int faultKey(const TunitRecord &unit)
{
    int key = 0;
    for (int i = FirstFaultByte; i <= LastFaultByte; ++i)
        key |= unit.buffer[i];
    return key;
}

bool inFault(const TunitRecord &unit)
{
    return faultKey(unit) != 0;
}

int panelCompare(const TunitRecord &a, const TunitRecord &b)
{
    const int ka = faultKey(a);
    const int kb = faultKey(b);
    return ka > kb ? -1 : ka < kb ? 1 : 0;
}

std::vector<int> panelOrder(const UnitTable &table, const OnlineTable &online)
{
    std::vector<int> order;
    for (int adr = 0; adr < PanelUnits; ++adr)
        if (online[size_t(adr)] != 0)
            order.push_back(adr);
    std::stable_sort(order.begin(), order.end(),
                     [&table](int a, int b) { return panelCompare(table[size_t(a)], table[size_t(b)]) < 0; });
    return order;
}

QString modeText(quint8 mode, const QStringList &texts)
{
    if (!(mode & ModeOnBit))
        return textAt(texts, 76);
    switch (mode & ModeBits) {
    case ModeAuto:
        return textAt(texts, 79);
    case ModeCooling:
        return textAt(texts, 80);
    case ModeHeating:
        return textAt(texts, 81);
    case ModeDrying:
        return textAt(texts, 82);
    case ModeVentilation:
        return textAt(texts, 83);
    default:
        return QString();
    }
}

QString fanText(quint8 fan, const QStringList &texts)
{
    if (fan & FanAutoBit)
        return textAt(texts, 79);
    const int nibble = fan & FanBits;
    switch (nibble) {
    case FanHigh:
        return textAt(texts, 88);
    case FanMedium:
        return textAt(texts, 87);
    case FanLow:
        return textAt(texts, 86);
    case FanVeryLow:
        return textAt(texts, 85);
    default:
        return QString::asprintf("unkwon %02X", nibble);
    }
}

QString faultCode(int index, int bit)
{
    switch (index) {
    case 0:
        return QString::asprintf("E%X", bit);
    case 1:
        return QString::asprintf("E%X", bit + 8);
    case 2:
        return QString::asprintf("P%X", bit);
    case 3:
        return QString::asprintf("P%X", bit + 8);
    default:
        return QString::asprintf("%d#", bit);
    }
}

QString faultText(const TunitRecord &unit, const QStringList &texts)
{
    QString text = textAt(texts, 146) + QLatin1Char(' ');
    for (int byte = FirstFaultByte; byte <= LastFaultByte; ++byte) {
        const quint8 bits = unit.buffer[byte];
        for (int i = 0; i < 8; ++i) {
            if (bits & (1 << i))
                text += faultCode(byte - FirstFaultByte, i) + QLatin1Char(' ');
        }
    }
    return text;
}

QString remoteText(const TunitRecord &unit, const QStringList &texts)
{
    return textAt(texts, (unit.buffer[RemoteByte] & RemoteLockedBit) ? 76 : 77);
}

QString setTempText(const TunitRecord &unit)
{
    return QString::number(unit.buffer[SetTempByte]) + degreeSign;
}

QString roomTempText(const TunitRecord &unit, const QLocale &locale)
{
    // asprintf always uses '.', so only the separator is taken from the locale.
    QString text = QString::asprintf("%3.1f", halfDegree(unit.buffer[RoomTempByte]));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text + degreeSign;
}

UnitRow unitRow(const TunitRecord &unit, int adr, const QStringList &texts, const QLocale &locale)
{
    UnitRow row;
    row.name = unit.name;
    row.mode = inFault(unit) ? faultText(unit, texts) : modeText(unit.buffer[ModeByte], texts);
    row.fan = fanText(unit.buffer[FanByte], texts);
    row.remote = remoteText(unit, texts);
    row.setTemp = setTempText(unit);
    row.roomTemp = roomTempText(unit, locale);
    row.address = QString::number(adr);
    return row;
}

QString storeStatus(UnitTable &table, const QByteArray &data)
{
    const int n = data.size();
    if (n < MinStatusReply || n > MaxStatusReply)
        return QStringLiteral("status of %1 bytes ignored (%2 to %3 expected)")
            .arg(n)
            .arg(MinStatusReply)
            .arg(MaxStatusReply);
    const int a = byteAt(data, 0);
    if (a > MaxUnitAddress)
        return QStringLiteral("status for unit %1 ignored (no such address)").arg(a);

    TunitRecord &unit = table[a];
    unit.addr = a;
    for (int i = 0; i <= n - 5; ++i)
        unit.buffer[i] = byteAt(data, i + 1);
    unit.tmin = byteAt(data, n - 3);
    unit.tmax = byteAt(data, n - 2);
    unit.prog = byteAt(data, n - 1);
    return QString();
}

QString storeName(UnitTable &table, const QByteArray &data)
{
    if (data.isEmpty())
        return QStringLiteral("name without an address ignored");
    const int a = byteAt(data, 0);
    if (a > MaxUnitAddress)
        return QStringLiteral("name for unit %1 ignored (no such address)").arg(a);

    QByteArray raw = data.mid(1);
    const int zero = raw.indexOf('\0');
    if (zero >= 0)
        raw.truncate(zero);
    QString name = QString::fromLatin1(raw);
    if (name.isEmpty())
        name = QStringLiteral("%1").arg(a, 16, 10, QLatin1Char('0'));
    table[a].name = name;
    return QString();
}

QString storeOnline(OnlineTable &online, const QByteArray &data)
{
    const int n = data.size();
    if (n > OnlineFlags)
        return QStringLiteral("online list of %1 bytes ignored (at most %2)").arg(n).arg(OnlineFlags);
    for (int i = 0; i < n; ++i)
        online[i] = byteAt(data, i);
    return QString();
}

void resetControllerState(UnitTable &table, OnlineTable &online)
{
    for (int adr = 0; adr < PanelUnits; ++adr) {
        online[adr] = 0;
        table[adr].addr = 255;
    }
}

} // namespace units
