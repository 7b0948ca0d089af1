// The connection manager of the main window: opening the link with one delayed
// retry, the link-opened and link-closed handlers, the watchdog, and the
// handler of errors that nothing else caught.
#include "link/Encoder.h"
#include "link/Intervals.h"
#include "shell/Texts.h"
#include "shell/form/BusyIndicator.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeWidget>

void TForm1::openConnection(bool retry, int count)
{
    const QString host = linkHost;
    // Tasks queued so far belong to this host, whatever happens to the link.
    TaskList.stampHost(host);
    // A late retry must never close a newer link.
    Timer_openconn->stop();
    retray_counter = count;
    log(QStringLiteral("START conn at ") + host);

    if (connecting) {
        // Called again from the pending events of a running call: that call's
        // connect goes on, and the tasks just stamped wait for their host.
        return;
    }
    if (linkOpen && openHost == host) {
        // Keep the running exchange; the new tasks go out behind it.
        return;
    }
    if (linkOpen) {
        IdTCPClient1->readAll();
        closeLink();
    }

    connecting = true;
    QCoreApplication::processEvents();
    showBusy(true);

    if (IdTCPClient1)
        IdTCPClient1->deleteLater();
    // A fresh socket for every link: a socket closed from inside its own
    // signals is not safe to reconnect.
    IdTCPClient1 = new QTcpSocket(this);
    IdTCPClient1->setReadBufferSize(64 * 1024);
    connect(IdTCPClient1, &QTcpSocket::readyRead, this, &TForm1::linkDataArrived);
    ++linkGeneration;
    IdTCPClient1->connectToHost(host, 2000);
    const bool connected = IdTCPClient1->waitForConnected(intervals().connectTimeout);
    connecting = false;

    if (connected) {
        linkOpen = true;
        openHost = host;
        IdTCPClient1Connected();
        return;
    }
    IdTCPClient1->abort();
    if (retry) {
        Timer_openconn->setInterval(intervals().retry);
        Timer_openconn->start();
        log(QStringLiteral("******* RETRAY"));
    } else {
        showBusy(false);
        prompts().error(this, texts.value(14), texts.value(164));
    }
}

void TForm1::Timer_openconnTimer()
{
    Timer_openconn->stop();
    openConnection(false, retray_counter);
}

void TForm1::IdTCPClient1Connected()
{
    linkCarriedSetting = false;
    readStarted = false;
    enablePages(false);
    discardingLine = false;
    droppedBytes = 0;
    Timer_readtcp->setInterval(intervals().readFirst);
    Timer_readtcp->start();
}

void TForm1::closeLink()
{
    if (!linkOpen)
        return;
    linkOpen = false;
    IdTCPClient1->abort();
    IdTCPClient1Disconnected();
}

void TForm1::IdTCPClient1Disconnected()
{
    enablePages(true);
    Timer_readtcp->stop();
    Timer_comm->stop();
    TaskList.Clear();
    PktList.Clear();
    wait_responce = false;
    // A module exchange cut off before "EXIT" must not leave later controller
    // answers unparsed.
    cmdMode = false;
    endSearchUnlessListening();
    addrequestName();
    showBusy(false);
}

void TForm1::Timer_commTimer()
{
    Timer_comm->stop();
    if (!linkOpen)
        return;
    // The reconnection retries what the silence left unanswered; otherwise it
    // would find nothing to send and an empty panel would read as "no units".
    const QString host = openHost;
    const std::vector<TtaskRecord> carried = unansweredTasks();
    const quint64 generation = linkGeneration;
    closeLink();
    Tab4Label1->clear();
    connectOK = false;
    // Closing let device discovery go on to its next device: reopening would cut that visit.
    if (linkGeneration != generation)
        return;
    if (retray_counter > 0)
        --retray_counter;
    if (retray_counter == 0) {
        prompts().error(this, texts.value(14), texts.value(163));
        return;
    }
    for (const TtaskRecord &task : carried)
        TaskList.Add(std::make_unique<TtaskRecord>(task));
    setLinkHost(host);
    openConnection(true, retray_counter);
}

std::vector<TtaskRecord> TForm1::unansweredTasks()
{
    std::vector<TtaskRecord> carried;
    bool moduleDropped = false;
    const auto carry = [&](TtaskRecord task) {
        // A module command without the "$$$" before it would reach the controller.
        if (isModuleTask(task.code)) {
            moduleDropped = true;
            return;
        }
        if (task.host.isEmpty())
            task.host = openHost;
        carried.push_back(std::move(task));
    };
    if (wait_responce)
        carry(awaited);
    for (const auto &task : TaskList)
        carry(*task);
    if (moduleDropped)
        log(QStringLiteral("module exchange dropped after the silence"));
    return carried;
}

void TForm1::enablePages(bool value)
{
    PageControl1->setEnabled(value);
}

void TForm1::showBusy(bool value)
{
    Tab1PanelList->setVisible(!value);
    for (BusyIndicator *busy : {Image11, Image13, Image14}) {
        busy->setVisible(value);
        if (value)
            busy->start();
        else
            busy->stop();
    }
}

void TForm1::appException(QObject *, const QString &message)
{
    const QString text = texts.value(163) + QStringLiteral("\n\r") + message;
    if (linkOpen) {
        closeLink();
        Tab4Label1->clear();
        connectOK = false;
    }
    prompts().error(this, texts.value(14), text);
}
