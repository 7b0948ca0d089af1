#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace sim {

class Controller;

struct AnswerStyle final
{
    bool ackOnly = false;    // every answer: same code, no payload
    bool outOfRange = false; // payloads outside what the application's tables hold
    int scheduleLead = -1;   // 0..255: the leading byte of answer 49 instead of the unit's address
};

struct Answer final
{
    QByteArray payload;
    QString note; // what the request changed, for the log; empty when nothing
};

// Applies one request frame to the controller and returns the payload of its answer
// (the answer always carries the request's code).
Answer respond(Controller &c, int code, const QByteArray &payload, const AnswerStyle &style);

// Applies one line of the module's command mode; returns the reply lines without line ends.
QList<QByteArray> moduleReply(Controller &c, const QByteArray &line);

} // namespace sim
