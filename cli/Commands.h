#pragma once

struct Invocation;

// Exit statuses.
enum Exit : int {
    Done = 0,
    Internal = 1,    // a handler of the session failed
    BadInput = 2,    // nothing was sent
    Unreachable = 3, // no link could be opened
    NoAnswer = 4,    // the controller stayed silent, cut the link or left the exchange unfinished
    Refused = 5,     // the controller asks for a password that was not given, or another one
};

// Runs the command of `inv` (already checked) against its controller; prints
// the result on standard output and failures on standard error.
int runCommand(const Invocation &inv);
