#include "Extras.h"

#include "Wire.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QUrlQuery>

namespace sim {

Beacon::Beacon(QObject *parent) : QObject(parent), m_socket(new QUdpSocket(this)), m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &Beacon::send);
}

bool Beacon::start(const QHostAddress &target, int intervalMs, quint16 targetPort, const QHostAddress &source)
{
    if (!target.isLoopback())
        return false;
    if (!source.isNull() && (!source.isLoopback() || !m_socket->bind(source, 0)))
        return false;
    m_target = target;
    m_port = targetPort;
    m_timer->start(intervalMs);
    send();
    return true;
}

void Beacon::stop()
{
    m_timer->stop();
}

QByteArray Beacon::datagram() const
{
    // Looks like a module's status beacon: binary header, then the announcement text.
    return QByteArray("\x00\x01\x02", 3) + "WiFly-GSX sim 2.23 brezzano";
}

void Beacon::send()
{
    m_socket->writeDatagram(datagram(), m_target, m_port);
    Q_EMIT logLine(QStringLiteral("beacon to %1:%2").arg(m_target.toString()).arg(m_port));
}

bool parseAccount(const QString &text, Account *account)
{
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    const qsizetype last = text.lastIndexOf(QLatin1Char(':'));
    if (first <= 0 || last == first || last == text.size() - 1)
        return false;
    account->user = text.left(first);
    account->password = text.mid(first + 1, last - first - 1);
    account->reply = text.mid(last + 1).toLatin1();
    return true;
}

QByteArray RegistrationService::replyFor(const QByteArray &query) const
{
    if (accounts.isEmpty())
        return reply;
    const QUrlQuery fields(QString::fromLatin1(query));
    const QString user = fields.queryItemValue(QStringLiteral("us"), QUrl::FullyDecoded);
    const QString password = fields.queryItemValue(QStringLiteral("pw"), QUrl::FullyDecoded);
    for (const Account &account : accounts)
        if (account.user == user && account.password == password)
            return account.reply;
    return "4";
}

RegistrationService::RegistrationService(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &RegistrationService::onNewConnection);
}

bool RegistrationService::listen(const QHostAddress &address, quint16 port)
{
    return address.isLoopback() && m_server->listen(address, port);
}

quint16 RegistrationService::serverPort() const
{
    return m_server->serverPort();
}

QString RegistrationService::errorString() const
{
    return m_server->errorString();
}

void RegistrationService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 8192)
                    socket->abort();
                return;
            }
            const QByteArray requestLine = socket->readLine().trimmed();
            Q_EMIT logLine(QStringLiteral("http <- ") + printable(requestLine));
            const QList<QByteArray> parts = requestLine.split(' ');
            const qsizetype mark = parts.size() >= 2 ? parts[1].indexOf('?') : -1;
            const bool ours = parts.size() >= 2 && parts[0] == "GET" &&
                              parts[1].left(mark < 0 ? parts[1].size() : mark) == "/xrv/xrv_regdevice.php";
            const QByteArray body =
                ours ? replyFor(mark < 0 ? QByteArray() : parts[1].mid(mark + 1)) : QByteArray("not found");
            QByteArray response = ours ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n";
            response += "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body;
            Q_EMIT logLine(QStringLiteral("http -> ") + printable(body));
            socket->write(response);
            socket->disconnectFromHost();
        });
    }
}

} // namespace sim
