#pragma once

#include "Controller.h"

#include <QHostAddress>
#include <QObject>

#include <vector>

class QTcpServer;
class QTcpSocket;

namespace sim {

class Session;

// Ways to misbehave, so that the application's failure paths can be tried.
// Request counts are per connection; a frame, "$$$" and a module command each count as one.
struct Faults final
{
    bool refuse = false;     // do not listen at all
    bool silent = false;     // accept and never answer
    int silentAfter = -1;    // answer only the first N requests
    int delayMs = 0;         // answer each request this late
    bool garbage = false;    // noise lines before each answer
    bool badHex = false;     // answers carry a non-hex digit
    bool outOfRange = false; // payloads outside the application's tables
    bool hugeLine = false;   // a 1 MB line before the first answer
    int closeAfter = -1;     // close the connection after answering N requests
    bool ackOnly = false;    // every frame answered by its code with no payload
    bool greet = false;      // send the greeting frame 20 on accepting
    bool flood = false;      // stream noise lines without end from accepting on
    bool duplicate = false;  // every answer sent twice
    bool stray = false;      // before every answer, a status frame for unit 63 that nobody asked for
    bool dropExit = false;   // "exit" leaves command mode without its "EXIT" line
    int dropAok = -1;        // the Nth "AOK" of a connection is not sent
    // Connection k (from 1) answers cutAfter[k-1] requests and is reset when the next
    // one arrives, unanswered; connections beyond the list are not cut.
    std::vector<int> cutAfter;
    int scheduleLead = -1; // 0..255: the leading byte of answer 49 instead of the unit's address
};

class Server final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Server)
public:
    explicit Server(Controller controller, QObject *parent = nullptr);
    ~Server() override;

    // Loopback addresses only; with faults.refuse it succeeds without listening.
    bool listen(const QHostAddress &address, quint16 port);
    void close();
    bool isListening() const;
    quint16 serverPort() const;
    QString errorString() const { return m_error; }
    int connectionCount() const { return m_connections; }

    Controller &controller() { return m_controller; }
    const Controller &controller() const { return m_controller; }

    Faults faults;

    static constexpr int hugeLineBytes = 1024 * 1024;
    static constexpr int strayUnit = 63;

Q_SIGNALS:
    void logLine(const QString &line);
    void connectionAccepted();
    void connectionClosed();
    void requestHandled(int code, const QByteArray &payload);
    void commandHandled(const QByteArray &line);

private:
    friend class Session;
    void onNewConnection();

    Controller m_controller;
    QTcpServer *m_server = nullptr;
    QString m_error;
    int m_connections = 0;
};

// Splits "ADDR:PORT" and accepts only loopback IPv4 addresses; error text when refused.
bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port, QString *error);

} // namespace sim
