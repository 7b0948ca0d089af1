// The connection manager of the main window: opening the link with one delayed
// retry, the link-opened and link-closed handlers, the watchdog, and the
// handler of errors that nothing else caught.
#include "link/Encoder.h"
#include "link/Intervals.h"
#include "shell/Texts.h"
#include "shell/form/BusyIndicator.h"
#include "shell/form/Guarded.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

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
    statusChanged();

    if (linkOpen && openHost == host) {
        // Keep the running exchange; the new tasks go out behind it.
        return;
    }
    if (connecting && connectHost == host) {
        // The attempt under way serves the new tasks too.
        connectRetry = retry;
        return;
    }
    if (connecting)
        abandonAttempt();
    if (linkOpen) {
        IdTCPClient1->readAll();
        closeLink();
    }
    showBusy(true);
    startAttempt(host, retry);
}

// Connects without waiting: the window keeps answering, and the link-opened
// handler or the failure runs when the attempt ends.
void TForm1::startAttempt(const QString &host, bool retry)
{
    if (IdTCPClient1)
        IdTCPClient1->deleteLater();
    // A fresh socket for every link: a socket closed from inside its own
    // signals is not safe to reconnect.
    IdTCPClient1 = new QTcpSocket(this);
    IdTCPClient1->setReadBufferSize(64 * 1024);
    connect(IdTCPClient1, &QTcpSocket::readyRead, this, &TForm1::linkDataArrived);
    const quint64 generation = ++linkGeneration;
    // Queued, so that nothing of ours runs inside the socket's own signals.
    connect(
        IdTCPClient1, &QTcpSocket::connected, this,
        [this, generation] {
            if (connecting && generation == linkGeneration)
                guarded(*this, IdTCPClient1, [this] { attemptSucceeded(); });
        },
        Qt::QueuedConnection);
    connect(
        IdTCPClient1, &QAbstractSocket::errorOccurred, this,
        [this, generation] {
            if (connecting && generation == linkGeneration)
                guarded(*this, IdTCPClient1, [this] { attemptFailed(); });
        },
        Qt::QueuedConnection);
    connecting = true;
    connectHost = host;
    connectRetry = retry;
    connectLimit->start(intervals().connectTimeout);
    IdTCPClient1->connectToHost(host, 2000);
}

void TForm1::attemptSucceeded()
{
    connectLimit->stop();
    connecting = false;
    linkOpen = true;
    openHost = connectHost;
    if (openHost == linkFailedHost)
        linkFailure = status::Link::Idle;
    statusChanged();
    IdTCPClient1Connected();
}

void TForm1::attemptFailed()
{
    connectLimit->stop();
    connecting = false;
    IdTCPClient1->abort();
    // The retry goes where this attempt went, whatever host was set since.
    retryHost = connectHost;
    if (connectRetry) {
        Timer_openconn->setInterval(intervals().retry);
        Timer_openconn->start();
        log(QStringLiteral("******* RETRAY"));
    } else {
        showBusy(false);
        if (skipFailedVisit(connectHost))
            return;
        linkFailedAt =
            status::failedSince(linkFailure, linkFailedHost, linkFailedAt, connectHost, clockNow());
        linkFailure = status::Link::Unreachable;
        linkFailedHost = connectHost;
        statusChanged();
        // Setting tasks that already lost one link do not wait for a third.
        std::vector<TtaskRecord> lost;
        for (int i = TaskList.Count() - 1; i >= 0; --i) {
            if (TaskList.Get(i)->carried) {
                lost.insert(lost.begin(), *TaskList.Get(i));
                TaskList.Delete(i);
            }
        }
        if (!lost.empty())
            reportUndelivered(lost);
        prompts().error(this, texts.value(14), texts.value(164));
    }
}

void TForm1::abandonAttempt()
{
    connectLimit->stop();
    connecting = false;
    IdTCPClient1->abort();
    statusChanged();
    // Its tasks were meant for a device that is no longer wanted.
    for (int i = TaskList.Count() - 1; i >= 0; --i) {
        if (TaskList.Get(i)->host == connectHost) {
            log(QStringLiteral("drop task %1 queued for %2").arg(TaskList.Get(i)->code).arg(connectHost));
            TaskList.Delete(i);
        }
    }
}

void TForm1::Timer_openconnTimer()
{
    Timer_openconn->stop();
    setLinkHost(retryHost);
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
    reconnecting = false;
    statusChanged();
}

void TForm1::Timer_commTimer()
{
    Timer_comm->stop();
    if (!linkOpen)
        return;
    // The reconnection retries what the silence left unanswered; otherwise it
    // would find nothing to send and an empty panel would read as "no units".
    const QString host = openHost;
    bool visitLeft = false;
    const std::vector<TtaskRecord> carried = unansweredTasks(&visitLeft);
    const quint64 generation = linkGeneration;
    closeLink();
    Tab4Label1->clear();
    connectOK = false;
    // Closing let device discovery go on to its next device: reopening would cut that visit.
    if (linkGeneration != generation)
        return;
    // A device that a search visits and that stays silent is left out without a
    // message; asking it again would only delay the search's end.
    if (visitLeft && carried.empty()) {
        log(QStringLiteral("no answer from %1: left out of the search").arg(host));
        return;
    }
    if (retray_counter > 0)
        --retray_counter;
    if (retray_counter == 0) {
        linkFailedAt = status::failedSince(linkFailure, linkFailedHost, linkFailedAt, host, clockNow());
        linkFailure = status::Link::Silent;
        linkFailedHost = host;
        statusChanged();
        reportUndelivered(carried);
        prompts().error(this, texts.value(14), texts.value(163));
        return;
    }
    for (const TtaskRecord &task : carried)
        TaskList.Add(std::make_unique<TtaskRecord>(task));
    setLinkHost(host);
    reconnecting = true;
    openConnection(true, retray_counter);
}

std::vector<TtaskRecord> TForm1::unansweredTasks(bool *visitLeft)
{
    std::vector<TtaskRecord> carried;
    bool moduleDropped = false;
    const auto carry = [&](TtaskRecord task) {
        // A module command without the "$$$" before it would reach the controller.
        if (isModuleTask(task.code)) {
            moduleDropped = true;
            return;
        }
        if (task.origin == TaskOrigin::Search) {
            *visitLeft = true;
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
