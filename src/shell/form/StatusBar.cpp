// The main window's status bar: where the link, the unit panel and the
// automatic reload stand, in the chosen language.
#include "session/ControllerSession.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QGroupBox>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <set>

void TForm1::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    const auto section = [bar](const char *name, int stretch) {
        auto *label = new QLabel(bar);
        label->setObjectName(QLatin1String(name));
        // Names come from the address book and from devices: never read as markup.
        label->setTextFormat(Qt::PlainText);
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
    if (reloadPending && session->state() == LinkState::Idle) {
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
    markSettingsSource();
}

void TForm1::markSettingsSource()
{
    const auto note = [this](const QString &from) {
        return status::readFromOtherDevice(from, deviceName(from), ipSensor, lang_act);
    };
    // A blank title keeps the title's line, so the tab does not move when the note comes and goes.
    if (auto *options = qobject_cast<QGroupBox *>(tab3sb1->parentWidget())) {
        const QString optionsNote = note(model.optionsReadFrom);
        options->setTitle(optionsNote.isEmpty() ? QStringLiteral(" ") : optionsNote);
    }
    const QString clockNote = note(model.clockReadFrom);
    tab3lb2->setEnabled(clockNote.isEmpty());
    tab3lb2->setToolTip(clockNote);
}

QString TForm1::deviceName(const QString &address) const
{
    for (const auto &device : devList)
        if (device->ipdev == address)
            return device->name;
    return {};
}

status::Facts TForm1::statusFacts() const
{
    status::Facts f;
    f.deviceAddress = ipSensor;
    f.deviceName = deviceName(ipSensor);

    session->describeLink(f);

    f.undelivered = undeliveredNote;
    f.moduleLostFrom = moduleLostFrom;
    f.moduleWriteLost = moduleWriteLost;
    f.filledAt = panelFilledAt;
    f.units = panelUnits;
    f.faults = panelFaults;
    f.reloading = reloadPending;
    f.reloadFailedAt = reloadFailedAt;
    f.panelFrom = panelFrom;
    f.panelFromName = deviceName(panelFrom);
    // Each setting's tasks share the values they were queued with: one snapshot, one setting.
    std::set<const void *> settings;
    for (const auto &task : session->TaskList)
        if (task->origin == TaskOrigin::Setting)
            settings.insert(task->values.get());
    f.settingsWaiting = int(settings.size());
    if (autoupdvalue <= 0)
        f.autoReload = status::AutoReload::Off;
    // No reload starts while a dialog or message box is open.
    else if (!autoupdtm->isActive() || prompts().modalOpen())
        f.autoReload = status::AutoReload::Paused;
    else {
        f.autoReload = status::AutoReload::Counting;
        f.nextReloadIn = autoupt_counter;
    }
    return f;
}
