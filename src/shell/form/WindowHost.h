#pragma once

#include <vector>

class QWidget;

// What the dialogs ask of the main window, without knowing it: the
// application's root hands each dialog the window as this when it builds it.
class WindowHost
{
public:
    virtual QWidget *hostWidget() = 0; // what a dialog opens over
    // Queues the sending `par` of the unit settings dialog and opens the link.
    virtual void sendsetting(int par) = 0;
    virtual std::vector<int> checkedUnitAddresses() const = 0; // the ticked units, top to bottom
    // True when the controller asks for no password, or the user typed it.
    virtual bool passwordGate() = 0;
    // A dialog that works on the units opened or closed: the automatic reload waits meanwhile.
    virtual void unitDialogOpen(bool open) = 0;
    // The settings dialog's list shows the schedule as the model holds it now.
    virtual void updateUnitProgListTemp() = 0;

protected:
    ~WindowHost() = default;
};
