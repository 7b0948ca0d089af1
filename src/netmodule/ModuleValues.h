#pragma once

#include <QByteArray>
#include <QString>

// What may be written to the module and where its settings are read.
namespace netmodule {

// The bytes of a value for a "set" command. Characters below code 32 are
// dropped: a pasted line break would end the command early and run the rest
// of the value as a command of its own.
QByteArray commandValue(const QString &value);

// Module values are bytes (Latin-1); a character above code 255 has no byte to be sent as.
bool fitsModule(const QString &value);

// Four decimal numbers 0 to 255 joined by dots, without leading zeros (which
// some address parsers take as octal).
bool isDottedIPv4(const QString &text);

// What "Set" writes to the module.
struct NetworkSettings
{
    QString netName;
    QString passPhrase;
    QString address;
    QString gateway;
    QString dns;
    bool dhcp = false;
};

// The longest network name and pass phrase the module stores, in bytes.
constexpr int MaxNetName = 32;
constexpr int MaxPassPhrase = 64;

// Why the module could not work with `settings`, as the user reads it; empty
// when they can be sent. Values that only look odd are the user's to choose.
QString refusal(const NetworkSettings &settings);

// Where a module read goes: the device's own network has a fixed address.
QString readHost(bool deviceNetwork, const QString &ipSensor);

} // namespace netmodule
