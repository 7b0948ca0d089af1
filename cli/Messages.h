#pragma once

#include <QString>

// The command-line tool's own texts, English and Italian; the program's tables
// (shell/Texts.h) give the rest.
enum class CliText {
    Usage,
    MissingHost,
    UnknownOption,
    MissingValue,
    BadLanguage,
    BadTimeout,
    BadPasswordLength,
    MissingCommand,
    UnknownCommand,
    WrongArguments,
    BadUnits,
    BadUnit,
    UnknownField,
    RepeatedField,
    BadChoice,
    BadTemp,
    BadName,
    NameOneUnit,
    NothingToSet,
    ScheduleNotJson,
    ScheduleBadEntry,
    ScheduleTooMany,
    ScheduleSameMinute,
    NotOnController,
    PasswordNeeded,
    LinkCut,
    Incomplete,
    NoUnits,
    NoSchedule,
    Address,
    Connecting,
    Retrying,
    ReadingUnits,
    SendingSettings,
    ReadingSchedule,
    WritingSchedule,
    ReadingModule,
    TwoPasswords,
    AmbiguousName,
    BadBookAddress,
    BadHost,
    PasswordFileOpen,
    Deadline,
    NotFinished,
    NothingChanged,
    CannotWriteOutput,
    WrongPassword,
    LinkCutCause,
    ConnectCause,
    TimedOutCause,
    UnknownTopic,
    BookEmpty,
};

// Loads the program's tables too (0 English, 1 Italian).
void setCliLanguage(int lang);
QString cliText(CliText id);
// The help of one command (units, set, schedule, module, book, help); empty for another word.
QString commandHelp(const QString &command);
