#pragma once

#include "link/Intervals.h"

// Shortens every interval so link tests run in milliseconds, not seconds.
// Header only: widget-free tests use it without the rest of the support library.
inline void useFastIntervals()
{
    Intervals &i = intervals();
    i.readFirst = 20;
    i.readTick = 10;
    i.readWait = 5;
    i.watchdog = 600;
    i.connectTimeout = 500;
    i.retry = 100;
    i.startup = 10;
    i.autoUpdateTick = 20;
    i.findDevice = 200;
    i.waitDialogTick = 10;
}
