#pragma once

#include <QDateTime>
#include <QString>

// What the main window's status bar says, worked out without widgets from the
// facts the window holds. Its texts are a table of their own, English and
// Italian, beside the fixed table of `texts`.
namespace status {

enum class Link {
    Idle,         // no link and nothing pending
    Connecting,   // a first connection attempt runs
    Exchanging,   // the link is open
    Retrying,     // the connection failed; the second attempt is pending or runs
    Reconnecting, // the device fell silent; the link is being reopened
    Unreachable,  // the last connection and its retry failed
    Silent,       // the device stopped answering and the reconnections ran out
};

enum class AutoReload {
    Off,      // no period set
    Paused,   // a period is set, but the unit panel is not shown
    Counting, // the next reload comes in `nextReloadIn` seconds
};

struct Facts
{
    QString deviceName;    // the active device's name in the address book; empty when it has none
    QString deviceAddress; // empty when no device is active
    Link link = Link::Idle;
    QString linkHost;         // where the link goes, or went when it failed
    QString undelivered;      // what the last sending could not write before the link was lost
    int attemptsLeft = 0;     // Retrying and Reconnecting: attempts still to come, this one included
    QDateTime failedAt;       // Unreachable and Silent: since when
    QDateTime filledAt;       // last time the unit panel was filled from the device; invalid: never
    int units = 0;            // units in that fill
    int faults = 0;           // of those, units in fault
    bool reloading = false;   // a reload of the unit panel waits for its answers
    QDateTime reloadFailedAt; // the last reload ended without filling the panel; invalid: it did not
    AutoReload autoReload = AutoReload::Off;
    int nextReloadIn = 0; // Counting: seconds to the next automatic reload
};

// The status bar's sections, each one line of text.
struct Line
{
    QString device;
    QString link;
    QString panel;
    QString reload;
};

Line describe(const Facts &facts, int lang);

} // namespace status
