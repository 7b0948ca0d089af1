#pragma once

#include "units/UnitTable.h"

#include <QByteArray>
#include <QString>

struct TunitRecord;

#include <array>
#include <functional>
#include <vector>

// What the unit settings dialog sends, without its widgets: which button a
// status byte presses, the bytes its controls make, and the tasks of each kind
// of sending.
namespace setting {

// The values sent by the mode buttons sb1..sb6 and the fan buttons sb7..sb10.
constexpr std::array<int, 6> ModeValues{0,
                                        units::ModeOnBit | units::ModeAuto,
                                        units::ModeOnBit | units::ModeCooling,
                                        units::ModeOnBit | units::ModeHeating,
                                        units::ModeOnBit | units::ModeDrying,
                                        units::ModeOnBit | units::ModeVentilation};
constexpr std::array<int, 4> FanValues{units::FanAutoBit, units::FanLow, units::FanMedium, units::FanHigh};

// What the controller accepts as a temperature limit or set temperature, whole degrees.
constexpr int MinTemp = 17;
constexpr int MaxTemp = 30;
constexpr int DefaultSetTemp = 20; // shown before a unit's own is known
constexpr int AllUnits = 255;
constexpr int UnitNameChars = 15; // what the controller keeps of a unit's name

// The mode and fan buttons by the words a command line or a script uses for them:
// their English captions in lower case. Indexed like ModeValues and FanValues.
constexpr std::array<const char *, 6> ModeWords{"off", "auto", "cooling", "heating", "drying", "ventilation"};
constexpr std::array<const char *, 4> FanWords{"auto", "low", "medium", "high"};
int modeButtonNamed(const QString &word); // -1 for a word that names none
int fanButtonNamed(const QString &word);
// The word of status byte 2 or 3; "very-low" for the fan speed no button sets; empty when unlisted.
QString modeWord(quint8 modeByte);
QString fanWord(quint8 fanByte);

// The mode button (0 = sb1) for status byte 2, or -1 for a value no button shows.
int modeButton(quint8 modeByte);
// The fan button (0 = sb7) for status byte 3, or -1 (very low, or not listed).
int fanButton(quint8 fanByte);

// The set temperature raised to the minimum, then lowered to the maximum.
int correctedSetTemp(int setTemp, int tmin, int tmax);

struct Controls
{
    int modeButton = -1; // 0..5, -1 when none is down
    int fanButton = -1;  // 0..3, -1 when none is down
    int tmin = MinTemp;
    int tmax = MaxTemp;
    int setTemp = DefaultSetTemp; // already corrected
    bool flap = false;
    bool schedule = false;
    bool remoteEnabled = false;
};

// update_buffer: bytes 0 to 8 go out with tasks 33 and 38; byte 10 chooses task 31 or 32.
enum UpdateByte : int {
    ModeSetting = 0,
    FanSetting = 1,
    SetTempSetting = 2,
    FlapSetting = 5, // units::FlapOnBit when the flap is on
    TminSetting = 6,
    TmaxSetting = 7,
    ScheduleSetting = 8,
    SentSettings = 9, // bytes sent
    RemoteSetting = 10,
};

// The controls as the dialog opened for `unit` alone shows them: the buttons its status
// bytes press, its limits and its set temperature, each held within MinTemp..MaxTemp. The
// set temperature is not yet corrected into the limits: sending does that.
Controls unitControls(const TunitRecord &unit);

// Writes bytes 0 to 8 and 10 of `buffer` (at least 11 bytes long); the others keep their value.
void fillUpdateBuffer(QByteArray &buffer, const Controls &controls);

struct Task
{
    int code = 0;
    int addr = 0;
};

// The tasks that sending `par` (1..8) queues, in order; none for another par.
// `targets` are the units set: the one unit, or the checked units in order.
// `unit` is the address tasks 35, 39 and 40 go to in par 2 and 7.
std::vector<Task> settingTasks(int par, const std::vector<int> &targets, int unit, bool remoteEnabled,
                               int scheduleEntries);

// Sending the status of `targets` (par 1): task 33 for each, then 32 for each whose
// remote controller is to be enabled or 31 for the others, then 29.
std::vector<Task> statusTasks(const std::vector<int> &targets, const std::function<bool(int)> &remoteEnabled);

// The password gate: an entry of PasswordMinChars to PasswordMaxChars characters equal to the controller's.
constexpr int PasswordMinChars = 6;
constexpr int PasswordMaxChars = 15;
bool passwordAccepted(const QString &typed, const QString &stored);

// What a sending cut off by the link kept from the device, in the current language: the
// units whose settings and the schedule blocks that were not written ("; " between the
// parts), each unit by its name from `unitName` or, without one, by its address. Reads
// (29 and what its answer brings) change nothing and are not named; empty when nothing
// else is among `unsent`.
QString undeliveredText(const std::vector<Task> &unsent, const std::function<QString(int)> &unitName = {});

} // namespace setting
