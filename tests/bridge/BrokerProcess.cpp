#include "bridge/BrokerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QString mosquittoProgram()
{
    QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(
            QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return program;
}

// The broker, started as root, reads its files after it has become the mosquitto user.
void openToTheBroker(const QString &dir, const QStringList &files)
{
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                   QFile::ExeOther);
    for (const QString &file : files)
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
}

} // namespace

QString BrokerProcess::caFile() const
{
    return dir.filePath(QStringLiteral("ca.crt"));
}

bool BrokerProcess::useTls(QString *error)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        *error = QStringLiteral("openssl not installed (scripts/deps.sh installs it)");
        return false;
    }
    const auto path = [this](const char *name) { return dir.filePath(QLatin1String(name)); };
    const QString names = QStringLiteral("subjectAltName=IP:%1,DNS:%1").arg(host);
    QFile extensions(path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write(names.toUtf8() + '\n') < 0) {
        *error = extensions.errorString();
        return false;
    }
    extensions.close();
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=test CA", "-keyout",
         path("ca.key"), "-out", caFile()},
        {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + host, "-keyout", path("server.key"),
         "-out", path("server.csr")},
        {"x509", "-req", "-in", path("server.csr"), "-CA", caFile(), "-CAkey", path("ca.key"),
         "-CAcreateserial", "-days", "2", "-extfile", path("server.ext"), "-out", path("server.crt")},
    };
    for (const QStringList &step : steps) {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(openssl, step);
        if (!tool.waitForFinished(20000) || tool.exitCode() != 0) {
            *error = QStringLiteral("openssl %1 failed: %2")
                         .arg(step.front(), QString::fromLocal8Bit(tool.readAll()));
            return false;
        }
    }
    openToTheBroker(dir.path(), {caFile(), path("server.crt"), path("server.key")});
    tls = true;
    return true;
}

bool BrokerProcess::start(QString *error)
{
    const QString program = mosquittoProgram();
    if (program.isEmpty()) {
        *error = QStringLiteral("mosquitto not installed (scripts/deps.sh installs it)");
        return false;
    }
    if (listenPort == 0) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress(host), 0)) {
            *error = QStringLiteral("no free port on %1: %2").arg(host, probe.errorString());
            return false;
        }
        listenPort = probe.serverPort();
    }
    const QString config = dir.filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file.errorString();
        return false;
    }
    QString access = QStringLiteral("allow_anonymous true\n");
    if (!user.isEmpty()) {
        const QString passwords = dir.filePath(QStringLiteral("passwords"));
        QProcess tool;
        tool.start(QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")),
                   {QStringLiteral("-c"), QStringLiteral("-b"), passwords, user, password});
        if (!tool.waitForFinished(10000) || tool.exitCode() != 0) {
            *error = QStringLiteral("mosquitto_passwd failed: ") + QString::fromLocal8Bit(tool.readAll());
            return false;
        }
        openToTheBroker(dir.path(), {passwords});
        access = QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(passwords);
    }
    if (tls)
        access += QStringLiteral("cafile %1\ncertfile %2\nkeyfile %3\n")
                      .arg(caFile(), dir.filePath(QStringLiteral("server.crt")),
                           dir.filePath(QStringLiteral("server.key")));
    file.write(QStringLiteral("listener %1 %2\n%3persistence false\n"
                              "log_dest stderr\nlog_type error\nlog_type warning\n")
                   .arg(listenPort)
                   .arg(host, access)
                   .toUtf8());
    file.close();

    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {QStringLiteral("-c"), config});
    if (!process.waitForStarted(5000)) {
        *error = process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(host), quint16(listenPort));
        if (socket.waitForConnected(200))
            return true;
        if (process.state() != QProcess::Running)
            break;
        process.waitForFinished(50);
    }
    *error = QStringLiteral("broker did not listen on %1:%2: %3")
                 .arg(host)
                 .arg(listenPort)
                 .arg(QString::fromLocal8Bit(process.readAll()));
    stop();
    return false;
}

void BrokerProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate(); // SIGTERM to this broker's own process id
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}
