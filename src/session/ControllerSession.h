#pragma once

#include "link/Records.h"
#include "netmodule/ModuleReply.h"
#include "session/ControllerModel.h"
#include "shell/StatusLine.h"
#include "units/Setting.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;
class QTimer;
struct RequestSources;

// Where the link to the controller stands. Only setState() changes it.
enum class LinkState {
    Idle,        // no link and no attempt
    Connecting,  // an attempt runs; its failure schedules one retry
    RetryWait,   // the first attempt failed; the retry is pending
    LastAttempt, // an attempt runs whose failure is final
    Open,        // the link is open (until the program closes it)
};

// One link to a controller: the task queue, the request that waits for its
// answer, the read tick, the connection attempts with their retry, the
// watchdog, and the dispatcher that applies each answer to `model`. Views
// drive it through its methods and follow it through its signals; it knows
// nothing of widgets.
class ControllerSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControllerSession)

public:
    explicit ControllerSession(QObject *parent = nullptr);
    ~ControllerSession() override;

    // ---- the link --------------------------------------------------------
    void setLinkHost(const QString &host) { linkHost = host; } // where the next connection goes
    QString linkHostName() const { return linkHost; }
    // The TCP port of every connection; only a test bench or a forwarded controller needs another.
    void setLinkPort(quint16 port) { linkPort = port; }
    // Why the last connection attempt failed, in the system's words; empty when it ran out of time.
    QString connectError() const { return lastConnectError; }
    // Why the read tick last closed a link: "a frame holds a character that is not a hex digit".
    QString linkFailureReason() const { return lastLinkFailure; }
    void openConnection(bool retry, int count);
    // Closes the link without notifying the peer; the link-closed handler runs
    // once for every link that opened.
    void closeLink();
    // Stops a pending retry: nothing more is attempted.
    void cancelRetry();
    LinkState state() const { return linkState; }
    bool linkIsOpen() const { return linkState == LinkState::Open; }
    bool connecting() const
    {
        return linkState == LinkState::Connecting || linkState == LinkState::LastAttempt;
    }
    QString openHostName() const { return openHost; } // the host of the open link
    // Closes the link after an error that a handler threw; views report `message`.
    void appException(QObject *sender, const QString &message);

    // Handlers of the timers and of the socket, by the names the protocol's
    // vocabulary gives them.
    void Timer_readtcpTimer();
    void Timer_commTimer();
    void Timer_openconnTimer();
    void IdTCPClient1Connected();
    void IdTCPClient1Disconnected();
    void parseFrames(const QByteArray &line);
    void sendNextTask();
    void processPackets();
    // One packet, as the dispatcher reads it; false when its payload did not fit and nothing was stored.
    bool applyResponse(const TpktRecord &packet);
    void parseModuleReply(const QByteArray &line);

    // ---- requests --------------------------------------------------------
    // The unit panel's reload: password use, password, lock mode and the online
    // units, whose answer brings a request for every unit.
    void queueReload();
    void queueUnitRequests();
    // Whose names a reload reads (request 34), by address; unset: every listed unit's.
    std::function<bool(int)> nameWanted;
    // Queues a request that an answer brings: it belongs to what the answered request belonged to.
    void queueFollowUp(int task, int adr);
    void queueModuleRead();
    // Why the module would refuse the network tab's values as they stand now; empty: they can be sent.
    QString moduleWriteRefusal() const;
    // Queues the module write with the values of this moment, checked again here: the refusal
    // (and nothing queued) when the module could not work with them, else empty.
    [[nodiscard]] QString sendNetworkSettings();
    void addUnitProgEntry(int tm, int tp, int md, int fn);
    // Queues setting tasks that carry the values of this moment, changed by `change`.
    void queueSetting(const std::vector<setting::Task> &tasks,
                      const std::function<void(RequestSources &)> &change = {});
    // The values requests read, as they stand now, for a task to carry.
    std::shared_ptr<const RequestSources> requestSnapshot() const;
    RequestSources requestSources() const;
    // A reload has requests waiting on the open link or in the queue.
    bool reloadQueued() const;
    // Setting tasks cut off by the link get one more link to `host`; cut again, they are reported.
    void carrySettings(const QString &host, std::vector<TtaskRecord> unsent);

    // The link's part of the status bar's facts.
    void describeLink(status::Facts &facts) const;

    // ---- hooks for the driver -------------------------------------------
    // Adds what only the driver knows (fields being edited) to the values requests read.
    std::function<void(RequestSources &)> fillSources;
    // A connection to `host` failed for good: true when the driver dealt with it
    // (a device search leaves such a device out) and nothing is to be reported.
    std::function<bool(const QString &host)> skipFailedVisit;
    // The computer's clock; tests replace it.
    std::function<QDateTime()> clockNow = [] { return QDateTime::currentDateTime(); };

    // ---- state (names as the protocol's vocabulary has them) -----------
    ControllerModel model;
    TtaskRecordList TaskList;
    TpktRecordList PktList;
    bool wait_responce = false;
    TtaskRecord awaited; // the request written last that waits for an answer
    bool firstStart = true;
    bool cmdMode = false;
    bool connectOK = false;
    int retray_counter = 0;
    // The first request goes out as soon as a link opens, not after the first read's delay:
    // for a daemon that opens a link for each command. The window keeps the delay.
    bool sendOnOpen = false;
    // A read pass waits a moment for an answer still on its way. A program with many links at
    // once turns this off: each wait would hold every other link, and answers wake it anyway.
    bool waitInRead = true;

    QTimer *Timer_readtcp = nullptr;
    QTimer *Timer_comm = nullptr;
    QTimer *Timer_openconn = nullptr;

signals:
    void logLine(const QString &line);
    void linkStateChanged(LinkState state);
    void statusChanged(); // something the status bar shows changed
    void busyChanged(bool busy);
    void linkOpened();
    void linkClosed();
    void connectOKChanged(bool ok);
    // A failure the user is told of, by its text number.
    void failed(int textNumber);
    // A handler threw; the link is closed if it was open.
    void handlerFailed(const QString &message);
    void undelivered(const std::vector<TtaskRecord> &tasks);
    void settingsWritten();                    // a link carried the settings dialog's tasks to the end
    void taskWritten(const TtaskRecord &task); // a request went out whole on the open link
    // The answer to `task` ended its wait; `stored` is false when its payload did not fit.
    // Tasks queued from here go out before the link can close.
    void answered(const TtaskRecord &task, bool stored);
    void queueRanDry();  // every queued task was written and answered
    void unitsChanged(); // a reload ended: the unit table is complete
    void clockChanged();
    void scheduleChanged();
    void passwordUseRead(bool on);
    void webConnectionRead(bool on);
    void alarmUseRead(bool on);
    void macAddressRead(const QString &mac, const QString &host);
    void deviceNameRead(const QString &name);
    void moduleReplyRead(const netmodule::ReplyEffect &reply);
    // A module read (or write) for `host` was given up before its end: its link closed under it,
    // or it was dropped with the tasks of a controller that the link did not reach.
    void moduleExchangeLost(const QString &host, bool write);
    // The queue ran empty with every answer in, and the link was closed for it.
    void exchangeFinished();

private:
    void setState(LinkState next);
    // Runs a handler of ours; what it throws goes to appException.
    void run(QObject *sender, const std::function<void()> &handler);
    QByteArray readLinkLine();
    void linkDataArrived();
    void failLink();
    void armWatchdog();
    void startAttempt(const QString &host, bool retry);
    void attemptSucceeded();
    void attemptFailed();
    void abandonAttempt();
    // Opens the first link that waited for another controller's exchange, if the session is idle.
    void openPending();
    bool linkPending(const QString &host) const;
    // Says which module exchanges the dropped tasks held, one signal per controller.
    void reportModuleLoss(const std::vector<TtaskRecord> &dropped);
    void log(const QString &line) { emit logLine(line); }
    // The request that waits for an answer and those queued behind it, for a
    // reconnection; a search visit's requests are left out and reported in `visitLeft`.
    std::vector<TtaskRecord> unansweredTasks(bool *visitLeft);
    void writeToLink(const QByteArray &bytes);       // throws LinkFailure
    std::vector<TtaskRecord> unsentSettings() const; // awaited and queued tasks of the settings dialog

    LinkState linkState = LinkState::Idle;
    QTcpSocket *IdTCPClient1 = nullptr;
    QString linkHost; // where the next connection goes
    quint16 linkPort = protocol::ControllerPort;
    QString lastConnectError;
    QString lastLinkFailure;
    QString openHost;           // the host of the open link
    quint64 linkGeneration = 0; // changes with every new connection
    QString connectHost;        // where the attempt under way goes
    QString retryHost;          // where the second attempt goes
    QTimer *connectLimit = nullptr;
    bool discardingLine = false;
    bool linkCarriedSetting = false; // this link wrote a task of the settings dialog
    bool readStarted = false;        // the first read tick of this link has run
    bool passQueued = false;         // a read pass is queued for data that arrived
    qint64 droppedBytes = 0;
    // What the status bar remembers beyond the link's state.
    status::Link linkFailure = status::Link::Idle; // Unreachable or Silent until a link opens there
    QDateTime linkFailedAt;
    QString linkFailedHost;
    bool reconnecting = false; // the link was reopened after a silence
    // Links asked for while another controller's exchange ran, in the order asked: each opens
    // when the link before it has closed.
    struct PendingLink
    {
        QString host;
        bool retry = true;
        int count = 0;
    };
    std::vector<PendingLink> pendingLinks;
};
