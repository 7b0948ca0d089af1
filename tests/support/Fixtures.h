#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class QTcpServer;
class QTcpSocket;

// Shortens every interval so link tests run in milliseconds, not seconds.
void useFastIntervals();

// brezzano-sim as a child process on a loopback address, port 2000.
class SimProcess final
{
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator and waits until it accepts connections (unless
    // `expectListening` is false, as with --refuse).
    bool start(const QString &address, const QStringList &extraArgs = {}, bool expectListening = true);
    void stop();
    QString output(); // what it printed so far

private:
    QProcess process;
    QByteArray printed;
};

class TForm1;
// A main window with its lists set up as start-up leaves them, without a
// settings file, the start-up reload or the automatic reload.
std::unique_ptr<TForm1> makeTestForm();

// Every line of the main window's communication log.
QStringList logLines(const TForm1 &form);
bool logHas(const TForm1 &form, const QString &line);
