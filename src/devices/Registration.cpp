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

QString failureText(QNetworkReply::NetworkError error, const QString &message, bool timedOut)
{
    if (timedOut)
        return QStringLiteral("TimeoutError The registration service did not answer in time");
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return QString::fromLatin1(name ? name : "NetworkError") + QLatin1Char(' ') + message;
}

QString macFor(const QString &mac, const QString &readFrom, const QString &ipSensor)
{
    return readFrom == ipSensor ? mac : QString();
}

} // namespace registration
