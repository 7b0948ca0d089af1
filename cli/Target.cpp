#include "Target.h"

#include "Arguments.h"
#include "Messages.h"
#include "link/Codes.h"
#include "netmodule/ModuleValues.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/Texts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>

namespace {

// An address or a host name, with a port after a colon or without one.
std::optional<Target> addressForm(const QString &text)
{
    QString host = text;
    quint16 port = protocol::ControllerPort;
    if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        bool ok = false;
        const uint given = text.mid(colon + 1).toUInt(&ok, 10);
        if (!ok || given == 0 || given > 65535 || text.mid(colon + 1).startsWith(QLatin1Char('+')))
            return std::nullopt;
        host = text.left(colon);
        port = quint16(given);
    }
    static const QRegularExpression hostName(
        QStringLiteral("^(?=.{1,253}\\.?$)[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-"
                       "z0-9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
    static const QRegularExpression numbersAndDots(QStringLiteral("^[0-9.]+$"));
    // Numbers and dots that are no address are a mistyped address, not a host name.
    const bool dotted = netmodule::isDottedIPv4(host);
    if (!dotted && (numbersAndDots.match(host).hasMatch() || !hostName.match(host).hasMatch()))
        return std::nullopt;
    Target target;
    target.host = host;
    target.port = port;
    target.shown = port == protocol::ControllerPort ? host : QStringLiteral("%1:%2").arg(host).arg(port);
    return target;
}

} // namespace

AddressBook readAddressBook(const Invocation &inv)
{
    AddressBook book;
    book.path = inv.addressBookGiven ? inv.addressBook : QStringLiteral("brezzano.ini");
    QString why;
    if (QFile probe(book.path); !probe.open(QIODevice::ReadOnly)) {
        // The default book may be missing; one that was named must be there.
        if (inv.addressBookGiven || probe.exists())
            book.error = extraText(ExtraText::CannotRead).arg(book.path, probe.errorString());
        return book;
    }
    IniFile ini;
    if (!ini.load(book.path, &why)) {
        book.error = extraText(ExtraText::CannotRead).arg(book.path, why);
        return book;
    }
    book.devices = readSettings(ini).devices;
    return book;
}

std::optional<Target> resolveTarget(const Invocation &inv, QString *error)
{
    const QString &given = inv.host;
    if (const std::optional<Target> direct = addressForm(given);
        direct && netmodule::isDottedIPv4(direct->host))
        return direct;
    const AddressBook book = readAddressBook(inv);
    if (!book.error.isEmpty()) {
        *error = book.error;
        return std::nullopt;
    }
    std::vector<std::pair<QString, QString>> found;
    for (const auto &device : book.devices)
        if (device.first.trimmed().compare(given.trimmed(), Qt::CaseInsensitive) == 0)
            found.push_back(device);
    if (found.size() > 1) {
        QStringList names;
        for (const auto &[name, address] : found)
            names << QStringLiteral("%1 (%2)").arg(escapeControls(name), escapeControls(address));
        *error = cliText(CliText::AmbiguousName)
                     .arg(escapeControls(given), book.path, names.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    if (found.size() == 1) {
        std::optional<Target> target = addressForm(found.front().second.trimmed());
        if (!target) {
            *error = cliText(CliText::BadBookAddress)
                         .arg(escapeControls(found.front().first), book.path,
                              escapeControls(found.front().second));
            return std::nullopt;
        }
        target->shown =
            QStringLiteral("%1 (%2)").arg(escapeControls(found.front().first.trimmed()), target->shown);
        return target;
    }
    if (std::optional<Target> named = addressForm(given))
        return named;
    *error = cliText(CliText::BadHost).arg(escapeControls(given), book.path);
    return std::nullopt;
}

std::optional<QString> readPasswordFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = extraText(ExtraText::CannotRead).arg(path, file.errorString());
        return std::nullopt;
    }
    // The opened file itself, so that it cannot be swapped between the check and the read.
    struct stat info = {};
    if (fstat(file.handle(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = extraText(ExtraText::CannotRead).arg(path, extraText(ExtraText::NotRegularFile));
        return std::nullopt;
    }
    if (info.st_mode & (S_IRGRP | S_IROTH)) {
        *error = cliText(CliText::PasswordFileOpen).arg(path);
        return std::nullopt;
    }
    QByteArray line = file.read(256);
    if (const qsizetype end = line.indexOf('\n'); end >= 0)
        line.truncate(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const QString password = QString::fromUtf8(line);
    if (!passwordFits(password)) {
        *error = cliText(CliText::BadPasswordLength).arg(path);
        return std::nullopt;
    }
    return password;
}
