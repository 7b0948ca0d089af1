#include "Server.h"

#include "Responder.h"
#include "Wire.h"
#include "link/Codes.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace sim {

// One accepted connection: cuts requests, answers them as the faults allow.
class Session final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Session)
public:
    Session(Server *server, QTcpSocket *socket, int number)
        : QObject(server), m_server(server), m_socket(socket), m_number(number)
    {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, &Session::onDisconnected);
        log(QStringLiteral("connection #%1 from %2:%3")
                .arg(number)
                .arg(socket->peerAddress().toString())
                .arg(socket->peerPort()));
        if (server->faults.greet)
            write(answerLine(+Code::Greeting, QByteArray()));
        if (server->faults.flood)
            startFlood();
    }

private:
    void log(const QString &line) { Q_EMIT m_server->logLine(line); }

    void write(const QByteArray &bytes)
    {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_socket->write(bytes);
        QByteArray shown = bytes;
        while (shown.endsWith('\n') || shown.endsWith('\r'))
            shown.chop(1);
        log(QStringLiteral("-> ") + printable(shown, 600));
    }

    // Lines as fast as the peer takes them, a bounded amount ahead, until the connection ends.
    void startFlood()
    {
        log(QStringLiteral("   (flooding the connection with noise lines)"));
        auto *timer = new QTimer(this);
        timer->setInterval(0);
        connect(timer, &QTimer::timeout, this, [this] {
            if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->bytesToWrite() > 256 * 1024)
                return;
            QByteArray chunk;
            for (int i = 0; i < 256; ++i)
                chunk += "flood " + QByteArray::number(++m_floodLines) + " the device talks and talks\n";
            m_socket->write(chunk);
        });
        timer->start();
    }

    void onReadyRead()
    {
        const std::vector<Input> inputs = m_cutter.feed(m_socket->readAll());
        for (const Input &in : inputs) {
            if (in.kind != Input::Kind::Junk && in.kind != Input::Kind::Malformed && cut())
                return;
            handle(in);
        }
    }

    // A link that dies under a request: a reset, not an orderly close.
    bool cut()
    {
        const std::vector<int> &after = m_server->faults.cutAfter;
        if (m_number > int(after.size()) || m_requests < after[size_t(m_number - 1)])
            return false;
        log(QStringLiteral("cutting connection #%1 (reset) after %2 request(s)")
                .arg(m_number)
                .arg(m_requests));
        const struct linger reset = {1, 0};
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        m_socket->abort();
        return true;
    }

    void onDisconnected()
    {
        log(QStringLiteral("connection #%1 closed after %2 request(s)").arg(m_number).arg(m_requests));
        Q_EMIT m_server->connectionClosed();
        deleteLater();
    }

    void handle(const Input &in)
    {
        switch (in.kind) {
        case Input::Kind::Junk:
            log(QStringLiteral("?? skipped junk: ") + printable(in.raw));
            return;
        case Input::Kind::Malformed:
            log(QStringLiteral("?? skipped malformed frame: ") + printable(in.raw));
            return;
        case Input::Kind::Frame:
            handleFrame(in);
            return;
        case Input::Kind::Escape:
            log(QStringLiteral("<- $$$"));
            reply(++m_requests, {QByteArray("CMD\r\n")});
            return;
        case Input::Kind::Command: {
            log(QStringLiteral("<- ") + printable(in.raw, 600));
            const int number = ++m_requests;
            Q_EMIT m_server->commandHandled(in.raw);
            QList<QByteArray> lines;
            for (const QByteArray &l : moduleReply(m_server->controller(), in.raw)) {
                if (dropped(l))
                    continue;
                lines.append(l + "\r\n");
            }
            reply(number, lines);
            return;
        }
        }
    }

    // The module's faults: a reply line that it never sends.
    bool dropped(const QByteArray &line)
    {
        const Faults &f = m_server->faults;
        const bool drop = (f.dropExit && line == "EXIT") || (line == "AOK" && ++m_aoks == f.dropAok);
        if (drop)
            log(QStringLiteral("   (dropped: %1)").arg(QString::fromLatin1(line)));
        return drop;
    }

    void handleFrame(const Input &in)
    {
        log(QStringLiteral("<- ") + printable(in.raw, 600));
        const int number = ++m_requests;
        const Faults &f = m_server->faults;
        const Answer answer =
            respond(m_server->controller(), in.code, in.payload, {f.ackOnly, f.outOfRange, f.scheduleLead});
        if (!answer.note.isEmpty())
            log(QStringLiteral("   ") + answer.note);
        Q_EMIT m_server->requestHandled(in.code, in.payload);
        QByteArray line = answerLine(in.code, answer.payload);
        if (f.badHex)
            line[line.size() > 11 ? 8 : 6] = 'G'; // first payload digit, or the length's second digit
        reply(number, {line});
    }

    void reply(int number, const QList<QByteArray> &lines)
    {
        const Faults &f = m_server->faults;
        if (f.silent || (f.silentAfter >= 0 && number > f.silentAfter)) {
            log(QStringLiteral("   (silent: no answer to request %1)").arg(number));
            return;
        }
        if (f.delayMs <= 0) {
            send(number, lines);
            return;
        }
        QPointer<Session> self(this);
        QTimer::singleShot(f.delayMs, this, [self, number, lines] {
            if (self)
                self->send(number, lines);
        });
    }

    void send(int number, const QList<QByteArray> &lines)
    {
        const Faults &f = m_server->faults;
        if (f.hugeLine && !m_hugeSent) {
            m_hugeSent = true;
            log(QStringLiteral("   (next: a %1-byte line that is not a frame)").arg(Server::hugeLineBytes));
            write(QByteArray(Server::hugeLineBytes, 'x') + '\n');
        }
        if (f.garbage) {
            write("noise%$#@!\n");
            write("~~ *MK1D00*# ~~\n");
        }
        if (f.stray)
            write(
                answerLine(+Code::UnitStatus, QByteArray(1, char(Server::strayUnit)) + QByteArray(24, '\0')));
        for (int copy = 0; copy < (f.duplicate ? 2 : 1); ++copy)
            for (const QByteArray &l : lines)
                write(l);
        if (f.closeAfter >= 0 && number >= f.closeAfter &&
            m_socket->state() == QAbstractSocket::ConnectedState) {
            log(QStringLiteral("closing connection #%1 after %2 request(s)").arg(m_number).arg(number));
            m_socket->disconnectFromHost();
        }
    }

    Server *m_server;
    QTcpSocket *m_socket;
    int m_number;
    InputCutter m_cutter;
    int m_requests = 0;
    bool m_hugeSent = false;
    qint64 m_floodLines = 0;
    int m_aoks = 0;
};

Server::Server(Controller controller, QObject *parent)
    : QObject(parent), m_controller(std::move(controller)), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &Server::onNewConnection);
}

Server::~Server() = default;

bool Server::listen(const QHostAddress &address, quint16 port)
{
    if (!address.isLoopback()) {
        m_error = QStringLiteral("%1 is not a loopback address").arg(address.toString());
        return false;
    }
    if (faults.refuse) {
        Q_EMIT logLine(QStringLiteral("not listening on %1:%2 (connections are refused)")
                           .arg(address.toString())
                           .arg(port));
        return true;
    }
    if (!m_server->listen(address, port)) {
        m_error = m_server->errorString();
        return false;
    }
    Q_EMIT logLine(QStringLiteral("listening on %1:%2").arg(address.toString()).arg(m_server->serverPort()));
    return true;
}

void Server::close()
{
    m_server->close();
    for (Session *s : findChildren<Session *>(QString(), Qt::FindDirectChildrenOnly))
        delete s;
}

bool Server::isListening() const
{
    return m_server->isListening();
}

quint16 Server::serverPort() const
{
    return m_server->serverPort();
}

void Server::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        new Session(this, socket, ++m_connections);
        Q_EMIT connectionAccepted();
    }
}

bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const uint p = colon > 0 ? text.mid(colon + 1).toUInt(&ok) : 0;
    QHostAddress a;
    if (!ok || p == 0 || p > 65535 || !a.setAddress(text.left(colon)) ||
        a.protocol() != QAbstractSocket::IPv4Protocol) {
        *error = QStringLiteral("\"%1\" is not ADDR:PORT with an IPv4 address and a port 1..65535").arg(text);
        return false;
    }
    if (!a.isLoopback()) {
        *error = QStringLiteral("%1 is not a loopback address (127.0.0.0/8); this tool serves loopback only")
                     .arg(a.toString());
        return false;
    }
    *address = a;
    *port = quint16(p);
    return true;
}

} // namespace sim

#include "Server.moc"
