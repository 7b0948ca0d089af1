// The Wi-Fi module's command mode, as the main window drives it.
#include "netmodule/ModuleReply.h"
#include "shell/form/Controls.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/waitUnit.h"

#include <QLineEdit>
#include <QToolButton>

namespace {

void fill(QLineEdit *edit, const std::optional<QString> &value)
{
    if (value)
        edit->setText(*value);
}

} // namespace

void TForm1::parseModuleReply(const QByteArray &line)
{
    const netmodule::ReplyEffect reply = netmodule::parseReply(line);
    if (reply.endsWait)
        wait_responce = false;
    fill(EditNetName, reply.netName);
    fill(EditPassPhrase, reply.passPhrase);
    fill(EditGateway, reply.gateway);
    fill(EditIpaddress, reply.ipAddress);
    fill(EditDNS, reply.dns);
    if (reply.dhcp)
        setCheckedQuietly(tab4sb2, *reply.dhcp); // a read, not a change: no handler runs
    if (reply.endsCommandMode) {
        cmdMode = false;
        if (Twaitform *wait = forms().waitform; wait && wait->isVisible())
            wait->accept();
        showAddressFields();
    }
}

void TForm1::queueModuleRead()
{
    for (const Code task :
         {Code::ModuleEnter, Code::ModuleGetWlan, Code::ModuleGetIp, Code::ModuleGetDns, Code::ModuleExit})
        TaskList.Add(task);
}

void TForm1::sendNetworkSettings()
{
    // The last task hands the link back to the controller; nothing answers it.
    for (const Code task : {Code::ModuleEnter, Code::ModuleSetSsid, Code::ModuleSetPhrase, Code::ModuleSetIp,
                            Code::ModuleSetGateway, Code::ModuleSetDns, Code::ModuleSetDhcp, Code::ModuleSave,
                            Code::ModuleExit, Code::ModuleLeave})
        TaskList.Add(task);
    openConnection(true, protocol::Reopens);
}
