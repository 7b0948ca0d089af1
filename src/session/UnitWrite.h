#pragma once

#include "link/Codes.h"
#include "link/Records.h"
#include "units/UnitChange.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class ControllerSession;

// What a unit write is asked to do.
struct UnitWriteRequest
{
    std::vector<int> units; // written in this order
    bool allUnits = false;  // every unit on the controller's online list, read first
    unitchange::Change change;
    // The controller's password gate: asked only when set; the password is compared
    // with the controller's when the controller uses one.
    std::optional<QString> password;
    bool passwordGate = false;
};

enum class WriteOutcome {
    Applied,      // written, answered, and the unit read back shows it
    NotApplied,   // written and answered, but the unit read back shows otherwise
    NotConfirmed, // written; whether the unit took it is not known
    NotSent,      // nothing of it went out
    Refused,      // nothing went out: the value does not fit the unit
};

struct PartReport
{
    unitchange::Part part = unitchange::Part::Settings;
    WriteOutcome outcome = WriteOutcome::NotSent;
    QString reason; // empty when applied
};

struct UnitReport
{
    int addr = 0;
    std::vector<PartReport> parts; // settings, lock and name, those that were named
    bool readBack = false;         // the model holds the unit as read after the write
};

struct WriteReport
{
    enum class End {
        Done,            // every unit was taken in turn (see each part)
        NoUnits,         // the controller lists no unit
        PasswordNeeded,  // the controller asks for a password and none was given
        PasswordRefused, // the password given is not the controller's
        Unreachable,     // no link could be opened
        LinkLost,        // the link was cut or went silent, for good
        Failed,          // a handler of the session failed
    };
    End end = End::Done;
    QString failure; // why the link ended early, in the language last loaded
    std::vector<UnitReport> units;

    bool allApplied() const;
    bool anyRefused() const;
};

// "settings applied; remote control lock not sent: the link was cut", in the language last loaded.
QString describe(const UnitReport &unit);
QString outcomeText(const PartReport &part);

// Changes units without a person at the settings dialog, exactly and cheaply. For
// each unit in turn, on one link: its status read (30) right before the write, the
// write (33) built from those bytes with only the named fields replaced, the lock
// (31/32) and the name (35) only when named, then the unit read back (30, and 34
// for a name). A value that does not fit the unit is refused before anything of
// that unit is sent. Nothing else is read: no reload follows.
//
// Its requests go out ahead of what waits in the session's queue, so a write joins
// a reload under way without waiting for it. A link cut once is reopened once, and
// the unit under way starts again from its read; what its answers confirmed is not
// sent again.
class UnitWrite final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UnitWrite)
public:
    explicit UnitWrite(ControllerSession &session, QObject *parent = nullptr);
    ~UnitWrite() override;

    // One write at a time; a call while one runs is ignored (see running()).
    void start(const QString &host, const UnitWriteRequest &request);
    bool running() const { return active; }
    // Watchdog expiries a link may take before the write gives up on its controller. A
    // daemon that must call a silent controller offline within a bound sets 1.
    int silencesAllowed = protocol::Reopens;
    // Ends the write under way as a lost link would, now: `finished` reports what its units took.
    void abandon(const QString &why);

signals:
    void finished(const WriteReport &report);

private:
    enum class Phase { Password, PasswordCheck, OnlineList, Units };
    enum class Step { Read, Write, Lock, Name, ReadBack, NameBack };
    struct Job
    {
        int addr = 0;
        Step step = Step::Read;
        UnitReport report;
        bool written[3] = {};  // by part: its frame went out
        bool answered[3] = {}; // by part: its frame was answered
    };

    void answered(const TtaskRecord &task, bool stored);
    void taskWritten(const TtaskRecord &task);
    void linkEnded();
    void queue(int code, int addr, const QByteArray &updateBuffer = {}, const QString &name = {});
    void beginUnit();
    void afterStep(Step done);
    void endUnit();
    void closeParts(WriteOutcome unsentOutcome, const QString &why);
    void finish(WriteReport::End end, const QString &failure = {});
    PartReport &partOf(unitchange::Part part);

    ControllerSession &session;
    UnitWriteRequest request;
    QString host;
    bool active = false;
    bool reopened = false;
    int linkEpoch = 0;
    Phase phase = Phase::Units;
    std::vector<int> pending; // units still to take, in order
    std::optional<Job> job;
    WriteReport report;
};
