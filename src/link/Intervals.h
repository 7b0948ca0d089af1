#pragma once

// Every timing of the application in one place. The defaults are the product's;
// tests shorten them through `intervals()` before they build a window.
struct Intervals
{
    int readFirst = 500;       // first read tick after the link opens
    int readTick = 50;         // read tick from the first read on
    int readWait = 5;          // one wait for data inside a read
    int readPass = 20;         // one read pass at most, then back to the event loop
    int watchdog = 15000;      // silence after the last line before the link is dropped
    int connectTimeout = 2000; // one connection attempt
    int retry = 2000;          // delay of the second connection attempt
    int startup = 1000;        // first reload after the window is shown
    int autoUpdateTick = 1000; // one count of the automatic reload
    int findDevice = 15000;    // discovery listening window
    int waitDialogTick = 1000; // one step of the wait dialog's bar
    int registration = 10000;  // the registration request, from sending to the whole reply
    int windowSettle = 700;    // for the window manager to maximize and frame the main window
    int faultAlert = 60000;    // a unit flapping in and out of fault is announced once in this
    int openFaultTick = 1000;  // the History window counts an open fault's duration up
    int siteTick = 1000;       // the site overview looks for controllers due for a reading
    int siteRedraw = 250;      // the site tab shows the readings come in since its last drawing
};

Intervals &intervals();
