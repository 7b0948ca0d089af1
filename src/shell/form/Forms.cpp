// The application's root: the one place that knows every window and dialog and
// wires them to each other and to the controller session.
#include "shell/form/Forms.h"

#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "history/Csv.h"
#include "history/HistoryTexts.h"
#include "history/PanelCsv.h"
#include "history/form/AlarmBar.h"
#include "history/form/HistoryView.h"
#include "history/form/PanelExport.h"
#include "history/form/TrendChart.h"
#include "schedules/form/ProgUnit.h"
#include "session/ControllerSession.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/Main.h"
#include "shell/form/infoext.h"
#include "shell/form/myDialogUnit.h"
#include "shell/form/waitUnit.h"
#include "units/form/UnitPanelModel.h"
#include "units/form/passwordUnit.h"
#include "units/form/setting.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTreeView>

#include <memory>
#include <utility>

Forms &forms()
{
    static Forms all;
    return all;
}

TForm1 *createForms()
{
    Forms &f = forms();
    f.Form1 = new TForm1;
    TForm1 *main = f.Form1;
    ControllerSession &session = *main->session;
    f.waitform = new Twaitform(main);
    f.SensorName = new TSensorName(main);
    f.RegSensor = new TRegSensor(main);
    f.myDialogForm = new TmyDialogForm(main);
    // The pipe temperatures' dialog first: the settings dialog shows it.
    f.infoextform = new Tinfoextform(main);
    f.Form2 = new TForm2(session, *main, f.infoextform, main);
    f.progForm3 = new TprogForm3(session, *main, main);
    f.passwordForm = new TpasswordForm(main);
    main->dialogs = f;
    // What escapes an event handler goes to the window's appException.
    auto *app = qobject_cast<BrezzanoApplication *>(QCoreApplication::instance());
    if (app)
        app->onException = [main](QObject *receiver, const QString &message) {
            main->appException(receiver, message);
        };
    QObject::connect(main, &QObject::destroyed, [app] {
        forms() = Forms{};
        if (app)
            app->onException = nullptr;
    });

    TForm2 *settings = f.Form2;
    TprogForm3 *editor = f.progForm3;
    settings->editSchedule = [editor](int tmin, int tmax) { editor->edit(tmin, tmax); };
    return main;
}

namespace {

// The layout that holds `widget`, searched from `layout` down.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget)
{
    if (!layout)
        return nullptr;
    if (auto *box = qobject_cast<QBoxLayout *>(layout); box && box->indexOf(widget) >= 0)
        return box;
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout *found = boxHolding(layout->itemAt(i)->layout(), widget))
            return found;
    return nullptr;
}

} // namespace

history::HistoryView *createHistory(TForm1 *main, const QString &folder)
{
    IniFile ini;
    ini.load(QDir(folder).filePath(QStringLiteral("brezzano.ini")));
    const int rawDays = readSettings(ini).historyRawDays;
    auto *off = new QLabel(main->statusBar());
    off->setObjectName(QStringLiteral("statusHistory"));
    main->statusBar()->addPermanentWidget(off, 2);
    auto *view = new history::HistoryView(*main->session, main, folder, rawDays, main->lang_act, off,
                                          [main](const QString &line) { main->log(line); });
    auto *button = new QPushButton(history::text(history::Text::HistoryButton, main->lang_act),
                                   main->reloadbutTab1->parentWidget());
    button->setObjectName(QStringLiteral("historyButton"));
    if (QBoxLayout *strip = boxHolding(main->reloadbutTab1->parentWidget()->layout(), main->reloadbutTab1))
        strip->insertWidget(strip->indexOf(main->reloadbutTab1) + 1, button);
    QObject::connect(button, &QPushButton::clicked, view, [view] { view->showWindow(); });
    // Faults not yet acknowledged, across the top of the window.
    main->setMenuWidget(view->alarmBar());
    view->controllerName = [main](const QString &host) {
        for (const auto &device : main->devList)
            if (device->ipdev == host && !device->name.trimmed().isEmpty())
                return QStringLiteral("%1 (%2)").arg(device->name.trimmed(), host);
        return host;
    };

    // The panel as it stands, where the user chooses; where it went is said in
    // the status bar, in the language of the moment.
    auto *exportButton = new QPushButton(history::text(history::Text::ExportCsv, main->lang_act),
                                         main->reloadbutTab1->parentWidget());
    exportButton->setObjectName(QStringLiteral("panelExport"));
    if (QBoxLayout *strip = boxHolding(main->reloadbutTab1->parentWidget()->layout(), button))
        strip->insertWidget(strip->indexOf(button) + 1, exportButton);
    struct Exported
    {
        QString path;
        bool written = false;
        QString line; // as the status bar shows it
    };
    const auto exported = std::make_shared<Exported>();
    const auto wording = [exported](int lang) {
        return history::text(exported->written ? history::Text::Exported : history::Text::ExportFailed, lang)
            .arg(QDir::toNativeSeparators(exported->path));
    };
    const auto exportPanel = [main, view, folder, off, exported, wording] {
        const QDateTime reload = view->lastReload();
        const QString &controller = main->session->model.unitsReadFrom;
        const QString path =
            history::chooseExportFile(main, folder,
                                      csv::fileName(QStringLiteral("units"), controller,
                                                    reload.isValid() ? reload : QDateTime::currentDateTime()),
                                      main->lang_act);
        if (path.isEmpty())
            return;
        std::vector<int> shown;
        for (int row = 0; row < main->Tab1PanelModel->rowCount(); ++row)
            shown.push_back(main->Tab1PanelModel->address(row));
        const history::CsvTable table =
            history::panelTable(main->session->model, shown, texts, main->lang_act, reload);
        exported->path = path;
        exported->written = history::writeCsv(path, table.header, table.rows);
        exported->line = wording(main->lang_act);
        off->setText(exported->line);
        off->show();
        main->log(exported->line);
    };
    QObject::connect(exportButton, &QPushButton::clicked, main, exportPanel);
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), main);
    QObject::connect(shortcut, &QShortcut::activated, main, exportPanel);
    QObject::connect(main, &TForm1::languageChanged, view,
                     [view, button, exportButton, off, exported, wording](int lang) {
                         button->setText(history::text(history::Text::HistoryButton, lang));
                         exportButton->setText(history::text(history::Text::ExportCsv, lang));
                         if (!exported->line.isEmpty() && off->text() == exported->line) {
                             exported->line = wording(lang);
                             off->setText(exported->line);
                         }
                         view->setLanguage(lang);
                     });

    // A unit's row charts its temperatures.
    QTreeView *panel = main->Tab1PanelList;
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        panel, &QTreeView::customContextMenuRequested, view, [main, view, panel](const QPoint &at) {
            const int addr = main->Tab1PanelModel->address(panel->indexAt(at).row());
            if (addr < 0 || main->session->model.unitsReadFrom.isEmpty())
                return;
            auto *menu = new QMenu(panel);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            // Each entry opens the span it names, whatever the chart showed last.
            const std::pair<history::Text, int> spans[] = {
                {history::Text::ChartDay, history::TrendChart::Day},
                {history::Text::ChartWeek, history::TrendChart::Week},
                {history::Text::ChartMonth, history::TrendChart::Month}};
            for (const auto &[name, span] : spans)
                menu->addAction(history::text(name, main->lang_act), view, [main, view, addr, span = span] {
                    view->showTrend(main->session->model.unitsReadFrom, addr, span);
                });
            menu->popup(panel->viewport()->mapToGlobal(at));
        });
    return view;
}

void destroyForms()
{
    // The dialogs are children of the main window.
    delete forms().Form1;
    forms() = Forms{};
}
