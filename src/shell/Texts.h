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
    SettingsNotSent,
    FieldEmpty,
    FieldTooLong,
    FieldNotAnAddress,
    FieldBadCharacter,
};
QString extraText(ExtraText id);
