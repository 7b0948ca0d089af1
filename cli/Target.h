#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

struct Invocation;

// Where the controller is: what --host named, resolved.
struct Target
{
    QString host;     // a dotted address or a host name
    quint16 port = 0; // the protocol's port unless one was given
    QString shown;    // how messages name it: "Lobby (192.168.1.20)", "ctrl.example:2001"
};

// The address book's devices, (name, address) in file order: --address-book PATH,
// $BREZZANO_ADDRESS_BOOK, or brezzano.ini in the current folder. A book that was named
// and cannot be read is an error; the default one may be missing.
struct AddressBook
{
    QString path;
    std::vector<std::pair<QString, QString>> devices;
    QString error;
};
AddressBook readAddressBook(const Invocation &inv);

// `inv.host` as an address, ADDR:PORT, a host name or an address-book name (case-insensitive);
// the reason in *error when it is none of them, or names more than one device.
std::optional<Target> resolveTarget(const Invocation &inv, QString *error);

// The first line of --password-file; the reason in *error when the file cannot be read,
// may be read by others than its owner, or holds no password of a length the controller takes.
std::optional<QString> readPasswordFile(const QString &path, QString *error);
