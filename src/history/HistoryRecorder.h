#pragma once

#include "history/FaultTransitions.h"
#include "history/HistoryStore.h"
#include "link/Records.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <optional>
#include <vector>

class ControllerSession;
struct RequestSources;

namespace history {

// What one written request changes on the controller; reads are no operation.
struct OperationStep
{
    enum class Kind { Setting, Options, Password, Schedule, Module };
    Kind kind = Kind::Setting;
    QString values; // never a password or a pass phrase
};
std::optional<OperationStep> operationOf(const TtaskRecord &task, const RequestSources &values);

// Follows a session: stores every completed reload and every operation the
// program writes, taken when the link then ran dry, not taken when the
// session reports it undelivered. The store may be off; nothing here fails.
class HistoryRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryRecorder)
public:
    HistoryRecorder(ControllerSession *session, HistoryStore *store, QObject *parent = nullptr);

    void setRawDays(int days) { rawDays = days; }
    QDateTime lastReload() const { return reloadAt; } // invalid before the first

Q_SIGNALS:
    // The fault transitions a reload brought, for alerts.
    void transitionsRecorded(const QString &controller, const std::vector<history::Transition> &changes);
    // A reload of `controller` is in the store, after any transitionsRecorded.
    void reloadRecorded(const QString &controller);

private:
    struct Pending
    {
        QString controller;
        TtaskRecord task;
        OperationStep step;
    };

    void reloadEnded();
    void rollUpLater(const QDateTime &now);
    void taskWritten(const TtaskRecord &task);
    void linkClosed();
    void undelivered(const std::vector<TtaskRecord> &tasks);
    // One stored operation per kind and values, with the units it reached.
    void flush(const std::vector<Pending> &steps, bool taken);

    ControllerSession *session;
    HistoryStore *store;
    std::vector<Pending> pending; // written on this link, not yet known taken
    bool ranDry = false;
    int rawDays = HistoryStore::DefaultRawDays;
    QDateTime reloadAt;
    std::map<QString, ControllerState> lastStates; // each controller's last reload, for alerts without a file
};

} // namespace history
