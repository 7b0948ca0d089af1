#include "session/form/SiteTab.h"

#include "link/Intervals.h"

#include "history/form/HistoryView.h"
#include "session/ControllerSession.h"
#include "session/SitePoller.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"
#include "units/form/UnitPanelModel.h"

#include <QDir>
#include <QHeaderView>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace {

constexpr int SiteTabIndex = 4;

// The rows as they stand, faults first and red.
void fill(QTreeWidget *list, const site::Poller &poller, int lang)
{
    using site::Text;
    list->setHeaderLabels({site::text(Text::Name, lang), site::text(Text::Address, lang),
                           site::text(Text::State, lang), site::text(Text::Online, lang),
                           site::text(Text::Faults, lang), site::text(Text::LastReading, lang)});
    const QString selected = list->currentItem() ? list->currentItem()->text(1) : QString();
    list->clear();
    const std::vector<site::Row> &rows = poller.rows();
    // Made whole before the list takes them: an item changed in the list is a change to lay out.
    QList<QTreeWidgetItem *> items;
    QTreeWidgetItem *current = nullptr;
    for (const int i : site::displayOrder(rows)) {
        const site::Row &row = rows[size_t(i)];
        const bool read = row.updatedAt.isValid();
        auto *item = new QTreeWidgetItem(QStringList{
            row.name, row.address, status::controllerState(row.failure, row.failedAt, row.updatedAt, lang),
            read ? QString::number(row.online) : QString(), read ? QString::number(row.faults) : QString(),
            read ? row.updatedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString()});
        const QColor background = row.faults > 0          ? FaultRed
                                  : items.size() % 2 == 0 ? PaleGreen
                                                          : QColor(Qt::white);
        for (int column = 0; column < list->columnCount(); ++column) {
            item->setBackground(column, background);
            item->setForeground(column, QColor(Qt::black));
        }
        for (const int column : {3, 4})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        if (row.active) {
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
        }
        if (row.address == selected)
            current = item;
        items << item;
    }
    list->addTopLevelItems(items);
    if (current)
        list->setCurrentItem(current);
}

} // namespace

void createSite(TForm1 *main, const QString &folder, history::HistoryView *view)
{
    IniFile ini;
    ini.load(QDir(folder).filePath(QStringLiteral("brezzano.ini")));
    const int period = readSettings(ini).sitePeriod;

    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("site"));
    auto *layout = new QVBoxLayout(page);
    auto *list = new QTreeWidget(page);
    list->setObjectName(QStringLiteral("siteList"));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setColumnCount(6);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Widths from the rows in view and some around them, not from each of 200 controllers.
    list->header()->setResizeContentsPrecision(100);
    layout->addWidget(list);
    main->PageControl1->insertTab(SiteTabIndex, page, QString());

    auto *poller = new site::Poller(*main->session, main);
    poller->setObjectName(QStringLiteral("sitePoller"));
    const auto caption = [main] {
        main->PageControl1->setTabText(SiteTabIndex,
                                       QStringLiteral("&5 ") + site::text(site::Text::Tab, main->lang_act));
    };
    caption();
    const auto refresh = [main, list, poller] { fill(list, *poller, main->lang_act); };
    QObject::connect(main, &TForm1::languageChanged, list, [caption, refresh] {
        caption();
        refresh();
    });
    // Readings come in a few at a time from four links: the list is drawn again for them
    // together, and only while its tab is the current one (each drawing lays out every row of the site).
    auto stale = std::make_shared<bool>(false); // readings came in while another tab was shown
    auto *redraw = new QTimer(list);
    redraw->setSingleShot(true);
    redraw->setInterval(intervals().siteRedraw);
    QObject::connect(redraw, &QTimer::timeout, list, [main, refresh, stale] {
        if (main->PageControl1->currentIndex() == SiteTabIndex)
            refresh();
        else
            *stale = true;
    });
    QObject::connect(poller, &site::Poller::rowsChanged, redraw, [redraw] {
        if (!redraw->isActive())
            redraw->start();
    });
    // Shown, the list is brought up to date and takes the keys: arrows, typing a name, Enter.
    QObject::connect(main->PageControl1, &QTabWidget::currentChanged, list,
                     [list, refresh, stale](int index) {
                         if (index != SiteTabIndex)
                             return;
                         if (std::exchange(*stale, false))
                             refresh();
                         list->setFocus();
                         if (!list->currentItem() && list->topLevelItemCount() > 0)
                             list->setCurrentItem(list->topLevelItem(0));
                     });
    if (view)
        QObject::connect(poller, &site::Poller::sessionAdded, view,
                         [view](ControllerSession *session) { view->follow(*session); });
    // Not under an open dialog or message, as the automatic reload: a controller out of reach
    // would put its message on top of the one the user is reading.
    poller->reloadActive = [main] {
        if (prompts().modalOpen())
            return false;
        main->reloadUnitList();
        return true;
    };

    // The address book and the active device change by many roads (search, ticks, renames,
    // deletions): the poller compares them once a tick.
    const auto book = [main] {
        std::vector<std::pair<QString, QString>> devices;
        for (const auto &device : main->devList)
            devices.emplace_back(device->name, device->ipdev);
        return devices;
    };
    auto known = std::make_shared<std::pair<std::vector<std::pair<QString, QString>>, QString>>();
    const auto follow = [main, poller, book, known] {
        auto now = std::make_pair(book(), main->ipSensor);
        if (now == *known)
            return;
        *known = std::move(now);
        poller->setDevices(known->first, known->second);
    };
    follow();
    auto *watch = new QTimer(poller);
    watch->setInterval(intervals().siteTick);
    QObject::connect(watch, &QTimer::timeout, poller, follow);
    watch->start();
    poller->setPeriod(period);

    // Double-click (or Enter): that controller becomes the active one, as ticking it in the device list
    // does, and its panel is shown, reloaded.
    QObject::connect(list, &QTreeWidget::itemActivated, main, [main, follow](QTreeWidgetItem *item) {
        const QString address = item->text(1);
        main->fillDeviceList();
        for (int i = 0; i < main->ListView1->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = main->ListView1->topLevelItem(i);
            if (row->columnCount() > 1 && row->text(1) == address) {
                main->listWindowProc(row);
                break;
            }
        }
        follow();
        if (main->PageControl1->currentIndex() == 0)
            main->reloadUnitList();
        else
            main->PageControl1->setCurrentIndex(0);
    });
}
