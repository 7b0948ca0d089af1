// The request sender of the main window.
#include "devices/form/SensorNameUnit.h"
#include "link/Encoder.h"
#include "link/LinkFailure.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/UnitTable.h"
#include "units/form/setting.h"

#include <QLineEdit>
#include <QTcpSocket>
#include <QTimer>
#include <QToolButton>

void TForm1::sendNextTask()
{
    if (wait_responce)
        return;
    if (TaskList.isEmpty()) {
        log(QStringLiteral("--->FINITO"));
        // Only a link that carried the settings dialog's tasks to the end has sent them.
        const bool settingsSent = linkCarriedSetting;
        closeLink();
        if (settingsSent && forms().Form2)
            forms().Form2->setStatusBar(1);
        return;
    }

    const TtaskRecord task = *TaskList.Get(0);
    if (!task.host.isEmpty() && task.host != openHost) {
        // Queued for a device that could not be reached: it must not reach this one.
        log(QStringLiteral("drop task %1 queued for %2").arg(task.code).arg(task.host));
        TaskList.RemoveHead();
        return;
    }

    const Request request = encodeTask(task, task.values ? *task.values : requestSources());
    if (request.known) {
        if (task.origin == TaskOrigin::Setting)
            linkCarriedSetting = true;
        if (request.setsWait) {
            wait_responce = true;
            awaited = task;
        }
        if (request.cmdMode == CmdModeChange::Set)
            cmdMode = true;
        else if (request.cmdMode == CmdModeChange::Clear)
            cmdMode = false;
        for (const QString &line : request.log)
            log(line);
        writeToLink(request.bytes);
        // A device that accepts the link but never answers must not keep it open for ever.
        if (request.setsWait)
            armWatchdog();
    }
    TaskList.RemoveHead();
}

void TForm1::writeToLink(const QByteArray &bytes)
{
    if (!IdTCPClient1 || !linkOpen || IdTCPClient1->write(bytes) != bytes.size())
        throw LinkFailure("write failed");
    IdTCPClient1->flush();
}

RequestSources TForm1::requestSources() const
{
    RequestSources src;
    if (const TForm2 *settings = forms().Form2) {
        src.updateBuffer = settings->update_buffer;
        src.unitName = settings->Edit5->text();
    }
    if (const TSensorName *nameDialog = forms().SensorName)
        src.deviceName = nameDialog->Edit1->text();
    src.newPassword = BZ_newpassword;
    src.passwordToggle = tab3sb1->isChecked();
    src.webToggle = tab3sb2->isChecked();
    src.alarmToggle = tab3sb7->isChecked();
    src.lockMode = lock_mode;
    for (const TunitRecord &unit : unit_par)
        src.unitFans.append(char(unit.buffer[units::FanByte]));
    src.now = clockNow();
    src.program = unitProgList.entries();
    src.netName = EditNetName->text();
    src.passPhrase = EditPassPhrase->text();
    src.ipAddress = EditIpaddress->text();
    src.gateway = EditGateway->text();
    src.dns = EditDNS->text();
    src.dhcp = tab4sb2->isChecked();
    return src;
}

std::shared_ptr<const RequestSources> TForm1::requestSnapshot() const
{
    return std::make_shared<const RequestSources>(requestSources());
}
