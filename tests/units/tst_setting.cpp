// The unit settings dialog and the controller options: what each control
// sends, the password gate, the status bar, and whole sendings to the simulator.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "session/Encoder.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "shell/form/infoext.h"
#include "support/Fixtures.h"
#include "support/PasswordScript.h"
#include "support/ScriptedPrompts.h"
#include "units/Setting.h"
#include "units/form/passwordUnit.h"
#include "units/form/setting.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Nothing listens here: every connection is refused at once.
const QString Unreachable = QStringLiteral("127.0.0.153");

QString queued(const TtaskRecordList &list)
{
    QStringList tasks;
    for (const auto &task : list)
        tasks << QStringLiteral("%1@%2").arg(task->code).arg(task->addr);
    return tasks.join(QLatin1Char(' '));
}

QString statusText(const TForm2 &dialog)
{
    QStringList shown;
    for (const QLabel *panel : dialog.stb1->findChildren<QLabel *>())
        if (!panel->text().isEmpty())
            shown << panel->text();
    return shown.join(QLatin1Char('|'));
}

} // namespace

class TestSetting : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    TForm1 *form = nullptr;
    TForm2 *dialog = nullptr;

    // Units online in the panel, none ticked.
    void showUnits(std::initializer_list<int> addresses)
    {
        for (int adr : addresses) {
            form->model.unit_online[size_t(adr)] = 1;
            form->model.unit_par[size_t(adr)].addr = adr;
        }
        form->fillUnitList();
    }

    void tick(int adr, bool on = true)
    {
        for (int row = 0; row < panelRows(*form); ++row)
            if (panelAddress(*form, row) == adr)
                tickPanelRow(*form, row, on);
    }

    void waitForIdle(int timeout = 8000) { QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), timeout); }

    // The frame task `index` of the queue writes, with the values it carries.
    QByteArray frameOf(int index)
    {
        const TtaskRecord &task = *form->session->TaskList.Get(index);
        return encodeTask(task, task.values ? *task.values : RequestSources{}).bytes;
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        prompts = std::make_unique<ScriptedPrompts>();
        form = createDialogForms(Unreachable);
        dialog = forms().Form2;
    }

    void cleanup()
    {
        form->session->cancelRetry();
        destroyForms();
        prompts.reset();
    }

    // ---- the dialog ------------------------------------------------------

    void showSettingReadsTheUnit()
    {
        TunitRecord &unit = form->model.unit_par[4];
        unit.buffer[units::ModeByte] = 136;
        unit.buffer[units::FanByte] = 129;
        unit.buffer[units::SetTempByte] = 22;
        unit.buffer[units::RoomTempByte] = 85;
        unit.buffer[units::FlapByte] = 4;
        unit.buffer[units::RemoteByte] = 0;
        unit.tmin = 18;
        unit.tmax = 28;
        unit.prog = 1;
        unit.name = QStringLiteral("Hall");
        QStringList seen;
        prompts->answer = [&](QDialog *) {
            for (QToolButton *b : dialog->findChildren<QToolButton *>())
                if (b->isChecked())
                    seen << b->objectName();
            seen << QString::number(dialog->Edit1->value()) << QString::number(dialog->Edit2->value())
                 << QString::number(dialog->Edit3->value()) << dialog->Edit4->text() << dialog->Edit5->text()
                 << dialog->windowTitle();
            return 0;
        };
        dialog->ShowSetting(0, 4);
        seen.sort();
        QStringList expected{"sb3", "sb7", "sb11", "sb12", "sb13", "18", "28", "22", "22.5", "Hall", "Set"};
        expected.sort();
        QCOMPARE(seen, expected);

        // Very low fan presses no button and goes out as 0; an out-of-range limit shows as its bound.
        unit.buffer[units::FanByte] = 8;
        unit.tmax = 40;
        prompts->answer = [&](QDialog *) {
            seen = {QString::number(dialog->fanBar->checkedId()), QString::number(dialog->Edit2->value())};
            dialog->btset->click();
            return 0;
        };
        dialog->ShowSetting(0, 4);
        QCOMPARE(seen, (QStringList{"-1", "30"}));
        QCOMPARE(int(dialog->update_buffer.at(1)), 0);
    }

    void modesShowTheirControls()
    {
        form->model.lock_mode = 2;
        QString shown;
        prompts->answer = [&](QDialog *) {
            QStringList visible;
            for (QWidget *w :
                 {static_cast<QWidget *>(dialog->sb11), static_cast<QWidget *>(dialog->sb14),
                  static_cast<QWidget *>(dialog->ToolBar3), static_cast<QWidget *>(dialog->btsetn),
                  static_cast<QWidget *>(dialog->Edit5), static_cast<QWidget *>(dialog->BitBtn1)})
                if (!w->isHidden())
                    visible << w->objectName();
            shown = dialog->windowTitle() + QLatin1Char(':') + visible.join(QLatin1Char(',')) +
                    QLatin1Char(':') + QString::number(dialog->lockBar->checkedId());
            return 0;
        };
        dialog->ShowSetting(1, 255);
        QCOMPARE(shown, QStringLiteral("Set selected:sb11:-1"));
        dialog->ShowSetting(2, 255);
        QCOMPARE(shown, QStringLiteral("Set all:sb14,ToolBar3,btsetn:2"));
        QCOMPARE(dialog->btsetn->text(), texts.value(96));
    }

    void tasksCarryTheValuesTheyWereQueuedWith()
    {
        showUnits({3, 5, 7});
        form->model.unit_par[5].name = QStringLiteral("Office");
        form->model.unit_par[5].tmin = 17;
        form->model.unit_par[5].tmax = 30;
        prompts->answer = [&](QDialog *) {
            dialog->sb3->click();
            dialog->sb8->click();
            dialog->Edit3->setValue(24);
            dialog->btset->click();
            dialog->Edit5->setText(QStringLiteral("Lab"));
            dialog->btsetn->click();
            return 0;
        };
        dialog->ShowSetting(0, 5);
        // The remote controller of a unit that reports it unlocked stays unlocked.
        QCOMPARE(queued(form->session->TaskList), QStringLiteral("33@5 32@5 29@0 35@5 29@0"));
        QCOMPARE(frameOf(0), QByteArray("*MK2114*05880418000000111E00#"));

        // Another opening changes the dialog, not what is already queued.
        prompts->answer = [&](QDialog *) {
            dialog->Edit5->setText(QStringLiteral("Other"));
            return 0;
        };
        dialog->ShowSetting(0, 3);
        QCOMPARE(frameOf(3), QByteArray("*MK230A*054C616200#"));

        // Ticked units are taken when the dialog opens: the refresh unticks every row.
        form->session->TaskList.Clear();
        tick(3);
        tick(7);
        prompts->answer = [&](QDialog *) {
            dialog->sb11->setChecked(true);
            dialog->btset->click();
            tick(3, false);
            tick(7, false);
            dialog->btset->click();
            return 0;
        };
        dialog->ShowSetting(1, 255);
        QCOMPARE(queued(form->session->TaskList),
                 QStringLiteral("33@3 33@7 32@3 32@7 29@0 33@3 33@7 32@3 32@7 29@0"));
    }

    // Typed numbers go out as typed, or at the nearer bound of 17 to 30.
    void typedTemperaturesAreHeldAtTheNearerBound_data()
    {
        QTest::addColumn<QStringList>("typed"); // minimum, maximum, set
        QTest::addColumn<QByteArray>("sent");   // bytes 2, 6 and 7: set, minimum, maximum
        QTest::newRow("inside") << QStringList{"18", "26", "23"} << QByteArray::fromHex("17121a");
        QTest::newRow("12 and 35") << QStringList{"12", "35", "25"} << QByteArray::fromHex("19111e");
        QTest::newRow("set 12") << QStringList{"17", "30", "12"} << QByteArray::fromHex("11111e");
        QTest::newRow("set 99") << QStringList{"17", "30", "99"} << QByteArray::fromHex("1e111e");
        QTest::newRow("leading zeros, set 0")
            << QStringList{"019", "0028", "0"} << QByteArray::fromHex("13131c");
    }

    void typedTemperaturesAreHeldAtTheNearerBound()
    {
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, sent);
        showUnits({5});
        form->model.unit_par[5].tmin = 20;
        form->model.unit_par[5].tmax = 24;
        form->model.unit_par[5].buffer[units::SetTempByte] = 22;
        prompts->answer = [&](QDialog *) {
            QSpinBox *fields[] = {dialog->Edit1, dialog->Edit2, dialog->Edit3};
            for (int i = 0; i < 3; ++i) {
                fields[i]->setFocus();
                fields[i]->selectAll();
                QTest::keyClicks(fields[i], typed.at(i));
            }
            dialog->btset->click();
            return 0;
        };
        dialog->ShowSetting(0, 5);
        const QByteArray bytes = QByteArray::fromHex(frameOf(0).mid(10, 18));
        QCOMPARE((QByteArray() + bytes.at(2) + bytes.at(6) + bytes.at(7)).toHex(), sent.toHex());
    }

    void allUnitsAndLockMode()
    {
        prompts->answer = [&](QDialog *) {
            dialog->sb18->click();
            dialog->btsetn->click();
            dialog->sb15->click();
            dialog->sb14->click();
            dialog->sb8->click();
            dialog->btset->click();
            return 0;
        };
        dialog->ShowSetting(2, 255);
        QCOMPARE(form->model.lock_mode, quint8(2));
        QCOMPARE(queued(form->session->TaskList), QStringLiteral("71@0 29@0 36@0 29@0 37@0 29@0 38@0 29@0"));
        QCOMPARE(frameOf(0), QByteArray("*MK4702*02#"));
    }

    // A unit on very low fan (no button for it) and one on medium (sb9).
    void setWithoutFanKeepsEachUnitsFan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("chooseLow");
        QTest::addColumn<QString>("sent"); // the fan byte of each Set request, then any message

        QTest::newRow("one unit, no button") << 0 << false << "33@5:08";
        QTest::newRow("one unit, low") << 0 << true << "33@5:04";
        QTest::newRow("selected, no button") << 1 << false << "33@5:08 33@7:02";
        QTest::newRow("selected, low") << 1 << true << "33@5:04 33@7:04";
        QTest::newRow("all, no button") << 2 << false << "Choose a fan speed.";
        QTest::newRow("all, low") << 2 << true << "38@0:04";
    }

    void setWithoutFanKeepsEachUnitsFan()
    {
        QFETCH(int, mode);
        QFETCH(bool, chooseLow);
        QFETCH(QString, sent);
        showUnits({5, 7});
        form->model.unit_par[5].buffer[units::FanByte] = 0x08;
        form->model.unit_par[7].buffer[units::FanByte] = 0x02;
        tick(5);
        tick(7);
        prompts->answer = [&](QDialog *) {
            if (chooseLow)
                dialog->sb8->click();
            dialog->btset->click();
            return 0;
        };
        dialog->ShowSetting(mode, 5);
        QStringList made;
        for (int i = 0; i < form->session->TaskList.Count(); ++i) {
            const int code = form->session->TaskList.Get(i)->code;
            if (code == 33 || code == 38)
                made << QStringLiteral("%1@%2:").arg(code).arg(form->session->TaskList.Get(i)->addr) +
                            QString::fromLatin1(frameOf(i).mid(code == 33 ? 12 : 10, 2));
        }
        for (const ScriptedPrompts::Shown &message : prompts->shown)
            made << message.text;
        QCOMPARE(made.join(QLatin1Char(' ')), sent);
    }

    // While the dialog is open no reload starts, and the status bar says so in every mode.
    void dialogPausesTheAutomaticReload()
    {
        showUnits({5});
        tick(5);
        form->autoupdvalue = 30;
        form->autoupt_counter = 12;
        form->autoupdtm->start(60000); // counting, but no tick comes during the test
        const QString paused = QStringLiteral("Automatic reload paused");
        for (int mode : {0, 1, 2}) {
            form->statusChanged();
            QTRY_COMPARE(form->statusReload->text(), QStringLiteral("Next reload in 12 s"));
            bool shown = false;
            prompts->answer = [&](QDialog *) {
                shown = QTest::qWaitFor([&] { return form->statusReload->text() == paused; }, 2000);
                return 0;
            };
            dialog->ShowSetting(mode, 5);
            QVERIFY2(shown, qPrintable(QString::number(mode)));
        }
    }

    void schedulesGoOutOncePerUnit()
    {
        for (int i = 0; i < 35; ++i)
            form->model.unitProgList.Add(i * 10, 21, 3, 2);
        prompts->answer = [&](QDialog *) {
            dialog->btsetp->click();
            return 0;
        };
        dialog->ShowSetting(2, 255);
        QCOMPARE(queued(form->session->TaskList), QStringLiteral("39@255 40@255"));
        QVERIFY(logHas(*form, QStringLiteral("---")));
        // The entries go with the task: emptying the list later sends no empty schedule.
        form->model.unitProgList.Clear();
        QVERIFY(frameOf(0).startsWith("*MK27F2*FF0000"));
    }

    void passwordGate_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("tasks");
        QTest::addColumn<QString>("status");
        QTest::newRow("accepted") << QStringList{"Secret1"} << "38@0 29@0" << texts.value(165);
        QTest::newRow("refused, then cancelled") << QStringList{"Secret2"} << ""
                                                 << "";
        QTest::newRow("cancelled") << QStringList{} << ""
                                   << "";
    }

    void passwordGate()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, tasks);
        QFETCH(QString, status);
        form->model.use_password = true;
        form->model.BZ_password = QStringLiteral("Secret1");
        QString shown;
        prompts->answer = [&](QDialog *d) {
            if (d == dialog) {
                dialog->sb8->click();
                dialog->btset->click();
                shown = statusText(*dialog);
                return 0;
            }
            return PasswordScript{entries, {}}(d);
        };
        dialog->ShowSetting(2, 255);
        QCOMPARE(prompts->dialogsRun, 2);
        QCOMPARE(queued(form->session->TaskList), tasks);
        QCOMPARE(shown, status);
    }

    void optionsAskAndQueue_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("usePassword");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("tasks");
        QTest::addColumn<int>("prompted");
        QTest::addColumn<bool>("downAfter");

        // Each option is clicked from up to down.
        QTest::newRow("password use, accepted")
            << "tab3sb1" << false << QStringList{"Secret1"} << "53@0" << 1 << true;
        QTest::newRow("password use, cancelled") << "tab3sb1" << false << QStringList{} << "" << 1 << false;
        QTest::newRow("web without password")
            << "tab3sb2" << false << QStringList{} << "54@0 67@0" << 0 << true;
        QTest::newRow("web, password refused")
            << "tab3sb2" << true << QStringList{"nope123"} << "" << 1 << false;
        QTest::newRow("alarm never asks") << "tab3sb7" << true << QStringList{} << "69@0" << 0 << true;
        QTest::newRow("clock never asks") << "updtime" << true << QStringList{} << "3@0 2@0" << 0 << false;
    }

    void optionsAskAndQueue()
    {
        QFETCH(QString, option);
        QFETCH(bool, usePassword);
        QFETCH(QStringList, entries);
        QFETCH(QString, tasks);
        QFETCH(int, prompted);
        QFETCH(bool, downAfter);
        form->model.use_password = usePassword;
        form->model.BZ_password = QStringLiteral("Secret1");
        prompts->answer = PasswordScript{entries, {}};
        auto *button = form->findChild<QAbstractButton *>(option);
        QVERIFY(button);
        button->click();
        QCOMPARE(prompts->dialogsRun, prompted);
        QCOMPARE(queued(form->session->TaskList), tasks);
        QCOMPARE(button->isChecked(), downAfter);
        if (!form->session->TaskList.isEmpty() && option != QLatin1String("updtime"))
            QCOMPARE(frameOf(0).mid(8, 2), QByteArray("01")); // the state clicked, carried
    }

    void changePasswordQueuesSendThenRead()
    {
        form->model.BZ_password = QStringLiteral("Secret1");
        int step = 0;
        prompts->answer = [&](QDialog *d) {
            return step++ == 0 ? PasswordScript{{"Secret1"}, {}}(d)
                               : PasswordScript{{"newpass1", "newpass2"}, {"newpass2", "newpass2"}}(d);
        };
        form->tab3bt1->click();
        QCOMPARE(queued(form->session->TaskList), QStringLiteral("52@0 51@0"));
        QCOMPARE(form->model.BZ_newpassword, QStringLiteral("newpass2"));
        QCOMPARE(prompts->shown.size(), 1); // one mismatch on the way
    }

    void pipeTemperatures()
    {
        TunitRecord &unit = form->model.unit_par[6];
        unit.buffer[units::PipeT2AByte] = 90;
        unit.buffer[units::PipeT2BByte] = 255;
        unit.buffer[units::PipeT3Byte] = 100;
        Tinfoextform *info = forms().infoextform;
        QStringList lines;
        prompts->answer = [&](QDialog *d) {
            if (d == dialog) {
                dialog->BitBtn1->click();
                return 0;
            }
            for (QLabel *label : {info->Label1, info->Label2, info->Label3})
                lines << (label->isHidden() ? QStringLiteral("-") : label->text());
            return 0;
        };
        dialog->ShowSetting(0, 6);
        QCOMPARE(lines, (QStringList{texts.value(147) + " 25.0", "-", texts.value(149) + " 30.0"}));
        QCOMPARE(info->windowTitle(), texts.value(14));
    }

    // ---- against the simulator -------------------------------------------

    void settingReachesTheUnitAndTheStatusBarTellsWhen()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.151")));
        form->ipSensor = QStringLiteral("127.0.0.151");
        form->reloadUnitList();
        waitForIdle();
        QVERIFY(form->model.unit_online[5]);

        QString whileSending;
        prompts->answer = [&](QDialog *d) {
            if (d != dialog)
                return 0;
            // A click on the button that is down releases it.
            for (QToolButton *button : {dialog->sb3, dialog->sb9, dialog->sb12})
                if (!button->isChecked())
                    button->click();
            dialog->Edit1->setValue(18);
            dialog->Edit3->setValue(24);
            dialog->sb11->setChecked(false);
            dialog->btset->click();
            whileSending = statusText(*dialog);
            // The dialog stays open until the link has run dry.
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(!form->session->linkIsOpen() && form->session->TaskList.isEmpty(),
                                         8000);
            }();
            return 0;
        };
        dialog->ShowSetting(0, 5);
        const QString afterSending = statusText(*dialog); // the next opening empties it
        QCOMPARE(whileSending, texts.value(165));
        QCOMPARE(afterSending, texts.value(98));

        const TunitRecord &unit = form->model.unit_par[5];
        QCOMPARE(int(unit.buffer[units::ModeByte]) & 0x9F, 0x88);
        QCOMPARE(int(unit.buffer[units::FanByte]) & 0x8F, 2);
        QCOMPARE(int(unit.buffer[units::SetTempByte]), 24);
        QCOMPARE(int(unit.tmin), 18);
        QVERIFY(unit.buffer[units::FlapByte] & 0x04);
        QVERIFY(unit.buffer[units::RemoteByte] & 0x80); // locked
    }

    // Settings for a controller that could not be reached are reported, naming their units, when
    // the link moves on to another: they never go there, and never vanish without a word.
    void unreachableControllerReportedWhenTheLinkMovesOn()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.154")));
        QString status;
        prompts->answer = [&](QDialog *d) {
            if (d != dialog)
                return 0;
            dialog->sb8->click();
            dialog->btset->click();
            [&] { QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 3000); }();
            // A reload of another controller that runs dry has not sent these settings.
            form->ipSensor = QStringLiteral("127.0.0.154");
            form->reloadUnitList();
            waitForIdle();
            status = statusText(*dialog);
            return 0;
        };
        dialog->ShowSetting(2, 255);
        QCOMPARE(status, QStringLiteral("Not sent to units: all"));
        QCOMPARE(prompts->shown.first().text, texts.value(164));
        QVERIFY(logHas(*form, QStringLiteral("--->FINITO")));
    }

    void passwordChangeReadsBack()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.152")));
        form->ipSensor = QStringLiteral("127.0.0.152");
        form->reloadUnitList();
        waitForIdle();
        QCOMPARE(form->model.BZ_password, QStringLiteral("123456"));

        int step = 0;
        prompts->answer = [&](QDialog *d) {
            return step++ == 0 ? PasswordScript{{"123456"}, {}}(d)
                               : PasswordScript{{"Nuova-pass7"}, {"Nuova-pass7"}}(d);
        };
        form->tab3bt1->click();
        waitForIdle();
        QCOMPARE(form->model.BZ_password, QStringLiteral("Nuova-pass7"));

        // Switching the password on answers with the controller's own state.
        prompts->answer = PasswordScript{{"Nuova-pass7"}, {}};
        form->tab3sb1->click();
        waitForIdle();
        QVERIFY(form->model.use_password);
        QVERIFY(form->tab3sb1->isChecked());
    }
};

QTEST_MAIN(TestSetting)
#include "tst_setting.moc"
