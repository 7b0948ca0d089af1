// How long the window stands still with a year of 64 units in its history: opening the History
// window, choosing a unit in its filter, opening a unit's 30-day chart, and the first reload after
// a week closed, whose roll-up runs a step at a time between the window's events. Each action is
// timed with the painting it brings; what a worker thread reads meanwhile (the chart's samples,
// the summary's run hours) and the roll-up by the longest gap of a 10 ms timer.
#include "HistoryGenerator.h"
#include "ThreadClock.h"
#include "history/form/HistoryView.h"
#include "history/form/HistoryWindow.h"
#include "history/form/TrendChart.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

const QString Controller = QStringLiteral("127.0.0.1");
constexpr int Units = 64;

// The action and the events it leaves behind (painting), in ms, and the part of it that was the
// window thread's own work.
struct Stall
{
    double ms = 0;
    double cpuMs = 0;
};

Stall stall(const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu = threadCpuMs();
    action();
    QApplication::processEvents();
    return {clock.nsecsElapsed() / 1e6, threadCpuMs() - cpu};
}

QString described(const Stall &s)
{
    return QStringLiteral("%1 ms (%2 ms of it the window thread's work)")
        .arg(s.ms, 0, 'f', 0)
        .arg(s.cpuMs, 0, 'f', 0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    loadLanguage(0);
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 end = now.toSecsSinceEpoch() - now.toSecsSinceEpoch() % 3600;
    const QString failure =
        history::generator::write(dir.path(), history::generator::benchYear(Controller, end, Units));
    if (!failure.isEmpty()) {
        std::printf("generation failed: %s\n", qPrintable(failure));
        return 1;
    }

    QMainWindow window;
    window.resize(1280, 800);
    window.show();
    ControllerSession session;
    QLabel off;
    history::HistoryView view(session, &window, dir.path(), history::HistoryStore::DefaultRawDays, 0, &off,
                              [](const QString &) {});
    view.notify = [](const QString &, const QString &) {};
    QApplication::processEvents();

    // The event loop's lateness, as a 10 ms timer sees it.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        longest = std::max(longest, clock.elapsed() - last - 10);
        last = clock.elapsed();
    });

    history::HistoryWindow *shown = nullptr;
    const Stall open = stall([&] { shown = view.showWindow(); });
    auto *unit = shown->findChild<QComboBox *>(QStringLiteral("historyUnit"));
    const Stall filter = stall([&] { unit->setCurrentIndex(std::min(18, unit->count() - 1)); });
    const Stall back = stall([&] { unit->setCurrentIndex(0); });
    // The chart's samples come from a worker: the opening, then the drawing when they are there.
    history::TrendChart *trend = nullptr;
    const Stall chart = stall([&] { trend = view.showTrend(Controller, 17, history::TrendChart::Month); });
    beat.start();
    last = clock.elapsed();
    QElapsedTimer drawing;
    drawing.start();
    while (trend->isLoading() && drawing.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QApplication::processEvents();
    const qint64 chartDrawnMs = drawing.elapsed();
    const qint64 longestWhileCharting = std::exchange(longest, 0);
    beat.stop();
    shown->raise();

    // A week later: the first reload's roll-up, in steps between the window's events.
    // The Summary tab: its run hours are counted by a worker while the window goes on.
    auto *tabs = shown->findChild<QTabWidget *>(QStringLiteral("historyTabs"));
    auto *summary = shown->findChild<QTreeWidget *>(QStringLiteral("historySummary"));
    beat.start();
    last = clock.elapsed();
    const Stall summaryTab = stall([&] { tabs->setCurrentIndex(2); });
    QElapsedTimer counting;
    counting.start();
    while (counting.elapsed() < 120000 &&
           (summary->topLevelItemCount() == 0 || summary->topLevelItem(0)->text(3).isEmpty()))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 runHoursMs = counting.elapsed();
    const qint64 longestWhileCounting = std::exchange(longest, 0);
    beat.stop();

    history::HistoryStore &store = view.store();
    const QDateTime weekLater = QDateTime::fromSecsSinceEpoch(end).addDays(7);
    int steps = 0;
    std::function<void()> step = [&] {
        ++steps;
        if (store.rollUpStep(weekLater, history::HistoryStore::DefaultRawDays))
            QTimer::singleShot(0, &app, step);
        else
            app.quit();
    };
    beat.start();
    last = clock.elapsed();
    QTimer::singleShot(0, &app, step);
    app.exec();

    std::printf("History window with a year of %d units (goal: no stall over 100 ms)\n", Units);
    std::printf("  opening the History window: %s\n", qPrintable(described(open)));
    std::printf("  choosing a unit in the filter: %s\n", qPrintable(described(filter)));
    std::printf("  all units again: %s\n", qPrintable(described(back)));
    std::printf("  opening a unit's 30-day chart: %s; drawn after %lld ms, the window's longest stall "
                "meanwhile %lld ms\n",
                qPrintable(described(chart)), chartDrawnMs, longestWhileCharting);
    std::printf("  the Summary tab: %s; its run hours counted by a worker in %lld ms, the window's "
                "longest stall meanwhile %lld ms\n",
                qPrintable(described(summaryTab)), runHoursMs, longestWhileCounting);
    std::printf("  a week closed, rolled up in %d steps between the window's events: longest gap %lld ms\n",
                steps, longest);
    return 0;
}
