#pragma once

#include "netmodule/ModuleValues.h"
#include "schedules/Program.h"
#include "units/UnitTable.h"

#include <QString>

// What is known of one controller, as its answers last said it. The session
// writes it; views read it and redraw on the session's signals.
struct ControllerModel
{
    UnitTable unit_par{};
    OnlineTable unit_online{};
    quint8 lock_mode = 0;

    // Options of the settings tab.
    bool use_password = false;
    bool webConnection = false;
    bool useAlarm = false;
    QString BZ_password;
    QString BZ_newpassword; // what a password change sends

    QString current_time; // "Monday 08:05", in the language the clock was read in

    // The schedule of the unit whose settings are open.
    TprogRecordList unitProgList;

    // The Wi-Fi module's network settings, as its replies filled them.
    netmodule::NetworkSettings module;

    // Which device each part was read from; empty: not read yet.
    QString unitsReadFrom;
    QString optionsReadFrom;
    QString clockReadFrom;
};
