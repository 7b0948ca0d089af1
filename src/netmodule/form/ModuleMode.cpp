// The Wi-Fi module's command mode, as the main window drives it.
#include "shell/form/Main.h"

void TForm1::parseModuleReply(const QByteArray &line)
{
    // Replies of the module's command mode are interpreted once the network
    // tab reads and writes them; until then a line in command mode is only logged.
    Q_UNUSED(line);
}

void TForm1::queueModuleRead()
{
    for (int task : {1, 162, 163, 164, 101})
        TaskList.Add(task);
}
