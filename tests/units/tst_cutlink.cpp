// A sending of the unit settings dialog whose link dies under it: one more link
// for what was left, then a plain word of what did not reach the units.
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"
#include "units/form/setting.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

class TestCutLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void cleanup() { destroyForms(); }

    void cutSending_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("cutAfter"); // the simulator's --cut-after
        QTest::addColumn<bool>("schedule");  // a 35-entry schedule to unit 5; else "Set selected" on 0, 2, 5
        QTest::addColumn<QString>("status"); // the dialog's status bar at the end
        QTest::addColumn<int>("unit9Temp");  // set temperature of unit 9 in the panel; -1: not checked
        QTest::newRow("schedule cut between its blocks, and again")
            << QStringLiteral("127.0.0.191") << QStringLiteral("1,0") << true
            << QStringLiteral("Schedule block 2 not sent to units: Lobby") << -1;
        QTest::newRow("set selected cut after two of three units, and again")
            << QStringLiteral("127.0.0.192") << QStringLiteral("2,0") << false
            << QStringLiteral("Not sent to units: 9; Remote control lock not sent to units: 2, Lobby") << -1;
        QTest::newRow("set selected cut after every status, and again: only the locks were lost")
            << QStringLiteral("127.0.0.155") << QStringLiteral("3,0") << false
            << QStringLiteral("Remote control lock not sent to units: 2, Lobby, 9") << -1;
        QTest::newRow("set selected cut once, the second link carries the rest")
            << QStringLiteral("127.0.0.193") << QStringLiteral("2") << false << texts.value(98) << 26;
    }

    void cutSending()
    {
        QFETCH(QString, address);
        QFETCH(QString, cutAfter);
        QFETCH(bool, schedule);
        QFETCH(QString, status);
        QFETCH(int, unit9Temp);

        SimProcess sim;
        // Not probed by a connection: whether the simulator counts a probe's connection
        // depends on the machine's load, and the cuts are counted by connection.
        QVERIFY(sim.start(address, {QStringLiteral("--cut-after"), cutAfter}, false));
        QTRY_VERIFY(sim.output().contains(QLatin1String("listening on")));
        ScriptedPrompts prompts;
        TForm1 *form = createDialogForms(address);
        TForm2 *dialog = forms().Form2;
        for (int i = 0; i < 35; ++i)
            form->model.unitProgList.Add(i * 10, 21, 3, 2);
        for (int adr : {0, 2, 5, 9}) {
            form->model.unit_online[size_t(adr)] = 1;
            form->model.unit_par[size_t(adr)].addr = adr;
        }
        form->model.unit_par[5].name = QStringLiteral("Lobby"); // a unit is named as the panel names it
        form->fillUnitList();
        for (int row = 0; row < panelRows(*form); ++row)
            if (panelAddress(*form, row) != 0)
                tickPanelRow(*form, row);

        QString shown;
        prompts.answer = [&](QDialog *d) {
            if (d != dialog)
                return 0;
            if (schedule)
                dialog->btsetp->click();
            else {
                dialog->Edit3->setValue(26);
                dialog->btset->click();
            }
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form) && !form->session->Timer_openconn->isActive(),
                                         10000);
            }();
            shown = dialog->stb1->findChild<QLabel *>(QStringLiteral("stb1Panel0"))->text() +
                    QLatin1Char('|') +
                    dialog->stb1->findChild<QLabel *>(QStringLiteral("stb1Panel1"))->text();
            return 0;
        };
        dialog->ShowSetting(schedule ? 0 : 1, schedule ? 5 : 255);
        // The wait has ended either way.
        QCOMPARE(shown, QLatin1Char('|') + status);
        if (status != texts.value(98))
            QTRY_VERIFY(form->statusLink->text().endsWith(status));
        if (unit9Temp >= 0)
            QCOMPARE(int(form->model.unit_par[9].buffer[units::SetTempByte]), unit9Temp);
    }
};

QTEST_MAIN(TestCutLink)
#include "tst_cutlink.moc"
