// How long the window stops answering while a search is flooded with beacons:
// 200 000 datagrams in 10 s from 2000 loopback senders, then the visits to the
// addresses kept (nothing listens there, so each is refused). Prints the
// longest gap between two ticks of a 1 ms timer, for the listening window and
// for the visits.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

namespace {

constexpr int Senders = 2000;
constexpr int Datagrams = 200000;
constexpr int FloodMs = 10000;
// Nothing listens on port 2000 there, and no test uses it.
const QString Before = QStringLiteral("127.0.0.132");

class FloodPrompts final : public Prompts
{
public:
    void error(QWidget *, const QString &, const QString &text) override { errors << text; }
    void info(QWidget *, const QString &, const QString &text) override { infos << text; }
    void message(QWidget *, const QString &, const QString &text) override { infos << text; }
    int exec(QDialog *) override { return during ? during() : 0; }

    std::function<int()> during;
    QStringList errors;
    QStringList infos;
};

// The n-th sender: 127.1.0.1 to 127.1.7.250, all on the loopback interface.
in_addr senderAddress(int n)
{
    in_addr address{};
    address.s_addr = htonl((127u << 24) | (1u << 16) | (unsigned(n / 250) << 8) | unsigned(n % 250 + 1));
    return address;
}

// Sends the flood from another thread at an even pace; each datagram leaves
// from its sender's address (IP_PKTINFO), so one socket stands for all 2000.
int flood(quint16 port, std::atomic<bool> &stop)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const QByteArray payload = QByteArray("\x00\x01\x02", 3) + "WiFly-GSX flood 2.23";
    int sent = 0;
    const auto start = std::chrono::steady_clock::now();
    while (sent < Datagrams && !stop) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const int due = int(std::min<qint64>(Datagrams, qint64(Datagrams) * elapsed.count() / FloodMs));
        for (; sent < due; ++sent) {
            iovec data{const_cast<char *>(payload.constData()), size_t(payload.size())};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
            msghdr message{};
            message.msg_name = &target;
            message.msg_namelen = sizeof target;
            message.msg_iov = &data;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr *header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = IPPROTO_IP;
            header->cmsg_type = IP_PKTINFO;
            header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_spec_dst = senderAddress(sent % Senders);
            std::memcpy(CMSG_DATA(header), &info, sizeof info);
            ::sendmsg(fd, &message, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(fd);
    return sent;
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, 0) ? probe.localPort() : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    loadLanguage(0);
    FloodPrompts prompts;
    setPrompts(&prompts);
    intervals().findDevice = FloodMs + 1000; // the window ends just after the flood
    intervals().retry = 10;                  // a refused visit goes on at once

    createForms();
    TForm1 *form = forms().Form1;
    form->resetControllerState();
    form->setupUnitListColumns();
    form->autoupdvalue = 0;
    form->ipSensor = Before;
    form->discoveryPort = freeUdpPort();

    qint64 listeningGap = 0;
    qint64 visitingGap = 0;
    int sent = 0;
    prompts.during = [&] {
        std::atomic<bool> stop{false};
        std::thread sender([&] { sent = flood(form->discoveryPort, stop); });
        QEventLoop loop;
        QElapsedTimer since;
        since.start();
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QElapsedTimer total;
        total.start();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 gap = since.restart();
            qint64 &worst = form->Timer_finddev->isActive() ? listeningGap : visitingGap;
            worst = std::max(worst, gap);
            const bool idle = form->session->state() == LinkState::Idle && form->session->TaskList.isEmpty();
            if ((!form->Timer_finddev->isActive() && !form->findDeviceActive && idle) ||
                total.elapsed() > 180000)
                loop.quit();
        });
        tick.start();
        loop.exec();
        stop = true;
        sender.join();
        return 1;
    };
    form->FindDevBtnTab4Click();

    const QStringList log = form->Memo2->toPlainText().split(QLatin1Char('\n'));
    std::printf("Beacon flood: %d datagrams in %d s from %d loopback senders\n", sent, FloodMs / 1000,
                Senders);
    std::printf("longest event-loop gap: listening %lld ms, visiting %lld ms\n", qlonglong(listeningGap),
                qlonglong(visitingGap));
    std::printf("visited %lld addresses; %s; active device %s\n",
                qlonglong(log.filter(QStringLiteral("no name from")).size()),
                qPrintable(prompts.infos.value(0)), qPrintable(form->ipSensor));
    for (const QString &error : prompts.errors)
        std::printf("error shown: %s\n", qPrintable(error));
    destroyForms();
    setPrompts(nullptr);
    return 0;
}
