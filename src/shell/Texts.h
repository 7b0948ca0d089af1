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
    SettingsNotSent,
    FieldEmpty,
    FieldTooLong,
    FieldNotAnAddress,
    FieldBadCharacter,
};
QString extraText(ExtraText id);
