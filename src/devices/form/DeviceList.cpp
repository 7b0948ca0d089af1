// The address book as the settings tab shows it.
#include "shell/form/Main.h"

#include <QTreeWidget>

void TForm1::addDevList(const QString &ip, const QString &name)
{
    addDevice(devList, ip, name, newdevfind);
}

void TForm1::fillDeviceList()
{
    ListView1->clear();
    if (devList.isEmpty())
        return;
    preventRecall = true;
    for (const auto &device : devList) {
        auto *row = new QTreeWidgetItem(ListView1, {device->name, device->ipdev});
        row->setCheckState(0, device->ipdev == ipSensor ? Qt::Checked : Qt::Unchecked);
    }
    preventRecall = false;
}

void TForm1::reloadbutTab3Click()
{
    fillDeviceList();
    findDeviceActive = true;
    finddevList.Clear();
    refreshActiveDevice();
}

void TForm1::refreshActiveDevice()
{
    setLinkHost(ipSensor);
    for (int task : {24, 55, 50, 51, 68, 25, 2})
        TaskList.Add(task);
    openConnection(true, 5);
}

void TForm1::addrequestName()
{
    // Device discovery visits the next found device from here; until it
    // exists no search ever leaves found devices waiting.
}
