// The requests that the unit settings dialog's buttons make.
#include "link/Encoder.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/Setting.h"
#include "units/form/setting.h"

#include <QPlainTextEdit>
#include <QTreeWidget>

#include <algorithm>

std::vector<int> TForm1::checkedUnitAddresses() const
{
    std::vector<int> units;
    for (int row = 0; row < Tab1PanelList->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = Tab1PanelList->topLevelItem(row);
        const int adr = unitAddressOfRow(item);
        if (item->checkState(0) == Qt::Checked && adr >= 0)
            units.push_back(adr);
    }
    return units;
}

void TForm1::sendsetting(int par)
{
    const TForm2 *dialog = forms().Form2;
    if (par < 1 || par > 8 || !dialog)
        return;
    const bool remoteEnabled = dialog->update_buffer.size() > setting::RemoteSetting &&
                               dialog->update_buffer.at(setting::RemoteSetting) == 1;
    const std::vector<setting::Task> tasks = setting::settingTasks(
        par, dialog->targetUnits, dialog->curr_addr, remoteEnabled, unitProgList.Count());
    // Every task keeps the values of this moment, whenever the link gets to send it.
    const auto values = requestSnapshot();
    undelivered.clear();
    statusChanged();
    setLinkHost(ipSensor);
    for (const setting::Task &task : tasks)
        TaskList.Add_addr(task.code, task.addr, values, TaskOrigin::Setting);
    if (par == 7)
        log(QStringLiteral("---"));
    openConnection(true, protocol::Reopens);
}

std::vector<TtaskRecord> TForm1::unsentSettings() const
{
    std::vector<TtaskRecord> unsent;
    // The request written last may have died with the link before the device took it.
    if (wait_responce && awaited.origin == TaskOrigin::Setting)
        unsent.push_back(awaited);
    for (const auto &task : TaskList)
        if (task->origin == TaskOrigin::Setting)
            unsent.push_back(*task);
    return unsent;
}

void TForm1::carrySettings(const QString &host, std::vector<TtaskRecord> unsent)
{
    if (unsent.empty())
        return;
    const bool cutBefore = std::any_of(unsent.begin(), unsent.end(), [](const auto &t) { return t.carried; });
    // A link that closing let device discovery open must not be cut for them.
    if (cutBefore || linkOpen || connecting) {
        reportUndelivered(unsent);
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

void TForm1::reportUndelivered(const std::vector<TtaskRecord> &unsent)
{
    undelivered.clear();
    for (const TtaskRecord &task : unsent)
        if (task.origin == TaskOrigin::Setting)
            undelivered.push_back({task.code, task.addr});
    const QString text = undeliveredText();
    TForm2 *dialog = forms().Form2;
    if (text.isEmpty()) {
        // Only the refresh after the changes was cut: the changes themselves went out.
        if (dialog && !undelivered.empty())
            dialog->setStatusBar(1);
        undelivered.clear();
        return;
    }
    log(QStringLiteral("not sent: ") + text);
    statusChanged();
    if (dialog)
        dialog->showUndelivered(text);
}

QString TForm1::undeliveredText() const
{
    return setting::undeliveredText(undelivered, [this](int adr) {
        return adr >= 0 && adr < UnitRecords ? unit_par[size_t(adr)].name : QString();
    });
}
