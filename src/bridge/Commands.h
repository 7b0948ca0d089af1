#pragma once

#include "bridge/Payloads.h"
#include "units/Setting.h"
#include "units/UnitChange.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

// Commands that arrive on <prefix>/<controller>/<unit or all>/set/<field>:
// which unit and field they address, and the typed change their payload asks
// for, or a short reason why nothing is sent.
namespace bridge {

using setting::UnitNameChars;

enum class Field { Mode, FanMode, Temperature, Name, Power, Swing, RemoteLock, Schedule };

struct Target
{
    QString controller;
    int unit = setting::AllUnits; // 0..64, or AllUnits for the `all` segment
    Field field = Field::Mode;
};

struct Change
{
    Field field = Field::Mode;
    int modeButton = -1; // index into setting::ModeValues
    int fanButton = -1;  // index into setting::FanValues
    int temperature = 0; // whole degrees
    QString name;
    bool on = false; // power, swing, remote lock and schedule
};

template <typename T> struct Parsed
{
    bool ok = false;
    T value;
    QString reason; // when !ok
};

// `topic` must lie under `prefix`; the controller segment is not checked against a list here.
Parsed<Target> parseTarget(const QString &prefix, const QString &topic);
// Temperatures must lie within `limits`; for AllUnits, pass the limits every unit accepts.
Parsed<Change> parseChange(Field field, const QByteArray &payload, const Limits &limits);

// The retained-free message for <prefix>/<controller>/<unit>/error.
QByteArray errorPayload(const QString &topic, const QByteArray &payload, const QString &reason,
                        const QDateTime &at);

// A change waiting for its controller; it lapses one period after it arrived.
struct QueuedChange
{
    Target target;
    Change change;
    QString topic;
    QByteArray payload;
    qint64 queuedAt = 0; // ms
    qint64 period = 0;   // ms

    qint64 expiresAt() const { return queuedAt + period; }
    bool expired(qint64 now) const { return now >= expiresAt(); }
};

// Removes the changes that have lapsed at `now` from `queue` and returns them, in queue order.
std::vector<QueuedChange> takeExpired(std::vector<QueuedChange> &queue, qint64 now);

// The fields a change names, for the unit write to `unit` as last read. Power and off
// keep the unit's mode bits (powerMode), with `remembered` the mode byte last seen on.
unitchange::Change unitChange(const Change &change, const TunitRecord &unit, quint8 remembered);

// Commands for one target (a unit, or AllUnits) not yet written: one write for all of them.
struct PendingWrite
{
    int unit = setting::AllUnits;
    unitchange::Change change;         // merged, later commands winning
    std::vector<QueuedChange> origins; // the commands, oldest first
};

// Merges `named` (of `queued`) into the pending write of its target, or adds one behind the others.
void addPending(std::vector<PendingWrite> &pending, const QueuedChange &queued,
                const unitchange::Change &named);
// Removes the pending writes whose oldest command has lapsed at `now` and returns them.
std::vector<PendingWrite> takeExpired(std::vector<PendingWrite> &pending, qint64 now);

} // namespace bridge
