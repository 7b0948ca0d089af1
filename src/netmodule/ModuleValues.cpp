#include "netmodule/ModuleValues.h"

#include "shell/Settings.h"

#include <QStringList>

namespace netmodule {

QByteArray commandValue(const QString &value)
{
    QByteArray bytes;
    bytes.reserve(value.size());
    for (const QChar ch : value)
        if (ch.unicode() >= 32)
            bytes.append(char(ch.unicode() & 0xFF));
    return bytes;
}

bool fitsModule(const QString &value)
{
    for (const QChar ch : value)
        if (ch.unicode() > 255)
            return false;
    return true;
}

bool isDottedIPv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(QLatin1Char('0'))))
            return false;
        for (const QChar ch : part)
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

QString readHost(bool deviceNetwork, const QString &ipSensor)
{
    return deviceNetwork ? DeviceNetworkAddress : ipSensor;
}

} // namespace netmodule
