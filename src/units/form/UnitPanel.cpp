// The unit panel: the first tab of the main window.
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"
#include "units/form/UnitPanelModel.h"
#include "units/form/setting.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace {

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
    static constexpr int LastShownColumn = UnitPanelModel::Columns - 1;
};

// Space ticks or unticks the current row whichever of its cells holds the focus.
class SpaceTicks final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space &&
            flipCurrentRowCheck(qobject_cast<QAbstractItemView *>(watched)))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void TForm1::resetControllerState()
{
    model.lock_mode = 0;
    model.use_password = false;
    model.BZ_password.clear();
    units::resetControllerState(model.unit_par, model.unit_online);
}

void TForm1::setupUnitListColumns()
{
    Tab1PanelModel->clear();
    Tab1PanelList->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tab1PanelList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tab1PanelList->setRootIsDecorated(false);
    Tab1PanelList->setSortingEnabled(false);
    const int widths[] = {150, 150, 120, 100, 100, 100};
    unitListHeadings();
    for (int column = 0; column < UnitPanelModel::Columns; ++column)
        Tab1PanelList->setColumnWidth(column, widths[column]);
    if (!dynamic_cast<SelectionFrame *>(Tab1PanelList->itemDelegate())) {
        Tab1PanelList->setItemDelegate(new SelectionFrame(Tab1PanelList));
        Tab1PanelList->installEventFilter(new SpaceTicks(Tab1PanelList));
    }
}

void TForm1::unitListHeadings()
{
    Tab1PanelModel->headingsChanged();
}

void TForm1::fillUnitList()
{
    Tab1PanelModel->refresh();
    reloadPending = false;
    reloadFailedAt = QDateTime();
    panelFilledAt = clockNow();
    panelFrom = model.unitsReadFrom;
    panelUnits = Tab1PanelModel->rowCount();
    panelFaults = Tab1PanelModel->faultRows();
    statusChanged();
}

void TForm1::addUnitItem(int adr)
{
    Tab1PanelModel->addUnit(adr);
}

void TForm1::Tab1PanelListAdvancedCustomDrawItem(UnitRowLook &look, int index, const TunitRecord &unit)
{
    look.font.setBold(true);
    look.font.setPointSize(9);
    look.background = index % 2 == 0 ? PaleGreen : QColor(Qt::white);
    if (units::inFault(unit))
        look.background = FaultRed;
    look.text = Qt::black;
}

int TForm1::Tab1PanelListCompare(const TunitRecord &item1, const TunitRecord &item2)
{
    return units::panelCompare(item1, item2);
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
    session->setLinkHost(ipSensor);
    // Requests of a reload that could not connect still wait: they serve this one too.
    const bool waiting =
        std::any_of(session->TaskList.begin(), session->TaskList.end(), [this](const auto &task) {
            return task->origin == TaskOrigin::Reload && (task->host.isEmpty() || task->host == ipSensor);
        });
    if (!waiting)
        session->queueReload();
    Tab1PanelModel->clear();
    reloadPending = true;
    session->openConnection(true, protocol::Reopens);
}

bool TForm1::reloadRunning(const QString &host) const
{
    if (!session->linkIsOpen() || session->openHostName() != host)
        return false;
    return session->reloadQueued();
}

void TForm1::reloadbutTab1Click()
{
    reloadUnitList();
}

void TForm1::Tab1setunitClick()
{
    if (Tab1PanelModel->checkedAddresses().empty()) {
        prompts().info(this, QString(), texts.value(152));
        return;
    }
    if (dialogs.Form2)
        dialogs.Form2->ShowSetting(1, 255);
}

void TForm1::Tab1setallClick()
{
    if (dialogs.Form2)
        dialogs.Form2->ShowSetting(2, 255);
}

void TForm1::Tab1PanelListDblClick()
{
    const QModelIndexList selected = Tab1PanelList->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const int adr = Tab1PanelModel->address(selected.first().row());
    if (adr < 0)
        return;
    if (Tab1PanelModel->checkedAddresses().size() > 1) {
        if (dialogs.Form2)
            dialogs.Form2->ShowSetting(1, 255);
        return;
    }
    // A read that fails must not leave another unit's schedule here, ready to be sent to this one.
    model.unitProgList.Clear();
    getLengthProgramm(adr);
    if (dialogs.Form2)
        dialogs.Form2->ShowSetting(0, adr);
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
    if (!session->firstStart)
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
