// The site overview's poller against simulated controllers: the rows it makes of a site with a
// unit in fault and a controller that cannot be reached, and the one link a controller takes.
#include "Server.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "session/SitePoller.h"
#include "shell/Texts.h"
#include "support/FastIntervals.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

const QString Calm = QStringLiteral("127.0.0.163");
const QString Faulty = QStringLiteral("127.0.0.164");
const QString Gone = QStringLiteral("127.0.0.165"); // nothing listens there
const QString Active = QStringLiteral("127.0.0.166");

// How many links a simulated controller holds at once, at most.
struct LinkCount
{
    int now = 0;
    int most = 0;
    int total = 0;
    void watch(sim::Server &server)
    {
        QObject::connect(&server, &sim::Server::connectionAccepted, [this] {
            most = std::max(most, ++now);
            ++total;
        });
        QObject::connect(&server, &sim::Server::connectionClosed, [this] { --now; });
    }
};

const site::Row *rowOf(const site::Poller &poller, const QString &address)
{
    for (const site::Row &row : poller.rows())
        if (row.address == address)
            return &row;
    return nullptr;
}

} // namespace

class TestSite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useFastIntervals();
        intervals().siteTick = 50;
        loadLanguage(0);
    }

    // Three controllers, none of them the window's: one with a unit in fault first and red, the
    // unreachable one next, then the calm one; each state in the status bar's words.
    void rowsOfASite()
    {
        sim::Controller quiet = sim::Controller::builtinDefault();
        for (auto &[address, unit] : quiet.units)
            unit.faults = {};
        sim::Controller faulty = quiet;
        faulty.units.begin()->second.faults[0] = 0x01;
        sim::Server calm(quiet);
        sim::Server withFault(faulty);
        QVERIFY(calm.listen(QHostAddress(Calm), 2000));
        QVERIFY(withFault.listen(QHostAddress(Faulty), 2000));

        ControllerSession window;
        site::Poller poller(window);
        poller.setDevices({{QStringLiteral("Office"), Calm},
                           {QStringLiteral("Annex"), Gone},
                           {QStringLiteral("Lab"), Faulty}},
                          Active);
        poller.setPeriod(60);
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(poller.rows().begin(), poller.rows().end(),
                                             [](const site::Row &r) {
                                                 return r.updatedAt.isValid() ||
                                                        r.failure == status::Link::Unreachable;
                                             }),
                                 10000);

        const site::Row &lab = *rowOf(poller, Faulty);
        QCOMPARE(lab.online, int(faulty.units.size()));
        QCOMPARE(lab.faults, 1);
        QCOMPARE(rowOf(poller, Calm)->faults, 0);
        QVERIFY(rowOf(poller, Calm)->online > 0);
        const site::Row &annex = *rowOf(poller, Gone);
        QCOMPARE(annex.failure, status::Link::Unreachable);

        std::vector<QString> shown;
        for (int i : site::displayOrder(poller.rows()))
            shown.push_back(poller.rows()[size_t(i)].address);
        QCOMPARE(shown, (std::vector<QString>{Faulty, Gone, Calm}));
        QCOMPARE(status::controllerState(annex.failure, annex.failedAt, annex.updatedAt, 0),
                 QStringLiteral("Not reachable since ") + annex.failedAt.toString(QStringLiteral("HH:mm")));
        QCOMPARE(status::controllerState(lab.failure, lab.failedAt, lab.updatedAt, 1),
                 QStringLiteral("Aggiornato ") + lab.updatedAt.toString(QStringLiteral("HH:mm")));
    }

    // The active controller is read through the window's session only, and a controller the
    // window has a link to is not polled beside it: a module takes one link at a time.
    void oneLinkToAController()
    {
        sim::Server active(sim::Controller::builtinDefault());
        sim::Server other(sim::Controller::builtinDefault());
        other.faults.delayMs = 40; // the window's exchange there lasts a while
        QVERIFY(active.listen(QHostAddress(Active), 2000));
        QVERIFY(other.listen(QHostAddress(Calm), 2000));
        LinkCount atActive, atOther;
        atActive.watch(active);
        atOther.watch(other);

        ControllerSession window;
        window.sendOnOpen = true;
        site::Poller poller(window);
        int asked = 0;
        poller.reloadActive = [&] {
            ++asked;
            window.setLinkHost(Active);
            window.queueReload();
            window.openConnection(true, 1);
            return true;
        };
        poller.setDevices({{QStringLiteral("Active"), Active}, {QStringLiteral("Other"), Calm}}, Active);
        // The window reads the other controller first (as the network tab would); the poll waits.
        window.setLinkHost(Calm);
        window.queueReload();
        window.openConnection(true, 1);
        poller.setPeriod(1);
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(poller, Active)->updatedAt.isValid(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(rowOf(poller, Calm)->updatedAt.isValid(), 10000);
        QTest::qWait(2500); // more passes
        QCOMPARE(poller.sessionOf(Active), nullptr);
        QVERIFY(asked >= 1);
        QCOMPARE(atActive.most, 1);
        QCOMPARE(atOther.most, 1);
        QVERIFY(atOther.total >= 2); // the window's link and the poller's, one after the other
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "tst_site.moc"
