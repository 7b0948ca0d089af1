// Device discovery: listening for the modules' announcements, then visiting
// every device heard to ask its name.
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Guarded.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"
#include "shell/form/waitUnit.h"

#include "link/Intervals.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUdpSocket>

namespace {

// Datagrams handled in one pass before the window gets its turn.
constexpr int MaxBeaconsPerPass = 256;

} // namespace

void TForm1::FindDevBtnTab4Click()
{
    Memo1->clear();
    heard.clear();
    finddevList.Clear();
    newdevfind = 0;
    moduleReadOwed = false;

    if (!IdUDPServer1) {
        IdUDPServer1 = new QUdpSocket(this);
        IdUDPServer1->setObjectName(QStringLiteral("IdUDPServer1"));
        connect(IdUDPServer1, &QUdpSocket::readyRead, this, &TForm1::readBeacons);
    }
    IdUDPServer1->close();
    if (!IdUDPServer1->bind(QHostAddress::AnyIPv4, discoveryPort,
                            QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        log(QStringLiteral("UDP port %1 not opened: %2").arg(discoveryPort).arg(IdUDPServer1->errorString()));

    Timer_finddev->setInterval(intervals().findDevice);
    Timer_finddev->start();
    findDeviceActive = true;

    if (Twaitform *wait = dialogs.waitform)
        prompts().exec(wait);

    prompts().info(this, texts.value(14), texts.value(13) + QString::number(newdevfind));
    log(QStringLiteral("Sensori trovati ") + QString::number(newdevfind));
}

// One bounded pass: a flood of datagrams must not hold the window. What is
// left waits for the next pass.
void TForm1::readBeacons()
{
    if (!IdUDPServer1 || IdUDPServer1->state() != QAbstractSocket::BoundState)
        return;
    QElapsedTimer pass;
    pass.start();
    for (int count = 0; count < MaxBeaconsPerPass && IdUDPServer1->hasPendingDatagrams(); ++count) {
        const QNetworkDatagram datagram = IdUDPServer1->receiveDatagram(discovery::MaxDatagram);
        guarded(*session, IdUDPServer1,
                [&] { IdUDPServer1UDPRead(datagram.data(), datagram.senderAddress().toString()); });
        if (pass.elapsed() >= intervals().readPass)
            break;
    }
    if (IdUDPServer1->state() == QAbstractSocket::BoundState && IdUDPServer1->hasPendingDatagrams())
        QTimer::singleShot(0, this, &TForm1::readBeacons);
}

void TForm1::IdUDPServer1UDPRead(const QByteArray &payload, const QString &sender)
{
    if (!discovery::isBeacon(payload))
        return;
    switch (heard.add(sender)) {
    case discovery::Heard::Result::Added:
        Memo1->appendPlainText(sender);
        break;
    case discovery::Heard::Result::FirstOverLimit:
        log(QStringLiteral("more than %1 devices heard: the rest ignored").arg(discovery::MaxHeard));
        break;
    case discovery::Heard::Result::Repeated:
    case discovery::Heard::Result::OverLimit:
        break;
    }
}

void TForm1::Timer_finddevTimer()
{
    if (IdUDPServer1)
        IdUDPServer1->close();
    Timer_finddev->stop();
    // Being heard makes an address worth a visit, not the active device: any
    // sender can claim the module's word.
    for (const QString &address : heard.addresses())
        finddevList.Add(address, QString());
    heard.clear();
    Memo1->clear();
    addrequestName();
}

// Called when the listening window ends and whenever the link closes: the
// visit before, if any, is over; the next address heard is visited.
void TForm1::addrequestName()
{
    if (!searchVisit.isEmpty()) {
        log(QStringLiteral("no name from ") + searchVisit);
        searchVisit.clear();
        // The last visit got no name: the search ends here, as a name would have ended it.
        if (finddevList.isEmpty()) {
            session->setLinkHost(ipSensor);
            namesDone();
            if (moduleReadOwed) {
                // The device that became active still has its module read, on a link of its own.
                moduleReadOwed = false;
                session->queueModuleRead();
                session->openConnection(true, protocol::Reopens);
            }
            return;
        }
    }
    if (finddevList.isEmpty())
        return;
    const QString address = finddevList.Get(0)->ipdev;
    session->setLinkHost(address);
    searchVisit = address;
    session->TaskList.Add_addr(Code::DeviceName, 0, {}, TaskOrigin::Search);
    finddevList.RemoveHead();
    session->openConnection(true, protocol::Reopens);
}

bool TForm1::skipFailedVisit(const QString &host)
{
    if (searchVisit.isEmpty() || host != searchVisit)
        return false;
    // An address that any sender could have claimed is not worth a message; its name request
    // goes with it. Other tasks for that address are not the search's: they wait for its next
    // link, or are reported when the link moves on.
    for (int i = session->TaskList.Count() - 1; i >= 0; --i)
        if (const TtaskRecord *task = session->TaskList.Get(i);
            task->host == host && task->origin == TaskOrigin::Search)
            session->TaskList.Delete(i);
    addrequestName();
    return true;
}

void TForm1::nameArrived(const QString &name)
{
    if (findDeviceActive)
        addDevList(session->openHostName(), name);
    if (!searchVisit.isEmpty() && session->openHostName() == searchVisit) {
        searchVisit.clear();
        // Only a device that answered its visit becomes the active one; the
        // last one to answer also has its module read on the same link.
        ipSensor = session->openHostName();
        moduleReadOwed = !finddevList.isEmpty();
        if (!moduleReadOwed)
            session->queueModuleRead();
    }
    if (finddevList.isEmpty())
        namesDone();
}

void TForm1::namesDone()
{
    endSearchUnlessListening();
    for (const auto &device : devList)
        log(QStringLiteral("---> devlist :") + device->name + QLatin1Char(' ') + device->ipdev);
    fillDeviceList();
}

void TForm1::endSearchUnlessListening()
{
    // A link that closes while the search still listens (a late retry of an
    // earlier exchange) must not end it.
    if (finddevList.isEmpty() && !Timer_finddev->isActive())
        findDeviceActive = false;
}
