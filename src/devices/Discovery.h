#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What device discovery makes of the Wi-Fi modules' UDP announcements.
namespace discovery {

// The port the modules announce themselves to.
constexpr quint16 BeaconPort = 55555;
// The most of one datagram that is read; the rest of a longer one is dropped.
constexpr qint64 MaxDatagram = 2048;

// The payload as text, one character per byte: bytes below 32 are dropped and
// the letters A to Z lowered; nothing else changes.
QString beaconText(const QByteArray &payload);

// True when the payload announces a module ("wifly" anywhere in its text).
bool isBeacon(const QByteArray &payload);

// Appends `address` to the addresses heard unless a line already equals it;
// true when it was appended.
bool addHeard(QStringList &heard, const QString &address);

} // namespace discovery
