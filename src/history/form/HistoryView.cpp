#include "history/form/HistoryView.h"

#include "history/HistoryTexts.h"
#include "history/form/HistoryWindow.h"
#include "history/form/TrendChart.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QSystemTrayIcon>

namespace history {

HistoryView::HistoryView(ControllerSession &session, QWidget *window, QString folder, int rawDays, int lang,
                         QLabel *statusLabel, std::function<void(const QString &)> log)
    : QObject(window), session(session), window(window), folder(std::move(folder)), lang(lang),
      pacer(intervals().faultAlert), statusLabel(statusLabel), log(std::move(log))
{
    statusLabel->hide();
    connect(&historyStore, &HistoryStore::turnedOff, this,
            [this](Failure, const QString &detail) { turnedOff(detail); });
    if (!historyStore.open(this->folder) && historyStore.failure() == Failure::None)
        turnedOff(historyStore.failureDetail());
    if (!historyStore.movedAside().isEmpty())
        this->log(QStringLiteral("history: a damaged file was moved to ") + historyStore.movedAside());
    recorder = new HistoryRecorder(&session, &historyStore, this);
    recorder->setRawDays(rawDays);
    connect(recorder, &HistoryRecorder::transitionsRecorded, this,
            [this](const QString &controller, const std::vector<Transition> &changes) {
                alert(controller, changes, QDateTime::currentMSecsSinceEpoch());
            });
    connect(recorder, &HistoryRecorder::reloadRecorded, this, [this](const QString &controller) {
        if (trend)
            trend->refresh(controller);
    });

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
}

HistoryView::~HistoryView() = default;

void HistoryView::setLanguage(int value)
{
    lang = value;
    if (trayHistory)
        trayHistory->setText(text(Text::HistoryButton, lang));
    if (tray)
        tray->setToolTip(faultCountText(pacer.faultCount(), lang));
    if (!offDetail.isEmpty()) {
        statusLabel->setText(text(Text::Off, lang).arg(offDetail));
        statusLabel->setToolTip(statusLabel->text());
    }
    if (historyWindow)
        historyWindow->setLanguage(lang);
    if (trend)
        trend->setLanguage(lang);
}

void HistoryView::turnedOff(const QString &detail)
{
    offDetail = detail;
    const QString line = text(Text::Off, lang).arg(detail);
    statusLabel->setText(line);
    statusLabel->setToolTip(line);
    statusLabel->show();
    log(line);
}

int HistoryView::alert(const QString &controller, const std::vector<Transition> &changes, qint64 nowMs)
{
    int sent = 0;
    for (const Transition &change : changes) {
        if (!pacer.notify(controller, change, nowMs))
            continue;
        const QString name = change.name.isEmpty() ? QString::number(change.addr) : change.name;
        notify(text(Text::AlertTitle, lang),
               text(Text::AlertBody, lang).arg(name).arg(change.addr).arg(faultText(change.code, lang)));
        ++sent;
    }
    if (tray)
        tray->setToolTip(faultCountText(pacer.faultCount(), lang));
    if (historyWindow)
        historyWindow->refresh();
    return sent;
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
