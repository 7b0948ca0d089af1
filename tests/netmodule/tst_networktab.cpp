// The network tab without a device: what it shows, where a read goes, and what
// "Set" refuses to send. Reads here go to loopback addresses where nothing listens.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/waitUnit.h"
#include "support/Fixtures.h"
#include "units/form/passwordUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

const QString NobodyHome = QStringLiteral("127.0.0.141");
const QString Typed = QStringLiteral("127.0.0.142");

// "R" for the router fields and the DHCP toggle, "A" for the six address
// controls, "-" for a group that is hidden; a half-shown group names its controls.
QString shown(const TForm1 &f)
{
    const QList<QWidget *> router{f.lblnetname, f.EditNetName, f.lblpassphrase, f.EditPassPhrase, f.tab4sb2};
    const QList<QWidget *> address{f.lblipadress, f.EditIpaddress, f.lblgateway,
                                   f.EditGateway, f.lbldns,        f.EditDNS};
    const auto group = [](const QList<QWidget *> &controls, const QString &all) {
        QStringList on;
        for (QWidget *w : controls)
            if (!w->isHidden())
                on << w->objectName();
        return on.isEmpty() ? QStringLiteral("-") : on.size() == controls.size() ? all : on.join(',');
    };
    return group(router, QStringLiteral("R")) + group(address, QStringLiteral("A"));
}

} // namespace

class TestNetworkTab : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowsUnderTest> windows;
    TForm1 *form = nullptr;

    int connects() const { return logLines(*form).filter(QStringLiteral("START conn at")).size(); }

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
        form->applyCaptions();
        form->ipSensor = NobodyHome;
    }

    void cleanup() { windows.reset(); }

    void showingTheTab_data()
    {
        QTest::addColumn<int>("netType");
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<bool>("connectOK");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<bool>("addressEnabled");
        QTest::addColumn<bool>("reads");
        QTest::newRow("device network") << 0 << true << true << "--" << false << false;
        QTest::newRow("local, fixed address, not connected") << 1 << false << false << "RA" << true << false;
        QTest::newRow("local, DHCP") << 1 << true << true << "R-" << false << false;
        QTest::newRow("local, fixed address, connected") << 1 << false << true << "RA" << true << true;
    }

    void showingTheTab()
    {
        QFETCH(int, netType);
        QFETCH(bool, dhcp);
        QFETCH(bool, connectOK);
        form->tab4sb1->setChecked(netType != 0); // the opposite, so the show must fix it
        form->tab4sb2->setChecked(dhcp);
        form->netType = netType; // after the button, whose handler sets it
        form->session->connectOK = connectOK;
        form->networkShow();

        QCOMPARE(form->tab4sb1->isChecked(), netType == 0);
        QTEST(shown(*form), "fields");
        QVERIFY(!form->tab4lb1->isHidden() && !form->tab4sb1->isHidden());
        QTEST(form->EditIpaddress->isEnabled(), "addressEnabled");
        QCOMPARE(form->EditDNS->isEnabled(), form->EditIpaddress->isEnabled());
        QFETCH(bool, reads);
        QCOMPARE(connects(), reads ? 1 : 0);
        QCOMPARE(form->Tab4Label1->text(),
                 reads ? QStringLiteral("Open connection at ") + NobodyHome : QString());
    }

    void clicksRearrangeTheFields()
    {
        form->netType = 1;
        form->tab4sb2->setChecked(true);
        form->networkShow();
        QCOMPARE(shown(*form), QStringLiteral("R-"));

        form->tab4sb2->click(); // up: a fixed address
        QCOMPARE(shown(*form), QStringLiteral("RA"));
        QVERIFY(!form->EditIpaddress->isEnabled()); // only showing the tab enables them

        form->tab4sb1->click(); // down: the device's own network
        QCOMPARE(form->netType, 0);
        QCOMPARE(shown(*form), QStringLiteral("--"));
        form->tab4sb1->click();
        QCOMPARE(form->netType, 1);
        QCOMPARE(shown(*form), QStringLiteral("RA"));
        QCOMPARE(connects(), 0);
    }

    void exitShowsTheAddressFieldsAndClosesTheWaitDialog()
    {
        form->netType = 0;
        form->tab4sb2->setChecked(true);
        form->networkShow();
        forms().waitform->show();
        form->session->cmdMode = true;
        form->session->wait_responce = true;
        for (const QByteArray line : {"DHCP=OFF", "IP=10.1.2.3:2000", "BACKUP=0.0.0.0"})
            form->session->parseModuleReply(line);
        QCOMPARE(shown(*form), QStringLiteral("--")); // nothing moves before "EXIT"
        QVERIFY(!form->session->wait_responce);
        form->session->wait_responce = true;
        form->session->parseModuleReply("EXIT");
        QVERIFY(!form->session->cmdMode);
        QVERIFY(!form->session->wait_responce);
        QVERIFY(!forms().waitform->isVisible());
        QCOMPARE(shown(*form), QStringLiteral("-A"));
        QCOMPARE(form->EditIpaddress->text(), QStringLiteral("10.1.2.3"));
    }

    void updateTakesOnlyAnAddress_data()
    {
        QTest::addColumn<bool>("dhcp");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("readAt");
        QTest::newRow("fixed address") << false << Typed << Typed;
        QTest::newRow("fixed, half typed") << false << QStringLiteral("127.0.0.") << NobodyHome;
        QTest::newRow("fixed, empty") << false << QString() << NobodyHome;
        QTest::newRow("DHCP") << true << Typed << NobodyHome;
    }

    void updateTakesOnlyAnAddress()
    {
        QFETCH(bool, dhcp);
        QFETCH(QString, typed);
        QFETCH(QString, readAt);
        form->tab4sb1->setChecked(false);
        form->tab4sb2->setChecked(dhcp);
        form->EditIpaddress->setText(typed);
        form->ReloadBtnTab4->click();
        QCOMPARE(form->ipSensor, readAt);
        QCOMPARE(form->session->linkHostName(), readAt);
        QCOMPARE(form->Tab4Label1->text(), QStringLiteral("Open connection at ") + readAt);
        QVERIFY(logHas(*form, QStringLiteral("START conn at ") + readAt));
        QCOMPARE(form->session->TaskList.Count(), 5); // the read waits for a link that never came
        QCOMPARE(form->session->TaskList.Get(0)->code, 1);
        QCOMPARE(form->session->TaskList.Get(4)->code, 101);
    }

    void setIsGated_data()
    {
        QTest::addColumn<bool>("usePassword");
        QTest::addColumn<QString>("entered"); // empty: the user cancels
        QTest::addColumn<QString>("netName");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<int>("queued");
        QTest::newRow("no password") << false << QString() << QStringLiteral("Net") << 0 << 10;
        QTest::newRow("right password")
            << true << QStringLiteral("123456") << QStringLiteral("Net") << 1 << 10;
        QTest::newRow("wrong password")
            << true << QStringLiteral("654321") << QStringLiteral("Net") << 1 << 0;
        QTest::newRow("cancelled") << true << QString() << QStringLiteral("Net") << 1 << 0;
        QTest::newRow("not a byte") << true << QStringLiteral("123456")
                                    << QStringLiteral("\u0141\u00f3d\u017a") << 0 << 0;
        // What a failed read leaves: the module would be cut off the network.
        QTest::newRow("empty") << false << QString() << QString() << 0 << 0;
    }

    void setIsGated()
    {
        QFETCH(bool, usePassword);
        QFETCH(QString, entered);
        QFETCH(QString, netName);
        form->model.use_password = usePassword;
        form->model.BZ_password = QStringLiteral("123456");
        form->EditNetName->setText(netName);
        windows->prompts.answer = [entered](QDialog *dialog) {
            auto *pw = qobject_cast<TpasswordForm *>(dialog);
            if (entered.isEmpty())
                return int(TpasswordForm::Cancelled);
            pw->Edit1->setText(entered);
            pw->Button1->click();
            return pw->result() == 0 ? int(TpasswordForm::Cancelled) : pw->result();
        };
        form->tab4sb2->setChecked(true); // DHCP: the address fields are not needed
        form->session->setLinkHost(NobodyHome);
        form->SendBtnTab4->click();
        QTEST(windows->prompts.dialogsRun, "dialogs");
        QFETCH(int, queued);
        QCOMPARE(form->session->TaskList.Count(), queued);
        QCOMPARE(connects(), queued ? 1 : 0);
        // A refusal says why.
        const bool refused = netName != QStringLiteral("Net");
        QCOMPARE(!windows->prompts.shown.isEmpty() && windows->prompts.shown.last().text.startsWith(
                                                          QLatin1String("The settings were not sent")),
                 refused);
        if (queued) {
            QList<int> codes;
            for (const auto &task : form->session->TaskList)
                codes << task->code;
            QCOMPARE(codes, (QList<int>{1, 166, 167, 168, 169, 170, 171, 99, 101, 100}));
        }
    }
};

QTEST_MAIN(TestNetworkTab)
#include "tst_networktab.moc"
