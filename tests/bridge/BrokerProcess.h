#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A Mosquitto broker of the test's own: a loopback address, a free port, no
// persistence; anonymous clients, or only `user` with `password`. Stopped by its process id.
class BrokerProcess final
{
public:
    explicit BrokerProcess(QString address, QString user = {}, QString password = {})
        : host(std::move(address)), user(std::move(user)), password(std::move(password))
    {
    }
    ~BrokerProcess() { stop(); }
    BrokerProcess(const BrokerProcess &) = delete;
    BrokerProcess &operator=(const BrokerProcess &) = delete;

    // The first start picks a free port; a restart listens on the same one.
    // Returns once the broker accepts connections, false with the reason in *error.
    bool start(QString *error);
    void stop();
    // Before start: a TLS listener, with a CA and a certificate for the address made
    // now by the openssl command. False with the reason in *error.
    bool useTls(QString *error);
    QString caFile() const; // the CA that signed the broker's certificate

    QString address() const { return host; }
    int port() const { return listenPort; }

private:
    QString host;
    QString user;
    QString password;
    int listenPort = 0;
    bool tls = false;
    QTemporaryDir dir;
    QProcess process;
};
