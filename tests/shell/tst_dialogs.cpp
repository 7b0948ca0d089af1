#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "link/Intervals.h"
#include "shell/Texts.h"
#include "shell/form/infoext.h"
#include "shell/form/myDialogUnit.h"
#include "shell/form/waitUnit.h"
#include "support/PasswordScript.h"
#include "support/ScriptedPrompts.h"
#include "units/form/passwordUnit.h"
#include "units/form/setting.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Plays the user at the password dialog: types each entry and presses OK; if the
// dialog is still open after the last one, presses Cancel.

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        loadLanguage(0);
        intervals().waitDialogTick = 3;
    }

    void waitDialogRunsItsCourseAndClosesItself()
    {
        Twaitform wait;
        QSignalSpy steps(wait.ProgressBar1, &QProgressBar::valueChanged);
        QTimer::singleShot(0, &wait, [&] { QCOMPARE(wait.windowTitle(), texts.value(165)); });
        QCOMPARE(wait.exec(), int(QDialog::Accepted));
        QCOMPARE(steps.count(), 20);
        QCOMPARE(wait.ProgressBar1->value(), 20);
        QVERIFY(!wait.Timer1->isActive());
    }

    void waitDialogClosedEarlyStartsAgainAtZero_data()
    {
        QTest::addColumn<std::function<void(Twaitform &)>>("closeIt");
        QTest::newRow("done") << std::function<void(Twaitform &)>([](Twaitform &w) { w.done(7); });
        QTest::newRow("reject") << std::function<void(Twaitform &)>([](Twaitform &w) { w.reject(); });
        QTest::newRow("hide") << std::function<void(Twaitform &)>([](Twaitform &w) { w.hide(); });
        QTest::newRow("close") << std::function<void(Twaitform &)>([](Twaitform &w) { w.close(); });
    }

    void waitDialogClosedEarlyStartsAgainAtZero()
    {
        QFETCH(std::function<void(Twaitform &)>, closeIt);
        intervals().waitDialogTick = 20;
        Twaitform wait;
        wait.show();
        QTRY_VERIFY(wait.ProgressBar1->value() >= 3);
        closeIt(wait);
        QVERIFY(!wait.isVisible());
        QVERIFY(!wait.Timer1->isActive());

        wait.show();
        QCOMPARE(wait.ProgressBar1->value(), 0);
        QVERIFY(wait.Timer1->isActive());
        QTRY_VERIFY(wait.ProgressBar1->value() >= 1);
        wait.hide();
        intervals().waitDialogTick = 3;
    }

    void waitDialogIgnoresEscape()
    {
        intervals().waitDialogTick = 1000;
        Twaitform wait;
        wait.show();
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(wait.isVisible());
        QVERIFY(wait.Timer1->isActive());
        wait.hide();
        intervals().waitDialogTick = 3;
    }

    void messageDialogShowsTitleAndTextModally()
    {
        ScriptedPrompts scripted;
        TmyDialogForm form;
        QString seenTitle, seenText;
        scripted.answer = [&](QDialog *d) {
            seenTitle = d->windowTitle();
            seenText = form.StaticText1->text();
            return int(QDialog::Accepted);
        };
        form.ShowMessage(QStringLiteral("Title"), QStringLiteral("Some text"));
        QCOMPARE(scripted.dialogsRun, 1);
        QCOMPARE(seenTitle, QStringLiteral("Title"));
        QCOMPARE(seenText, QStringLiteral("Some text"));
    }

    void buttonsAndKeysCloseWithTheirResult_data()
    {
        using Make = std::function<QDialog *()>;
        using Act = std::function<void(QDialog *)>;
        QTest::addColumn<Make>("make");
        QTest::addColumn<Act>("act");
        QTest::addColumn<int>("result");

        const Make info = [] { return new Tinfoextform; };
        const Make message = [] { return new TmyDialogForm; };
        const Make name = [] { return new TSensorName; };
        const Act escape = [](QDialog *d) { QTest::keyClick(d, Qt::Key_Escape); };
        const Act enter = [](QDialog *d) {
            QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
        };
        const auto click = [](const char *button) {
            return Act([button](QDialog *d) { d->findChild<QPushButton *>(QLatin1String(button))->click(); });
        };
        const int ok = QDialog::Accepted;
        const int cancel = QDialog::Rejected;

        QTest::newRow("info: OK") << info << click("Button1") << ok;
        QTest::newRow("info: Escape presses OK") << info << escape << ok;
        QTest::newRow("info: Enter") << info << enter << ok;
        QTest::newRow("message: OK") << message << click("Button1") << ok;
        QTest::newRow("name: OK") << name << click("Button1") << ok;
        QTest::newRow("name: Enter in the field") << name << enter << ok;
        QTest::newRow("name: Annulla") << name << click("Button2") << cancel;
        QTest::newRow("name: Escape") << name << escape << cancel;
    }

    void buttonsAndKeysCloseWithTheirResult()
    {
        QFETCH(std::function<QDialog *()>, make);
        QFETCH(std::function<void(QDialog *)>, act);
        QFETCH(int, result);
        std::unique_ptr<QDialog> dialog(make());
        dialog->setResult(-1);
        dialog->open();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        act(dialog.get());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), result);
    }

    void sensorNameKeepsToTheFrameLimit()
    {
        TSensorName dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Modifica nome"));
        dialog.Edit1->setText(QString(200, QLatin1Char('x')));
        QCOMPARE(dialog.Edit1->text().size(), 127);
    }

    void registrationEmptiesItsFieldsOnEveryOpening()
    {
        TRegSensor dialog;
        dialog.MacAddress = QStringLiteral("00:11:22:33:44:55");
        dialog.show();
        dialog.Edit1->setText(QStringLiteral("u1"));
        dialog.Edit2->setText(QStringLiteral("p1"));
        dialog.hide();
        dialog.show();
        QVERIFY(dialog.Edit1->text().isEmpty());
        QVERIFY(dialog.Edit2->text().isEmpty());
        QCOMPARE(dialog.Edit2->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.MacAddress, QStringLiteral("00:11:22:33:44:55"));
        dialog.hide();
    }

    void askPassword_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("mismatches");

        QTest::newRow("six characters") << "abc123" << QStringList{"abc123"} << 1 << 0;
        QTest::newRow("fifteen characters") << "abcdefghijklmno" << QStringList{"abcdefghijklmno"} << 1 << 0;
        QTest::newRow("five characters refused though equal") << "abc12" << QStringList{"abc12"} << 2 << 0;
        QTest::newRow("sixteen characters refused though equal")
            << "abcdefghijklmnop" << QStringList{"abcdefghijklmnop"} << 2 << 0;
        QTest::newRow("case differs") << "Secret1" << QStringList{"secret1"} << 2 << 1;
        QTest::newRow("wrong, then right") << "Secret1" << QStringList{"Secret2", "Secret1"} << 1 << 1;
        QTest::newRow("nothing matches an empty password") << "" << QStringList{"", "123456"} << 2 << 1;
        QTest::newRow("cancelled at once") << "Secret1" << QStringList{} << 2 << 0;
    }

    void askPassword()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, entries);
        QFETCH(int, result);
        QFETCH(int, mismatches);
        ScriptedPrompts scripted;
        scripted.answer = PasswordScript{entries, {}};
        TpasswordForm form;
        QCOMPARE(form.askPassword(stored), result);
        QCOMPARE(scripted.shown.size(), mismatches);
        for (const auto &message : scripted.shown) {
            QCOMPARE(message.text, texts.value(167));
            QCOMPARE(message.caption, texts.value(14));
        }
    }

    void askNewPassword_data()
    {
        QTest::addColumn<QStringList>("firsts");
        QTest::addColumn<QStringList>("seconds");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("newpw");
        QTest::addColumn<int>("mismatches");

        QTest::newRow("equal") << QStringList{"newpass1"} << QStringList{"newpass1"} << 1 << "newpass1" << 0;
        QTest::newRow("differ, then cancel")
            << QStringList{"newpass1"} << QStringList{"newpass2"} << 2 << "newpass2" << 1;
        QTest::newRow("differ, then equal") << QStringList{"newpass1", "newpass3"}
                                            << QStringList{"newpass2", "newpass3"} << 1 << "newpass3" << 1;
        QTest::newRow("too short though equal")
            << QStringList{"abc"} << QStringList{"abc"} << 2 << "abc" << 0;
        // The controller keeps one byte a character.
        QTest::newRow("a character above 255 refused though equal")
            << QStringList{"pass€word"} << QStringList{"pass€word"} << 2 << "pass€word" << 0;
    }

    void askNewPassword()
    {
        QFETCH(QStringList, firsts);
        QFETCH(QStringList, seconds);
        QFETCH(int, result);
        QFETCH(QString, newpw);
        QFETCH(int, mismatches);
        ScriptedPrompts scripted;
        scripted.answer = PasswordScript{firsts, seconds};
        TpasswordForm form;
        QString chosen = QStringLiteral("untouched");
        QCOMPARE(form.askNewPassword(QStringLiteral("old"), chosen), result);
        QCOMPARE(chosen, newpw);
        QCOMPARE(scripted.shown.size(), mismatches);
    }

    void passwordDialogForgetsTheLastAskWhenReused()
    {
        ScriptedPrompts scripted;
        TpasswordForm form;
        scripted.answer = PasswordScript{{"newpass1"}, {"newpass1"}};
        QString chosen;
        QCOMPARE(form.askNewPassword(QString(), chosen), 1);

        bool secondFieldHidden = false;
        bool fieldsEmpty = false;
        scripted.answer = [&](QDialog *) {
            secondFieldHidden = form.Edit2->isHidden() && form.Label2->isHidden();
            fieldsEmpty = form.Edit1->text().isEmpty() && form.Edit2->text().isEmpty();
            // Accepting without a valid entry must not pass the gate.
            return 1;
        };
        QCOMPARE(form.askPassword(QStringLiteral("newpass1")), 2);
        QVERIFY(secondFieldHidden);
        QVERIFY(fieldsEmpty);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
