// The device list of the settings tab: the active device's check box, Delete, rename and F1.
#include "Controller.h"
#include "Server.h"
#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

class TestDeviceList : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TSensorName> nameDialog;
    std::unique_ptr<TRegSensor> registerDialog;

    QTreeWidgetItem *row(int i) const { return form->ListView1->topLevelItem(i); }

    QList<bool> checks() const
    {
        QList<bool> result;
        for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i)
            result.append(row(i)->checkState(0) == Qt::Checked);
        return result;
    }

    void select(int i) { form->ListView1->setCurrentItem(row(i)); }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        prompts = std::make_unique<ScriptedPrompts>();
        form = makeTestForm();
        nameDialog = std::make_unique<TSensorName>();
        registerDialog = std::make_unique<TRegSensor>();
        form->dialogs.SensorName = nameDialog.get();
        form->dialogs.RegSensor = registerDialog.get();
        form->devList.Add(QStringLiteral("127.0.0.111"), QStringLiteral("Office"));
        form->devList.Add(QStringLiteral("127.0.0.112"), QStringLiteral("Lab"));
        form->devList.Add(QStringLiteral("127.0.0.113"), QStringLiteral("Gym"));
        form->ipSensor = QStringLiteral("127.0.0.111");
        form->fillDeviceList();
    }

    void cleanup()
    {
        form->dialogs.SensorName = nullptr;
        form->dialogs.RegSensor = nullptr;
        registerDialog.reset();
        nameDialog.reset();
        form.reset();
        prompts.reset();
    }

    // Any change the user makes to a box leaves exactly that row checked and its device active.
    void theCheckBoxChoosesTheActiveDevice_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<bool>("checking");
        QTest::addColumn<QList<bool>>("expected");
        QTest::addColumn<QString>("active");
        QTest::newRow("check row 2") << 1 << true << QList<bool>{false, true, false}
                                     << QStringLiteral("127.0.0.112");
        QTest::newRow("uncheck the checked row")
            << 0 << false << QList<bool>{true, false, false} << QStringLiteral("127.0.0.111");
        QTest::newRow("check the last row")
            << 2 << true << QList<bool>{false, false, true} << QStringLiteral("127.0.0.113");
    }

    void theCheckBoxChoosesTheActiveDevice()
    {
        QFETCH(int, clicked);
        QFETCH(bool, checking);
        QFETCH(QList<bool>, expected);
        QFETCH(QString, active);
        form->netType = 0;
        // What the view does for a click on the box: set the row's check state.
        row(clicked)->setCheckState(0, checking ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(checks(), expected);
        QCOMPARE(form->ipSensor, active);
        QCOMPARE(form->netType, 1);
        QVERIFY(form->session->TaskList.isEmpty());
        QVERIFY(!form->session->linkIsOpen());
    }

    void theSpaceKeyOnARowChecksItThroughTheView()
    {
        select(2);
        QTest::keyClick(form->ListView1, Qt::Key_Space);
        QCOMPARE(checks(), (QList<bool>{false, false, true}));
        QCOMPARE(form->ipSensor, QStringLiteral("127.0.0.113"));
        QTest::keyClick(form->ListView1, Qt::Key_Space); // unchecking the checked row keeps it
        QCOMPARE(checks(), (QList<bool>{false, false, true}));
        // With the focus on the address cell, Space still acts on the row's box.
        form->ListView1->setCurrentItem(row(1), 1);
        QTest::keyClick(form->ListView1, Qt::Key_Space);
        QCOMPARE(checks(), (QList<bool>{false, true, false}));
    }

    void aRebuildChecksEveryEntryOfTheActiveAddress()
    {
        form->devList.Get(2)->ipdev = QStringLiteral("127.0.0.111");
        form->fillDeviceList();
        QCOMPARE(checks(), (QList<bool>{true, false, true}));
        form->ipSensor = QStringLiteral("169.254.1.1");
        form->fillDeviceList();
        QCOMPARE(checks(), (QList<bool>{false, false, false}));
        QCOMPARE(form->netType, 0); // a rebuild is not a user's choice
    }

    void deleteRemovesOnlyAnInactiveDevice()
    {
        select(0);
        QTest::keyClick(form->ListView1, Qt::Key_Delete);
        QCOMPARE(form->devList.Count(), 3);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().kind, QStringLiteral("error"));
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Can not remove control unit activates"));

        select(1);
        QTest::keyClick(form->ListView1, Qt::Key_Delete);
        QCOMPARE(form->devList.Count(), 2);
        QCOMPARE(form->devList.Get(1)->name, QStringLiteral("Gym"));
        QCOMPARE(form->ListView1->topLevelItemCount(), 2);
        QCOMPARE(row(1)->text(1), QStringLiteral("127.0.0.113"));
        QCOMPARE(checks(), (QList<bool>{true, false}));
    }

    void enterRenamesOnlyTheActiveDevice()
    {
        sim::Server device(sim::Controller::builtinDefault());
        QVERIFY(device.listen(QHostAddress(form->ipSensor), 2000));
        QList<QByteArray> payloads;
        connect(&device, &sim::Server::requestHandled, [&payloads](int code, const QByteArray &payload) {
            if (code == 26)
                payloads.append(payload);
        });
        prompts->answer = [](QDialog *dialog) {
            auto *names = qobject_cast<TSensorName *>(dialog);
            if (!names)
                return 0;
            names->Edit1->setText(QStringLiteral("Sala & co"));
            return int(QDialog::Accepted);
        };

        select(1); // not the active device
        QTest::keyClick(form->ListView1, Qt::Key_Return);
        QCOMPARE(prompts->dialogsRun, 0);

        select(0);
        QTest::keyClick(form->ListView1, Qt::Key_Return);
        QCOMPARE(prompts->dialogsRun, 1);
        QCOMPARE(form->devList.Get(0)->name, QStringLiteral("Sala & co"));
        QCOMPARE(row(0)->text(0), QStringLiteral("Sala & co"));
        QCOMPARE(checks(), (QList<bool>{true, false, false}));
        QTRY_COMPARE_WITH_TIMEOUT(payloads.size(), 1, 5000);
        QCOMPARE(payloads.first(), QByteArray("Sala & co"));
        QCOMPARE(device.controller().deviceName, QStringLiteral("Sala & co"));
    }

    void enterThenCancelKeepsTheNameAndSendsNothing()
    {
        prompts->answer = [](QDialog *) { return int(QDialog::Rejected); };
        select(0);
        QTest::keyClick(form->ListView1, Qt::Key_Enter);
        QCOMPARE(prompts->dialogsRun, 1);
        QCOMPARE(nameDialog->Edit1->text(), QStringLiteral("Office")); // the dialog opened on the caption
        QCOMPARE(form->devList.Get(0)->name, QStringLiteral("Office"));
        QVERIFY(form->session->TaskList.isEmpty());
        QVERIFY(logLines(*form).filter(QStringLiteral("START conn")).isEmpty());
    }

    void f1RegistersOnlyTheActiveDevice()
    {
        form->registrationBase = QStringLiteral("http://127.0.0.114:1");
        QTest::keyClick(form->ListView1, Qt::Key_F1); // nothing selected
        select(2);
        QTest::keyClick(form->ListView1, Qt::Key_F1);
        QCOMPARE(prompts->dialogsRun, 0);
        select(0);
        QTest::keyClick(form->ListView1, Qt::Key_F1);
        QCOMPARE(prompts->dialogsRun, 1);
        QCOMPARE(registerDialog->deviceAddress, QStringLiteral("127.0.0.111"));
        QCOMPARE(registerDialog->serviceBase, QStringLiteral("http://127.0.0.114:1"));
    }

    void anEmptyBookIgnoresTheKeys()
    {
        form->devList.Clear();
        form->fillDeviceList();
        for (const auto key : {Qt::Key_Delete, Qt::Key_Return, Qt::Key_F1})
            QTest::keyClick(form->ListView1, key);
        QCOMPARE(prompts->dialogsRun, 0);
        QVERIFY(prompts->shown.isEmpty());
    }
};

QTEST_MAIN(TestDeviceList)
#include "tst_devicelist.moc"
