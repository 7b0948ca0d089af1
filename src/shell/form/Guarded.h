#pragma once

#include "shell/form/Forms.h"
#include "shell/form/Main.h"

#include <QAbstractButton>

// Connects a dialog button's click to `handler`; what the handler throws goes
// to the main window's appException instead of up the event loop.
template <typename Dialog>
void onClickGuarded(QAbstractButton *button, Dialog *dialog, void (Dialog::*handler)())
{
    QObject::connect(button, &QAbstractButton::clicked, dialog, [dialog, button, handler] {
        if (TForm1 *main = forms().Form1)
            main->guarded(button, [dialog, handler] { (dialog->*handler)(); });
    });
}
