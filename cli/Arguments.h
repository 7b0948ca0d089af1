#pragma once

#include "schedules/Program.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class Command { None, Units, Set, ScheduleGet, ScheduleSet, Module };

// The fields that `set` names; the others keep what each unit holds.
struct UnitChange
{
    std::optional<int> modeButton; // index into setting::ModeValues
    std::optional<int> fanButton;  // index into setting::FanValues
    std::optional<int> temp;
    std::optional<int> tmin;
    std::optional<int> tmax;
    std::optional<bool> schedule;
    std::optional<bool> remoteEnabled;
    std::optional<bool> flap;
    std::optional<QString> name;

    bool namesStatus() const
    {
        return modeButton || fanButton || temp || tmin || tmax || schedule || remoteEnabled || flap;
    }
};

// What the command line asks for, checked before anything is sent.
struct Invocation
{
    bool help = false;
    bool version = false;
    QString host;
    std::optional<QString> password;
    int language = 0;
    bool json = false;
    bool verbose = false;
    int timeoutMs = 15000;

    Command command = Command::None;
    bool allUnits = false;
    std::vector<int> units; // set: the addresses given; schedule: the one unit
    UnitChange change;
    std::vector<TprogRecord> schedule; // schedule set, in ascending time

    QString error; // why the command line is refused; empty when it is not
};

// The language asked for, read before anything else so that every message speaks it.
int languageOf(const QStringList &args);
// `args` without the program's name.
Invocation parseArguments(const QStringList &args);
