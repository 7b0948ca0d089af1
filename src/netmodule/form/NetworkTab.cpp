// The network tab: how the device is reached, and reading and writing the
// network settings of its Wi-Fi module.
#include "netmodule/ModuleValues.h"
#include "session/ControllerSession.h"
#include "shell/StatusLine.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <initializer_list>

namespace {

void showAddressControls(const TForm1 &form, bool visible)
{
    for (QWidget *control :
         std::initializer_list<QWidget *>{form.lblipadress, form.EditIpaddress, form.lblgateway,
                                          form.EditGateway, form.lbldns, form.EditDNS})
        control->setVisible(visible);
}

} // namespace

void TForm1::networkShow()
{
    setCheckedQuietly(tab4sb1, netType == 0);
    showNetworkFields();
    // Only here: clicking "Use DHCP" or a read changes what is shown, not what is editable.
    const bool dhcp = tab4sb2->isChecked();
    for (QLineEdit *edit : {EditIpaddress, EditGateway, EditDNS})
        edit->setEnabled(!dhcp);
    if (!dhcp && session->connectOK)
        readNetworkSettings();
}

void TForm1::chgNetType()
{
    netType = tab4sb1->isChecked() ? 0 : 1;
    showNetworkFields();
}

void TForm1::tab4sb2Click()
{
    showAddressFields();
}

void TForm1::readNetworkSettings()
{
    const QString host = netmodule::readHost(tab4sb1->isChecked(), ipSensor);
    moduleLostFrom.clear();
    statusChanged();
    session->setLinkHost(host);
    Tab4Label1->setText(texts.value(161) + host);
    session->queueModuleRead();
    session->openConnection(true, protocol::Reopens);
}

void TForm1::ReloadBtnTab4Click()
{
    // With a fixed address the module is read where the user typed it, and
    // that becomes the active device; a half-typed field would be saved at
    // close and fail every later exchange.
    if (!tab4sb2->isChecked() && netmodule::isDottedIPv4(EditIpaddress->text()))
        ipSensor = EditIpaddress->text();
    readNetworkSettings();
}

void TForm1::SendBtnTab4Click()
{
    // Refused before the password is asked; the session checks again the values it queues.
    if (const QString why = session->moduleWriteRefusal(); !why.isEmpty()) {
        prompts().error(this, texts.value(14), why);
        return;
    }
    if (!passwordGate())
        return;
    moduleLostFrom.clear();
    statusChanged();
    if (const QString why = session->sendNetworkSettings(); !why.isEmpty())
        prompts().error(this, texts.value(14), why);
}

void TForm1::moduleExchangeLost(const QString &host, bool write)
{
    const QString name = deviceName(host);
    moduleLostFrom = name.isEmpty() ? host : name;
    moduleWriteLost = write;
    const QString why = status::moduleFailureText(write, moduleLostFrom, lang_act);
    Tab4Label1->setText(why);
    statusChanged();
    prompts().error(this, texts.value(14), why);
}

void TForm1::showNetworkFields()
{
    const bool deviceNetwork = tab4sb1->isChecked();
    for (QWidget *control :
         std::initializer_list<QWidget *>{lblnetname, EditNetName, lblpassphrase, EditPassPhrase, tab4sb2})
        control->setVisible(!deviceNetwork);
    if (deviceNetwork)
        showAddressControls(*this, false);
    else
        showAddressFields();
}

void TForm1::showAddressFields()
{
    showAddressControls(*this, !tab4sb2->isChecked());
}
