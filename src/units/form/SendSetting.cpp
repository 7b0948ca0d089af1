// The requests that the unit settings dialog's buttons make.
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "shell/form/Main.h"
#include "units/Setting.h"
#include "units/form/UnitPanelModel.h"
#include "units/form/setting.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

std::vector<int> TForm1::checkedUnitAddresses() const
{
    return Tab1PanelModel->checkedAddresses();
}

void TForm1::sendsetting(int par)
{
    const TForm2 *dialog = dialogs.Form2;
    if (par < 1 || par > 8 || !dialog)
        return;
    const bool remoteEnabled = dialog->update_buffer.size() > setting::RemoteSetting &&
                               dialog->update_buffer.at(setting::RemoteSetting) == 1;
    const std::vector<setting::Task> tasks = setting::settingTasks(
        par, dialog->targetUnits, dialog->curr_addr, remoteEnabled, model.unitProgList.Count());
    undeliveredNote.clear();
    statusChanged();
    session->setLinkHost(ipSensor);
    // Every task keeps the values of this moment, whenever the link gets to send it.
    session->queueSetting(tasks);
    if (par == 7)
        log(QStringLiteral("---"));
    session->openConnection(true, protocol::Reopens);
}

void TForm1::reportUndelivered(const std::vector<TtaskRecord> &unsent)
{
    std::vector<setting::Task> lost;
    for (const TtaskRecord &task : unsent)
        if (task.origin == TaskOrigin::Setting)
            lost.push_back({task.code, task.addr});
    // Named now: a later reload may fill the panel with another controller's units.
    const QString text = setting::undeliveredText(lost, [this](int adr) {
        return adr >= 0 && adr < UnitRecords ? model.unit_par[size_t(adr)].name : QString();
    });
    TForm2 *dialog = dialogs.Form2;
    if (text.isEmpty()) {
        // Only the refresh after the changes was cut: the changes themselves went out. A report
        // without settings (a reload cut short) leaves what the status bar says of the last ones.
        if (dialog && !lost.empty())
            dialog->setStatusBar(1);
        return;
    }
    undeliveredNote = text;
    log(QStringLiteral("not sent: ") + text);
    statusChanged();
    if (dialog)
        dialog->showUndelivered(text);
}

void TForm1::updateUnitProgListTemp()
{
    model.unitProgList.sortByTime();
    TForm2 *dialog = dialogs.Form2;
    if (!dialog)
        return;
    dialog->ProgListBox1->clear();
    for (const auto &entry : model.unitProgList)
        dialog->ProgListBox1->addItem(schedule::entryLine(*entry, texts));
}

void TForm1::unitDialogOpen(bool open)
{
    if (open)
        autoupdtm->stop();
    else if (autoupdvalue > 0)
        autoupdtm->start();
    statusChanged();
}

void TForm1::fillSettingSources(RequestSources &src) const
{
    if (const TForm2 *settings = dialogs.Form2) {
        src.updateBuffer = settings->update_buffer;
        src.unitName = settings->Edit5->text();
    }
}

void TForm1::settingsWritten()
{
    if (TForm2 *settings = dialogs.Form2)
        settings->setStatusBar(1);
}
