#pragma once

#include <QString>

namespace history {

// The texts of the history, the fault alerts and the exports.
enum class Text {
    Off,           // %1: why
    HistoryButton, // the button beside the panel's reload, the tray's entry and the window's title
    FaultCount,    // %1: units in fault
    AlertTitle,
    AlertBody, // %1: unit name, %2: address, %3: fault codes
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
    Count
};

// In the language `lang` (0 English, 1 Italian; any other value gives English).
QString text(Text id, int lang);

} // namespace history
