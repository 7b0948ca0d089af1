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
    for (const int task : {1, 162, 163, 164, 101})
        TaskList.Add(task);
}

void TForm1::sendNetworkSettings()
{
    // The last task hands the link back to the controller; nothing answers it.
    for (const int task : {1, 166, 167, 168, 169, 170, 171, 99, 101, 100})
        TaskList.Add(task);
    openConnection(true, 5);
}
