#pragma once

#include "session/ControllerSession.h"

#include <QObject>

#include <exception>

// Runs an event handler; what it throws goes to the session's appException
// (which closes the link and has the window say so) instead of up Qt's event
// loop, which does not carry exceptions.
template <typename Handler> void guarded(ControllerSession &errors, QObject *sender, Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        errors.appException(sender, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        errors.appException(sender, QStringLiteral("unknown error"));
    }
}

// Connects `signal` to a handler of `receiver` that takes no arguments, run
// through guarded() with the receiver's session.
template <typename Sender, typename Signal, typename Receiver>
void connectGuarded(Sender *sender, Signal signal, Receiver *receiver, void (Receiver::*handler)())
{
    QObject::connect(sender, signal, receiver, [sender, receiver, handler] {
        guarded(*receiver->session, sender, [receiver, handler] { (receiver->*handler)(); });
    });
}
