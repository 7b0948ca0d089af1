#include "devices/Registration.h"

#include "shell/Texts.h"

#include <QMetaEnum>

namespace registration {

QByteArray query(const QString &user, const QString &password, const QString &mac)
{
    const auto value = [](const QString &text) { return QUrl::toPercentEncoding(text); };
    return "cc=" + value(ClientCode) + "&us=" + value(user) + "&pw=" + value(password) + "&mc=" + value(mac);
}

QUrl url(const QString &base, const QString &user, const QString &password, const QString &mac)
{
    QString trimmed = base.trimmed();
    while (trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const QUrl root(trimmed, QUrl::StrictMode);
    const bool usable = root.isValid() && !root.host().isEmpty() && !root.hasQuery() && !root.hasFragment() &&
                        root.userInfo().isEmpty() &&
                        (root.scheme() == QLatin1String("http") || root.scheme() == QLatin1String("https"));
    if (!usable)
        return {};
    return QUrl::fromEncoded(root.toEncoded() + Path.toLatin1() + '?' + query(user, password, mac),
                             QUrl::StrictMode);
}

Reply interpret(const QByteArray &body)
{
    if (body == "0")
        return {texts.value(72), true};
    if (body == "3")
        return {texts.value(74), true};
    if (body == "4")
        return {texts.value(73), false};
    return {QStringLiteral("Not valid responce"), false};
}

QString failureText(QNetworkReply::NetworkError error, const QUrl &url, int status, bool timedOut)
{
    const QString host =
        url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
    if (timedOut)
        return QStringLiteral("TimeoutError The registration service at %1 did not answer in time").arg(host);
    // A status that Qt does not count as an error: a redirect, which is not followed.
    const char *name = error == QNetworkReply::NoError
                           ? "HttpStatusError"
                           : QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    QString text = QString::fromLatin1(name ? name : "NetworkError") + QLatin1Char(' ') + host;
    if (status > 0)
        text += QStringLiteral(" HTTP %1").arg(status);
    return text;
}

QString macFor(const QString &mac, const QString &readFrom, const QString &ipSensor)
{
    return readFrom == ipSensor ? mac : QString();
}

} // namespace registration
