#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The Wi-Fi module's replies in command mode. The parser does not know which
// command is outstanding: a reply only says what it fills and whether it ends
// the wait for whatever was written last.
namespace netmodule {

struct ReplyEffect
{
    bool endsWait = false;
    bool endsCommandMode = false; // "EXIT": the module passes the stream to the controller again
    // Values read, as Latin-1 text so that a value can be written back byte for byte.
    std::optional<QString> netName, passPhrase, ipAddress, gateway, dns;
    std::optional<bool> dhcp; // the "Use DHCP" toggle down
};

// One received line without its line end. Comparisons are case-sensitive;
// a key counts wherever it stands in the line, and one line may fill several fields.
ReplyEffect parseReply(const QByteArray &line);

} // namespace netmodule
