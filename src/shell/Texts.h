#pragma once

#include <QStringList>

constexpr int TextCount = 170;

// The fixed table of one language: 0 English, 1 Italian; any other value gives English.
const QStringList &languageTable(int lang);

// The current language's table, one per process; filled by loadLanguage.
extern QStringList texts;

// Copies the table of `lang` (0 English, 1 Italian) into `texts`.
void loadLanguage(int lang);

// Texts of this build beyond the fixed table, in the language last loaded.
enum class ExtraText {
    RegistrationNotConfigured,
    ChooseFanSpeed,
    ZoomIn,
    ZoomOut,
    FitWidth,
    PreviousPage,
    NextPage,
    NotSentToUnits,       // %1: unit addresses, or AllUnits
    ScheduleBlockNotSent, // %1: block number, %2: unit addresses, or AllUnits
    AllUnits,
    CannotRead,          // %1: path, %2: cause
    CannotWrite,         // %1: path, %2: cause
    NotRegularFile,      // a cause
    FileTooLarge,        // a cause
    StartedWithDefaults, // after CannotRead at start
    AlreadyRunning,      // %1: the folder
    FolderReadOnly,      // %1: the folder
    SettingsNotSent,
    FieldEmpty,
    FieldTooLong,
    FieldNotAnAddress,
    FieldBadCharacter,
    LockNotSentToUnits, // %1: unit addresses, or AllUnits
    // A unit write's report.
    PartSettings,
    PartLock,
    PartName,
    PartOutcome, // %1: a part, %2: its outcome
    WriteApplied,
    WriteNotApplied,   // %1: why
    WriteNotConfirmed, // %1: why
    WriteNotSent,      // %1: why
    WriteRefused,      // %1: why
    TempOutsideLimits, // %1: temperature, %2..%3: the unit's limits
    LimitOutside,      // %1: field word, %2: value, %3..%4: what the controller accepts
    LimitsCrossed,     // %1: minimum, %2: maximum
    TempOutsideNew,    // %1: the unit's set temperature, %2..%3: the new limits
    UnitReports,       // %1: "temp=24, fan=auto"
    StatusUnread,
    ReadBackFailed,
    LinkWasCut,
};
QString extraText(ExtraText id);

// `text` safe to print on a terminal or in a log line: every C0 control character, DEL and
// every C1 control character (U+0080 to U+009F) becomes "\xHH". Whatever a device, a broker
// or a file sent goes through this before it is shown, so that it can neither move the
// cursor, set a title, clear the screen nor start a line of its own; a NUL never cuts it.
QString escapeControls(const QString &text);
