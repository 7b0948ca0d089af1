#include "devices/Discovery.h"

namespace discovery {

QString beaconText(const QByteArray &payload)
{
    QString text;
    text.reserve(payload.size());
    for (const char byte : payload) {
        const auto code = quint8(byte);
        if (code < 32)
            continue;
        // Only A to Z: a Latin-1 capital above 127 stays as it is.
        text.append(QChar(code >= 'A' && code <= 'Z' ? code + ('a' - 'A') : code));
    }
    return text;
}

bool isBeacon(const QByteArray &payload)
{
    return beaconText(payload).contains(QLatin1String("wifly"));
}

bool addHeard(QStringList &heard, const QString &address)
{
    if (heard.contains(address))
        return false;
    heard.append(address);
    return true;
}

} // namespace discovery
