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
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace history {

namespace {

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
    setWindowTitle(text(Text::HistoryButton, lang));
    resize(900, 520);
    auto *layout = new QVBoxLayout(this);
    auto *filters = new QHBoxLayout;
    unitFilter = named(new QComboBox(this), "historyUnit");
    unitFilter->addItem(text(Text::AllUnits, lang), -1);
    for (int adr = 0; adr < PanelUnits; ++adr)
        unitFilter->addItem(QString::number(adr), adr);
    from = named(new QDateEdit(QDate::currentDate().addDays(-30), this), "historyFrom");
    to = named(new QDateEdit(QDate::currentDate(), this), "historyTo");
    for (QDateEdit *edit : {from, to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    auto *exportButton = named(new QPushButton(text(Text::ExportCsv, lang), this), "historyExport");
    filters->addWidget(new QLabel(text(Text::Unit, lang), this));
    filters->addWidget(unitFilter);
    filters->addWidget(new QLabel(text(Text::From, lang), this));
    filters->addWidget(from);
    filters->addWidget(new QLabel(text(Text::To, lang), this));
    filters->addWidget(to);
    filters->addStretch();
    filters->addWidget(exportButton);
    layout->addLayout(filters);

    tabs = named(new QTabWidget(this), "historyTabs");
    faultsView = named(new QTreeWidget(tabs), "historyFaults");
    faultsView->setHeaderLabels({text(Text::Start, lang), text(Text::End, lang), text(Text::Duration, lang),
                                 text(Text::Unit, lang), text(Text::Code, lang),
                                 text(Text::Description, lang)});
    operationsView = named(new QTreeWidget(tabs), "historyOperations");
    operationsView->setHeaderLabels(
        {text(Text::Time, lang), text(Text::What, lang), text(Text::Units, lang), text(Text::Result, lang)});
    for (QTreeWidget *list : {faultsView, operationsView}) {
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    tabs->addTab(faultsView, text(Text::Faults, lang));
    tabs->addTab(operationsView, text(Text::Operations, lang));
    layout->addWidget(tabs);
    note = named(new QLabel(this), "historyNote");
    layout->addWidget(note);

    connect(unitFilter, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(from, &QDateEdit::dateChanged, this, &HistoryWindow::refresh);
    connect(to, &QDateEdit::dateChanged, this, &HistoryWindow::refresh);
    connect(exportButton, &QPushButton::clicked, this, [this] { exportShown(); });
    connect(faultsView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (unitChosen)
            unitChosen(item->data(0, Qt::UserRole).toString(), item->data(0, Qt::UserRole + 1).toInt());
    });
}

Filter HistoryWindow::filter() const
{
    Filter f;
    f.addr = unitFilter->currentData().toInt();
    f.from = from->date().startOfDay();
    f.to = to->date().addDays(1).startOfDay();
    return f;
}

void HistoryWindow::refresh()
{
    const Filter f = filter();
    const QDateTime now = QDateTime::currentDateTime();
    faultsView->clear();
    for (const FaultPeriod &fault : store.faults(f)) {
        const bool open = !fault.end.isValid();
        QString end = open ? text(Text::StillOpen, lang) : fault.end.toString(Stamp);
        if (!open && fault.endedBy == Change::Offline)
            end += QStringLiteral(" (") + text(Text::WentOffline, lang) + QLatin1Char(')');
        const QString unit = fault.name.isEmpty() ? QString::number(fault.addr)
                                                  : QStringLiteral("%1 %2").arg(fault.addr).arg(fault.name);
        auto *item =
            new QTreeWidgetItem(faultsView, {fault.start.toString(Stamp), end,
                                             durationText(fault.start.secsTo(open ? now : fault.end)), unit,
                                             faultCodeText(fault.code), fault.text});
        item->setData(0, Qt::UserRole, fault.controller);
        item->setData(0, Qt::UserRole + 1, fault.addr);
    }
    operationsView->clear();
    for (const OperationRecord &op : store.operations(f)) {
        QString what = op.what;
        if (!op.values.isEmpty())
            what += QStringLiteral(": ") + op.values;
        new QTreeWidgetItem(operationsView, {op.time.toString(Stamp), what, unitsText(op.units),
                                             text(op.taken ? Text::Taken : Text::NotTaken, lang)});
    }
}

QString HistoryWindow::exportShown()
{
    const bool faults = tabs->currentIndex() == 0;
    const QTreeWidget *list = faults ? faultsView : operationsView;
    const QString what = faults ? QStringLiteral("faults") : QStringLiteral("operations");
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = exportTable(*list->model(), folder, what, QStringLiteral("all"), now);
    const QString shown = QDir::toNativeSeparators(
        path.isEmpty() ? QDir(folder).filePath(csv::fileName(what, QStringLiteral("all"), now)) : path);
    note->setText(text(path.isEmpty() ? Text::ExportFailed : Text::Exported, lang).arg(shown));
    return path;
}

} // namespace history
