// The main window's status bar: where the link, the unit panel and the
// automatic reload stand, in the chosen language.
#include "shell/form/Main.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

void TForm1::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    const auto section = [bar](const char *name, int stretch) {
        auto *label = new QLabel(bar);
        label->setObjectName(QLatin1String(name));
        bar->addPermanentWidget(label, stretch);
        return label;
    };
    statusDevice = section("statusDevice", 2);
    statusLink = section("statusLink", 3);
    statusPanel = section("statusPanel", 4);
    statusReload = section("statusReload", 2);
}

void TForm1::statusChanged()
{
    // Many changes come in one burst (a link closed and reopened at once): one refresh after them.
    if (statusQueued)
        return;
    statusQueued = true;
    QTimer::singleShot(0, this, [this] { refreshStatusBar(); });
}

void TForm1::refreshStatusBar()
{
    statusQueued = false;
    if (!statusDevice)
        return;
    // A reload whose link has ended without filling the panel has failed.
    if (reloadPending && !linkOpen && !connecting && !Timer_openconn->isActive()) {
        reloadPending = false;
        reloadFailedAt = clockNow();
    }
    const status::Line line = status::describe(statusFacts(), lang_act);
    const std::pair<QLabel *, QString> sections[] = {{statusDevice, line.device},
                                                     {statusLink, line.link},
                                                     {statusPanel, line.panel},
                                                     {statusReload, line.reload}};
    for (const auto &[label, text] : sections) {
        label->setText(text);
        label->setToolTip(text);
    }
}

status::Facts TForm1::statusFacts() const
{
    using status::Link;
    status::Facts f;
    f.deviceAddress = ipSensor;
    for (const auto &device : devList)
        if (device->ipdev == ipSensor)
            f.deviceName = device->name;

    if (Timer_openconn->isActive() || (connecting && !connectRetry)) {
        f.link = Link::Retrying;
        f.attemptsLeft = 1;
        f.linkHost = Timer_openconn->isActive() ? retryHost : connectHost;
    } else if (reconnecting && (connecting || linkOpen)) {
        f.link = Link::Reconnecting;
        f.attemptsLeft = retray_counter;
        f.linkHost = connecting ? connectHost : openHost;
    } else if (connecting) {
        f.link = Link::Connecting;
        f.linkHost = connectHost;
    } else if (linkOpen) {
        f.link = Link::Exchanging;
        f.linkHost = openHost;
    } else if (linkFailure != Link::Idle) {
        f.link = linkFailure;
        f.failedAt = linkFailedAt;
        f.linkHost = linkFailedHost;
    }

    f.undelivered = undeliveredText();
    f.filledAt = panelFilledAt;
    f.units = panelUnits;
    f.faults = panelFaults;
    f.reloading = reloadPending;
    f.reloadFailedAt = reloadFailedAt;
    if (autoupdvalue <= 0)
        f.autoReload = status::AutoReload::Off;
    else if (!autoupdtm->isActive())
        f.autoReload = status::AutoReload::Paused;
    else {
        f.autoReload = status::AutoReload::Counting;
        f.nextReloadIn = autoupt_counter;
    }
    return f;
}
