#pragma once

#include <QHostAddress>
#include <QObject>

class QTcpServer;
class QTimer;
class QUdpSocket;

namespace sim {

// The Wi-Fi module's announcement: a datagram holding "wifly" to UDP 55555 every second.
class Beacon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Beacon)
public:
    static constexpr quint16 port = 55555;
    explicit Beacon(QObject *parent = nullptr);
    // Loopback targets only; another port is for tests. With a `source`, the
    // datagrams leave from that address, so each simulated device has its own.
    bool start(const QHostAddress &target, int intervalMs = 1000, quint16 targetPort = port,
               const QHostAddress &source = QHostAddress());
    void stop();
    QByteArray datagram() const;

Q_SIGNALS:
    void logLine(const QString &line);

private:
    void send();
    QUdpSocket *m_socket = nullptr;
    QTimer *m_timer = nullptr;
    QHostAddress m_target;
    quint16 m_port = port;
};

// One account of the registration service and the body that its registration gets.
struct Account final
{
    QString user;
    QString password;
    QByteArray reply;
};

// "USER:PASSWORD:REPLY": the user ends at the first colon, the reply follows the last.
bool parseAccount(const QString &text, Account *account);

// The registration web service: answers GET /xrv/xrv_regdevice.php, with a
// fixed body or, when it has accounts, by the account that the query names.
class RegistrationService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RegistrationService)
public:
    explicit RegistrationService(QObject *parent = nullptr);
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const;
    quint16 serverPort() const;
    QByteArray reply = "0";  // "0" registered, "3" never connected, "4" bad user or password
    QList<Account> accounts; // when not empty: the matching account's reply, else "4"

    // The body for a registration query (the part after "?", still encoded).
    QByteArray replyFor(const QByteArray &query) const;

Q_SIGNALS:
    void logLine(const QString &line);

private:
    void onNewConnection();
    QTcpServer *m_server = nullptr;
};

} // namespace sim
