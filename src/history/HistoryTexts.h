#pragma once

#include <QString>

namespace history {

// The texts of the history, the fault alerts and the exports.
enum class Text {
    Off,           // %1: why
    HistoryButton, // the button beside the panel's reload, the tray's entry and the window's title
    FaultCount,    // %1: units in fault, more than one or none
    FaultCountOne, // one unit in fault
    AlertTitle,
    AlertBody, // %1: unit name, %2: address, %3: the fault as the panel shows it
    Faults,
    Operations,
    Start,
    End,
    Duration,
    Unit,
    Code,
    Description,
    Time,
    What,
    Units,
    Result,
    Taken,
    NotTaken,
    StillOpen,
    WentOffline,
    AllUnits,
    From,
    To,
    ExportCsv,
    Exported,     // %1: file
    ExportFailed, // %1: file
    Day,
    Week,
    Month,
    SetTemperature,
    RoomTemperature,
    // What an operation was, as stored: its kind, then the request's own detail.
    OpSetting,
    OpOptions,
    OpPassword,
    OpSchedule,
    OpModule,
    Entries, // %1: switching points sent
    RemoteLocked,
    RemoteUnlocked,
    AllRemotesLocked,
    AllRemotesUnlocked,
    UnitStatus,
    AllUnitsStatus,
    UnitName,
    ModeLock,
    PasswordUse,
    WebConnection,
    AlarmSound,
    ClockSet,
    DeviceName,
    NetworkName,
    PassPhrase,
    IpAddress,
    Gateway,
    Dns,
    Addressing,
    SwitchedOn,
    SwitchedOff,
    // Alerts that wait for the user.
    AlarmUnits, // %1: the units in fault, "; " between them
    AlarmMore,  // %1: how many more
    Acknowledge,
    // Why the history is off, in words of ours; the log keeps the database's own.
    OffCannotOpen, // %1: the file
    OffReadOnly,   // %1: the file
    OffDiskFull,
    OffNewer, // %1: the file
    RecordingAgain,
    MovedAside, // %1: where the damaged file went
    Summary,
    TimeInFault,
    RunHours,
    AllCodes,
    // The panel's CSV, the export's file dialog and the trend chart.
    Address,
    FaultCodes,
    Controller,
    ReadAt,
    SetTemperatureC,  // a column of plain numbers in °C
    RoomTemperatureC, // the same
    CsvFiles,         // the file dialog's filter
    ChartDay,         // the panel's menu: a chart of the last 24 hours
    ChartWeek,
    ChartMonth,
    Print,
    PrintRange, // %1: from, %2: to (dates)
    AllControllers,
    Count
};

// In the language `lang` (0 English, 1 Italian; any other value gives English).
QString text(Text id, int lang);
// The tray's tooltip: how many units are in fault, singular for one.
QString faultCountText(int count, int lang);

// An operation as the History window lists it, from its stored kind ("setting")
// and values (the request code, then its detail: "35 Suite 102"):
// "Unit setting: name (Suite 102)". What it does not know it shows as stored.
QString operationText(const QString &what, const QString &values, int lang);

} // namespace history
