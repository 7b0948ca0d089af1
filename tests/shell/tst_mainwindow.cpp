// The main window's life: settings file, captions, languages and the unit panel.
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/IniFile.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/PasswordScript.h"
#include "support/ScriptedPrompts.h"
#include "units/form/setting.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPrompts> prompts;
    QString previousDir;

    // Builds the windows in the temporary directory and runs the first show,
    // without letting the start-up reload reach any network.
    TForm1 *start(const QByteArray &ini = {})
    {
        if (!ini.isNull())
            writeFile(dir->filePath(QStringLiteral("brezzano.ini")), ini);
        createForms();
        TForm1 *form = forms().Form1;
        form->FormShow();
        form->Timer_startup->stop();
        return form;
    }

    QString iniPath() const { return dir->filePath(QStringLiteral("brezzano.ini")); }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        previousDir = QDir::currentPath();
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir->path()));
        prompts = std::make_unique<ScriptedPrompts>();
    }

    void cleanup()
    {
        destroyForms();
        prompts.reset();
        QDir::setCurrent(previousDir);
        dir.reset();
    }

    void noFileGivesDefaultsAndTheFourLinesAtClose()
    {
        TForm1 *form = start();
        QCOMPARE(form->lang_act, 0);
        QCOMPARE(form->autoupdvalue, 30);
        QCOMPARE(form->netType, 0);
        QCOMPARE(form->ipSensor, QStringLiteral("169.254.1.1"));
        QVERIFY(form->logPanes->isHidden());
        QVERIFY(form->devList.isEmpty());
        QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("&1 Panel"));
        // Without debugging the hidden log keeps nothing: hours of reloads must not pile up there.
        for (int i = 0; i < 100; ++i)
            form->log(QStringLiteral("rcv SETUNITSTATUS"));
        QCOMPARE(form->Memo2->blockCount(), 1);
        form->FormClose();
        QCOMPARE(fileLines(iniPath()),
                 (QStringList{"[SENS]", "NETTYPE=0", "IP=169.254.1.1", "AUTOAUPD=30", "LANGUAGE=0"}));
        QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("log1.txt"))));
    }

    void readingRulesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("ipSensor");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("device network forces the address")
            << QByteArray("[SENS]\nNETTYPE=0\nIP=192.168.1.20\n") << QStringLiteral("169.254.1.1") << 0
            << QStringList{"[SENS]", "NETTYPE=0", "IP=169.254.1.1", "AUTOAUPD=30", "LANGUAGE=0"};
        QTest::newRow("any other network type is the local network")
            << QByteArray("[SENS]\nNETTYPE=5\nIP=127.0.0.50\nLANGUAGE=1\n") << QStringLiteral("127.0.0.50")
            << 1 << QStringList{"[SENS]", "NETTYPE=1", "IP=127.0.0.50", "LANGUAGE=1", "AUTOAUPD=30"};
        QTest::newRow("unknown language reads and writes as English")
            << QByteArray("[SENS]\nLANGUAGE=2\n") << QStringLiteral("169.254.1.1") << 0
            << QStringList{"[SENS]", "LANGUAGE=0", "NETTYPE=0", "IP=169.254.1.1", "AUTOAUPD=30"};
    }

    void readingRulesRoundTrip()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, ipSensor);
        QFETCH(int, language);
        QFETCH(QStringList, written);
        TForm1 *form = start(ini);
        QCOMPARE(form->ipSensor, ipSensor);
        QCOMPARE(form->lang_act, language);
        form->FormClose();
        QCOMPARE(fileLines(iniPath()), written);
    }

    void addressBookKeepsItsOrderAndForeignKeys()
    {
        QByteArray ini("[SENS]\nNETTYPE=1\nIP=127.0.0.51\nCOLOUR=blue\n[LISTSENS]\n");
        for (int i = 0; i < 12; ++i)
            ini += QStringLiteral("NAME%1=Device %1\nIPADDR%1=127.0.1.%1\n").arg(i).toUtf8();
        ini += "[OTHER]\nKEEP=1\n";
        TForm1 *form = start(ini);
        QCOMPARE(form->devList.Count(), 12);
        QCOMPARE(form->devList.Get(11)->name, QStringLiteral("Device 11"));
        form->FormClose();
        IniFile written;
        QVERIFY(written.load(iniPath()));
        QCOMPARE(written.keys(QStringLiteral("LISTSENS")).size(), 24);
        QCOMPARE(written.keys(QStringLiteral("LISTSENS")).at(20), QStringLiteral("NAME10"));
        QCOMPARE(written.readString(QStringLiteral("SENS"), QStringLiteral("COLOUR"), {}),
                 QStringLiteral("blue"));
        QCOMPARE(written.readString(QStringLiteral("OTHER"), QStringLiteral("KEEP"), {}),
                 QStringLiteral("1"));
    }

    void aDeviceChosenInTheListSurvivesTheClose()
    {
        TForm1 *form = start("[SENS]\nNETTYPE=0\n");
        form->ipSensor = QStringLiteral("127.0.0.52");
        form->netType = 1; // checked in the device list; the network tab never shown
        form->FormClose();
        QVERIFY(fileLines(iniPath()).contains(QStringLiteral("IP=127.0.0.52")));
        QVERIFY(fileLines(iniPath()).contains(QStringLiteral("NETTYPE=1")));
    }

    void debugModeShowsThePanesAndSavesTheLogs()
    {
        TForm1 *form = start("[SENS]\nDEBUG=127\n");
        QVERIFY(!form->logPanes->isHidden());
        // The panes are hidden through their parent: ask whether they show with the window.
        QVERIFY(form->Memo2->isVisibleTo(form));
        QVERIFY(form->Memo1->isVisibleTo(form));
        form->log(QStringLiteral("START conn at 127.0.0.53"));
        form->FormClose();
        const QStringList log1 = fileLines(dir->filePath(QStringLiteral("log1.txt")));
        QCOMPARE(log1.value(0), QStringLiteral("Memo2"));
        QVERIFY(log1.contains(QStringLiteral("START conn at 127.0.0.53")));
        QVERIFY(QFile::exists(dir->filePath(QStringLiteral("log2.txt"))));
        QCOMPARE(fileLines(iniPath()).count(QStringLiteral("DEBUG=127")), 1); // kept, not written again
    }

    void unwritableSettingsFileIsReported()
    {
        TForm1 *form = start();
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("brezzano.ini"))); // a folder in its place
        QFile::remove(iniPath());
        form->FormClose();
        QCOMPARE(prompts->shown.size(), 1);
        QVERIFY(prompts->shown.first().text.contains(QStringLiteral("brezzano.ini")));
    }

    void unreadableSettingsFileIsSaidOnceAndLeftAlone_data()
    {
        QTest::addColumn<bool>("fifo"); // else a file larger than 16 MB
        QTest::newRow("a FIFO") << true;
        QTest::newRow("larger than 16 MB") << false;
    }
    void unreadableSettingsFileIsSaidOnceAndLeftAlone()
    {
        QFETCH(bool, fifo);
        const qint64 size = fifo ? 0 : IniFile::MaxBytes + 1;
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(iniPath()).constData(), 0600), 0);
        else {
            writeFile(iniPath(), "[SENS]\nLANGUAGE=1\n");
            QVERIFY(QFile::resize(iniPath(), size));
        }
        TForm1 *form = start();
        QCOMPARE(form->lang_act, 0);
        QCOMPARE(prompts->shown.size(), 1);
        QVERIFY2(prompts->shown.first().text.contains(iniPath()), qPrintable(prompts->shown.first().text));
        form->lang_act = 1;
        form->FormClose();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(QFileInfo(iniPath()).isFile(), !fifo);
        QCOMPARE(QFileInfo(iniPath()).size(), size);
    }

    void captionsInBothLanguages()
    {
        TForm1 *form = start("[SENS]\nLANGUAGE=1\nDEBUG=127\n");
        QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("&1 Pannello"));
        QCOMPARE(form->PageControl1->tabText(1), QStringLiteral("&2 Impostazioni"));
        QCOMPARE(form->PageControl1->tabText(2), QStringLiteral("&3 Network"));
        QCOMPARE(form->PageControl1->tabText(3), QStringLiteral("&4 Aiuto"));
        QCOMPARE(form->ListView1->headerItem()->text(0), QStringLiteral("Nome"));
        QCOMPARE(form->ListView1->headerItem()->text(1), QStringLiteral("Indirizzo IP"));
        QCOMPARE(form->Tab1PanelList->model()->headerData(1, Qt::Horizontal).toString(),
                 QString::fromUtf8("Modalità  di funzionamento"));

        // Switching to English: captions and the columns of both lists follow at once.
        form->ipSensor = QStringLiteral("127.0.0.54"); // the reload of the device list stays on loopback
        form->sel_languageChange(0);
        QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("&1 Panel"));
        QCOMPARE(form->reloadbutTab1->text(), QStringLiteral("Update"));
        QCOMPARE(form->ListView1->headerItem()->text(0), QStringLiteral("Name"));
        QCOMPARE(form->Tab1PanelList->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Operating mode"));
        QCOMPARE(form->Tab1PanelList->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
                 QStringLiteral("Operating mode"));
        QCOMPARE(form->lang_act, 0);
        QVERIFY(logHas(*form, QStringLiteral("START conn at 127.0.0.54")));
    }

    void panelOrderAndColours()
    {
        TForm1 *form = start();
        const int keys[] = {16, 0, 1, 0};
        for (int adr = 0; adr < 4; ++adr) {
            form->model.unit_online[size_t(adr)] = 1;
            form->model.unit_par[size_t(adr)].name = QStringLiteral("U%1").arg(adr);
            form->model.unit_par[size_t(adr)].buffer[16] = quint8(keys[adr]);
        }
        form->fillUnitList();
        QStringList order;
        QList<QColor> colours;
        for (int row = 0; row < panelRows(*form); ++row) {
            order << panelCell(*form, row).data().toString();
            colours << panelCell(*form, row, 2).data(Qt::BackgroundRole).value<QBrush>().color();
            QVERIFY(panelCell(*form, row).data(Qt::FontRole).value<QFont>().bold());
            QCOMPARE(panelCell(*form, row).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        }
        QCOMPARE(order, (QStringList{"U0", "U2", "U1", "U3"}));
        QCOMPARE(colours, (QList<QColor>{QColor(255, 0, 0), QColor(255, 0, 0), QColor(192, 220, 192),
                                         QColor(Qt::white)}));
    }

    void setButtonsNeedCheckedRows()
    {
        TForm1 *form = start();
        for (int adr : {1, 5}) {
            form->model.unit_online[size_t(adr)] = 1;
        }
        form->fillUnitList();
        form->Tab1setunitClick();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text, QStringLiteral("No units selected"));
        QCOMPARE(prompts->dialogsRun, 0);

        // A double-click with nothing selected does nothing.
        form->Tab1PanelListDblClick();
        QCOMPARE(prompts->dialogsRun, 0);

        // Two rows checked: the dialog opens for the checked units, no schedule is read.
        tickPanelRow(*form, 0);
        tickPanelRow(*form, 1);
        selectPanelRow(*form, 1);
        form->Tab1PanelListDblClick();
        QCOMPARE(prompts->dialogsRun, 1);
        QCOMPARE(int(forms().Form2->curr_setting), 1);
        QCOMPARE(int(forms().Form2->curr_addr), 255);
        QVERIFY(form->session->TaskList.isEmpty());
    }

    void autoUpdateCountsDownThenReloads_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<bool>("modal");
        QTest::addColumn<int>("reloadTick"); // 0: no reload in 40 ticks
        QTest::newRow("30 seconds") << 30 << false << 30;
        QTest::newRow("never") << 0 << false << 0;
        QTest::newRow("held while a window is open") << 30 << true << 0;
    }

    void autoUpdateCountsDownThenReloads()
    {
        QFETCH(int, period);
        QFETCH(bool, modal);
        QFETCH(int, reloadTick);
        TForm1 *form = start("[SENS]\nNETTYPE=1\nIP=127.0.0.55\nDEBUG=127\n");
        form->autoupdvalue = period;
        form->autoupt_counter = period;
        prompts->pretendModal = modal;
        int reloadedAt = 0;
        for (int tick = 1; tick <= 40 && reloadedAt == 0; ++tick) {
            form->autoupdtmTimer();
            if (logHas(*form, QStringLiteral("START conn at 127.0.0.55")))
                reloadedAt = tick;
        }
        QCOMPARE(reloadedAt, reloadTick);
        if (modal) {
            QCOMPARE(form->autoupt_counter, 1);
            prompts->pretendModal = false;
            form->autoupdtmTimer();
            QVERIFY(logHas(*form, QStringLiteral("START conn at 127.0.0.55")));
        }
    }

    void showingTheSettingsTabPressesThePeriodButton_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("down"); // empty: none
        QTest::newRow("30 seconds") << 30 << QStringLiteral("tab3sb4");
        QTest::newRow("never") << 0 << QStringLiteral("tab3sb3");
        QTest::newRow("a period no button offers") << 45 << QString();
    }

    void showingTheSettingsTabPressesThePeriodButton()
    {
        QFETCH(int, period);
        QFETCH(QString, down);
        TForm1 *form = start("[SENS]\nNETTYPE=1\nIP=127.0.0.57\nLANGUAGE=1\n");
        form->tab3sb6->setChecked(true);
        form->autoupdvalue = period;
        form->sel_language->setCurrentIndex(0);
        form->ImpostazioniShow();
        QStringList pressed;
        for (QToolButton *button : {form->tab3sb3, form->tab3sb4, form->tab3sb5, form->tab3sb6})
            if (button->isChecked())
                pressed << button->objectName();
        QCOMPARE(pressed, down.isEmpty() ? QStringList() : QStringList{down});
        QCOMPARE(form->sel_language->currentIndex(), 1);
        // Setting the selector is no click: the language stays and the captions with it.
        QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("&1 Pannello"));
    }

    void periodButtonsLogAndLeaveTheCountdown()
    {
        TForm1 *form = start("[SENS]\nDEBUG=127\n");
        form->autoupt_counter = 12;
        form->tab3sb5->click();
        QCOMPARE(form->autoupdvalue, 60);
        QCOMPARE(form->autoupt_counter, 12);
        QVERIFY(logHas(*form, QStringLiteral("auto upd 60")));
    }

    // An assistive tool's toggle action changes an option as a click does; the
    // device's answer that sets the option again sends nothing back.
    void optionTogglesRunTheirHandler_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("effects");
        QTest::addColumn<int>("readBack"); // the response that sets the button; 0: none
        QTest::newRow("ask password") << "tab3sb1" << QStringList{"tasks 53"} << 50;
        QTest::newRow("web connection") << "tab3sb2" << QStringList{"tasks 54 67"} << 55;
        QTest::newRow("sound alarm") << "tab3sb7" << QStringList{"tasks 69"} << 68;
        QTest::newRow("period 60 s") << "tab3sb5" << QStringList{"period 60"} << 0;
        QTest::newRow("device's own network")
            << "tab4sb1" << QStringList{"network 0", "address fields hidden"} << 0;
        QTest::newRow("DHCP") << "tab4sb2" << QStringList{"address fields hidden"} << 0;
    }

    void optionTogglesRunTheirHandler()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, effects);
        QFETCH(int, readBack);
        writeFile(iniPath(), "[SENS]\nNETTYPE=1\nIP=127.0.0.58\n");
        createForms();
        TForm1 *form = forms().Form1;
        form->show();
        form->Timer_startup->stop();
        form->model.BZ_password = QStringLiteral("Secret1");
        prompts->answer = PasswordScript{{"Secret1"}, {}};
        const auto state = [form] {
            QStringList tasks;
            for (const auto &task : form->session->TaskList)
                tasks << QString::number(task->code);
            return QSet<QString>{QStringLiteral("tasks ") + tasks.join(QLatin1Char(' ')),
                                 QStringLiteral("period %1").arg(form->autoupdvalue),
                                 QStringLiteral("network %1").arg(form->netType),
                                 !form->EditIpaddress->isHidden() ? QStringLiteral("address fields shown")
                                                                  : QStringLiteral("address fields hidden")};
        };
        auto *target = form->findChild<QAbstractButton *>(button);
        QVERIFY(target);
        QAccessibleInterface *access = QAccessible::queryAccessibleInterface(target);
        QVERIFY(access && access->actionInterface());
        const QSet<QString> before = state();
        access->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        const QSet<QString> after = state();
        QCOMPARE(after - before, QSet<QString>(effects.begin(), effects.end()));

        if (readBack != 0) {
            const bool down = target->isChecked();
            form->session->applyResponse(TpktRecord{readBack, 1, QByteArray(1, down ? '\0' : '\1')});
            QCOMPARE(target->isChecked(), !down);
            QCOMPARE(state(), after);
        }
    }

    void startUpReloadListsTheSimulatorsUnits()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.56")));
        writeFile(iniPath(), "[SENS]\nNETTYPE=1\nIP=127.0.0.56\n");
        createForms();
        TForm1 *form = forms().Form1;
        form->show();
        QTRY_VERIFY_WITH_TIMEOUT(panelRows(*form) > 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(form->PageControl1->isEnabled(), 5000);
        QVERIFY(!form->Tab1PanelList->isHidden());
        QCOMPARE(panelCell(*form, 0, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QVERIFY(prompts->shown.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
