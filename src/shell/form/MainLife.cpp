// The main window's life: first show, the start-up reload and the close.
#include "session/ControllerSession.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/Controls.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QString settingsPath(const QString &appDir)
{
    return appDir + QStringLiteral("/brezzano.ini");
}

// One pane line per file line, replacing the file.
void savePane(const QPlainTextEdit *pane, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    file.write(pane->toPlainText().toUtf8());
    file.write("\n");
    file.commit();
}

} // namespace

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce) {
        shownOnce = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TForm1::FormShow()
{
    showBusy(true);
    appDir = QDir::currentPath();
    session->connectOK = false;

    IniFile ini;
    QString unread;
    settingsRead = ini.load(settingsPath(appDir), &unread);
    const AppSettings settings = readSettings(ini);
    ipSensor = settings.ipSensor;
    netType = settings.netType;
    const bool debug = settings.debug == 127;
    logPanes->setVisible(debug);
    debugLog = debug;
    lang_act = settings.language;
    loadLanguage(lang_act);
    speakQtLanguage(lang_act);
    applyCaptions();
    autoupdvalue = settings.autoUpdate;
    registrationBase = settings.registrationUrl;
    setCheckedQuietly(tab4sb1, netType == 0);
    showNetworkFields();

    session->TaskList.Clear();
    session->PktList.Clear();
    devList.Clear();
    finddevList.Clear();
    resetControllerState();
    setupUnitListColumns();
    model.unitProgList.Clear();
    findDeviceActive = false;
    session->cmdMode = false;
    setupDevListColumns();
    for (const auto &[name, ip] : settings.devices)
        devList.Add(ip, name);

    if (!settingsRead)
        prompts().error(this, texts.value(14),
                        unread + QLatin1Char('\n') + extraText(ExtraText::StartedWithDefaults));
    Timer_startup->start();
}

void TForm1::Timer_startupTimer()
{
    Timer_startup->stop();
    reloadUnitList();
}

void TForm1::FormClose()
{
    // A file that could not be read is left as it is, whatever it holds.
    if (!settingsRead || !keepSettings)
        return;
    const QString path = settingsPath(appDir.isEmpty() ? QDir::currentPath() : appDir);
    IniFile ini;
    QString error;
    if (!ini.load(path, &error)) {
        prompts().error(this, texts.value(14), error);
        return;
    }
    AppSettings settings;
    // The device chosen in the device list counts even when the network tab
    // never brought its toggle in line.
    settings.netType = netType == 0 ? 0 : 1;
    if (settings.netType == 0)
        ipSensor = DeviceNetworkAddress;
    settings.ipSensor = ipSensor;
    settings.autoUpdate = autoupdvalue;
    settings.language = lang_act;
    for (const auto &device : devList)
        settings.devices.emplace_back(device->name, device->ipdev);
    writeSettings(ini, settings);
    if (!ini.save(path, &error))
        prompts().error(this, texts.value(14), error);

    if (ini.readInteger(settingsSection(SettingsKey::Debug), settingsKey(SettingsKey::Debug), 0) == 127) {
        savePane(Memo2, appDir + QStringLiteral("/log1.txt"));
        savePane(Memo1, appDir + QStringLiteral("/log2.txt"));
    }
}
