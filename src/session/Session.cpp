// The connection manager of the controller session: opening the link with one
// delayed retry, the link-opened and link-closed handlers, the watchdog, and
// what happens to the tasks when a link is lost.
#include "link/Codes.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

QTimer *sessionTimer(const char *name, QObject *parent)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

ControllerSession::ControllerSession(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("session"));
    Timer_readtcp = sessionTimer("Timer_readtcp", this);
    Timer_readtcp->setInterval(intervals().readTick);
    Timer_comm = sessionTimer("Timer_comm", this);
    Timer_comm->setInterval(intervals().connectTimeout);
    Timer_openconn = sessionTimer("Timer_openconn", this);
    Timer_openconn->setInterval(intervals().retry);
    connectLimit = sessionTimer("connectLimit", this);
    connectLimit->setSingleShot(true);

    connect(Timer_readtcp, &QTimer::timeout, this,
            [this] { run(Timer_readtcp, [this] { Timer_readtcpTimer(); }); });
    connect(Timer_comm, &QTimer::timeout, this, [this] { run(Timer_comm, [this] { Timer_commTimer(); }); });
    connect(Timer_openconn, &QTimer::timeout, this,
            [this] { run(Timer_openconn, [this] { Timer_openconnTimer(); }); });
    connect(connectLimit, &QTimer::timeout, this, [this] {
        if (connecting())
            run(connectLimit, [this] { attemptFailed(); });
    });
}

ControllerSession::~ControllerSession() = default;

// Qt's event loop does not carry exceptions: they end here.
void ControllerSession::run(QObject *sender, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        appException(sender, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        appException(sender, QStringLiteral("unknown error"));
    }
}

void ControllerSession::setState(LinkState next)
{
    if (next == linkState)
        return;
    linkState = next;
    emit linkStateChanged(next);
}

void ControllerSession::openConnection(bool retry, int count)
{
    const QString host = linkHost;
    // Tasks queued so far belong to this host, whatever happens to the link.
    TaskList.stampHost(host);
    // A late retry must never close a newer link.
    Timer_openconn->stop();
    if (linkState == LinkState::RetryWait)
        setState(LinkState::Idle);
    retray_counter = count;
    log(QStringLiteral("START conn at ") + host);
    emit statusChanged();

    if (linkIsOpen() && openHost == host) {
        // Keep the running exchange; the new tasks go out behind it.
        return;
    }
    if (linkIsOpen()) {
        // Another controller's exchange runs: it ends first, then the links asked for meanwhile
        // go in turn, each with the tasks queued for it. Cut short, it would lose its own and theirs.
        const auto asked = std::find_if(pendingLinks.begin(), pendingLinks.end(),
                                        [&host](const PendingLink &p) { return p.host == host; });
        if (asked == pendingLinks.end())
            pendingLinks.push_back({host, retry, count});
        else
            *asked = {host, retry, count};
        log(QStringLiteral("%1 waits for the exchange with %2").arg(host, openHost));
        return;
    }
    if (connecting() && connectHost == host) {
        // The attempt under way serves the new tasks too.
        setState(retry ? LinkState::Connecting : LinkState::LastAttempt);
        return;
    }
    if (connecting())
        abandonAttempt();
    if (linkIsOpen()) {
        IdTCPClient1->readAll();
        closeLink();
    }
    emit busyChanged(true);
    startAttempt(host, retry);
}

// Connects without waiting: the caller keeps answering, and the link-opened
// handler or the failure runs when the attempt ends.
void ControllerSession::startAttempt(const QString &host, bool retry)
{
    if (IdTCPClient1)
        IdTCPClient1->deleteLater();
    // A fresh socket for every link: a socket closed from inside its own
    // signals is not safe to reconnect.
    IdTCPClient1 = new QTcpSocket(this);
    IdTCPClient1->setReadBufferSize(64 * 1024);
    connect(IdTCPClient1, &QTcpSocket::readyRead, this, &ControllerSession::linkDataArrived);
    const quint64 generation = ++linkGeneration;
    // Queued, so that nothing of ours runs inside the socket's own signals.
    connect(
        IdTCPClient1, &QTcpSocket::connected, this,
        [this, generation] {
            if (connecting() && generation == linkGeneration)
                run(IdTCPClient1, [this] { attemptSucceeded(); });
        },
        Qt::QueuedConnection);
    connect(
        IdTCPClient1, &QAbstractSocket::errorOccurred, this,
        [this, generation] {
            if (connecting() && generation == linkGeneration)
                run(IdTCPClient1, [this] { attemptFailed(); });
        },
        Qt::QueuedConnection);
    connectHost = host;
    setState(retry ? LinkState::Connecting : LinkState::LastAttempt);
    connectLimit->start(intervals().connectTimeout);
    IdTCPClient1->connectToHost(host, linkPort);
}

void ControllerSession::attemptSucceeded()
{
    connectLimit->stop();
    openHost = connectHost;
    setState(LinkState::Open);
    if (openHost == linkFailedHost)
        linkFailure = status::Link::Idle;
    emit statusChanged();
    IdTCPClient1Connected();
}

void ControllerSession::attemptFailed()
{
    connectLimit->stop();
    const bool retry = linkState == LinkState::Connecting;
    lastConnectError = IdTCPClient1->error() == QAbstractSocket::UnknownSocketError
                           ? QString()
                           : IdTCPClient1->errorString();
    setState(LinkState::Idle);
    IdTCPClient1->abort();
    // The retry goes where this attempt went, whatever host was set since.
    retryHost = connectHost;
    if (retry) {
        Timer_openconn->setInterval(intervals().retry);
        Timer_openconn->start();
        setState(LinkState::RetryWait);
        log(QStringLiteral("******* RETRAY"));
        return;
    }
    emit busyChanged(false);
    if (skipFailedVisit && skipFailedVisit(connectHost)) {
        openPending();
        return;
    }
    linkFailedAt = status::failedSince(linkFailure, linkFailedHost, linkFailedAt, connectHost, clockNow());
    linkFailure = status::Link::Unreachable;
    linkFailedHost = connectHost;
    emit statusChanged();
    // Setting tasks that already lost one link do not wait for a third.
    std::vector<TtaskRecord> lost;
    for (int i = TaskList.Count() - 1; i >= 0; --i) {
        if (TaskList.Get(i)->carried) {
            lost.insert(lost.begin(), *TaskList.Get(i));
            TaskList.Delete(i);
        }
    }
    if (!lost.empty())
        emit undelivered(lost);
    emit failed(164);
    openPending();
}

void ControllerSession::abandonAttempt()
{
    connectLimit->stop();
    setState(LinkState::Idle);
    IdTCPClient1->abort();
    emit statusChanged();
    // Its tasks were meant for a device that is no longer wanted: reads go, settings and module
    // exchanges are reported.
    std::vector<TtaskRecord> dropped;
    std::vector<TtaskRecord> unsent;
    for (int i = TaskList.Count() - 1; i >= 0; --i) {
        if (TaskList.Get(i)->host == connectHost) {
            log(QStringLiteral("drop task %1 queued for %2").arg(TaskList.Get(i)->code).arg(connectHost));
            dropped.insert(dropped.begin(), *TaskList.Get(i));
            if (TaskList.Get(i)->origin == TaskOrigin::Setting)
                unsent.insert(unsent.begin(), *TaskList.Get(i));
            TaskList.Delete(i);
        }
    }
    if (!unsent.empty())
        emit undelivered(unsent);
    reportModuleLoss(dropped);
}

void ControllerSession::openPending()
{
    if (pendingLinks.empty() || linkState != LinkState::Idle)
        return;
    const PendingLink next = pendingLinks.front();
    pendingLinks.erase(pendingLinks.begin());
    setLinkHost(next.host);
    openConnection(next.retry, next.count);
}

bool ControllerSession::linkPending(const QString &host) const
{
    return std::any_of(pendingLinks.begin(), pendingLinks.end(),
                       [&host](const PendingLink &p) { return p.host == host; });
}

void ControllerSession::reportModuleLoss(const std::vector<TtaskRecord> &dropped)
{
    std::vector<std::pair<QString, bool>> lost; // controller, a write
    for (const TtaskRecord &task : dropped) {
        // Only the goodbye left: what was read or written is in.
        if (!isModuleTask(task.code) || task.code == +Code::ModuleExit || task.code == +Code::ModuleLeave)
            continue;
        const QString host = task.host.isEmpty() ? openHost : task.host;
        auto at = std::find_if(lost.begin(), lost.end(), [&host](const auto &l) { return l.first == host; });
        if (at == lost.end())
            at = lost.emplace(lost.end(), host, false);
        at->second = at->second || task.code == +Code::ModuleSave;
    }
    for (const auto &[host, write] : lost)
        emit moduleExchangeLost(host, write);
}

void ControllerSession::cancelRetry()
{
    Timer_openconn->stop();
    if (linkState == LinkState::RetryWait)
        setState(LinkState::Idle);
}

void ControllerSession::Timer_openconnTimer()
{
    cancelRetry();
    setLinkHost(retryHost);
    openConnection(false, retray_counter);
}

void ControllerSession::IdTCPClient1Connected()
{
    linkCarriedSetting = false;
    readStarted = false;
    lastLinkFailure.clear();
    emit linkOpened();
    discardingLine = false;
    droppedBytes = 0;
    Timer_readtcp->setInterval(sendOnOpen ? 0 : intervals().readFirst);
    Timer_readtcp->start();
}

void ControllerSession::closeLink()
{
    if (!linkIsOpen())
        return;
    setState(LinkState::Idle);
    IdTCPClient1->abort();
    IdTCPClient1Disconnected();
}

void ControllerSession::IdTCPClient1Disconnected()
{
    Timer_readtcp->stop();
    Timer_comm->stop();
    // Tasks that wait for the next controllers stay; settings bound for any other are reported,
    // and so is a module exchange cut short, whatever closed the link.
    std::vector<std::unique_ptr<TtaskRecord>> waiting;
    std::vector<TtaskRecord> unsent;
    std::vector<TtaskRecord> dropped;
    if (wait_responce)
        dropped.push_back(awaited);
    for (int i = 0; i < TaskList.Count(); ++i) {
        const TtaskRecord &task = *TaskList.Get(i);
        if (linkPending(task.host)) {
            waiting.push_back(std::make_unique<TtaskRecord>(task));
            continue;
        }
        dropped.push_back(task);
        if (!task.host.isEmpty() && task.host != openHost) {
            log(QStringLiteral("drop task %1 queued for %2").arg(task.code).arg(task.host));
            if (task.origin == TaskOrigin::Setting)
                unsent.push_back(task);
        }
    }
    TaskList.Clear();
    for (auto &task : waiting)
        TaskList.Add(std::move(task));
    PktList.Clear();
    wait_responce = false;
    // A module exchange cut off before "EXIT" must not leave later controller
    // answers unparsed.
    cmdMode = false;
    reconnecting = false;
    // A device search goes on to its next device from here.
    emit linkClosed();
    emit busyChanged(false);
    emit statusChanged();
    if (!unsent.empty())
        emit undelivered(unsent);
    reportModuleLoss(dropped);
    // Unless the search went on first: then after its visit.
    openPending();
}

void ControllerSession::Timer_commTimer()
{
    Timer_comm->stop();
    if (!linkIsOpen())
        return;
    // The reconnection retries what the silence left unanswered; otherwise it
    // would find nothing to send and an empty panel would read as "no units".
    const QString host = openHost;
    bool visitLeft = false;
    const std::vector<TtaskRecord> carried = unansweredTasks(&visitLeft);
    const quint64 generation = linkGeneration;
    // Said before the close: the close says what it cut short of a module exchange.
    connectOK = false;
    emit connectOKChanged(false);
    closeLink();
    // Closing let device discovery (or a controller that waited) go on: reopening would cut that
    // link. The settings the silence kept from this controller are reported, not dropped.
    if (linkGeneration != generation) {
        std::vector<TtaskRecord> unsent;
        for (const TtaskRecord &task : carried)
            if (task.origin == TaskOrigin::Setting)
                unsent.push_back(task);
        if (!unsent.empty())
            emit undelivered(unsent);
        return;
    }
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
        emit statusChanged();
        emit undelivered(carried);
        emit failed(163);
        return;
    }
    for (const TtaskRecord &task : carried)
        TaskList.Add(std::make_unique<TtaskRecord>(task));
    setLinkHost(host);
    reconnecting = true;
    openConnection(true, retray_counter);
}

std::vector<TtaskRecord> ControllerSession::unansweredTasks(bool *visitLeft)
{
    std::vector<TtaskRecord> carried;
    bool moduleDropped = false;
    const auto carry = [&](TtaskRecord task) {
        // Another controller's task is the close's to keep for its link or to report.
        if (!task.host.isEmpty() && task.host != openHost)
            return;
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

std::vector<TtaskRecord> ControllerSession::unsentSettings() const
{
    std::vector<TtaskRecord> unsent;
    // The request written last may have died with the link before the device took it.
    if (wait_responce && awaited.origin == TaskOrigin::Setting)
        unsent.push_back(awaited);
    // Another controller's settings are the close's to keep or to report: never twice, and never
    // a reason for one more link to this one.
    for (const auto &task : TaskList)
        if (task->origin == TaskOrigin::Setting && (task->host.isEmpty() || task->host == openHost))
            unsent.push_back(*task);
    return unsent;
}

void ControllerSession::carrySettings(const QString &host, std::vector<TtaskRecord> unsent)
{
    if (unsent.empty())
        return;
    const bool cutBefore = std::any_of(unsent.begin(), unsent.end(), [](const auto &t) { return t.carried; });
    // A link that closing let device discovery open must not be cut for them.
    if (cutBefore || linkIsOpen() || connecting()) {
        emit undelivered(unsent);
        return;
    }
    log(QStringLiteral("%1 setting task(s) carried to a new link").arg(unsent.size()));
    for (TtaskRecord &task : unsent) {
        task.carried = true;
        TaskList.Add(std::make_unique<TtaskRecord>(task));
    }
    setLinkHost(host);
    openConnection(true, std::max(retray_counter, 1));
}

void ControllerSession::appException(QObject *, const QString &message)
{
    if (linkIsOpen()) {
        // The close keeps or reports other controllers' settings; this one's are said here.
        const std::vector<TtaskRecord> unsent = unsentSettings();
        connectOK = false;
        emit connectOKChanged(false);
        closeLink();
        if (!unsent.empty())
            emit undelivered(unsent);
    }
    emit handlerFailed(message);
}

bool ControllerSession::reloadQueued() const
{
    return (wait_responce && awaited.origin == TaskOrigin::Reload) || TaskList.has(TaskOrigin::Reload);
}

void ControllerSession::describeLink(status::Facts &f) const
{
    using status::Link;
    switch (linkState) {
    case LinkState::RetryWait:
    case LinkState::LastAttempt:
        f.link = Link::Retrying;
        f.attemptsLeft = 1;
        f.linkHost = linkState == LinkState::RetryWait ? retryHost : connectHost;
        return;
    case LinkState::Connecting:
    case LinkState::Open:
        if (reconnecting) {
            f.link = Link::Reconnecting;
            f.attemptsLeft = retray_counter;
        } else {
            f.link = linkState == LinkState::Open ? Link::Exchanging : Link::Connecting;
        }
        f.linkHost = linkState == LinkState::Open ? openHost : connectHost;
        return;
    case LinkState::Idle:
        if (linkFailure != Link::Idle) {
            f.link = linkFailure;
            f.failedAt = linkFailedAt;
            f.linkHost = linkFailedHost;
        }
        return;
    }
}
