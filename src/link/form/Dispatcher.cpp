// The response dispatcher of the main window: the one place where the
// device's answers are interpreted.
#include "devices/form/RegisterSensorUnit.h"
#include "link/Frame.h"
#include "link/Response.h"
#include "schedules/Program.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"

#include <QLabel>
#include <QToolButton>

void TForm1::processPackets()
{
    if (PktList.isEmpty())
        return;
    const TpktRecord packet = *PktList.Get(0);
    // A repeated or stray frame must not end the wait of the request it does not answer.
    if (frame::answersRequest(packet, wait_responce, awaited.code, awaited.addr))
        applyResponse(packet);
    else
        log(QStringLiteral("rcv %1 ignored: not the answer awaited").arg(packet.code));
    if (!PktList.isEmpty())
        PktList.RemoveHead();
    if (!TaskList.isEmpty())
        sendNextTask();
}

void TForm1::applyResponse(const TpktRecord &packet)
{
    const response::Reply reply = response::decode(packet);
    // A payload that does not fit the tables stores nothing but still ends the
    // wait, so the exchange goes on.
    const auto reject = [this, &packet](const QString &reason) {
        log(QStringLiteral("rcv %1 ignored: %2").arg(packet.code).arg(reason));
        wait_responce = false;
    };

    switch (reply.kind) {
    case response::Kind::Unlisted:
        return; // the wait stays as it was
    case response::Kind::Rejected:
        return reject(reply.reason);
    case response::Kind::Acknowledged:
        if (!reply.note.isEmpty())
            log(reply.note);
        wait_responce = false;
        return;
    case response::Kind::Clock:
        current_time = QString::asprintf("%s %.2d:%.2d", qUtf8Printable(texts.value(reply.day + 3)),
                                         reply.hour, reply.minute);
        tab3lb2->setText(texts.value(117) + QStringLiteral(" - ") + current_time);
        clockReadFrom = openHost;
        log(QStringLiteral("CURR TIME ") + current_time);
        wait_responce = false;
        fillUnitList();
        return;
    case response::Kind::Greeting:
        Tab4Label1->setText(QStringLiteral("%1 %2").arg(texts.value(11), ipSensor));
        connectOK = true;
        return;
    case response::Kind::MacAddress:
        if (forms().RegSensor) {
            forms().RegSensor->MacAddress = reply.text;
            forms().RegSensor->MacAddressFrom = openHost;
        }
        log(QStringLiteral("MAC ADDR : ") + reply.text);
        wait_responce = false;
        return;
    case response::Kind::DeviceName:
        wait_responce = false;
        nameArrived(reply.text);
        return;
    case response::Kind::UnitTable: {
        const QString reason = packet.code == 29   ? units::storeOnline(unit_online, reply.data)
                               : packet.code == 30 ? units::storeStatus(unit_par, reply.data)
                                                   : units::storeName(unit_par, reply.data);
        if (!reason.isEmpty())
            return reject(reason);
        wait_responce = false;
        if (packet.code == 29) {
            unitsReadFrom = openHost;
            queueUnitRequests();
        }
        return;
    }
    case response::Kind::ScheduleLength:
        log(QStringLiteral("LENGTH PROG : %1").arg(reply.blocks));
        if (reply.blocks >= 1)
            queueFollowUp(48, reply.unit);
        if (reply.blocks >= 2)
            queueFollowUp(49, reply.unit);
        if (reply.blocks == 0)
            unitProgList.Clear();
        wait_responce = false;
        return;
    case response::Kind::ScheduleBlock:
        log(QStringLiteral(" PROG : %1 -->").arg(packet.data.size()) +
            QString::fromLatin1(packet.data.toHex().toUpper()));
        if (packet.code == 48)
            unitProgList.Clear();
        for (const TprogRecord &entry : reply.entries)
            addUnitProgEntry(entry.Time, entry.Temp, entry.Mode, entry.Fan);
        wait_responce = false;
        updateUnitProgListTemp();
        return;
    case response::Kind::PasswordUse:
        setCheckedQuietly(tab3sb1, reply.flag);
        use_password = reply.flag;
        log((packet.code == 50 ? QStringLiteral("USE PWD : ") : QStringLiteral("RCV SET USE PWD : ")) +
            QString::number(reply.value));
        wait_responce = false;
        return;
    case response::Kind::Password:
        BZ_password = reply.text;
        log(QStringLiteral("PWD : ") + BZ_password);
        wait_responce = false;
        return;
    case response::Kind::WebConnection:
        setCheckedQuietly(tab3sb2, reply.flag);
        optionsReadFrom = openHost;
        log(QStringLiteral("RCV WEB CONN : ") + QString::number(reply.value));
        wait_responce = false;
        return;
    case response::Kind::AlarmUse:
        setCheckedQuietly(tab3sb7, reply.flag);
        log(QStringLiteral("USE ALARM : ") + QString::number(reply.value));
        wait_responce = false;
        return;
    case response::Kind::LockMode:
        lock_mode = quint8(reply.value);
        wait_responce = false;
        return;
    case response::Kind::LockModeSet:
        log(QStringLiteral("RCV LOCK MODE : ") + QString::number(lock_mode));
        wait_responce = false;
        return;
    }
}

void TForm1::queueUnitRequests()
{
    int queued = 0;
    for (int adr = 0; adr < UnitRecords; ++adr)
        if (unit_online[size_t(adr)] != 0) {
            queueFollowUp(30, adr);
            ++queued;
        }
    for (int adr = 0; adr < UnitRecords; ++adr)
        if (unit_online[size_t(adr)] != 0)
            queueFollowUp(34, adr);
    if (queued > 0)
        queueFollowUp(2, 0);
    else if (awaited.origin == TaskOrigin::Reload)
        fillUnitList(); // no clock request follows: the reload ends here, with no units
}

void TForm1::queueFollowUp(int task, int adr)
{
    TaskList.Add_addr(task, adr, {}, awaited.origin);
}
