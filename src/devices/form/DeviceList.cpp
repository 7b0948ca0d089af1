// The address book as the settings tab shows it: the rows, the active device's
// check box, the keys of the list and the web registration.
#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Guarded.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Lines between the cells, as a grid.
class GridLines final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

// Hands the keys that the device list acts on to the main window before the list sees them.
class ListKeys final : public QObject
{
public:
    explicit ListKeys(TForm1 *form) : QObject(form), form(form) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Delete || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F1) {
                guarded(*form->session, watched, [this, key] { form->ListView1KeyDown(key); });
                return true;
            }
            // As a click on the check box, whichever cell of the row has the focus.
            if (key == Qt::Key_Space && flipCurrentRowCheck(qobject_cast<QTreeWidget *>(watched)))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1 *form;
};

QTreeWidgetItem *selectedRow(const QTreeWidget *list)
{
    const QList<QTreeWidgetItem *> rows = list->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

bool isChecked(const QTreeWidgetItem *row)
{
    return row && row->checkState(0) == Qt::Checked;
}

} // namespace

void TForm1::connectDeviceControls()
{
    connectGuarded(Timer_finddev, &QTimer::timeout, this, &TForm1::Timer_finddevTimer);
    connectGuarded(FindDevBtnTab4, &QPushButton::clicked, this, &TForm1::FindDevBtnTab4Click);
    connectGuarded(regSenseBtn_tab5, &QPushButton::clicked, this, &TForm1::showRegistration);
    ListView1->installEventFilter(new ListKeys(this));
    ListView1->setItemDelegate(new GridLines(ListView1));
    // A check-box change is a change of the check-state role; setData reports
    // none when the state stays the same.
    connect(ListView1->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &, const QList<int> &roles) {
                if (roles.contains(Qt::CheckStateRole))
                    guarded(*session, ListView1,
                            [&] { listWindowProc(ListView1->topLevelItem(topLeft.row())); });
            });
}

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

void TForm1::listWindowProc(QTreeWidgetItem *row)
{
    if (preventRecall || !row)
        return;
    preventRecall = true;
    // Whatever the click did to the box, that row ends checked and alone.
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    row->setCheckState(0, Qt::Checked);
    if (row->columnCount() > 1)
        ipSensor = row->text(1);
    netType = 1;
    preventRecall = false;
    statusChanged();
}

void TForm1::ListView1KeyDown(int key)
{
    QTreeWidgetItem *row = selectedRow(ListView1);
    switch (key) {
    case Qt::Key_Delete:
        if (!row)
            return;
        if (isChecked(row)) {
            prompts().error(this, texts.value(14), texts.value(162));
            return;
        }
        devList.Delete(ListView1->indexOfTopLevelItem(row));
        fillDeviceList();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        TSensorName *dialog = dialogs.SensorName;
        if (!isChecked(row) || !dialog)
            return;
        const int index = ListView1->indexOfTopLevelItem(row);
        dialog->Edit1->setText(row->text(0));
        if (prompts().exec(dialog) != QDialog::Accepted)
            return;
        const QString name = dialog->Edit1->text();
        session->setLinkHost(ipSensor);
        session->TaskList.Add(Code::SetDeviceName);
        session->openConnection(true, protocol::Reopens);
        // openConnection lets pending events run: find the row again by its index.
        if (index < devList.Count())
            devList.Get(index)->name = name;
        if (QTreeWidgetItem *same = ListView1->topLevelItem(index)) {
            preventRecall = true;
            same->setText(0, name);
            preventRecall = false;
        }
        return;
    }
    case Qt::Key_F1:
        showRegistration();
        return;
    default:
        return;
    }
}

void TForm1::showRegistration()
{
    TRegSensor *dialog = dialogs.RegSensor;
    if (!dialog || !isChecked(selectedRow(ListView1)))
        return;
    dialog->serviceBase = registrationBase;
    dialog->deviceAddress = ipSensor;
    prompts().exec(dialog);
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
    session->setLinkHost(ipSensor);
    for (Code task : {Code::MacAddress, Code::WebConnection, Code::PasswordUse, Code::Password,
                      Code::AlarmUse, Code::DeviceName, Code::Clock})
        session->TaskList.Add(task);
    session->openConnection(true, protocol::Reopens);
}

void TForm1::fillDeviceSources(RequestSources &src) const
{
    if (const TSensorName *nameDialog = dialogs.SensorName)
        src.deviceName = nameDialog->Edit1->text();
}

void TForm1::macAddressArrived(const QString &mac, const QString &host)
{
    if (TRegSensor *registration = dialogs.RegSensor) {
        registration->MacAddress = mac;
        registration->MacAddressFrom = host;
    }
}
