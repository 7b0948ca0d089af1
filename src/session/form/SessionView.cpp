// The main window as a view of the controller session: what it shows when the
// session reports, and the fields of its own that requests read.
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "shell/form/BusyIndicator.h"
#include "shell/form/Controls.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

void TForm1::connectSession()
{
    ControllerSession *s = session;
    s->clockNow = [this] { return clockNow(); };
    s->fillSources = [this](RequestSources &src) { fillSources(src); };
    s->skipFailedVisit = [this](const QString &host) { return skipFailedVisit(host); };

    connect(s, &ControllerSession::logLine, this, &TForm1::log);
    connect(s, &ControllerSession::statusChanged, this, &TForm1::statusChanged);
    connect(s, &ControllerSession::linkStateChanged, this, &TForm1::statusChanged);
    connect(s, &ControllerSession::busyChanged, this, &TForm1::showBusy);
    connect(s, &ControllerSession::linkOpened, this, [this] { enablePages(false); });
    connect(s, &ControllerSession::linkClosed, this, [this] {
        enablePages(true);
        endSearchUnlessListening();
        addrequestName();
    });
    connect(s, &ControllerSession::connectOKChanged, this, [this](bool ok) {
        if (ok)
            Tab4Label1->setText(QStringLiteral("%1 %2").arg(texts.value(11), ipSensor));
        else
            Tab4Label1->clear();
    });
    connect(s, &ControllerSession::failed, this,
            [this](int text) { prompts().error(this, texts.value(14), texts.value(text)); });
    connect(s, &ControllerSession::handlerFailed, this, [this](const QString &message) {
        prompts().error(this, texts.value(14), texts.value(163) + QStringLiteral("\n\r") + message);
    });
    connect(s, &ControllerSession::undelivered, this, &TForm1::reportUndelivered);
    connect(s, &ControllerSession::settingsWritten, this, &TForm1::settingsWritten);
    connect(s, &ControllerSession::macAddressRead, this, &TForm1::macAddressArrived);
    connect(s, &ControllerSession::unitsChanged, this, &TForm1::fillUnitList);
    connect(s, &ControllerSession::clockChanged, this,
            [this] { tab3lb2->setText(texts.value(117) + QStringLiteral(" - ") + model.current_time); });
    connect(s, &ControllerSession::scheduleChanged, this, &TForm1::updateUnitProgListTemp);
    connect(s, &ControllerSession::passwordUseRead, this,
            [this](bool on) { setCheckedQuietly(tab3sb1, on); });
    connect(s, &ControllerSession::webConnectionRead, this,
            [this](bool on) { setCheckedQuietly(tab3sb2, on); });
    connect(s, &ControllerSession::alarmUseRead, this, [this](bool on) { setCheckedQuietly(tab3sb7, on); });
    connect(s, &ControllerSession::deviceNameRead, this, &TForm1::nameArrived);
    connect(s, &ControllerSession::moduleReplyRead, this, &TForm1::showModuleReply);
    connect(s, &ControllerSession::moduleExchangeLost, this, &TForm1::moduleExchangeLost);
}

void TForm1::fillSources(RequestSources &src) const
{
    fillSettingSources(src);
    fillDeviceSources(src);
    src.passwordToggle = tab3sb1->isChecked();
    src.webToggle = tab3sb2->isChecked();
    src.alarmToggle = tab3sb7->isChecked();
    src.netName = EditNetName->text();
    src.passPhrase = EditPassPhrase->text();
    src.ipAddress = EditIpaddress->text();
    src.gateway = EditGateway->text();
    src.dns = EditDNS->text();
    src.dhcp = tab4sb2->isChecked();
}

void TForm1::enablePages(bool value)
{
    PageControl1->setEnabled(value);
}

void TForm1::showBusy(bool value)
{
    Tab1PanelList->setVisible(!value);
    for (BusyIndicator *busy : {Image11, Image13, Image14}) {
        busy->setVisible(value);
        if (value)
            busy->start();
        else
            busy->stop();
    }
}

void TForm1::appException(QObject *sender, const QString &message)
{
    session->appException(sender, message);
}

void TForm1::log(const QString &line)
{
    // A hidden pane would only hold memory that nobody reads or saves.
    if (!debugLog)
        return;
    Memo2->appendPlainText(line);
}
