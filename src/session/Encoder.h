#pragma once

#include "link/Records.h"
#include "schedules/Program.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// Every value that a request reads at the moment it is sent. The main window
// fills it from its controls and fields just before it sends.
struct RequestSources
{
    QByteArray updateBuffer;          // update_buffer of the unit settings dialog (bytes 0 to 8 used)
    QByteArray unitFans;              // each unit's own fan byte (status byte 3), by address
    QString unitName;                 // Edit5 of the unit settings dialog
    QString deviceName;               // Edit1 of the device-name dialog
    QString newPassword;              // BZ_newpassword
    bool passwordToggle = false;      // tab3sb1 down
    bool webToggle = false;           // tab3sb2 down
    bool alarmToggle = false;         // tab3sb7 down
    int lockMode = 0;                 // lock_mode
    QDateTime now;                    // the computer's local clock, for task 3
    std::vector<TprogRecord> program; // unitProgList, for tasks 39 and 40

    // Network module fields of the network tab.
    QString netName, passPhrase, ipAddress, gateway, dns;
    bool dhcp = false; // tab4sb2 down
};

enum class CmdModeChange { Keep, Set, Clear };

struct Request
{
    bool known = false;    // false: an unlisted code, nothing is written
    bool setsWait = false; // wait_responce is set when this is written
    CmdModeChange cmdMode = CmdModeChange::Keep;
    QByteArray bytes; // exactly what is written to the link
    QStringList log;  // lines for Memo2, in order
};

// True for the tasks that talk to the Wi-Fi module's command mode.
bool isModuleTask(int code);

// The request of one task, built from `src`.
Request encodeTask(const TtaskRecord &task, const RequestSources &src);

// Task 3: "*MK030C*" year mod 1000, month, day, weekday (1 Monday..7 Sunday), hour, minute "#".
QByteArray clockFrame(const QDateTime &now);
