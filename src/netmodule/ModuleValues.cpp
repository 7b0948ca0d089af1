#include "netmodule/ModuleValues.h"

#include "shell/Settings.h"
#include "shell/Texts.h"

#include <QStringList>

#include <algorithm>

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

namespace {

// A control character would end the command early or garble it; a character
// above 255 has no byte to be sent as.
bool sendable(const QString &value)
{
    return fitsModule(value) && std::none_of(value.begin(), value.end(),
                                             [](QChar ch) { return ch.category() == QChar::Other_Control; });
}

} // namespace

QString refusal(const NetworkSettings &settings)
{
    struct Field
    {
        const QString &value;
        int label; // text number of the field's label
        int maxBytes;
        bool address;
    };
    const Field fields[] = {{settings.netName, 128, MaxNetName, false},
                            {settings.passPhrase, 129, MaxPassPhrase, false},
                            {settings.address, 132, 0, true},
                            {settings.gateway, 133, 0, true},
                            {settings.dns, 134, 0, true}};
    QString why;
    for (const Field &field : fields) {
        const QString label = texts.value(field.label);
        if (!sendable(field.value))
            why = extraText(ExtraText::FieldBadCharacter).arg(label);
        else if (field.label == 128 && field.value.isEmpty())
            why = extraText(ExtraText::FieldEmpty).arg(label);
        else if (field.maxBytes > 0 && field.value.size() > field.maxBytes) // one byte a character
            why = extraText(ExtraText::FieldTooLong).arg(label).arg(field.maxBytes);
        else if (field.address && !settings.dhcp && !isDottedIPv4(field.value))
            why = extraText(ExtraText::FieldNotAnAddress).arg(label);
        if (!why.isEmpty())
            return extraText(ExtraText::SettingsNotSent) + QLatin1Char('\n') + why;
    }
    return {};
}

QString readHost(bool deviceNetwork, const QString &ipSensor)
{
    return deviceNetwork ? DeviceNetworkAddress : ipSensor;
}

} // namespace netmodule
