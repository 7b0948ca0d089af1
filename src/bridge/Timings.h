#pragma once

#include <QtGlobal>

namespace bridge {

// The bridge's timings in one place; tests shorten them before they build a client.
struct Timings
{
    int reconnectFirst = 1000; // first wait after the broker was lost or refused us
    int reconnectMax = 60000;  // the wait doubles up to this
    int housekeeping = 1000;   // keep-alive pings and retries of unacknowledged messages
    int keepAlive = 60;        // seconds, announced to the broker
    int stopFlush = 2000;      // at most this long for the last messages to leave on a clean stop
    // A unit off its controller's online list this long loses its discovery configs.
    qint64 discoveryKeep = 24LL * 3600 * 1000;
    int fullRefreshEvery = 10; // polls: every state is published again, changed or not
    // A unit is written at most once in this many ms; commands for it meanwhile make one write.
    int writeWindow = 300;
    // A controller that stops answering is offline within this, and a command for it gets its
    // error within it too: the link's watchdog plus a margin.
    int offlineWithin = 30000;
    // With a longer period, a one-frame request this long after each link says whether the
    // controller still answers: silence is seen within this plus the link's watchdog.
    int probeEvery = 10000;
    // Discovery goes out again this long after Home Assistant says it is back, at most.
    int rediscoverDelay = 1000;
};

Timings &timings();

} // namespace bridge
