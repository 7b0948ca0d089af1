#pragma once

#include "schedules/Program.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class Command { None, Help, Units, Set, ScheduleGet, ScheduleSet, Module, Book };

// How results are printed: the panel's texts, JSON, or tab-separated words for awk.
enum class Form { Text, Json, Tsv };

// The fields that `set` names; the others keep what each unit holds.
struct UnitChange
{
    std::optional<int> modeButton; // index into setting::ModeValues
    std::optional<quint8> fan;     // a value of setting::FanValues, or very low
    std::optional<int> temp;
    std::optional<int> tmin;
    std::optional<int> tmax;
    std::optional<bool> schedule;
    std::optional<bool> remoteEnabled;
    std::optional<bool> flap;
    std::optional<QString> name;

    bool namesStatus() const
    {
        return modeButton || fan || temp || tmin || tmax || schedule || remoteEnabled || flap;
    }
};

// What the command line and the environment ask for, checked before anything is sent.
struct Invocation
{
    bool help = false;
    QString helpTopic; // the command whose help is asked for; empty: the whole usage
    bool version = false;
    QString host;                    // --host or BREZZANO_HOST, as given
    std::optional<QString> password; // --password or BREZZANO_PASSWORD
    QString passwordFile;            // --password-file
    QString addressBook;             // --address-book or BREZZANO_ADDRESS_BOOK; empty: ./brezzano.ini
    bool addressBookGiven = false;   // a book that is missing is then an error
    int language = 0;
    Form form = Form::Text;
    bool verbose = false;
    int timeoutMs = 30000; // the whole run

    Command command = Command::None;
    bool allUnits = false;
    std::vector<int> units; // set and units: the addresses given; schedule: the one unit
    UnitChange change;
    std::vector<TprogRecord> schedule; // schedule set, in ascending time

    QString error; // why the command line is refused; empty when it is not
};

// The language asked for, read before anything else so that every message speaks it.
int languageOf(const QStringList &args);
// `args` without the program's name; `env` gives BREZZANO_HOST, BREZZANO_PASSWORD and
// BREZZANO_ADDRESS_BOOK where the command line leaves them out.
Invocation parseArguments(const QStringList &args,
                          const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
// Whether `password` has a length the controller takes.
bool passwordFits(const QString &password);
