#include "history/form/HistoryWindow.h"

#include "history/Csv.h"
#include "history/HistorySummary.h"
#include "history/HistoryTexts.h"
#include "history/form/HistoryPrint.h"
#include "history/form/PanelExport.h"
#include "history/form/Worker.h"
#include "link/Intervals.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
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
    controllerFilter = named(new QComboBox(this), "historyController");
    controllerFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    controllerFilter->hide();
    unitFilter = named(new QComboBox(this), "historyUnit");
    unitFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    codeFilter = named(new QComboBox(this), "historyCode");
    codeFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    from = named(new QDateEdit(QDate::currentDate().addDays(-30), this), "historyFrom");
    to = named(new QDateEdit(QDate::currentDate(), this), "historyTo");
    for (QDateEdit *edit : {from, to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    exportButton = named(new QPushButton(this), "historyExport");
    printButton = named(new QPushButton(this), "historyPrint");
    unitCaption = new QLabel(this);
    fromCaption = new QLabel(this);
    toCaption = new QLabel(this);
    filters->addWidget(controllerFilter);
    filters->addWidget(unitCaption);
    filters->addWidget(unitFilter);
    filters->addWidget(codeFilter);
    filters->addWidget(fromCaption);
    filters->addWidget(from);
    filters->addWidget(toCaption);
    filters->addWidget(to);
    filters->addStretch();
    filters->addWidget(exportButton);
    filters->addWidget(printButton);
    layout->addLayout(filters);

    tabs = named(new QTabWidget(this), "historyTabs");
    faultsView = named(new QTreeWidget(tabs), "historyFaults");
    operationsView = named(new QTreeWidget(tabs), "historyOperations");
    summaryView = named(new QTreeWidget(tabs), "historySummary");
    for (QTreeWidget *list : {faultsView, operationsView, summaryView}) {
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        // Widths from the rows in view and some around them: measuring every row of a
        // month's faults held the window up for most of a tenth of a second.
        list->header()->setResizeContentsPrecision(100);
    }
    tabs->addTab(faultsView, QString());
    tabs->addTab(operationsView, QString());
    tabs->addTab(summaryView, QString());
    summaryView->setRootIsDecorated(true);
    layout->addWidget(tabs);
    // Says where an export went; no empty strip under the lists before one.
    note = named(new QLabel(this), "historyNote");
    note->hide();
    layout->addWidget(note);
    retranslate();

    connect(controllerFilter, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(unitFilter, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(codeFilter, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(from, &QDateEdit::dateChanged, this, &HistoryWindow::refresh);
    connect(to, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        // Only a change of the user's comes here: the window's own are made quietly.
        toFollowsToday = date == QDate::currentDate();
        refresh();
    });
    openTick = new QTimer(this);
    openTick->setInterval(intervals().openFaultTick);
    connect(openTick, &QTimer::timeout, this, &HistoryWindow::tickOpenFaults);
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (tabs->currentWidget() == summaryView)
            countRunHours();
        enableOutput();
    });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportShown(); });
    connect(printButton, &QPushButton::clicked, this, &HistoryWindow::printShown);
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
    printButton->setText(text(Text::Print, lang));
    // The controller comes last: shown only when the file holds more than one.
    faultsView->setHeaderLabels({text(Text::Start, lang), text(Text::End, lang), text(Text::Duration, lang),
                                 text(Text::Unit, lang), text(Text::Code, lang),
                                 text(Text::Description, lang), text(Text::Controller, lang)});
    operationsView->setHeaderLabels({text(Text::Time, lang), text(Text::What, lang), text(Text::Units, lang),
                                     text(Text::Result, lang), text(Text::Controller, lang)});
    summaryView->setHeaderLabels({text(Text::Unit, lang), text(Text::Faults, lang),
                                  text(Text::TimeInFault, lang), text(Text::RunHours, lang),
                                  text(Text::Controller, lang)});
    tabs->setTabText(0, text(Text::Faults, lang));
    tabs->setTabText(1, text(Text::Operations, lang));
    tabs->setTabText(2, text(Text::Summary, lang));
    if (codeFilter->count() > 0)
        codeFilter->setItemText(0, text(Text::AllCodes, lang));
    fillUnits();
}

void HistoryWindow::fillUnits()
{
    const QVariant chosenAddr = unitFilter->currentData(Qt::UserRole);
    const QVariant chosenController = unitFilter->currentData(Qt::UserRole + 1);
    const QList<KnownUnit> known = store.units();
    manyControllers = std::any_of(known.begin(), known.end(), [&known](const KnownUnit &u) {
        return u.controller != known.first().controller;
    });
    faultsView->setColumnHidden(6, !manyControllers);
    operationsView->setColumnHidden(4, !manyControllers);
    summaryView->setColumnHidden(4, !manyControllers);
    // The controllers the file holds; a chosen one narrows the units offered.
    const QString chosenOne = controllerFilter->currentData().toString();
    {
        const QSignalBlocker quietControllers(controllerFilter);
        controllerFilter->clear();
        controllerFilter->addItem(text(Text::AllControllers, lang), QString());
        for (const KnownUnit &unit : known)
            if (controllerFilter->findData(unit.controller) < 0)
                controllerFilter->addItem(labelOf(unit.controller), unit.controller);
        controllerFilter->setCurrentIndex(std::max(0, controllerFilter->findData(chosenOne)));
        controllerFilter->setVisible(manyControllers);
    }
    const QString onlyFrom = manyControllers ? controllerFilter->currentData().toString() : QString();
    const QSignalBlocker quiet(unitFilter);
    unitFilter->clear();
    unitFilter->addItem(text(Text::AllUnits, lang), -1);
    for (const KnownUnit &unit : known) {
        if (!onlyFrom.isEmpty() && unit.controller != onlyFrom)
            continue;
        QString label = unitLabel(unit.addr, unit.name);
        if (manyControllers)
            label += QStringLiteral(" (%1)").arg(unit.controller);
        unitFilter->addItem(label, unit.addr);
        unitFilter->setItemData(unitFilter->count() - 1, unit.controller, Qt::UserRole + 1);
        if (chosenAddr == unit.addr && chosenController == unit.controller)
            unitFilter->setCurrentIndex(unitFilter->count() - 1);
    }
}

QString HistoryWindow::labelOf(const QString &controller) const
{
    return controllerLabel ? controllerLabel(controller) : controller;
}

Filter HistoryWindow::filter() const
{
    Filter f;
    f.addr = unitFilter->currentData().toInt();
    f.controller = f.addr >= 0 ? unitFilter->currentData(Qt::UserRole + 1).toString()
                               : controllerFilter->currentData().toString();
    f.from = from->date().startOfDay();
    f.to = to->date().addDays(1).startOfDay();
    return f;
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    openTick->start();
    if (tabs->currentWidget() == summaryView)
        countRunHours();
}

void HistoryWindow::hideEvent(QHideEvent *event)
{
    openTick->stop();
    QDialog::hideEvent(event);
}

void HistoryWindow::tickOpenFaults()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (int row = 0; row < faultsView->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = faultsView->topLevelItem(row);
        const QDateTime start = item->data(1, Qt::UserRole).toDateTime();
        if (start.isValid()) // open faults only
            item->setText(2, durationText(start.secsTo(now)));
    }
}

void HistoryWindow::refresh()
{
    if (toFollowsToday && to->date() != QDate::currentDate()) {
        const QSignalBlocker quiet(to);
        to->setDate(QDate::currentDate());
    }
    fillUnits();
    const Filter f = filter();
    const QDateTime now = QDateTime::currentDateTime();
    const QList<FaultPeriod> faults = store.faults(f);
    fillCodes(faults);
    const QString code = codeFilter->currentData().toString();
    faultsView->clear();
    for (const FaultPeriod &fault : faults) {
        if (!code.isEmpty() && !faultCodeText(fault.code).split(QLatin1Char(' ')).contains(code))
            continue;
        const bool open = !fault.end.isValid();
        QString end = open ? text(Text::StillOpen, lang) : fault.end.toLocalTime().toString(Stamp);
        if (!open && fault.endedBy == Change::Offline)
            end += QStringLiteral(" (") + text(Text::WentOffline, lang) + QLatin1Char(')');
        auto *item =
            new QTreeWidgetItem(faultsView, {fault.start.toLocalTime().toString(Stamp), end,
                                             durationText(fault.start.secsTo(open ? now : fault.end)),
                                             unitLabel(fault.addr, fault.name), faultCodeText(fault.code),
                                             faultText(fault.code, lang), labelOf(fault.controller)});
        item->setData(0, Qt::UserRole, fault.controller);
        item->setData(0, Qt::UserRole + 1, fault.addr);
        if (open)
            item->setData(1, Qt::UserRole, fault.start);
    }
    operationsView->clear();
    for (const OperationRecord &op : store.operations(f)) {
        new QTreeWidgetItem(operationsView,
                            {op.time.toLocalTime().toString(Stamp), operationText(op.what, op.values, lang),
                             unitsText(op.units), text(op.taken ? Text::Taken : Text::NotTaken, lang),
                             labelOf(op.controller)});
    }
    fillSummary(faults, f, now);
}

void HistoryWindow::fillCodes(const QList<FaultPeriod> &faults)
{
    const QString chosen = codeFilter->currentData().toString();
    QStringList codes;
    for (const FaultPeriod &fault : faults)
        for (const QString &one : faultCodeText(fault.code).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (!codes.contains(one))
                codes << one;
    codes.sort();
    const QSignalBlocker quiet(codeFilter);
    codeFilter->clear();
    codeFilter->addItem(text(Text::AllCodes, lang), QString());
    for (const QString &one : codes)
        codeFilter->addItem(one, one);
    // A code no longer listed is kept, so that the lists do not widen behind the user's back.
    if (!chosen.isEmpty() && !codes.contains(chosen))
        codeFilter->addItem(chosen, chosen);
    codeFilter->setCurrentIndex(std::max(0, codeFilter->findData(chosen)));
}

void HistoryWindow::fillSummary(const QList<FaultPeriod> &faults, const Filter &f, const QDateTime &now)
{
    summaryInput = {faults, f, now, codeFilter->currentData().toString()};
    ++summaryGeneration;
    enableOutput();
    // The faults at once; the run hours when they are counted.
    showSummary({});
    runHoursWanted = true;
    if (tabs->currentWidget() == summaryView && isVisible())
        countRunHours();
}

void HistoryWindow::countRunHours()
{
    if (!runHoursWanted)
        return;
    runHoursWanted = false;
    // Beyond this between two samples the program was closed: that time is not counted.
    constexpr qint64 MaxSampleGapSecs = 15 * 60;
    const ReadSource source = store.readSource();
    const Filter f = summaryInput.filter;
    const quint64 generation = summaryGeneration;
    inWorker(
        this, [source, f] { return runSecondsIn(source, f, MaxSampleGapSecs); },
        [this, generation](const QList<UnitRun> &runs) {
            if (generation != summaryGeneration)
                return;
            runHoursShown = generation;
            showSummary(runs);
            enableOutput();
        });
}

void HistoryWindow::showSummary(const QList<UnitRun> &runs)
{
    const SummaryInput &in = summaryInput;
    const QList<UnitSummary> units =
        summarize(in.faults, runs, in.filter.from, in.filter.to, in.now, in.code);
    const auto hours = [](qint64 secs) {
        return secs < 0 ? QString() : QString::number(double(secs) / 3600.0, 'f', 1);
    };
    summaryView->clear();
    for (const UnitSummary &unit : units) {
        auto *row = new QTreeWidgetItem(
            summaryView, {unitLabel(unit.addr, unit.name), QString::number(unit.faults),
                          durationText(unit.faultSecs), hours(unit.runSecs), labelOf(unit.controller)});
        for (const UnitSummary::ByCode &byCode : unit.codes)
            new QTreeWidgetItem(row, {faultCodeText(byCode.code), QString::number(byCode.count),
                                      durationText(byCode.secs), QString(), labelOf(unit.controller)});
    }
}

void HistoryWindow::enableOutput()
{
    const bool counting = tabs->currentWidget() == summaryView && runHoursShown != summaryGeneration;
    exportButton->setEnabled(!counting);
    printButton->setEnabled(!counting);
}

QTreeWidget *HistoryWindow::shownList() const
{
    const int tab = tabs->currentIndex();
    return tab == 0 ? faultsView : tab == 1 ? operationsView : summaryView;
}

QString HistoryWindow::shownTitle() const
{
    return text(Text::HistoryButton, lang) + QStringLiteral(" – ") + tabs->tabText(tabs->currentIndex());
}

QString HistoryWindow::shownSubtitle() const
{
    QStringList parts{text(Text::PrintRange, lang)
                          .arg(from->date().toString(Qt::ISODate), to->date().toString(Qt::ISODate))};
    if (manyControllers && controllerFilter->currentIndex() > 0)
        parts << controllerFilter->currentText();
    if (unitFilter->currentIndex() > 0)
        parts << unitFilter->currentText();
    if (codeFilter->currentIndex() > 0 && shownList() != operationsView)
        parts << codeFilter->currentText();
    return parts.join(QStringLiteral(", "));
}

void HistoryWindow::printShown()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(text(Text::Print, lang));
    if (prompts().exec(&dialog) == QDialog::Accepted)
        printList(*shownList(), shownTitle(), shownSubtitle(), printer);
}

QString HistoryWindow::exportShown()
{
    const int tab = tabs->currentIndex();
    const QTreeWidget *list = tab == 0 ? faultsView : tab == 1 ? operationsView : summaryView;
    const QString what = tab == 0   ? QStringLiteral("faults")
                         : tab == 1 ? QStringLiteral("operations")
                                    : QStringLiteral("summary");
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
