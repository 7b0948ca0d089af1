#pragma once

#include "history/FaultTransitions.h"
#include "units/UnitTable.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <vector>

class QSqlQuery;

namespace history {

enum class Operation { Setting, Options, Schedule, Module };

// Why the store turned itself off.
enum class Failure { None, CannotOpen, CannotWrite, DiskFull, NewerSchema };

// What the History lists show; an empty controller or addr < 0 means all.
struct Filter
{
    QString controller;
    int addr = -1;
    QDateTime from; // invalid: no bound
    QDateTime to;
};

struct FaultPeriod
{
    QString controller;
    int addr = 0;
    QString name;
    QDateTime start;
    QDateTime end; // invalid while the fault is open
    Change endedBy = Change::Cleared;
    quint64 code = 0;
    QString text;
};

struct OperationRecord
{
    QDateTime time;
    QString controller;
    QString what; // "setting", "options", "password", "schedule", "module"
    QList<int> units;
    QString values;
    bool taken = false;
};

// A unit the history has seen, with its last known name.
struct KnownUnit
{
    QString controller;
    int addr = 0;
    QString name;
};

// How long a unit ran (its mode on) over a range, from the raw samples.
struct UnitRun
{
    QString controller;
    int addr = 0;
    QString name;
    qint64 secs = 0;
};

// Where a worker thread reads what the store holds: its file, and whether it was opened
// immutable (read-only, nothing written beside it). An empty path: nothing to read.
struct ReadSource
{
    QString path;
    bool immutable = false;
};

// runSeconds() for a worker thread, on a read-only connection of that thread's own: a month of
// raw samples of 64 units takes seconds, which the window must not wait for.
QList<UnitRun> runSecondsIn(const ReadSource &source, const Filter &filter, qint64 maxGapSecs);

// Raw samples have min == mean == max; buckets and hourly rows carry their spread.
struct SeriesPoint
{
    QDateTime time;
    double set = 0, setMin = 0, setMax = 0;
    double room = 0, roomMin = 0, roomMax = 0;
    bool hourly = false;
};

// HistoryStore::series() for a worker thread, as runSecondsIn(): a month of one unit's raw
// samples gathered into hours takes longer than a window may stand still.
QList<SeriesPoint> seriesIn(const ReadSource &source, const QString &controller, int addr,
                            const QDateTime &from, const QDateTime &to, int bucketSecs);

// The program's memory of reloads, fault transitions and operations, in one
// SQLite file. It never stops its caller: once a write fails it turns itself
// off, says so once through turnedOff(), and every later call does nothing.
class HistoryStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryStore)
public:
    static constexpr int DefaultRawDays = 30;
    static QString fileNameIn(const QString &folder);

    explicit HistoryStore(QObject *parent = nullptr);
    ~HistoryStore() override;

    // sizeLimit (bytes, 0 for none) bounds the file; reaching it counts as a full disk.
    // A file that cannot be written is still read: its lists are shown.
    bool open(const QString &folder, qint64 sizeLimit = 0);
    bool isOn() const { return on; }
    // The lists can be read (the store may be off for writing).
    bool isReadable() const { return readable; }
    // After a full disk or a failed write: opens the file again, quietly. The next write
    // that commits says turnedOn(); one that fails leaves the store off without a word.
    bool retry();
    void setSizeLimit(qint64 bytes) { limit = bytes; }
    Failure failure() const { return failed; }
    QString failureDetail() const { return detail; }
    // Where a corrupt file found by open() was moved; empty when none was.
    QString movedAside() const { return aside; }

    // One transaction per reload; returns the fault transitions it stored.
    std::vector<Transition> recordReload(const QDateTime &time, const QString &controller,
                                         const UnitTable &units, const OnlineTable &online);
    bool recordOperation(const QDateTime &time, const QString &controller, Operation what,
                         const QList<int> &units, const QString &values, bool taken);
    // No values at all: the password never reaches the file.
    bool recordPasswordChange(const QDateTime &time, const QString &controller, bool taken);
    // Raw samples older than rawDays go into hourly rows, which are kept.
    bool applyRetention(const QDateTime &now, int rawDays);
    // The same, a few hours of one unit's samples at a time; true while more is left to roll up.
    bool rollUpStep(const QDateTime &now, int rawDays);
    // The hourly roll-up belongs to the store, however many sessions record into it: true when
    // it is due at `now` (an hour since the last, or the clock went back), and it is then taken.
    bool retentionDue(const QDateTime &now);
    bool rollingUp = false; // a roll-up step waits for the event loop

    QList<FaultPeriod> faults(const Filter &filter) const;         // open first, then newest first
    QList<OperationRecord> operations(const Filter &filter) const; // newest first
    QList<KnownUnit> units() const;                                // by controller, then address
    // Time with the unit on between samples of [from, to), each gap counted up to
    // `maxGapSecs` (the program was closed beyond that); hourly rows carry no mode.
    QList<UnitRun> runSeconds(const Filter &filter, qint64 maxGapSecs) const;
    ReadSource readSource() const;
    // Oldest first. bucketSecs > 0 gathers raw samples into spans of that length
    // (a chart of 30 days needs no 86 400 points); hourly rows stay as they are.
    QList<SeriesPoint> series(const QString &controller, int addr, const QDateTime &from, const QDateTime &to,
                              int bucketSecs = 0) const;

Q_SIGNALS:
    void turnedOff(history::Failure why, const QString &detail);
    void turnedOn();

private:
    QDateTime lastRetention; // when the hourly roll-up last began
    bool openFile(const QString &path, qint64 sizeLimit, bool *corrupt);
    bool openReadOnly(const QString &path);
    bool migrate();
    bool exec(const QString &sql);
    bool run(QSqlQuery &query);
    bool fail(const QSqlQuery &query);
    bool commit();
    void turnOff(Failure why, const QString &text);
    void close();
    qint64 controllerId(const QString &controller);
    ControllerState &stateOf(qint64 id);
    bool recordOp(const QDateTime &time, const QString &controller, const QString &what,
                  const QList<int> &units, const QString &values, bool taken);

    QString connection;
    QString folder;
    QString openPath;       // the file open, read-write or immutable
    bool immutable = false; // opened read-only
    qint64 limit = 0;
    bool on = false;
    bool readable = false;
    bool quiet = false;     // a retry that fails again says nothing new
    bool probation = false; // reopened by retry(), no write committed yet
    Failure probationFailure = Failure::None;
    QString probationDetail;
    Failure failed = Failure::None;
    QString detail;
    QString aside;
    std::map<QString, qint64> controllerIds;
    std::map<qint64, ControllerState> states;
};

} // namespace history
