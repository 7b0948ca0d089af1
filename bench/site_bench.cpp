// The site overview under load: the program's window with the Site tab shown and N simulated
// controllers of U units each in its address book (in threads of this process, on 127.3.x.y), read
// side by side by the window's poller at its limit of links, every reading recorded in the history
// file, the tab refilled at each. Runs offscreen unless a display is chosen. Reports the longest stall of the
// event loop the poller shares with the window (a 10 ms timer's lateness), how many passed
// 50 ms, the readings done, and the resident memory after the first pass and at the end. A stall
// is also weighed by the processor time the loop's own thread spent in it: on a shared virtual
// machine the thread is often held up while doing nothing, and only its own work is the program's.
#include "BenchOptions.h"
#include "SimThreads.h"
#include "ThreadClock.h"
#include "history/form/HistoryView.h"
#include "session/ControllerSession.h"
#include "session/SitePoller.h"
#include "session/form/SiteTab.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

const char *const Usage =
    "Usage: brezzano-site-bench [--controllers N] [--units N] [--period S] [--minutes M]\n"
    "  --controllers N  simulated controllers, 1..1000 (default 200)\n"
    "  --units N        units per controller, 1..64 (default 64)\n"
    "  --period S       seconds between two readings of a controller (default 60)\n"
    "  --minutes M      how long it runs (default 3)\n";

struct Options
{
    int controllers = 200;
    int units = 64;
    int period = 60;
    int minutes = 3;
};

bool parseOptions(const QStringList &args, Options &out)
{
    return parseIntOptions(args, {
                                     {QStringLiteral("--controllers"), {&out.controllers, 1, 1000}},
                                     {QStringLiteral("--units"), {&out.units, 1, 64}},
                                     {QStringLiteral("--period"), {&out.period, 1, 3600}},
                                     {QStringLiteral("--minutes"), {&out.minutes, 1, 24 * 60}},
                                 });
}

QString host(int index)
{
    return QStringLiteral("127.3.%1.%2").arg(index / 250).arg(index % 250 + 1);
}

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    Options opt;
    if (!parseOptions(args, opt)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    loadLanguage(0);

    SimControllers sims(opt.controllers);
    std::vector<std::pair<QString, QString>> book;
    for (int i = 0; i < opt.controllers; ++i) {
        sim::Controller c = sim::Controller::builtinDefault();
        c.fillUnits(opt.units);
        if (!sims.add(c, host(i))) {
            std::fprintf(stderr, "cannot listen on %s\n", qPrintable(host(i)));
            return 1;
        }
        book.emplace_back(QStringLiteral("Controller %1").arg(i), host(i));
    }

    // The program itself, in a folder of its own: the address book, the first controller active,
    // no automatic reload of its panel, the Site tab shown.
    QTemporaryDir dir;
    {
        QFile ini(QDir(dir.path()).filePath(QStringLiteral("brezzano.ini")));
        if (!ini.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write a settings file in %s\n", qPrintable(dir.path()));
            return 1;
        }
        QByteArray text = "[SENS]\nNETTYPE=1\nIP=" + host(0).toLatin1() + "\nAUTOAUPD=0\nLANGUAGE=0\n";
        // Polling starts after a quiet spell that measures the machine.
        text += "[SITE]\nPERIOD=0\n[LISTSENS]\n";
        for (size_t i = 0; i < book.size(); ++i)
            text += "NAME" + QByteArray::number(qulonglong(i)) + "=" + book[i].first.toUtf8() + "\nIPADDR" +
                    QByteArray::number(qulonglong(i)) + "=" + book[i].second.toLatin1() + "\n";
        ini.write(text);
    }
    QDir::setCurrent(dir.path());
    TForm1 *main = createForms();
    main->resize(1280, 800);
    main->show();
    history::HistoryView *history = createHistory(main, dir.path());
    createSite(main, dir.path(), history);
    main->PageControl1->setCurrentWidget(main->findChild<QWidget *>(QStringLiteral("site")));
    auto *poller = main->findChild<site::Poller *>(QStringLiteral("sitePoller"));
    int readings = 0;
    QObject::connect(poller, &site::Poller::sessionAdded, &app, [&readings](ControllerSession *session) {
        QObject::connect(session, &ControllerSession::unitsChanged, session, [&readings] { ++readings; });
    });

    // The event loop's lateness, as a 10 ms timer sees it.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    int over50 = 0;
    double lastCpu = threadCpuMs();
    double longestBusy = 0; // the most processor time the thread spent between two beats
    int busyOver50 = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.elapsed();
        const qint64 late = now - last - 10;
        if (late > longest)
            longest = late;
        if (late > 50)
            ++over50;
        const double cpu = threadCpuMs();
        longestBusy = std::max(longestBusy, cpu - lastCpu);
        if (cpu - lastCpu > 50)
            ++busyOver50;
        lastCpu = cpu;
        last = now;
    });
    beat.start();
    last = clock.elapsed();
    // First 20 s with nothing to do: what the machine itself does to a 10 ms timer.
    constexpr int QuietMs = 20000;
    qint64 quietLongest = -1;
    int quietOver50 = 0;
    QTimer::singleShot(QuietMs, &app, [&] {
        quietLongest = std::exchange(longest, 0);
        quietOver50 = std::exchange(over50, 0);
        clock.restart();
        last = 0;
        longestBusy = 0;
        busyOver50 = 0;
        lastCpu = threadCpuMs();
        poller->setPeriod(opt.period);
    });

    // The first pass: every controller read once.
    qint64 firstPassMs = -1;
    qint64 rssAfterFirst = -1;
    std::vector<std::pair<int, qint64>> memory; // minute, kB
    QTimer watch;
    watch.setInterval(1000);
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        // The active controller is read by the window's own session, not counted here.
        if (firstPassMs < 0 && readings >= opt.controllers - 1) {
            firstPassMs = clock.elapsed();
            rssAfterFirst = residentKb();
        }
        const int minute = int(clock.elapsed() / 60000);
        if (memory.empty() || memory.back().first != minute)
            memory.emplace_back(minute, residentKb());
    });
    watch.start();
    QTimer::singleShot(QuietMs + opt.minutes * 60000, &app, &QCoreApplication::quit);
    app.exec();

    std::printf("Site: %d controllers x %d units, period %d s, %d min, %d links at most\n", opt.controllers,
                opt.units, opt.period, opt.minutes, site::Poller::MaxLinks);
    std::printf("  readings: %d (first pass %s)\n", readings,
                firstPassMs < 0 ? "not finished"
                                : qPrintable(QStringLiteral("%1 s").arg(firstPassMs / 1000.0)));
    std::printf("  longest stall of the event loop: %lld ms; stalls over 50 ms: %d\n", longest, over50);
    std::printf("  of which the loop's own thread was busy: longest %.1f ms; over 50 ms: %d\n", longestBusy,
                busyOver50);
    std::printf("  the same 20 s before, with nothing to do: %lld ms; %d over 50 ms\n", quietLongest,
                quietOver50);
    std::printf("  resident memory: %lld kB after the first pass, %lld kB at the end\n", rssAfterFirst,
                residentKb());
    QStringList perMinute;
    for (const auto &[minute, kb] : memory)
        perMinute << QStringLiteral("%1:%2").arg(minute).arg(kb);
    std::printf("  by minute (min:kB): %s\n", qPrintable(perMinute.join(QLatin1Char(' '))));
    // The hourly roll-up's first step looks through every unit of the site for samples due.
    const double rollUpCpu = threadCpuMs();
    history->store().rollUpStep(QDateTime::currentDateTime(), history::HistoryStore::DefaultRawDays);
    std::printf("  the hourly roll-up's look for samples due, over every unit: %.1f ms\n",
                threadCpuMs() - rollUpCpu);
    destroyForms();
    return 0;
}
