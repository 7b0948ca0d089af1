#pragma once

#include "schedules/Program.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <vector>

// A weekly schedule as JSON, for people and scripts:
//   {"address": 1, "entries": [{"at": "Mon 08:30", "temp": 22, "mode": "cooling", "fan": "low"}]}
// Modes and fans by the words of the settings (setting::ModeWords, FanWords) or "*" for code 0;
// a code that has no word is written as its number, and numbers 0 to 15 are read back.
namespace schedule {

QJsonObject toJson(int unit, const std::vector<TprogRecord> &entries);

enum class JsonError {
    None,
    NotAnObject, // not JSON, or not an object with an "entries" list
    BadEntry,    // `entry` (from 1) lacks `field` or holds a value it cannot take
    TooMany,     // more entries than the editor keeps (TprogRecordList::MaxEdited)
    SameMinute,  // `entry` falls on the minute of an earlier one
};

struct JsonRead
{
    JsonError error = JsonError::None;
    int entry = 0;
    QString field;
    std::vector<TprogRecord> entries; // in ascending time when read without error
};

// Temperatures are whole degrees within the settings' limits; "address" is not read.
JsonRead fromJson(const QByteArray &json);

} // namespace schedule
