#include "netmodule/ModuleReply.h"

namespace netmodule {

namespace {

// The rest of the line after the first occurrence of `key`, unchanged.
std::optional<QString> valueAfter(const QByteArray &line, const QByteArray &key)
{
    const qsizetype at = line.indexOf(key);
    if (at < 0)
        return std::nullopt;
    return QString::fromLatin1(line.mid(at + key.size()));
}

} // namespace

ReplyEffect parseReply(const QByteArray &line)
{
    ReplyEffect effect;
    if (line == "CMD")
        effect.endsWait = true;
    if (line == "AOK" || line == "aok" || line.contains("in config")) {
        effect.endsWait = true;
        return effect;
    }

    effect.netName = valueAfter(line, "SSID=");
    if ((effect.passPhrase = valueAfter(line, "Passphrase=")))
        effect.endsWait = true;
    effect.gateway = valueAfter(line, "GW=");
    if (const auto dhcp = valueAfter(line, "DHCP="))
        effect.dhcp = *dhcp != QLatin1String("OFF");
    // The address is followed by the port: "IP=192.168.1.20:2000". A line
    // without that colon leaves the field as it is.
    const qsizetype ip = line.indexOf("IP=");
    if (ip >= 0) {
        const qsizetype start = ip + 3;
        const qsizetype colon = line.indexOf(':', start);
        if (colon >= 0)
            effect.ipAddress = QString::fromLatin1(line.mid(start, colon - start));
    }
    if (line.contains("BACKUP=") || line.contains("Backup="))
        effect.endsWait = true;
    effect.dns = valueAfter(line, "DNS=");
    if (line == "EXIT") {
        effect.endsWait = true;
        effect.endsCommandMode = true;
    }
    return effect;
}

} // namespace netmodule
