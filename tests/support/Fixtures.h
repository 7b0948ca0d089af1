#pragma once

#include "support/FastIntervals.h"
#include "support/ScriptedPrompts.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class QModelIndex;
class QTcpServer;
class QTcpSocket;

// brezzano-sim as a child process on a loopback address, port 2000.
class SimProcess final
{
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator and waits until it accepts connections (unless
    // `expectListening` is false, as with --refuse).
    bool start(const QString &address, const QStringList &extraArgs = {}, bool expectListening = true);
    void stop();
    QString output(); // what it printed so far

private:
    QProcess process;
    QByteArray printed;
};

class TForm1;
// The unit table reset, both lists' columns set up and no automatic reload, as
// start-up leaves the window before its first reload; the communication log kept.
void prepareTestForm(TForm1 &form);

// A main window with its lists set up as start-up leaves them, without a
// settings file, the start-up reload or the automatic reload.
std::unique_ptr<TForm1> makeTestForm();

// Creates the windows for a dialog test: controller state reset, the unit
// panel's columns set up, no automatic reload, the link pointed at `host`.
TForm1 *createDialogForms(const QString &host);

// Every line of the main window's communication log.
QStringList logLines(const TForm1 &form);
bool logHas(const TForm1 &form, const QString &line);

// True when `needles` stand in `text` in this order.
bool inOrder(const QString &text, const QStringList &needles);

// The unit panel's rows, top to bottom: how many, a cell, the row's unit address.
int panelRows(const TForm1 &form);
QModelIndex panelCell(const TForm1 &form, int row, int column = 0);
int panelAddress(const TForm1 &form, int row);
// Ticks or unticks a row's box; selects one row alone, as a click does.
void tickPanelRow(TForm1 &form, int row, bool on = true);
void selectPanelRow(TForm1 &form, int row);

// No link open, nothing queued and no second connection attempt pending.
bool linkIdle(const TForm1 &form);

// The main window and its dialogs for one test case, built hidden, with
// scripted prompts, the unit table reset and no automatic reload; destroyed
// with this object.
class WindowsUnderTest final
{
public:
    WindowsUnderTest();
    ~WindowsUnderTest();
    WindowsUnderTest(const WindowsUnderTest &) = delete;
    WindowsUnderTest &operator=(const WindowsUnderTest &) = delete;

    ScriptedPrompts prompts;
    TForm1 *form = nullptr;
};
