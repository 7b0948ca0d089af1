#pragma once

#include "devices/DevRecords.h"
#include "devices/Discovery.h"
#include "link/Records.h"
#include "netmodule/ModuleReply.h"
#include "schedules/Program.h"
#include "shell/StatusLine.h"
#include "shell/form/Dialogs.h"
#include "shell/form/WindowHost.h"
#include "units/Setting.h"
#include "units/UnitTable.h"

#include <QDateTime>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class BusyIndicator;
class HelpPane;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QUdpSocket;
class ControllerSession;
struct ControllerModel;
struct RequestSources;
class UnitPanelModel;
struct UnitRowLook;

// The main window: a view and driver of the controller session, and the hub of
// the dialogs. Its methods live in the subsystem folder that owns them:
//   link/form      following the session: its signals and the fields requests read
//   units/form     unit panel
//   schedules/form reading and showing a unit's schedule
//   devices/form   device list
//   netmodule/form module command mode, network tab
//   shell/form     building the window, start-up, settings file, captions, help
class TForm1 final : public QMainWindow, public WindowHost
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- controller link ------------------------------------------------
    // The session that talks to the active controller, and what it knows of it.
    ControllerSession *const session;
    ControllerModel &model;
    // The window's dialogs; the application's root builds them and sets these.
    Dialogs dialogs;
    // What requests read from the window's own fields and its dialogs'.
    void fillSources(RequestSources &src) const;
    void fillSettingSources(RequestSources &src) const; // the unit settings dialog's
    void fillDeviceSources(RequestSources &src) const;  // the device name typed
    void enablePages(bool value);
    void showBusy(bool value);
    void appException(QObject *sender, const QString &message);

    // ---- units ---------------------------------------------------------
    void resetControllerState();
    void setupUnitListColumns();
    // The headings in the current language; the rows stay.
    void unitListHeadings();
    void fillUnitList();
    void addUnitItem(int adr);
    void reloadUnitList();
    // A reload to `host` has requests waiting on the open link.
    bool reloadRunning(const QString &host) const;
    void reloadbutTab1Click();
    void Tab1setunitClick();
    void Tab1setallClick();
    void Tab1PanelListDblClick();
    static int Tab1PanelListCompare(const TunitRecord &item1, const TunitRecord &item2);
    void autoupdtmTimer();
    void tab3sb3Click(int tag);
    void InfoShow();
    void InfoHide();
    void ImpostazioniShow();
    static void Tab1PanelListAdvancedCustomDrawItem(UnitRowLook &look, int index, const TunitRecord &unit);
    std::vector<int> checkedUnitAddresses() const override; // the ticked rows' units, top to bottom
    void sendsetting(int par) override;
    // Tells the settings dialog and the status bar what of a sending did not reach the units.
    void reportUndelivered(const std::vector<TtaskRecord> &unsent);
    // True when the controller asks for no password, or the user typed it.
    bool passwordGate() override;
    void tab3sb1Click();
    void tab3bt1Click();
    void tab3sb2Click();
    void tab3sb7Click();
    void updtimeClick();

    // ---- schedules -----------------------------------------------------
    void getLengthProgramm(int adr);
    void updateUnitProgListTemp() override;
    void unitDialogOpen(bool open) override;
    QWidget *hostWidget() override { return this; }

    // ---- devices -------------------------------------------------------
    void addDevList(const QString &ip, const QString &name);
    void fillDeviceList();
    void reloadbutTab3Click();
    void refreshActiveDevice();
    void addrequestName();
    void FindDevBtnTab4Click();
    void IdUDPServer1UDPRead(const QByteArray &payload, const QString &sender);
    void Timer_finddevTimer();
    void endSearchUnlessListening();           // clears findDeviceActive once nothing is left to visit
    void listWindowProc(QTreeWidgetItem *row); // the check box of `row` changed
    void ListView1KeyDown(int key);
    void showRegistration();
    void connectDeviceControls();

    QUdpSocket *IdUDPServer1 = nullptr;            // bound only while a search listens
    quint16 discoveryPort = discovery::BeaconPort; // tests listen elsewhere
    QString registrationBase;                      // SENS/REGURL; empty: not configured

    // Response 25 on the open link.
    void nameArrived(const QString &name);
    // Nothing is left to visit: the search's results are shown.
    void namesDone();
    // A search visit to `host` that could not connect: true when the search went on without a message.
    bool skipFailedVisit(const QString &host);

    // The addresses of the current listening window.
    discovery::Heard heard;
    // The address a search visits now; empty between visits.
    QString searchVisit;
    // The active device answered before the search's last visit, which got no name.
    bool moduleReadOwed = false;

    // ---- network module ------------------------------------------------
    // A reply of the module in command mode, as the session applied it.
    void showModuleReply(const netmodule::ReplyEffect &reply);
    void networkShow();
    void chgNetType();
    void tab4sb2Click();
    void readNetworkSettings();
    void ReloadBtnTab4Click();
    void SendBtnTab4Click();
    // A module read or write cut short: said in the tab, a message and the status bar.
    void moduleExchangeLost(const QString &host, bool write);
    void showNetworkFields();
    void showAddressFields();

    // ---- shell ---------------------------------------------------------
    void FormShow();
    void FormClose();
    void Timer_startupTimer();
    void applyCaptions();
    void setupDevListColumns();
    void sel_languageChange(int index);
    void helpShow();
    void log(const QString &line); // one line to Memo2

    // ---- status bar ----------------------------------------------------
    // Called wherever the link, the unit panel or the reload countdown
    // changes; the status bar follows on the next pass of the event loop.
    void statusChanged();
    void refreshStatusBar();
    status::Facts statusFacts() const;
    // The settings tab says when its options and clock came from another device.
    void markSettingsSource();
    QString deviceName(const QString &address) const; // its name in the address book, if any

    // The computer's clock; tests replace it.
    std::function<QDateTime()> clockNow = [] { return QDateTime::currentDateTime(); };

    // ---- state (names as the protocol's vocabulary has them) -----------
    bool findDeviceActive = false;
    bool preventRecall = false;

    TdevRecordList devList;
    TdevRecordList finddevList;
    int newdevfind = 0;
    QString ipSensor;
    int netType = 0;

    QString appDir;
    int lang_act = 0;
    bool keepSettings = true; // false in a folder that cannot be written: the close writes nothing
    int autoupdvalue = 30;
    int autoupt_counter = 0;

    // ---- controls --------------------------------------------------------
    QTabWidget *PageControl1 = nullptr;
    QWidget *Info = nullptr;
    QWidget *Impostazioni = nullptr;
    QWidget *network = nullptr;
    QWidget *help = nullptr;
    QWidget *logPanes = nullptr; // holds Memo2 and Memo1
    bool debugLog = false;       // DEBUG=127: Memo2 keeps the lines; otherwise nothing accumulates
    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;

    QTimer *Timer_finddev = nullptr;
    QTimer *Timer_startup = nullptr;
    QTimer *autoupdtm = nullptr;

    // Unit panel.
    QPushButton *reloadbutTab1 = nullptr;
    QPushButton *Tab1setunit = nullptr;
    QPushButton *Tab1setall = nullptr;
    QTreeView *Tab1PanelList = nullptr;
    UnitPanelModel *Tab1PanelModel = nullptr; // its rows
    BusyIndicator *Image11 = nullptr;

    // Settings tab.
    QToolButton *tab3sb1 = nullptr;
    QToolButton *tab3sb2 = nullptr;
    QToolButton *tab3sb7 = nullptr;
    QPushButton *tab3bt1 = nullptr;
    QLabel *tab3lb1 = nullptr;
    QToolButton *tab3sb3 = nullptr;
    QToolButton *tab3sb4 = nullptr;
    QToolButton *tab3sb5 = nullptr;
    QToolButton *tab3sb6 = nullptr;
    QLabel *tab3lb2 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QPushButton *regSenseBtn_tab5 = nullptr;
    QPushButton *reloadbutTab3 = nullptr;
    QPushButton *updtime = nullptr;
    QLabel *tab3lb3 = nullptr;
    QComboBox *sel_language = nullptr;
    BusyIndicator *Image13 = nullptr;

    // Network tab.
    QLabel *tab4lb1 = nullptr;
    QToolButton *tab4sb1 = nullptr;
    QLabel *lblnetname = nullptr;
    QLineEdit *EditNetName = nullptr;
    QLabel *lblpassphrase = nullptr;
    QLineEdit *EditPassPhrase = nullptr;
    QToolButton *tab4sb2 = nullptr;
    QLabel *lblipadress = nullptr;
    QLineEdit *EditIpaddress = nullptr;
    QLabel *lblgateway = nullptr;
    QLineEdit *EditGateway = nullptr;
    QLabel *lbldns = nullptr;
    QLineEdit *EditDNS = nullptr;
    QLabel *Tab4Label1 = nullptr;
    QPushButton *SendBtnTab4 = nullptr;
    QPushButton *ReloadBtnTab4 = nullptr;
    QPushButton *FindDevBtnTab4 = nullptr;
    BusyIndicator *Image14 = nullptr;

    // Help tab.
    HelpPane *helpPane = nullptr; // holds the viewer AcroPDF1

    // Status bar.
    QLabel *statusDevice = nullptr;
    QLabel *statusLink = nullptr;
    QLabel *statusPanel = nullptr;
    QLabel *statusReload = nullptr;

Q_SIGNALS:
    // After a switch of language: windows built beside this one follow it.
    void languageChanged(int lang);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi();
    void readBeacons();
    void buildInfoTab();
    void buildSettingsTab();
    void buildNetworkTab();
    void buildStatusBar();
    void connectControls();
    void onTabChanged(int index);
    void connectSession();
    void settingsWritten();                                          // the settings dialog says so
    void macAddressArrived(const QString &mac, const QString &host); // for the registration dialog

    bool shownOnce = false;
    bool settingsRead = false;  // brezzano.ini was read at start (or was missing): the close may write it
    bool reloadPending = false; // a reload waits for the panel to be filled
    QDateTime reloadFailedAt;
    QDateTime panelFilledAt;
    int panelUnits = 0;
    int panelFaults = 0;
    QString panelFrom;       // the device whose units the panel shows
    QString undeliveredNote; // what a lost link kept from the units, by name, until a newer sending
    QString moduleLostFrom;  // by name or address, whose module read or write was cut short
    bool moduleWriteLost = false;
    bool statusQueued = false;
    int currentTab = 0;
};
