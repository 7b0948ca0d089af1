#include "history/form/HistoryView.h"

#include "history/HistoryTexts.h"
#include "history/form/AlarmBar.h"
#include "history/form/HistoryWindow.h"
#include "history/form/TrendChart.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

namespace history {

HistoryView::HistoryView(ControllerSession &session, QWidget *window, QString folder, int rawDays, int lang,
                         QLabel *statusLabel, std::function<void(const QString &)> log)
    : QObject(window), session(session), window(window), folder(std::move(folder)), lang(lang),
      pacer(intervals().faultAlert), statusLabel(statusLabel), log(std::move(log))
{
    statusLabel->hide();
    connect(&historyStore, &HistoryStore::turnedOff, this, &HistoryView::turnedOff);
    connect(&historyStore, &HistoryStore::turnedOn, this, [this] {
        offWhy = Failure::None;
        this->statusLabel->hide();
        this->log(text(Text::RecordingAgain, this->lang));
    });
    if (!historyStore.open(this->folder) && historyStore.failure() == Failure::None)
        turnedOff(Failure::CannotOpen, historyStore.failureDetail());
    if (const QString aside = historyStore.movedAside(); !aside.isEmpty()) {
        // Once, when the window is up: the user may want that file.
        const QString line = text(Text::MovedAside, lang).arg(QDir::toNativeSeparators(aside));
        this->log(line);
        const QString title = text(Text::HistoryButton, lang);
        QTimer::singleShot(0, window, [window, title, line] { prompts().info(window, title, line); });
    }
    this->rawDays = rawDays;
    recorder = record(session, this);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray = new QSystemTrayIcon(window->windowIcon().isNull()
                                       ? window->style()->standardIcon(QStyle::SP_ComputerIcon)
                                       : window->windowIcon(),
                                   this);
        auto *menu = new QMenu(window);
        trayHistory = menu->addAction(text(Text::HistoryButton, lang), this, [this] { showWindow(); });
        tray->setContextMenu(menu);
        tray->setToolTip(faultCountText(0, lang));
        connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                showWindow();
        });
        tray->show();
    }
    notify = [this](const QString &title, const QString &body) {
        if (tray)
            tray->showMessage(title, body, QSystemTrayIcon::Warning);
    };
    controllerName = [](const QString &host) { return host; };

    alarms = new AlarmBar(lang, window);
    connect(alarms, &AlarmBar::acknowledged, this, [this] {
        open.acknowledge();
        alarms->showAlarms(open.list(), controllerName);
    });
    connect(alarms, &AlarmBar::historyWanted, this, [this] { showWindow(); });
    connect(&session, &ControllerSession::unitsChanged, this, &HistoryView::countPanelFaults);
}

HistoryRecorder *HistoryView::record(ControllerSession &from, QObject *owner)
{
    auto *out = new HistoryRecorder(&from, &historyStore, owner);
    out->setRawDays(rawDays);
    connect(out, &HistoryRecorder::transitionsRecorded, this,
            [this](const QString &controller, const std::vector<Transition> &changes) {
                alert(controller, changes, QDateTime::currentMSecsSinceEpoch());
            });
    connect(out, &HistoryRecorder::reloadRecorded, this, [this](const QString &controller) {
        if (trend)
            trend->refresh(controller);
    });
    return out;
}

void HistoryView::follow(ControllerSession &other)
{
    record(other, &other);
}

void HistoryView::countPanelFaults()
{
    const ControllerModel &m = session.model;
    panelFaults = 0;
    for (int adr = 0; adr < PanelUnits; ++adr)
        if (m.unit_online[size_t(adr)] != 0 && units::inFault(m.unit_par[size_t(adr)]))
            ++panelFaults;
    if (tray)
        tray->setToolTip(faultCountText(panelFaults, lang));
}

HistoryView::~HistoryView() = default;

void HistoryView::setLanguage(int value)
{
    lang = value;
    if (trayHistory)
        trayHistory->setText(text(Text::HistoryButton, lang));
    if (tray)
        tray->setToolTip(faultCountText(panelFaults, lang));
    alarms->setLanguage(lang);
    if (offWhy != Failure::None)
        showOff();
    if (historyWindow)
        historyWindow->setLanguage(lang);
    if (trend)
        trend->setLanguage(lang);
}

void HistoryView::turnedOff(Failure why, const QString &detail)
{
    offWhy = why;
    // The database's own words, in English, go to the log only.
    log(QStringLiteral("history: ") + detail);
    showOff();
}

void HistoryView::showOff()
{
    const QString file = QDir::toNativeSeparators(HistoryStore::fileNameIn(folder));
    QString why;
    switch (offWhy) {
    case Failure::None:
        return;
    case Failure::CannotOpen:
        why = historyStore.isReadable() ? text(Text::OffReadOnly, lang).arg(file)
                                        : text(Text::OffCannotOpen, lang).arg(file);
        break;
    case Failure::CannotWrite:
        why = text(Text::OffReadOnly, lang).arg(file);
        break;
    case Failure::DiskFull:
        why = text(Text::OffDiskFull, lang);
        break;
    case Failure::NewerSchema:
        why = text(Text::OffNewer, lang).arg(file);
        break;
    }
    const QString line = text(Text::Off, lang).arg(why);
    statusLabel->setText(line);
    statusLabel->setToolTip(line);
    statusLabel->show();
}

int HistoryView::alert(const QString &controller, const std::vector<Transition> &changes, qint64 nowMs)
{
    QStringList units;
    for (const Transition &change : changes) {
        open.apply(controller, change);
        if (!pacer.notify(controller, change, nowMs))
            continue;
        const QString name = change.name.isEmpty() ? QString::number(change.addr) : change.name;
        units << text(Text::AlertBody, lang).arg(name).arg(change.addr).arg(faultText(change.code, lang));
    }
    if (!units.isEmpty()) {
        // One notification a reload: a second one would replace the first on most desktops.
        notify(text(Text::AlertTitle, lang),
               controllerName(controller) + QLatin1Char('\n') + units.join(QLatin1Char('\n')));
        QApplication::alert(window);
    }
    alarms->showAlarms(open.list(), controllerName);
    // A hidden window is brought up to date when it is shown.
    if (historyWindow && historyWindow->isVisible())
        historyWindow->refresh();
    return int(units.size());
}

TrendChart *HistoryView::showTrend(const QString &controller, int addr, int span)
{
    if (!trend)
        trend = new TrendChart(historyStore, lang, window);
    trend->showUnit(controller, addr, span);
    trend->show();
    trend->raise();
    return trend;
}

HistoryWindow *HistoryView::showWindow()
{
    if (!historyWindow) {
        historyWindow = new HistoryWindow(historyStore, folder, lang, window);
        historyWindow->controllerLabel = [this](const QString &host) { return controllerName(host); };
        historyWindow->unitChosen = [this](const QString &controller, int addr) {
            showTrend(controller, addr);
        };
    }
    historyWindow->refresh();
    historyWindow->show();
    historyWindow->raise();
    return historyWindow;
}

} // namespace history
