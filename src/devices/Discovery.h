#pragma once

#include <QByteArray>
#include <QSet>
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

// The most addresses one search visits: each costs a connection, and a flood of
// forged senders must not keep the search busy for hours.
constexpr int MaxHeard = 256;

// The addresses heard in one listening window, in the order first heard, at
// most `limit` of them. The set beside the list keeps a repeated sender cheap.
class Heard final
{
public:
    explicit Heard(int limit = MaxHeard) : limit(limit) {}

    enum class Result { Added, Repeated, FirstOverLimit, OverLimit };
    Result add(const QString &address);
    const QStringList &addresses() const { return order; }
    void clear();

private:
    QStringList order;
    QSet<QString> known;
    int limit;
    bool overLimit = false;
};

} // namespace discovery
