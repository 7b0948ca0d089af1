#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <tuple>
#include <vector>

// One air-conditioning unit as the controller last reported it.
struct TunitRecord
{
    int addr = 0;                    // 255 after a reset
    std::array<quint8, 25> buffer{}; // status bytes as received
    quint8 tmin = 0;
    quint8 tmax = 0;
    quint8 prog = 0; // 0: weekly schedule off
    QString name;
};

constexpr int UnitRecords = 65; // addresses 0 to 64
constexpr int OnlineFlags = 68;
constexpr int PanelUnits = 64; // the panel shows addresses 0 to 63

using UnitTable = std::array<TunitRecord, UnitRecords>;
using OnlineTable = std::array<quint8, OnlineFlags>;

namespace units {

// Status byte indexes.
enum StatusByte : int {
    ModeByte = 2,
    FanByte = 3,
    SetTempByte = 4,
    RoomTempByte = 5,
    PipeT2AByte = 6,
    PipeT2BByte = 7,
    PipeT3Byte = 8,
    FlapByte = 14,
    RemoteByte = 15,
    FirstFaultByte = 16,
    LastFaultByte = 20,
};
constexpr int FaultBytes = LastFaultByte - FirstFaultByte + 1;

constexpr int StatusBytes = std::tuple_size<decltype(TunitRecord::buffer)>::value;

// Mode byte: bit 7 clear is off; with it set, the low five bits name the mode.
constexpr quint8 ModeOnBit = 0x80;
constexpr quint8 ModeBits = 0x1F;
enum ModeBit : quint8 {
    ModeAuto = 0x10,
    ModeCooling = 0x08,
    ModeHeating = 0x04,
    ModeDrying = 0x02,
    ModeVentilation = 0x01,
};

// Fan byte: bit 7 set is automatic; otherwise the low nibble names the speed.
constexpr quint8 FanAutoBit = 0x80;
constexpr quint8 FanBits = 0x0F;
enum FanSpeed : quint8 { FanHigh = 1, FanMedium = 2, FanLow = 4, FanVeryLow = 8 };

// Status bits read by the panel, the settings dialog and the bridge alike.
constexpr quint8 FlapOnBit = 0x04;       // in FlapByte
constexpr quint8 RemoteLockedBit = 0x80; // in RemoteByte: the remote control is refused

// A pipe temperature whose sensor is missing.
constexpr quint8 SensorMissing = 255;

// The fault code of `bit` in fault byte FirstFaultByte + `index`: "E3", "PA", "2#".
QString faultCode(int index, int bit);

// Half-degree code to degrees Celsius: code / 2 - 20.
double halfDegree(quint8 code);

bool inFault(const TunitRecord &unit);
int faultKey(const TunitRecord &unit); // OR of bytes 16 to 20

QString modeText(quint8 mode, const QStringList &texts);
QString fanText(quint8 fan, const QStringList &texts);
QString faultText(const TunitRecord &unit, const QStringList &texts); // "Error code : " + codes
QString remoteText(const TunitRecord &unit, const QStringList &texts);
QString setTempText(const TunitRecord &unit);                         // "24°"
QString roomTempText(const TunitRecord &unit, const QLocale &locale); // "%3.1f°"

// The texts of one unit's row in the unit panel.
struct UnitRow
{
    QString name, mode, fan, remote, setTemp, roomTemp, address;
};
UnitRow unitRow(const TunitRecord &unit, int adr, const QStringList &texts, const QLocale &locale);

// The addresses the panel lists (0 to 63, online), in its order: faults first, the
// highest fault key first, equal keys in address order.
// The unit panel's order of two units: negative when `a` comes first. Faults
// first, the highest fault key first; equal keys compare equal, so that a
// stable sort keeps their address order.
int panelCompare(const TunitRecord &a, const TunitRecord &b);
std::vector<int> panelOrder(const UnitTable &table, const OnlineTable &online);

// Storing the controller's replies. Each returns an empty string when the payload
// was stored, or a short English reason for the log when it does not fit the
// table, in which case nothing at all is stored.
QString storeStatus(UnitTable &table, const QByteArray &data);    // response 30
QString storeName(UnitTable &table, const QByteArray &data);      // response 34
QString storeOnline(OnlineTable &online, const QByteArray &data); // response 29

// The table's part of the start-up reset: addresses 0 to 63 offline with addr 255;
// entry 64 and flags 64 to 67 keep their values.
void resetControllerState(UnitTable &table, OnlineTable &online);

} // namespace units
