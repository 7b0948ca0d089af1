// Module reads and writes over loopback against the device simulator, and
// what follows when the module leaves a reply out.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/StatusLine.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QStringList ReadOnWire{"<- $$$",     "-> CMD",     "<- get wlan", "-> Passphrase=", "<- get ip",
                             "-> BACKUP=", "<- get dns", "-> Backup=",  "<- exit",        "-> EXIT"};

} // namespace

class TestModuleExchange : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowsUnderTest> windows;
    TForm1 *form = nullptr;

    void waitForIdle(int timeout = 8000) { QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), timeout); }

    // A read of the module at `host` on the local network, as "Update" with DHCP on starts it.
    void readAt(const QString &host)
    {
        form->ipSensor = host;
        form->tab4sb1->setChecked(false);
        form->tab4sb2->setChecked(true);
        form->ReloadBtnTab4->click();
    }

    void clearFields()
    {
        for (QLineEdit *edit :
             {form->EditNetName, form->EditPassPhrase, form->EditIpaddress, form->EditGateway, form->EditDNS})
            edit->clear();
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        windows = std::make_unique<WindowsUnderTest>();
        form = windows->form;
    }

    void cleanup() { windows.reset(); }

    void readWriteAndReadAgain()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.144")));
        readAt(QStringLiteral("127.0.0.144"));
        QTRY_VERIFY_WITH_TIMEOUT(logHas(*form, QStringLiteral("--->FINITO")), 8000);
        waitForIdle();
        QCOMPARE(form->EditNetName->text(), QStringLiteral("BrezzanoNet"));
        QCOMPARE(form->EditPassPhrase->text(), QStringLiteral("aria-fresca-2000"));
        QCOMPARE(form->EditIpaddress->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(form->EditGateway->text(), QStringLiteral("127.0.0.254"));
        QCOMPARE(form->EditDNS->text(), QStringLiteral("127.0.0.53"));
        QVERIFY(form->tab4sb2->isChecked());
        QVERIFY(!form->session->cmdMode);
        QCOMPARE(form->Tab4Label1->text(), QStringLiteral("Open connection at 127.0.0.144"));
        QTRY_VERIFY_WITH_TIMEOUT(inOrder(sim.output(), ReadOnWire), 3000);

        form->EditNetName->setText(QStringLiteral("Casa Rossi"));
        form->EditGateway->setText(QStringLiteral("127.0.0.9"));
        form->SendBtnTab4->click();
        QTRY_COMPARE_WITH_TIMEOUT(logLines(*form).count(QStringLiteral("--->FINITO")), 2, 8000);
        waitForIdle();
        QVERIFY(!form->session->cmdMode);
        QTRY_VERIFY_WITH_TIMEOUT(
            inOrder(sim.output(),
                    {"<- $$$", "<- set wlan ssid Casa Rossi", "<- set wlan phrase aria-fresca-2000",
                     "<- set ip address 127.0.0.1", "<- set ip gateway 127.0.0.9",
                     "<- set dns address 127.0.0.53", "<- set ip dhcp 3", "<- save", "-> Storing in config",
                     "<- exit", "-> EXIT", "<- *MK0102*00#"}),
            3000);

        clearFields();
        form->ReloadBtnTab4->click();
        QTRY_COMPARE_WITH_TIMEOUT(logLines(*form).count(QStringLiteral("--->FINITO")), 3, 8000);
        waitForIdle();
        QCOMPARE(form->EditNetName->text(), QStringLiteral("Casa Rossi"));
        QCOMPARE(form->EditGateway->text(), QStringLiteral("127.0.0.9"));
        QVERIFY(windows->prompts.shown.isEmpty());
    }

    void readCutOffBeforeExitLeavesFramesParsed()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.145"), {QStringLiteral("--drop-exit")}));
        readAt(QStringLiteral("127.0.0.145"));
        // The watchdog drops the link that waits for "EXIT" and opens one more, which has nothing to send.
        QTRY_COMPARE_WITH_TIMEOUT(logLines(*form).filter(QStringLiteral("START conn at")).size(), 2, 5000);
        waitForIdle();
        QVERIFY(!form->session->cmdMode);
        QCOMPARE(form->EditNetName->text(), QStringLiteral("BrezzanoNet"));

        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(sim.output().contains(QStringLiteral("<- *MK0200*#")), 8000);
        waitForIdle();
        QVERIFY(panelRows(*form) > 0);
        QVERIFY(windows->prompts.shown.isEmpty());
    }

    void writeStopsAtAMissingAok()
    {
        SimProcess sim;
        QVERIFY(
            sim.start(QStringLiteral("127.0.0.146"), {QStringLiteral("--drop-aok"), QStringLiteral("4")}));
        form->session->setLinkHost(QStringLiteral("127.0.0.146"));
        form->tab4sb2->setChecked(false);
        form->EditNetName->setText(QStringLiteral("Net"));
        form->EditIpaddress->setText(QStringLiteral("127.0.0.7"));
        form->EditGateway->setText(QStringLiteral("127.0.0.8"));
        form->EditDNS->setText(QStringLiteral("127.0.0.53"));
        form->SendBtnTab4->click();
        QTRY_COMPARE_WITH_TIMEOUT(logLines(*form).filter(QStringLiteral("START conn at")).size(), 2, 5000);
        waitForIdle();
        QVERIFY(!form->session->cmdMode);
        const QString wire = sim.output();
        QVERIFY(inOrder(wire, {"<- set ip gateway 127.0.0.8", "(dropped: AOK)"}));
        QVERIFY(!wire.contains(QStringLiteral("<- set dns address")));
        QVERIFY(!wire.contains(QStringLiteral("<- save")));
        // Said, in the tab and in a message: the settings were not written.
        const QString why = status::moduleFailureText(true, QStringLiteral("127.0.0.146"), 0);
        QCOMPARE(form->Tab4Label1->text(), why);
        QVERIFY(!windows->prompts.shown.isEmpty());
        QCOMPARE(windows->prompts.shown.last().text, why);
    }

    // A read or a write cut short by the link's close, however it closes, is said once in the
    // tab, in a message and in the status bar, naming the controller as the address book does.
    void cutExchangeIsSaid_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QStringList>("fault"); // the simulator's; requests count from "$$$"
        QTest::newRow("read, silent") << false << QStringList{"--silent-after", "2"};
        QTest::newRow("read, reset") << false << QStringList{"--cut-after", "2"};
        QTest::newRow("read, closed") << false << QStringList{"--close-after", "2"};
        QTest::newRow("write, reset") << true << QStringList{"--cut-after", "3"};
        QTest::newRow("write, closed") << true << QStringList{"--close-after", "3"};
    }

    void cutExchangeIsSaid()
    {
        QFETCH(bool, write);
        QFETCH(QStringList, fault);
        const QString address = QStringLiteral("127.0.0.135");
        SimProcess sim;
        // Not probed by a connection: the cuts are counted by connection.
        QVERIFY(sim.start(address, fault, false));
        QTRY_VERIFY(sim.output().contains(QLatin1String("listening on")));
        form->devList.Add(address, QStringLiteral("Roof"));
        if (write) {
            form->session->setLinkHost(address);
            form->tab4sb2->setChecked(true);
            form->EditNetName->setText(QStringLiteral("Net"));
            form->SendBtnTab4->click();
        } else {
            readAt(address);
        }
        const QString why = status::moduleFailureText(write, QStringLiteral("Roof"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(form->Tab4Label1->text(), why, 8000);
        waitForIdle();
        QCOMPARE(windows->prompts.shown.size(), 1);
        QCOMPARE(windows->prompts.shown.first().text, why);
        QTRY_VERIFY(form->statusLink->text().endsWith(why));
        QVERIFY(!form->session->cmdMode);
    }
};

QTEST_MAIN(TestModuleExchange)
#include "tst_moduleexchange.moc"
