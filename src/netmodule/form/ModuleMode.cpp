// The Wi-Fi module's command mode, as the main window drives it.
#include "shell/form/Controls.h"
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

void TForm1::showModuleReply(const netmodule::ReplyEffect &reply)
{
    fill(EditNetName, reply.netName);
    fill(EditPassPhrase, reply.passPhrase);
    fill(EditGateway, reply.gateway);
    fill(EditIpaddress, reply.ipAddress);
    fill(EditDNS, reply.dns);
    if (reply.dhcp)
        setCheckedQuietly(tab4sb2, *reply.dhcp); // a read, not a change: no handler runs
    if (reply.endsCommandMode) {
        if (Twaitform *wait = dialogs.waitform; wait && wait->isVisible())
            wait->accept();
        showAddressFields();
    }
}
