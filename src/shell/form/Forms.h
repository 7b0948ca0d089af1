#pragma once

#include "shell/form/Dialogs.h"

class QString;
class TForm1;

// The windows of the application, created once at start-up and reused.
struct Forms : Dialogs
{
    TForm1 *Form1 = nullptr;
};

Forms &forms();

// The application's root: creates the main window and then its eight dialogs,
// each hidden, and hands each what it works with. The dialogs are children of
// the main window; destroyForms() deletes them all.
TForm1 *createForms();
void destroyForms();

// The history of reloads, faults and operations in `folder`, beside the
// settings file: its recorder on the session, its tray alerts, the "History"
// button beside the panel's reload. Only the program itself keeps one.
namespace history {
class HistoryView;
}
history::HistoryView *createHistory(TForm1 *main, const QString &folder);
