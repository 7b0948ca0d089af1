#include "history/form/HistoryWindow.h"

#include "history/Csv.h"
#include "history/HistoryTexts.h"
#include "history/form/PanelExport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace history {

namespace {

// Stored in UTC, shown in the computer's time as the panel's clock is.
const QString Stamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString durationText(qint64 secs)
{
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600)
        .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

QString unitsText(const QList<int> &units)
{
    QStringList parts;
    for (int adr : units)
        parts << QString::number(adr);
    return parts.join(QLatin1Char(' '));
}

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

HistoryWindow::HistoryWindow(HistoryStore &store, QString folder, int lang, QWidget *parent)
    : QDialog(parent), store(store), folder(std::move(folder)), lang(lang)
{
    setObjectName(QStringLiteral("historyWindow"));
    resize(900, 520);
    auto *layout = new QVBoxLayout(this);
    auto *filters = new QHBoxLayout;
    unitFilter = named(new QComboBox(this), "historyUnit");
    unitFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    from = named(new QDateEdit(QDate::currentDate().addDays(-30), this), "historyFrom");
    to = named(new QDateEdit(QDate::currentDate(), this), "historyTo");
    for (QDateEdit *edit : {from, to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    exportButton = named(new QPushButton(this), "historyExport");
    unitCaption = new QLabel(this);
    fromCaption = new QLabel(this);
    toCaption = new QLabel(this);
    filters->addWidget(unitCaption);
    filters->addWidget(unitFilter);
    filters->addWidget(fromCaption);
    filters->addWidget(from);
    filters->addWidget(toCaption);
    filters->addWidget(to);
    filters->addStretch();
    filters->addWidget(exportButton);
    layout->addLayout(filters);

    tabs = named(new QTabWidget(this), "historyTabs");
    faultsView = named(new QTreeWidget(tabs), "historyFaults");
    operationsView = named(new QTreeWidget(tabs), "historyOperations");
    for (QTreeWidget *list : {faultsView, operationsView}) {
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    tabs->addTab(faultsView, QString());
    tabs->addTab(operationsView, QString());
    layout->addWidget(tabs);
    // Says where an export went; no empty strip under the lists before one.
    note = named(new QLabel(this), "historyNote");
    note->hide();
    layout->addWidget(note);
    retranslate();

    connect(unitFilter, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(from, &QDateEdit::dateChanged, this, &HistoryWindow::refresh);
    connect(to, &QDateEdit::dateChanged, this, &HistoryWindow::refresh);
    connect(exportButton, &QPushButton::clicked, this, [this] { exportShown(); });
    connect(faultsView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (unitChosen)
            unitChosen(item->data(0, Qt::UserRole).toString(), item->data(0, Qt::UserRole + 1).toInt());
    });
}

void HistoryWindow::setLanguage(int value)
{
    lang = value;
    retranslate();
    refresh();
}

void HistoryWindow::retranslate()
{
    setWindowTitle(text(Text::HistoryButton, lang));
    unitCaption->setText(text(Text::Unit, lang));
    fromCaption->setText(text(Text::From, lang));
    toCaption->setText(text(Text::To, lang));
    exportButton->setText(text(Text::ExportCsv, lang));
    faultsView->setHeaderLabels({text(Text::Start, lang), text(Text::End, lang), text(Text::Duration, lang),
                                 text(Text::Unit, lang), text(Text::Code, lang),
                                 text(Text::Description, lang)});
    operationsView->setHeaderLabels(
        {text(Text::Time, lang), text(Text::What, lang), text(Text::Units, lang), text(Text::Result, lang)});
    tabs->setTabText(0, text(Text::Faults, lang));
    tabs->setTabText(1, text(Text::Operations, lang));
    fillUnits();
}

void HistoryWindow::fillUnits()
{
    const QVariant chosenAddr = unitFilter->currentData(Qt::UserRole);
    const QVariant chosenController = unitFilter->currentData(Qt::UserRole + 1);
    const QList<KnownUnit> known = store.units();
    const bool manyControllers = std::any_of(known.begin(), known.end(), [&known](const KnownUnit &u) {
        return u.controller != known.first().controller;
    });
    const QSignalBlocker quiet(unitFilter);
    unitFilter->clear();
    unitFilter->addItem(text(Text::AllUnits, lang), -1);
    for (const KnownUnit &unit : known) {
        QString label = unitLabel(unit.addr, unit.name);
        if (manyControllers)
            label += QStringLiteral(" (%1)").arg(unit.controller);
        unitFilter->addItem(label, unit.addr);
        unitFilter->setItemData(unitFilter->count() - 1, unit.controller, Qt::UserRole + 1);
        if (chosenAddr == unit.addr && chosenController == unit.controller)
            unitFilter->setCurrentIndex(unitFilter->count() - 1);
    }
}

Filter HistoryWindow::filter() const
{
    Filter f;
    f.addr = unitFilter->currentData().toInt();
    f.controller = unitFilter->currentData(Qt::UserRole + 1).toString();
    f.from = from->date().startOfDay();
    f.to = to->date().addDays(1).startOfDay();
    return f;
}

void HistoryWindow::refresh()
{
    fillUnits();
    const Filter f = filter();
    const QDateTime now = QDateTime::currentDateTime();
    faultsView->clear();
    for (const FaultPeriod &fault : store.faults(f)) {
        const bool open = !fault.end.isValid();
        QString end = open ? text(Text::StillOpen, lang) : fault.end.toLocalTime().toString(Stamp);
        if (!open && fault.endedBy == Change::Offline)
            end += QStringLiteral(" (") + text(Text::WentOffline, lang) + QLatin1Char(')');
        auto *item =
            new QTreeWidgetItem(faultsView, {fault.start.toLocalTime().toString(Stamp), end,
                                             durationText(fault.start.secsTo(open ? now : fault.end)),
                                             unitLabel(fault.addr, fault.name), faultCodeText(fault.code),
                                             faultText(fault.code, lang)});
        item->setData(0, Qt::UserRole, fault.controller);
        item->setData(0, Qt::UserRole + 1, fault.addr);
    }
    operationsView->clear();
    for (const OperationRecord &op : store.operations(f)) {
        new QTreeWidgetItem(operationsView,
                            {op.time.toLocalTime().toString(Stamp), operationText(op.what, op.values, lang),
                             unitsText(op.units), text(op.taken ? Text::Taken : Text::NotTaken, lang)});
    }
}

QString HistoryWindow::exportShown()
{
    const bool faults = tabs->currentIndex() == 0;
    const QTreeWidget *list = faults ? faultsView : operationsView;
    const QString what = faults ? QStringLiteral("faults") : QStringLiteral("operations");
    const QDateTime now = QDateTime::currentDateTime();
    // The lists span every controller unless one unit is chosen.
    const QString controller = filter().controller.isEmpty() ? QStringLiteral("all") : filter().controller;
    const QString path = chooseExportFile(this, folder, csv::fileName(what, controller, now), lang);
    if (path.isEmpty())
        return {};
    const bool written = writeCsv(path, *list->model());
    note->setText(
        text(written ? Text::Exported : Text::ExportFailed, lang).arg(QDir::toNativeSeparators(path)));
    note->show();
    return written ? path : QString();
}

} // namespace history
