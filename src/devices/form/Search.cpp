// Device discovery: listening for the modules' announcements, then visiting
// every device heard to ask its name.
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Guarded.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"
#include "shell/form/waitUnit.h"

#include "link/Intervals.h"

#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUdpSocket>

void TForm1::FindDevBtnTab4Click()
{
    Memo1->clear();
    finddevList.Clear();
    newdevfind = 0;

    if (!IdUDPServer1) {
        IdUDPServer1 = new QUdpSocket(this);
        IdUDPServer1->setObjectName(QStringLiteral("IdUDPServer1"));
        connect(IdUDPServer1, &QUdpSocket::readyRead, this, [this] {
            while (IdUDPServer1->hasPendingDatagrams()) {
                const QNetworkDatagram datagram = IdUDPServer1->receiveDatagram(discovery::MaxDatagram);
                guarded(*this, IdUDPServer1,
                        [&] { IdUDPServer1UDPRead(datagram.data(), datagram.senderAddress().toString()); });
            }
        });
    }
    IdUDPServer1->close();
    if (!IdUDPServer1->bind(QHostAddress::AnyIPv4, discoveryPort,
                            QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        log(QStringLiteral("UDP port %1 not opened: %2").arg(discoveryPort).arg(IdUDPServer1->errorString()));

    Timer_finddev->setInterval(intervals().findDevice);
    Timer_finddev->start();
    findDeviceActive = true;

    if (Twaitform *wait = forms().waitform)
        prompts().exec(wait);

    prompts().info(this, texts.value(14), texts.value(13) + QString::number(newdevfind));
    log(QStringLiteral("Sensori trovati ") + QString::number(newdevfind));
}

void TForm1::IdUDPServer1UDPRead(const QByteArray &payload, const QString &sender)
{
    if (!discovery::isBeacon(payload))
        return;
    QStringList heard = Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (discovery::addHeard(heard, sender))
        Memo1->appendPlainText(sender);
}

void TForm1::Timer_finddevTimer()
{
    if (IdUDPServer1)
        IdUDPServer1->close();
    Timer_finddev->stop();
    const QStringList heard = Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &address : heard) {
        setLinkHost(address);
        ipSensor = address;
        finddevList.Add(address, QString());
    }
    Memo1->clear();
    addrequestName();
}

void TForm1::addrequestName()
{
    if (finddevList.isEmpty())
        return;
    const QString address = finddevList.Get(0)->ipdev;
    setLinkHost(address);
    ipSensor = address;
    TaskList.Add_addr(25, 0, {}, TaskOrigin::Search);
    // The last device visited becomes the active one: read its module too.
    if (finddevList.Count() == 1)
        queueModuleRead();
    finddevList.RemoveHead();
    openConnection(true, 5);
}

void TForm1::endSearchUnlessListening()
{
    // A link that closes while the search still listens (a late retry of an
    // earlier exchange) must not end it.
    if (finddevList.isEmpty() && !Timer_finddev->isActive())
        findDeviceActive = false;
}
