// Reads aimed at addresses outside loopback: the device's own network and an
// address typed by the user. The process first moves into a private network
// namespace without any interface up, so no connection attempt can leave the
// machine; where that is not possible the cases are skipped.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <sched.h>

#include <memory>

namespace {

bool isolated = false;

// Nothing but a loopback interface, and that one down.
bool nothingReachable()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.begin(), interfaces.end(), [](const QNetworkInterface &i) {
        return i.type() == QNetworkInterface::Loopback && !(i.flags() & QNetworkInterface::IsUp);
    });
}

} // namespace

class TestDeviceNetwork : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowsUnderTest> windows;
    TForm1 *form = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        if (!isolated || !nothingReachable())
            QSKIP("no private network namespace here");
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        windows = std::make_unique<WindowsUnderTest>();
        form = windows->form;
        form->ipSensor = QStringLiteral("127.0.0.147");
    }

    void cleanup() { windows.reset(); }

    void showingTheTabReadsTheDeviceNetwork()
    {
        form->netType = 0;
        form->tab4sb2->setChecked(false);
        form->session->connectOK = true;
        form->networkShow();
        QVERIFY(logHas(*form, QStringLiteral("START conn at 169.254.1.1")));
        QCOMPARE(form->Tab4Label1->text(), QStringLiteral("Open connection at 169.254.1.1"));
        QCOMPARE(form->ipSensor, QStringLiteral("127.0.0.147"));
        QTRY_COMPARE_WITH_TIMEOUT(windows->prompts.shown.size(), 1, 5000);
        QCOMPARE(windows->prompts.shown.first().text,
                 QStringLiteral("Unable to communicate with the centralized control"));
        QCOMPARE(form->session->TaskList.Count(), 5);
    }

    void updateReadsAtTheTypedAddress()
    {
        form->tab4sb1->setChecked(false);
        form->tab4sb2->setChecked(false);
        form->EditIpaddress->setText(QStringLiteral("192.168.1.50"));
        form->ReloadBtnTab4->click();
        QCOMPARE(form->ipSensor, QStringLiteral("192.168.1.50"));
        QVERIFY(logHas(*form, QStringLiteral("START conn at 192.168.1.50")));
        QCOMPARE(form->Tab4Label1->text(), QStringLiteral("Open connection at 192.168.1.50"));
    }
};

int main(int argc, char **argv)
{
    // Before any thread exists: a process with threads cannot change its user namespace.
    isolated = unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0;
    QApplication app(argc, argv);
    TestDeviceNetwork test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_devicenetwork.moc"
