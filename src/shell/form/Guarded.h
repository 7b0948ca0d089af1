#pragma once

#include "shell/form/Forms.h"
#include "shell/form/Main.h"

#include <QObject>

#include <exception>
#include <type_traits>

// Runs an event handler; what it throws goes to the main window's appException
// instead of up Qt's event loop, which does not carry exceptions.
template <typename Handler> void guarded(TForm1 &main, QObject *sender, Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        main.appException(sender, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        main.appException(sender, QStringLiteral("unknown error"));
    }
}

// Connects `signal` to a handler of `receiver` that takes no arguments, run
// through guarded(). A dialog's handlers work on the main window: while there
// is none, they do not run.
template <typename Sender, typename Signal, typename Receiver>
void connectGuarded(Sender *sender, Signal signal, Receiver *receiver, void (Receiver::*handler)())
{
    QObject::connect(sender, signal, receiver, [sender, receiver, handler] {
        TForm1 *main = nullptr;
        if constexpr (std::is_base_of_v<TForm1, Receiver>)
            main = receiver;
        else
            main = forms().Form1;
        if (main)
            guarded(*main, sender, [receiver, handler] { (receiver->*handler)(); });
    });
}
