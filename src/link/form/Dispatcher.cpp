// The response dispatcher of the main window: the one place where the
// device's answers are interpreted.
#include "devices/form/RegisterSensorUnit.h"
#include "link/Frame.h"
#include "schedules/Program.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"

#include <QLabel>
#include <QToolButton>

namespace {

QString bytesText(const QByteArray &data)
{
    return QString::fromLatin1(data);
}

} // namespace

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
    const QByteArray &data = packet.data;
    const int n = int(data.size());
    // A payload that does not fit the tables stores nothing but still ends the
    // wait, so the exchange goes on.
    const auto reject = [this, &packet](const QString &reason) {
        log(QStringLiteral("rcv %1 ignored: %2").arg(packet.code).arg(reason));
        wait_responce = false;
    };
    const auto flag = [&data] { return quint8(data.at(0)); };

    switch (packet.code) {
    case 2: {
        if (n < 3)
            return reject(QStringLiteral("clock needs 3 bytes, got %1").arg(n));
        const int day = quint8(data.at(0));
        if (day < 1 || day > 7)
            return reject(QStringLiteral("day %1 is not 1 to 7").arg(day));
        current_time = QString::asprintf("%s %.2d:%.2d", qUtf8Printable(texts.value(day + 3)),
                                         quint8(data.at(1)), quint8(data.at(2)));
        tab3lb2->setText(texts.value(117) + QStringLiteral(" - ") + current_time);
        log(QStringLiteral("CURR TIME ") + current_time);
        wait_responce = false;
        fillUnitList();
        return;
    }
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 23:
    case 26:
    case 28:
        wait_responce = false;
        return;
    case 20:
        Tab4Label1->setText(QStringLiteral("%1 %2").arg(texts.value(11), ipSensor));
        connectOK = true;
        return;
    case 24:
        if (forms().RegSensor) {
            forms().RegSensor->MacAddress = bytesText(data);
            forms().RegSensor->MacAddressFrom = openHost;
        }
        log(QStringLiteral("MAC ADDR : ") + bytesText(data));
        wait_responce = false;
        return;
    case 25:
        if (findDeviceActive)
            addDevList(openHost, bytesText(data));
        wait_responce = false;
        if (finddevList.isEmpty()) {
            endSearchUnlessListening();
            for (const auto &device : devList)
                log(QStringLiteral("---> devlist :") + device->name + QLatin1Char(' ') + device->ipdev);
            fillDeviceList();
        }
        return;
    case 29: {
        const QString reason = units::storeOnline(unit_online, data);
        if (!reason.isEmpty())
            return reject(reason);
        wait_responce = false;
        queueUnitRequests();
        return;
    }
    case 30: {
        const QString reason = units::storeStatus(unit_par, data);
        if (!reason.isEmpty())
            return reject(reason);
        wait_responce = false;
        return;
    }
    case 34: {
        const QString reason = units::storeName(unit_par, data);
        if (!reason.isEmpty())
            return reject(reason);
        wait_responce = false;
        return;
    }
    case 31:
    case 32:
    case 33:
    case 35:
    case 36:
    case 37:
    case 38: {
        static const char *const names[] = {
            "SETREMCONTRLOCK", "SETREMCONTRUNLOCK",  "SETUNITSTATUS",        nullptr,
            "SETUNITNAME",     "SETALLREMCONTRLOCK", "SETALLREMCONTRUNLOCK", "SETALLUNITSTATUS"};
        log(QStringLiteral("rcv ") + QLatin1String(names[packet.code - 31]));
        wait_responce = false;
        return;
    }
    case 39:
    case 40:
        log(QStringLiteral(" RCV : ") + QString::fromLatin1(frame::hex2(packet.code)));
        wait_responce = false;
        return;
    case 41: {
        if (n < 2)
            return reject(QStringLiteral("schedule length needs 2 bytes, got %1").arg(n));
        const int adr = quint8(data.at(0));
        const int blocks = quint8(data.at(1));
        log(QStringLiteral("LENGTH PROG : %1").arg(blocks));
        if (blocks >= 1)
            queueFollowUp(48, adr);
        if (blocks >= 2)
            queueFollowUp(49, adr);
        if (blocks == 0)
            unitProgList.Clear();
        wait_responce = false;
        return;
    }
    case 48:
    case 49: {
        log(QStringLiteral(" PROG : %1 -->").arg(n) + QString::fromLatin1(data.toHex().toUpper()));
        if (packet.code == 48)
            unitProgList.Clear();
        for (const TprogRecord &entry : schedule::decodeBlock(data, packet.code == 49))
            addUnitProgEntry(entry.Time, entry.Temp, entry.Mode, entry.Fan);
        wait_responce = false;
        updateUnitProgListTemp();
        return;
    }
    case 50:
    case 53:
        if (n < 1)
            return reject(QStringLiteral("the flag is missing"));
        tab3sb1->setChecked(flag() != 0);
        use_password = flag() != 0;
        log((packet.code == 50 ? QStringLiteral("USE PWD : ") : QStringLiteral("RCV SET USE PWD : ")) +
            QString::number(flag()));
        wait_responce = false;
        return;
    case 51:
        BZ_password = bytesText(data);
        log(QStringLiteral("PWD : ") + BZ_password);
        wait_responce = false;
        return;
    case 52:
        log(QStringLiteral("RCV NEW PWD"));
        wait_responce = false;
        return;
    case 54:
    case 55:
        if (n < 1)
            return reject(QStringLiteral("the flag is missing"));
        tab3sb2->setChecked(flag() != 0);
        log(QStringLiteral("RCV WEB CONN : ") + QString::number(flag()));
        wait_responce = false;
        return;
    case 67:
        log(QStringLiteral("RCV UPWEB : "));
        wait_responce = false;
        return;
    case 68:
        if (n < 1)
            return reject(QStringLiteral("the flag is missing"));
        tab3sb7->setChecked(flag() != 0);
        log(QStringLiteral("USE ALARM : ") + QString::number(flag()));
        wait_responce = false;
        return;
    case 69:
        log(QStringLiteral("RCV ALARM "));
        wait_responce = false;
        return;
    case 70:
        if (n < 1)
            return reject(QStringLiteral("the lock value is missing"));
        lock_mode = flag();
        wait_responce = false;
        return;
    case 71:
        log(QStringLiteral("RCV LOCK MODE : ") + QString::number(lock_mode));
        wait_responce = false;
        return;
    default:
        return; // unlisted: ignored, the wait stays as it was
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
}

void TForm1::queueFollowUp(int task, int adr)
{
    TaskList.Add_addr(task, adr, {}, awaited.origin);
}
