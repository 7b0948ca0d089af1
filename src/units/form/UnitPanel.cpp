// The unit panel: the first tab of the main window.
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"
#include "units/form/setting.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int AddressColumn = 6;
const QColor PaleGreen(192, 220, 192);
const QColor FaultRed(255, 0, 0);

// Draws a selected row in a darker shade of its own colour inside a frame, so
// that selecting a unit in fault does not hide its red.
class SelectionFrame final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!(option.state & QStyle::State_Selected))
            return;
        painter->save();
        painter->setPen(QPen(QColor(0x1F, 0x2A, 0x30), 2));
        const QRectF r = QRectF(option.rect).adjusted(0, 1, 0, -1);
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        if (index.column() == 0)
            painter->drawLine(r.topLeft() + QPointF(1, 0), r.bottomLeft() + QPointF(1, 0));
        if (index.column() == LastShownColumn)
            painter->drawLine(r.topRight() - QPointF(1, 0), r.bottomRight() - QPointF(1, 0));
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected))
            return;
        option->state &= ~QStyle::State_Selected;
        const QColor own = option->backgroundBrush.style() == Qt::NoBrush ? QColor(Qt::white)
                                                                          : option->backgroundBrush.color();
        option->backgroundBrush = own.darker(125);
    }

private:
    static constexpr int LastShownColumn = AddressColumn - 1;
};

// Space ticks or unticks the current row whichever of its cells holds the focus.
class SpaceTicks final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space &&
            flipCurrentRowCheck(qobject_cast<QTreeWidget *>(watched)))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void TForm1::resetControllerState()
{
    lock_mode = 0;
    use_password = false;
    BZ_password.clear();
    units::resetControllerState(unit_par, unit_online);
}

void TForm1::setupUnitListColumns()
{
    Tab1PanelList->clear();
    Tab1PanelList->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tab1PanelList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tab1PanelList->setRootIsDecorated(false);
    Tab1PanelList->setSortingEnabled(false);
    Tab1PanelList->setColumnCount(AddressColumn + 1);
    const int widths[] = {150, 150, 120, 100, 100, 100};
    unitListHeadings();
    for (int column = 0; column < AddressColumn; ++column)
        Tab1PanelList->setColumnWidth(column, widths[column]);
    Tab1PanelList->setColumnHidden(AddressColumn, true);
    if (!dynamic_cast<SelectionFrame *>(Tab1PanelList->itemDelegate())) {
        Tab1PanelList->setItemDelegate(new SelectionFrame(Tab1PanelList));
        Tab1PanelList->installEventFilter(new SpaceTicks(Tab1PanelList));
    }
}

void TForm1::unitListHeadings()
{
    const int titles[] = {151, 84, 89, 94, 92, 93};
    QStringList headers;
    for (int title : titles)
        headers << texts.value(title);
    headers << QString();
    Tab1PanelList->setHeaderLabels(headers);
    // Headings are cut at the fixed widths: the whole caption is a tooltip.
    for (int column = 0; column < AddressColumn; ++column)
        Tab1PanelList->headerItem()->setToolTip(column, headers.at(column));
}

void TForm1::fillUnitList()
{
    Tab1PanelList->clear();
    for (int adr = 0; adr < PanelUnits; ++adr)
        if (unit_online[size_t(adr)] != 0)
            addUnitItem(adr);

    // Faults first, highest key first; equal keys keep their address order.
    QList<QTreeWidgetItem *> rows;
    while (Tab1PanelList->topLevelItemCount() > 0)
        rows << Tab1PanelList->takeTopLevelItem(0);
    std::stable_sort(rows.begin(), rows.end(), [this](const QTreeWidgetItem *a, const QTreeWidgetItem *b) {
        return Tab1PanelListCompare(*this, a, b) < 0;
    });
    Tab1PanelList->addTopLevelItems(rows);
    for (int index = 0; index < rows.size(); ++index)
        Tab1PanelListAdvancedCustomDrawItem(rows.at(index), index);

    reloadPending = false;
    reloadFailedAt = QDateTime();
    panelFilledAt = clockNow();
    panelFrom = unitsReadFrom;
    panelUnits = int(rows.size());
    panelFaults = int(std::count_if(rows.begin(), rows.end(), [this](const QTreeWidgetItem *item) {
        const int adr = unitAddressOfRow(item);
        return adr >= 0 && units::inFault(unit_par[size_t(adr)]);
    }));
    statusChanged();
}

void TForm1::addUnitItem(int adr)
{
    const units::UnitRow row = units::unitRow(unit_par[size_t(adr)], adr, texts, QLocale());
    auto *item = new QTreeWidgetItem(
        Tab1PanelList, {row.name, row.mode, row.fan, row.remote, row.setTemp, row.roomTemp, row.address});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    // Cells are cut at the fixed column widths: the whole text is a tooltip.
    for (int column = 0; column < AddressColumn; ++column)
        item->setToolTip(column, item->text(column));
}

void TForm1::Tab1PanelListAdvancedCustomDrawItem(QTreeWidgetItem *item, int index)
{
    QFont font = Tab1PanelList->font();
    font.setBold(true);
    font.setPointSize(9);
    QColor background = index % 2 == 0 ? PaleGreen : QColor(Qt::white);
    const int adr = unitAddressOfRow(item);
    if (adr >= 0 && units::inFault(unit_par[size_t(adr)]))
        background = FaultRed;
    for (int column = 0; column < Tab1PanelList->columnCount(); ++column) {
        item->setFont(column, font);
        item->setBackground(column, background);
        item->setForeground(column, QColor(Qt::black));
    }
}

int TForm1::Tab1PanelListCompare(const TForm1 &form, const QTreeWidgetItem *item1,
                                 const QTreeWidgetItem *item2)
{
    const auto key = [&form](const QTreeWidgetItem *item) {
        const int adr = form.unitAddressOfRow(item);
        return adr < 0 ? 0 : units::faultKey(form.unit_par[size_t(adr)]);
    };
    const int k1 = key(item1);
    const int k2 = key(item2);
    if (k2 > k1)
        return 1;
    if (k2 < k1)
        return -1;
    return 0;
}

int TForm1::unitAddressOfRow(const QTreeWidgetItem *item) const
{
    bool ok = false;
    const int adr = item ? item->text(AddressColumn).toInt(&ok) : -1;
    return ok && adr >= 0 && adr < UnitRecords ? adr : -1;
}

void TForm1::reloadUnitList()
{
    autoupt_counter = autoupdvalue;
    if (autoupdvalue > 0)
        autoupdtm->start();
    else
        autoupdtm->stop();
    statusChanged();
    // A slow device must not get a second reload queued behind the first one:
    // each would bring a request for every unit, and the link would never empty.
    if (reloadRunning(ipSensor)) {
        log(QStringLiteral("reload skipped: the last one is still running"));
        return;
    }
    setLinkHost(ipSensor);
    // Requests of a reload that could not connect still wait: they serve this one too.
    const bool waiting = std::any_of(TaskList.begin(), TaskList.end(), [this](const auto &task) {
        return task->origin == TaskOrigin::Reload && (task->host.isEmpty() || task->host == ipSensor);
    });
    if (!waiting)
        for (Code task : {Code::PasswordUse, Code::Password, Code::LockMode, Code::OnlineUnits})
            TaskList.Add_addr(task, 0, {}, TaskOrigin::Reload);
    Tab1PanelList->clear();
    reloadPending = true;
    openConnection(true, protocol::Reopens);
}

bool TForm1::reloadRunning(const QString &host) const
{
    if (!linkIsOpen() || openHost != host)
        return false;
    return (wait_responce && awaited.origin == TaskOrigin::Reload) || TaskList.has(TaskOrigin::Reload);
}

void TForm1::reloadbutTab1Click()
{
    reloadUnitList();
}

static int checkedRows(const QTreeWidget *list)
{
    int count = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (list->topLevelItem(row)->checkState(0) == Qt::Checked)
            ++count;
    return count;
}

void TForm1::Tab1setunitClick()
{
    if (checkedRows(Tab1PanelList) == 0) {
        prompts().info(this, QString(), texts.value(152));
        return;
    }
    if (forms().Form2)
        forms().Form2->ShowSetting(1, 255);
}

void TForm1::Tab1setallClick()
{
    if (forms().Form2)
        forms().Form2->ShowSetting(2, 255);
}

void TForm1::Tab1PanelListDblClick()
{
    const QList<QTreeWidgetItem *> selected = Tab1PanelList->selectedItems();
    if (selected.isEmpty())
        return;
    const int adr = unitAddressOfRow(selected.first());
    if (adr < 0)
        return;
    if (checkedRows(Tab1PanelList) > 1) {
        if (forms().Form2)
            forms().Form2->ShowSetting(1, 255);
        return;
    }
    // A read that fails must not leave another unit's schedule here, ready to be sent to this one.
    unitProgList.Clear();
    getLengthProgramm(adr);
    if (forms().Form2)
        forms().Form2->ShowSetting(0, adr);
}

void TForm1::autoupdtmTimer()
{
    // While a message box or dialog is open no reload starts, so an
    // unreachable controller does not stack one box on another; the count
    // waits at 1 and the reload comes with the first tick after it closes.
    statusChanged();
    if (prompts().modalOpen()) {
        if (autoupt_counter > 1)
            --autoupt_counter;
        return;
    }
    if (autoupt_counter < 2) {
        if (autoupdvalue > 0) {
            autoupt_counter = autoupdvalue;
            reloadbutTab1Click();
        }
        return;
    }
    --autoupt_counter;
}

void TForm1::tab3sb3Click(int tag)
{
    autoupdvalue = tag;
    log(QStringLiteral("auto upd %1").arg(tag));
    statusChanged();
}

void TForm1::InfoShow()
{
    if (!firstStart)
        reloadUnitList();
}

void TForm1::InfoHide()
{
    log(QStringLiteral("tab1 hide"));
    autoupdtm->stop();
    statusChanged();
}

void TForm1::ImpostazioniShow()
{
    // None stays down when the settings file held a period that no button offers.
    for (QToolButton *button : {tab3sb3, tab3sb4, tab3sb5, tab3sb6}) {
        button->setAutoExclusive(false);
        setCheckedQuietly(button, button->property("Tag").toInt() == autoupdvalue);
        button->setAutoExclusive(true);
    }
    sel_language->setCurrentIndex(lang_act);
    reloadbutTab3Click();
}
