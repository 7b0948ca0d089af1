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

Heard::Result Heard::add(const QString &address)
{
    if (known.contains(address))
        return Result::Repeated;
    if (order.size() >= limit) {
        const bool first = !overLimit;
        overLimit = true;
        return first ? Result::FirstOverLimit : Result::OverLimit;
    }
    known.insert(address);
    order.append(address);
    return Result::Added;
}

void Heard::clear()
{
    order.clear();
    known.clear();
    overLimit = false;
}

} // namespace discovery
