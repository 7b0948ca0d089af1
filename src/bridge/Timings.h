#pragma once

namespace bridge {

// The bridge's timings in one place; tests shorten them before they build a client.
struct Timings
{
    int reconnectFirst = 1000; // first wait after the broker was lost or refused us
    int reconnectMax = 60000;  // the wait doubles up to this
    int housekeeping = 1000;   // keep-alive pings and retries of unacknowledged messages
    int keepAlive = 60;        // seconds, announced to the broker
    int stopFlush = 2000;      // at most this long for the last messages to leave on a clean stop
};

Timings &timings();

} // namespace bridge
