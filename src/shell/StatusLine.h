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
    QString panelFrom;        // the device whose units fill the panel; empty: not known
    QString panelFromName;    // its name in the address book, if any
    int settingsWaiting = 0;  // settings queued that have not gone out yet
    AutoReload autoReload = AutoReload::Off;
    int nextReloadIn = 0; // Counting: seconds to the next automatic reload
    // The controller (its name, or its address) whose module read or write was cut short; empty: none.
    QString moduleLostFrom;
    bool moduleWriteLost = false;
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

// Since when a failure of `host` is shown: a failure of the same host, shown since
// `shownAt` and not cleared by a link that opened there, keeps that first time.
QDateTime failedSince(Link shown, const QString &shownHost, const QDateTime &shownAt, const QString &host,
                      const QDateTime &now);

// A module read (or write) of `controller`, its name or its address, that was cut short: the one
// wording of the status bar, the network tab and the message.
QString moduleFailureText(bool write, const QString &controller, int lang);

// One controller's state in the status bar's words: "Updated HH:MM" after a reading, or since
// when it fails ("Not reachable since HH:MM", "Not responding since HH:MM"), or "Not updated yet".
// `failure` is Unreachable, Silent, or anything else for none.
QString controllerState(Link failure, const QDateTime &failedAt, const QDateTime &updatedAt, int lang);

// A note for controls filled from `readFrom` while `active` is the active device:
// empty when they belong to it (or when nothing was read yet).
QString readFromOtherDevice(const QString &readFrom, const QString &readFromName, const QString &active,
                            int lang);

} // namespace status
