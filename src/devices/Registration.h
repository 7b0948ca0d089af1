#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <QUrl>

// Registering a device with the registration web service: the request and
// what its reply means.
namespace registration {

inline const QString Path = QStringLiteral("/xrv/xrv_regdevice.php");
inline const QString ClientCode = QStringLiteral("VelmoranDqs");

// "cc=" client code "&us=" user "&pw=" password "&mc=" mac, each value
// percent-encoded so that "&", "#", "+" and blanks arrive as typed.
QByteArray query(const QString &user, const QString &password, const QString &mac);

// The base address (scheme, host, optional port and path) with the service's
// path and the query. Invalid when the base is not a plain http or https address.
QUrl url(const QString &base, const QString &user, const QString &password, const QString &mac);

struct Reply
{
    QString message;
    bool closes = false; // the dialog closes with the OK result
};

// The message for the reply body, compared whole: "0", "3" and "4" are known.
Reply interpret(const QByteArray &body);

// The most of a reply that is read: the codes are one character, and a body
// without end must not fill the memory.
constexpr qint64 MaxReply = 64 * 1024;

// A failed request as the user sees it: the error's type name, a blank, the
// service's host and, when it answered, the HTTP status. Never the query: it
// carries the account's password.
QString failureText(QNetworkReply::NetworkError error, const QUrl &url, int status, bool timedOut);

// The MAC address to send for the active device `ipSensor`: the one read, only
// when it was read from that device.
QString macFor(const QString &mac, const QString &readFrom, const QString &ipSensor);

} // namespace registration
