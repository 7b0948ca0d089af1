// Building the main window's controls and wiring the user's actions to them.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/BusyIndicator.h"
#include "shell/form/Controls.h"
#include "shell/form/Guarded.h"
#include "shell/form/HelpPane.h"
#include "shell/form/LogPane.h"
#include "shell/form/Main.h"
#include "units/form/UnitPanelModel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int MaxLogLines = 20000;
constexpr int MaxLogChars = 2 * 1024 * 1024;

QTimer *windowTimer(const char *name, QObject *parent)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), session(new ControllerSession(this)), model(session->model)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brezzano 2.0 ver 1.02"));
    buildUi();
    connectControls();
    // FormCreate
    preventRecall = false;
    session->firstStart = true;
}

TForm1::~TForm1() = default;

void TForm1::buildUi()
{
    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    PageControl1 = named(new QTabWidget(central), "PageControl1");
    Info = named(new QWidget, "Info");
    Impostazioni = named(new QWidget, "Impostazioni");
    network = named(new QWidget, "network");
    help = named(new QWidget, "help");
    PageControl1->addTab(Info, QString());
    PageControl1->addTab(Impostazioni, QString());
    PageControl1->addTab(network, QString());
    PageControl1->addTab(help, QString());
    layout->addWidget(PageControl1, 3);

    // The two log panes share a column that is there only in debug mode.
    logPanes = named(new QWidget(central), "logPanes");
    auto *memos = new QVBoxLayout(logPanes);
    memos->setContentsMargins(0, 0, 0, 0);
    Memo2 = named(new QPlainTextEdit(logPanes), "Memo2");
    Memo1 = named(new QPlainTextEdit(logPanes), "Memo1");
    for (QPlainTextEdit *memo : {Memo2, Memo1}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setReadOnly(true);
        memos->addWidget(memo);
    }
    logPanes->hide();
    Memo2->setPlainText(QStringLiteral("Memo2"));
    for (QPlainTextEdit *memo : {Memo2, Memo1})
        capLogPane(memo, MaxLogLines, MaxLogChars);
    layout->addWidget(logPanes, 1);
    setCentralWidget(central);

    buildInfoTab();
    buildSettingsTab();
    buildNetworkTab();
    buildStatusBar();
    auto *helpLayout = new QVBoxLayout(help);
    helpPane = named(new HelpPane(help), "helpPane");
    helpLayout->addWidget(helpPane);

    Timer_finddev = windowTimer("Timer_finddev", this);
    Timer_finddev->setInterval(intervals().findDevice);
    Timer_startup = windowTimer("Timer_startup", this);
    Timer_startup->setInterval(intervals().startup);
    autoupdtm = windowTimer("autoupdtm", this);
    autoupdtm->setInterval(intervals().autoUpdateTick);
}

void TForm1::buildInfoTab()
{
    auto *layout = new QVBoxLayout(Info);
    layout->setContentsMargins(30, 10, 30, 30);
    auto *strip = new QHBoxLayout;
    Image11 = named(new BusyIndicator(Info), "Image11");
    reloadbutTab1 = named(new QPushButton(Info), "reloadbutTab1");
    Tab1setunit = named(new QPushButton(Info), "Tab1setunit");
    Tab1setall = named(new QPushButton(Info), "Tab1setall");
    strip->addWidget(Image11);
    strip->addWidget(reloadbutTab1);
    strip->addWidget(Tab1setunit);
    strip->addWidget(Tab1setall);
    strip->addStretch();
    layout->addLayout(strip);
    Tab1PanelList = named(new QTreeView(Info), "Tab1PanelList");
    Tab1PanelModel =
        new UnitPanelModel(model.unit_par, model.unit_online, texts, &TForm1::Tab1PanelListCompare,
                           &TForm1::Tab1PanelListAdvancedCustomDrawItem, Tab1PanelList);
    Tab1PanelList->setModel(Tab1PanelModel);
    Tab1PanelList->setAlternatingRowColors(false);
    Tab1PanelList->setUniformRowHeights(true);
    layout->addWidget(Tab1PanelList);
    // A reload hides the list and shows the animation: neither moves the buttons under the mouse.
    for (QWidget *w : {static_cast<QWidget *>(Image11), static_cast<QWidget *>(Tab1PanelList)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
}

void TForm1::buildSettingsTab()
{
    auto *layout = new QVBoxLayout(Impostazioni);
    auto *options = new QGroupBox(Impostazioni);
    auto *optionsLayout = new QGridLayout(options);
    tab3sb1 = toggle("tab3sb1", options);
    tab3bt1 = named(new QPushButton(options), "tab3bt1");
    tab3sb2 = toggle("tab3sb2", options);
    tab3sb7 = toggle("tab3sb7", options);
    optionsLayout->addWidget(tab3sb1, 0, 0);
    optionsLayout->addWidget(tab3bt1, 0, 1);
    optionsLayout->addWidget(tab3sb2, 1, 0);
    optionsLayout->addWidget(tab3sb7, 1, 1);

    tab3lb1 = named(new QLabel(options), "tab3lb1");
    optionsLayout->addWidget(tab3lb1, 2, 0, 1, 2);
    auto *periods = new QHBoxLayout;
    const std::pair<const char *, int> periodButtons[] = {
        {"tab3sb3", 0}, {"tab3sb4", 30}, {"tab3sb5", 60}, {"tab3sb6", 120}};
    QToolButton **targets[] = {&tab3sb3, &tab3sb4, &tab3sb5, &tab3sb6};
    for (int i = 0; i < 4; ++i) {
        QToolButton *button = toggle(periodButtons[i].first, options);
        button->setAutoExclusive(true);
        button->setProperty("Tag", periodButtons[i].second);
        *targets[i] = button;
        periods->addWidget(button);
    }
    optionsLayout->addLayout(periods, 3, 0, 1, 2);
    layout->addWidget(options);

    auto *devices = new QGroupBox(Impostazioni);
    auto *devicesLayout = new QGridLayout(devices);
    tab3lb2 = named(new QLabel(devices), "tab3lb2");
    tab3lb2->setAlignment(Qt::AlignCenter);
    devicesLayout->addWidget(tab3lb2, 0, 0, 1, 2);
    ListView1 = named(new QTreeWidget(devices), "ListView1");
    ListView1->setRootIsDecorated(false);
    devicesLayout->addWidget(ListView1, 1, 0, 4, 1);
    regSenseBtn_tab5 = named(new QPushButton(devices), "regSenseBtn_tab5");
    reloadbutTab3 = named(new QPushButton(devices), "reloadbutTab3");
    updtime = named(new QPushButton(devices), "updtime");
    devicesLayout->addWidget(regSenseBtn_tab5, 1, 1);
    devicesLayout->addWidget(reloadbutTab3, 2, 1);
    devicesLayout->addWidget(updtime, 3, 1);
    auto *language = new QHBoxLayout;
    tab3lb3 = named(new QLabel(devices), "tab3lb3");
    sel_language = named(new QComboBox(devices), "sel_language");
    sel_language->addItems({QStringLiteral("English"), QStringLiteral("Italiano")});
    sel_language->setEditable(false);
    language->addWidget(tab3lb3);
    language->addWidget(sel_language);
    language->addStretch();
    devicesLayout->addLayout(language, 5, 0, 1, 2);
    devicesLayout->setRowStretch(4, 1);
    Image13 = named(new BusyIndicator(devices), "Image13");
    devicesLayout->addWidget(Image13, 4, 1, Qt::AlignCenter);
    layout->addWidget(devices, 1);
    layout->setStretch(0, 0);
}

void TForm1::buildNetworkTab()
{
    auto *layout = new QVBoxLayout(network);
    auto *router = new QGroupBox(network);
    auto *routerLayout = new QGridLayout(router);
    tab4lb1 = named(new QLabel(router), "tab4lb1");
    tab4lb1->setAlignment(Qt::AlignCenter);
    tab4sb1 = toggle("tab4sb1", router);
    lblnetname = named(new QLabel(router), "lblnetname");
    EditNetName = named(new QLineEdit(router), "EditNetName");
    lblpassphrase = named(new QLabel(router), "lblpassphrase");
    EditPassPhrase = named(new QLineEdit(router), "EditPassPhrase");
    routerLayout->addWidget(tab4lb1, 0, 0, 1, 2);
    routerLayout->addWidget(tab4sb1, 1, 0, 1, 2);
    routerLayout->addWidget(lblnetname, 2, 0);
    routerLayout->addWidget(EditNetName, 2, 1);
    routerLayout->addWidget(lblpassphrase, 3, 0);
    routerLayout->addWidget(EditPassPhrase, 3, 1);
    layout->addWidget(router);

    auto *address = new QGroupBox(network);
    auto *addressLayout = new QGridLayout(address);
    tab4sb2 = toggle("tab4sb2", address);
    lblipadress = named(new QLabel(address), "lblipadress");
    EditIpaddress = named(new QLineEdit(address), "EditIpaddress");
    lblgateway = named(new QLabel(address), "lblgateway");
    EditGateway = named(new QLineEdit(address), "EditGateway");
    lbldns = named(new QLabel(address), "lbldns");
    EditDNS = named(new QLineEdit(address), "EditDNS");
    addressLayout->addWidget(tab4sb2, 0, 0, 1, 2);
    addressLayout->addWidget(lblipadress, 1, 0);
    addressLayout->addWidget(EditIpaddress, 1, 1);
    addressLayout->addWidget(lblgateway, 2, 0);
    addressLayout->addWidget(EditGateway, 2, 1);
    addressLayout->addWidget(lbldns, 3, 0);
    addressLayout->addWidget(EditDNS, 3, 1);
    layout->addWidget(address);

    Tab4Label1 = named(new QLabel(network), "Tab4Label1");
    Tab4Label1->setAlignment(Qt::AlignCenter);
    Tab4Label1->setTextFormat(Qt::PlainText); // it may name a device as the device named itself
    QFont bold = Tab4Label1->font();
    bold.setBold(true);
    Tab4Label1->setFont(bold);
    layout->addWidget(Tab4Label1);
    auto *buttons = new QHBoxLayout;
    Image14 = named(new BusyIndicator(network), "Image14");
    SendBtnTab4 = named(new QPushButton(network), "SendBtnTab4");
    ReloadBtnTab4 = named(new QPushButton(network), "ReloadBtnTab4");
    FindDevBtnTab4 = named(new QPushButton(network), "FindDevBtnTab4");
    buttons->addWidget(Image14);
    buttons->addStretch();
    buttons->addWidget(SendBtnTab4);
    buttons->addWidget(ReloadBtnTab4);
    buttons->addWidget(FindDevBtnTab4);
    layout->addLayout(buttons);
    layout->addStretch();
}

void TForm1::connectControls()
{
    // User actions connect to clicked/activated, never to currentIndexChanged;
    // the option buttons connect to toggled, and the program sets them with
    // setCheckedQuietly: controls that the program sets run no handler.
    // Every handler that may reach the link runs guarded: what it throws goes
    // to appException, not up the event loop.
    connectSession();
    connectGuarded(Timer_startup, &QTimer::timeout, this, &TForm1::Timer_startupTimer);
    connectGuarded(autoupdtm, &QTimer::timeout, this, &TForm1::autoupdtmTimer);

    connectGuarded(reloadbutTab1, &QPushButton::clicked, this, &TForm1::reloadbutTab1Click);
    connectGuarded(Tab1setunit, &QPushButton::clicked, this, &TForm1::Tab1setunitClick);
    connectGuarded(Tab1setall, &QPushButton::clicked, this, &TForm1::Tab1setallClick);
    connectGuarded(Tab1PanelList, &QTreeView::doubleClicked, this, &TForm1::Tab1PanelListDblClick);
    // Option buttons run their handler on `toggled`: a change by mouse, keyboard
    // or an assistive tool's toggle action alike. The program sets them quietly.
    for (QToolButton *button : {tab3sb3, tab3sb4, tab3sb5, tab3sb6})
        connect(button, &QToolButton::toggled, this, [this, button](bool down) {
            if (down)
                guarded(*session, button, [this, button] { tab3sb3Click(button->property("Tag").toInt()); });
        });
    connectGuarded(reloadbutTab3, &QPushButton::clicked, this, &TForm1::reloadbutTab3Click);
    connectGuarded(tab3sb1, &QToolButton::toggled, this, &TForm1::tab3sb1Click);
    connectGuarded(tab3bt1, &QPushButton::clicked, this, &TForm1::tab3bt1Click);
    connectGuarded(tab3sb2, &QToolButton::toggled, this, &TForm1::tab3sb2Click);
    connectGuarded(tab3sb7, &QToolButton::toggled, this, &TForm1::tab3sb7Click);
    connectGuarded(updtime, &QPushButton::clicked, this, &TForm1::updtimeClick);
    connect(sel_language, &QComboBox::activated, this, [this](int index) {
        guarded(*session, sel_language, [this, index] { sel_languageChange(index); });
    });
    connectGuarded(tab4sb1, &QToolButton::toggled, this, &TForm1::chgNetType);
    connectGuarded(tab4sb2, &QToolButton::toggled, this, &TForm1::tab4sb2Click);
    connectGuarded(SendBtnTab4, &QPushButton::clicked, this, &TForm1::SendBtnTab4Click);
    connectGuarded(ReloadBtnTab4, &QPushButton::clicked, this, &TForm1::ReloadBtnTab4Click);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this](int index) { guarded(*session, PageControl1, [this, index] { onTabChanged(index); }); });
    connectDeviceControls();
}

void TForm1::onTabChanged(int index)
{
    if (currentTab == 0 && index != 0)
        InfoHide();
    currentTab = index;
    switch (index) {
    case 0:
        InfoShow();
        break;
    case 1:
        ImpostazioniShow();
        break;
    case 2:
        networkShow();
        break;
    case 3:
        helpShow();
        break;
    default:
        break;
    }
}
