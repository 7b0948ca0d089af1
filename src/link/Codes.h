#pragma once

#include <QtGlobal>

// The controller protocol's vocabulary. A request and its answer carry the
// same code; a task's code is the code of the frame that it sends, except the
// module tasks, which write command-mode text instead of a frame.
enum class Code : int {
    ModuleEnter = 1, // task: "$$$", the module's command mode; as a frame, see ModuleLeave
    Clock = 2,       // ask the controller's clock
    SetClock = 3,    // the computer's clock to the controller
    Greeting = 20,   // sent by the controller on its own, answers nothing
    MacAddress = 24,
    DeviceName = 25,
    SetDeviceName = 26,
    OnlineUnits = 29,
    UnitStatus = 30,
    LockRemote = 31, // one unit's remote controller
    UnlockRemote = 32,
    SetUnitStatus = 33,
    UnitName = 34,
    SetUnitName = 35,
    LockAllRemotes = 36,
    UnlockAllRemotes = 37,
    SetAllUnitStatus = 38,
    SetScheduleBlock1 = 39,
    SetScheduleBlock2 = 40,
    ScheduleLength = 41,
    ScheduleBlock1 = 48,
    ScheduleBlock2 = 49,
    PasswordUse = 50,
    Password = 51,
    SetPassword = 52,
    SetPasswordUse = 53,
    SetWebConnection = 54,
    WebConnection = 55,
    WebUpdate = 67, // follows SetWebConnection when web use is switched on
    AlarmUse = 68,
    SetAlarmUse = 69,
    LockMode = 70, // the controller's operating-mode lock
    SetLockMode = 71,

    // Module command-mode tasks.
    ModuleSave = 99,
    ModuleLeave = 100, // back to frames: a code-1 frame that nothing answers
    ModuleExit = 101,
    ModuleGetWlan = 162,
    ModuleGetIp = 163,
    ModuleGetDns = 164,
    ModuleSetSsid = 166,
    ModuleSetPhrase = 167,
    ModuleSetIp = 168,
    ModuleSetGateway = 169,
    ModuleSetDns = 170,
    ModuleSetDhcp = 171,
};

// Codes stay integers in tasks and packets; these read the enum against them.
constexpr int operator+(Code code)
{
    return static_cast<int>(code);
}
constexpr bool operator==(int value, Code code)
{
    return value == +code;
}
constexpr bool operator!=(int value, Code code)
{
    return value != +code;
}

namespace protocol {

constexpr quint16 ControllerPort = 2000;
// How often the watchdog may reopen a link that fell silent, per openConnection.
constexpr int Reopens = 5;
// Two hex digits of length field hold at most this many payload bytes.
constexpr int MaxPayloadBytes = 127;

} // namespace protocol
