#pragma once

#include "history/AlertPacer.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>

class ControllerSession;
class QAction;
class QLabel;
class QPushButton;
class QSystemTrayIcon;
class QWidget;

namespace history {

class AlarmBar;
class HistoryWindow;
class TrendChart;

// The window's side of the history: the store beside the settings file, the
// recorder on the session, fault alerts in the tray, and the History window.
// A store that cannot work leaves one line in the status bar and the log.
class HistoryView final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryView)
public:
    // `statusLabel` shows why the history is off; `log` takes one line.
    HistoryView(ControllerSession &session, QWidget *window, QString folder, int rawDays, int lang,
                QLabel *statusLabel, std::function<void(const QString &)> log);
    ~HistoryView() override;

    HistoryStore &store() { return historyStore; }
    // Records the readings of another controller's session too, with their alerts; the recorder
    // lives as long as that session.
    void follow(ControllerSession &other);
    // The tray, the History window and the chart speak `lang` from now on.
    void setLanguage(int lang);
    HistoryWindow *showWindow();
    // `span`: a TrendChart::Span, or -1 for the span the chart shows already.
    TrendChart *showTrend(const QString &controller, int addr, int span = -1);
    // A reload's fault transitions: one notification naming every unit that the pacer
    // lets through, and the alarm bar. Returns how many units the notification named.
    int alert(const QString &controller, const std::vector<Transition> &changes, qint64 nowMs);
    // Units in fault among the panel's rows.
    int faultCount() const { return panelFaults; }
    // The strip that lists unacknowledged faults; the window places it.
    AlarmBar *alarmBar() const { return alarms; }
    // How a controller is named in alerts: its host by default.
    std::function<QString(const QString &)> controllerName;
    QSystemTrayIcon *trayIcon() const { return tray; }
    QDateTime lastReload() const { return recorder->lastReload(); }
    // Called with (title, body) for each notification; the tray shows it by default.
    std::function<void(const QString &, const QString &)> notify;

private:
    void turnedOff(Failure why, const QString &detail);
    void showOff();
    void countPanelFaults();
    // A recorder of `from`'s readings with their alerts, owned by `owner`.
    HistoryRecorder *record(ControllerSession &from, QObject *owner);

    ControllerSession &session;
    QWidget *window;
    QString folder;
    int lang;
    HistoryStore historyStore;
    HistoryRecorder *recorder = nullptr; // of the window's own session
    int rawDays = HistoryStore::DefaultRawDays;
    AlertPacer pacer;
    OpenAlarms open;
    AlarmBar *alarms = nullptr;
    int panelFaults = 0;
    QSystemTrayIcon *tray = nullptr;
    QAction *trayHistory = nullptr;
    Failure offWhy = Failure::None; // why the store is off; None while it works
    QLabel *statusLabel;
    std::function<void(const QString &)> log;
    QPointer<HistoryWindow> historyWindow;
    QPointer<TrendChart> trend;
};

} // namespace history
