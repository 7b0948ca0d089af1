// The schedule editor as the settings dialog opens it, and a schedule's round
// trip through the simulator: read, edit, send, read back.
#include "schedules/form/ProgUnit.h"
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"
#include "units/form/setting.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

QString describe(const TprogRecordList &list)
{
    QStringList parts;
    for (const auto &e : list)
        parts << QStringLiteral("%1,%2,%3,%4").arg(e->Time).arg(e->Temp).arg(e->Mode).arg(e->Fan);
    return parts.join(QLatin1Char(';'));
}

QStringList rows(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Entries on distinct Saturday and Sunday minutes, none at 06:00.
void fillWeekend(TprogRecordList &list, int count)
{
    for (int i = 0; i < count; ++i)
        list.Add(5 * 1440 + 400 + i * 10, 20, 3, 2);
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    TForm1 *form = nullptr;
    TForm2 *dialog = nullptr;
    TprogForm3 *editor = nullptr;

    // Chooses day, hour, minute, temperature (as an item index), mode and fan, and presses "Add".
    void add(int day, int hour, int minute, int tempItem, int mode, int fan)
    {
        const QList<QPair<QComboBox *, int>> choices{
            {editor->ComboBox1, day},      {editor->ComboBox2, hour}, {editor->ComboBox3, minute},
            {editor->ComboBox4, tempItem}, {editor->ComboBox5, mode}, {editor->ComboBox6, fan}};
        for (const auto &[box, index] : choices)
            box->setCurrentIndex(index);
        editor->Button3->click();
    }

    // What runs while the settings dialog, or the editor, is open.
    std::function<void()> inDialog, inEditor;

    // Runs the settings dialog's schedules button; `edit` works in the open editor.
    void openEditor(const std::function<void()> &edit)
    {
        inEditor = edit;
        editor->setResult(0);
        dialog->btprogClick();
    }

    void waitForIdle() { QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000); }

    // Double-clicks the panel's row of unit `adr`; `whileOpen` runs in the settings dialog.
    void openUnit(int adr, const std::function<void()> &whileOpen)
    {
        for (int row = 0; row < panelRows(*form); ++row)
            if (panelAddress(*form, row) == adr)
                selectPanelRow(*form, row);
        inDialog = whileOpen;
        form->Tab1PanelListDblClick();
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
        // One dispatcher for the whole test: an answer must not be replaced while it runs.
        prompts->answer = [this](QDialog *d) {
            if (d == editor && inEditor) {
                inEditor();
                return editor->result();
            }
            if (d == dialog && inDialog)
                inDialog();
            return 0;
        };
        // Nothing listens here.
        form = createDialogForms(QStringLiteral("127.0.0.162"));
        dialog = forms().Form2;
        editor = forms().progForm3;
        dialog->Edit1->setValue(17);
        dialog->Edit2->setValue(30);
    }

    void cleanup()
    {
        inDialog = inEditor = nullptr;
        form->session->cancelRetry();
        destroyForms();
        prompts.reset();
    }

    void addedEntryShowsAndSaveReplacesSorted()
    {
        form->model.unitProgList.Add(9000, 19, 1, 1);
        form->model.unitProgList.Add(100, 18, 2, 2);
        QStringList shown;
        openEditor([&] {
            QCOMPARE(editor->windowTitle(), texts.value(153));
            QCOMPARE(editor->ComboBox1->count(), 10);
            QCOMPARE(editor->ComboBox1->itemText(7), texts.value(47));
            QCOMPARE(editor->ComboBox3->count(), 60);
            QCOMPARE(editor->ComboBox5->itemText(4), texts.value(81));
            QCOMPARE(editor->ComboBox6->itemText(4), texts.value(88));
            add(1, 7, 15, 21 - 17, 4, 4);
            shown = rows(editor->editprogListBox1);
            editor->Button2->click();
        });
        QCOMPARE(shown.at(1),
                 QStringLiteral("Tuesday 07:15 - Temp. 21\u00B0C - Mode: Heating - Ventilation: High"));
        QCOMPARE(describe(form->model.unitProgList), QStringLiteral("100,18,2,2;1875,21,4,4;9000,19,1,1"));
        QCOMPARE(rows(dialog->ProgListBox1), shown);
    }

    // A group's dialog sends the schedule last read or edited: it shows it too.
    void groupDialogShowsTheScheduleItSends()
    {
        form->model.unitProgList.Add(9000, 19, 1, 1);
        form->model.unitProgList.Add(100, 18, 2, 2);
        QStringList shown;
        inDialog = [&] { shown = rows(dialog->ProgListBox1); };
        dialog->ShowSetting(2, 255);
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.first().startsWith(QStringLiteral("Monday 01:40")));
        QVERIFY(dialog->ProgListBox1->count() == 0); // emptied on closing
    }

    void backLeavesTheScheduleAlone()
    {
        form->model.unitProgList.Add(100, 18, 2, 2);
        dialog->ProgListBox1->addItem(QStringLiteral("shown"));
        openEditor([&] {
            add(7, 6, 0, 4, 4, 4);
            QCOMPARE(editor->editProgList.Count(), 6);
            editor->Button1->click();
        });
        QCOMPARE(describe(form->model.unitProgList), QStringLiteral("100,18,2,2"));
        QCOMPARE(rows(dialog->ProgListBox1), QStringList{QStringLiteral("shown")});
        // The discarded copy does not come back at the next opening.
        openEditor([&] { QCOMPARE(editor->editProgList.Count(), 1); });
    }

    void limitOfFiftyNine_data()
    {
        QTest::addColumn<int>("present");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("messages");

        QTest::newRow("55 and all days: four added, one refusal") << 55 << 9 << 59 << 1;
        QTest::newRow("57 and mon-fri: two added, three refusals") << 57 << 7 << 59 << 3;
        QTest::newRow("59 and a new single day") << 59 << 0 << 59 << 1;
        QTest::newRow("58 and sat-sun: one added, one refusal") << 58 << 8 << 59 << 1;
    }

    void limitOfFiftyNine()
    {
        QFETCH(int, present);
        QFETCH(int, day);
        QFETCH(int, count);
        QFETCH(int, messages);
        fillWeekend(form->model.unitProgList, present);
        openEditor([&] { add(day, 6, 0, 4, 4, 4); });
        QCOMPARE(editor->editProgList.Count(), count);
        QCOMPARE(editor->editprogListBox1->count(), count);
        QCOMPARE(prompts->shown.size(), messages);
        QCOMPARE(prompts->shown.first().text, texts.value(102));
        QCOMPARE(prompts->shown.first().kind, QStringLiteral("message"));
    }

    void temperaturesFollowTheSettingLimits()
    {
        dialog->Edit1->setValue(18);
        dialog->Edit2->setValue(29);
        openEditor([&] {
            QCOMPARE(editor->ComboBox4->count(), 12);
            QCOMPARE(editor->ComboBox4->itemText(0), QStringLiteral("18\u00B0C"));
            QCOMPARE(editor->ComboBox4->itemText(11), QStringLiteral("29\u00B0C"));
            add(0, 0, 0, 2, 0, 0);
        });
        QCOMPARE(describe(editor->editProgList), QStringLiteral("0,20,0,0"));

        // The maximum below the minimum leaves no temperature: "Add" stores nothing.
        dialog->Edit1->setValue(25);
        dialog->Edit2->setValue(20);
        openEditor([&] {
            QCOMPARE(editor->ComboBox4->count(), 0);
            add(9, 6, 0, 0, 4, 4);
        });
        QVERIFY(editor->editProgList.isEmpty());
        QVERIFY(prompts->shown.isEmpty());
    }

    void deleteKeyRemovesTheSelectedRow()
    {
        for (int i = 0; i < 4; ++i)
            form->model.unitProgList.Add(i * 100, 20 + i, 3, 2);
        QStringList afterMiddle, afterLast;
        int selectedAfterMiddle = -2, selectedAfterLast = -2;
        openEditor([&] {
            QListWidget *list = editor->editprogListBox1;
            QTest::keyClick(list, Qt::Key_Delete); // nothing selected: nothing happens
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Delete);
            afterMiddle = rows(list);
            selectedAfterMiddle =
                list->selectedItems().isEmpty() ? -1 : list->row(list->selectedItems().first());
            list->setCurrentRow(list->count() - 1);
            QTest::keyClick(list, Qt::Key_Delete);
            afterLast = rows(list);
            selectedAfterLast =
                list->selectedItems().isEmpty() ? -1 : list->row(list->selectedItems().first());
            editor->Button2->click();
        });
        QCOMPARE(afterMiddle.size(), 3);
        QVERIFY(afterMiddle.at(1).contains(QStringLiteral("Temp. 22")));
        QCOMPARE(selectedAfterMiddle, 1);
        QCOMPARE(afterLast.size(), 2);
        QCOMPARE(selectedAfterLast, -1);
        QCOMPARE(describe(form->model.unitProgList), QStringLiteral("0,20,3,2;200,22,3,2"));
    }

    // Open a unit, add "Mon-Fri 06:00 21°C Heating High", save, send, close,
    // reopen: the unit gives the entries back. Unit 1's 35 entries go in two blocks.
    // Block 2's leading byte is not the unit's address on every device.
    void roundTripThroughTheDevice_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("before");
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("unit without a schedule") << 2 << 0 << QStringList();
        QTest::newRow("unit with two blocks") << 1 << 35 << QStringList();
        QTest::newRow("block 2 led by another byte")
            << 1 << 35 << QStringList{QStringLiteral("--schedule-lead"), QStringLiteral("0")};
    }

    void roundTripThroughTheDevice()
    {
        QFETCH(int, unit);
        QFETCH(int, before);
        QFETCH(QStringList, faults);
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.161"), faults));
        form->ipSensor = QStringLiteral("127.0.0.161");
        form->reloadUnitList();
        waitForIdle();
        QVERIFY(form->model.unit_online[size_t(unit)]);

        QString sent;
        openUnit(unit, [&] {
            waitForIdle();
            QCOMPARE(form->model.unitProgList.Count(), before);
            QCOMPARE(dialog->ProgListBox1->count(), before);
            openEditor([&] {
                add(7, 6, 0, 21 - dialog->Edit1->value(), 4, 4);
                editor->Button2->click();
            });
            sent = describe(form->model.unitProgList);
            dialog->btsetp->click();
            waitForIdle();
        });
        QVERIFY(logHas(*form, QStringLiteral("unit %1 send %2").arg(before + 5).arg(qMin(before + 5, 30))));

        // The next opening starts from an empty list, whatever the device answers.
        form->model.unitProgList.Add(1, 1, 1, 1);
        QString readBack;
        QStringList shown;
        openUnit(unit, [&] {
            waitForIdle();
            readBack = describe(form->model.unitProgList);
            shown = rows(dialog->ProgListBox1);
        });
        QCOMPARE(readBack, sent);
        QCOMPARE(shown.size(), before + 5);
        for (int day = 0; day < 5; ++day)
            QVERIFY2(readBack.contains(QStringLiteral("%1,21,4,4").arg(day * 1440 + 360)),
                     qPrintable(readBack));
        QVERIFY(shown.contains(
            QStringLiteral("Friday 06:00 - Temp. 21\u00B0C - Mode: Heating - Ventilation: High")));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
