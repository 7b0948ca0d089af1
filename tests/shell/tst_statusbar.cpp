// The status bar's wording, and what it says through real exchanges with the
// simulator; the unit panel's tooltips and keyboard.
#include "session/ControllerSession.h"
#include "shell/StatusLine.h"
#include "shell/Texts.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

using status::Facts;
using status::Link;

Q_DECLARE_METATYPE(Facts)

namespace {

const QDateTime At1040(QDate(2026, 12, 9), QTime(10, 40, 0));
const QDateTime At1042(QDate(2026, 12, 9), QTime(10, 42, 7));

Facts facts(std::function<void(Facts &)> change)
{
    Facts f;
    f.deviceName = QStringLiteral("Demo");
    f.deviceAddress = QStringLiteral("10.0.0.5");
    change(f);
    return f;
}

} // namespace

class TestStatusBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TForm1> form;

    void startReload(const QString &host)
    {
        form->ipSensor = host;
        form->devList.Add(host, QStringLiteral("Roof"));
        form->reloadUnitList();
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
        form = makeTestForm();
        form->clockNow = [] { return At1040; };
    }

    void cleanup()
    {
        form.reset();
        prompts.reset();
    }

    void describes_data()
    {
        QTest::addColumn<Facts>("facts");
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("panel");
        // clang-format off
        QTest::newRow("filled, no units") << facts([](Facts &f) { f.filledAt = At1042; }) << 0
            << "Idle" << "Updated 10:42:07: no units";
        QTest::newRow("failed reload is not an empty panel")
            << facts([](Facts &f) { f.reloadFailedAt = At1042; f.link = Link::Unreachable; f.failedAt = At1040;
                                    f.linkHost = f.deviceAddress; }) << 0
            << "Not reachable since 10:40" << "Reload failed at 10:42:07, no data";
        QTest::newRow("failed after a good one")
            << facts([](Facts &f) { f.filledAt = At1040; f.units = 12; f.reloadFailedAt = At1042; }) << 0
            << "Idle" << "Reload failed at 10:42:07; last update 10:40:00";
        QTest::newRow("counts") << facts([](Facts &f) { f.filledAt = At1042; f.units = 12; f.faults = 2;
                                                         f.link = Link::Retrying; f.attemptsLeft = 1; }) << 0
            << "Connection failed, retrying: 1 attempt(s) left" << "Updated 10:42:07: 12 units, 2 in fault";
        QTest::newRow("link serves another device")
            << facts([](Facts &f) { f.link = Link::Exchanging; f.linkHost = QStringLiteral("10.0.0.9"); }) << 0
            << "Exchanging data (10.0.0.9)" << "Not updated yet";
        QTest::newRow("Italian") << facts([](Facts &f) { f.link = Link::Silent; f.failedAt = At1040;
                                                          f.filledAt = At1042; f.units = 3; f.faults = 1; }) << 1
            << "Non risponde dalle 10:40" << QString::fromUtf8("Aggiornato 10:42:07: 3 unità, 1 in errore");
        QTest::newRow("another device's rows, a setting waiting")
            << facts([](Facts &f) { f.filledAt = At1042; f.units = 12; f.panelFrom = QStringLiteral("10.0.0.7");
                                    f.panelFromName = QStringLiteral("Roof"); f.link = Link::Unreachable;
                                    f.failedAt = At1040; f.linkHost = f.deviceAddress; f.settingsWaiting = 1; }) << 0
            << "Not reachable since 10:40; 1 setting waiting for the controller"
            << "Rows still from Roof (10.0.0.7) until reloaded";
        QTest::newRow("Italian, another device's rows")
            << facts([](Facts &f) { f.filledAt = At1042; f.panelFrom = QStringLiteral("10.0.0.7");
                                    f.settingsWaiting = 2; }) << 1
            << "Inattivo; 2 impostazioni in attesa del controllo centralizzato"
            << "Righe ancora di 10.0.0.7 fino al prossimo aggiornamento";
        QTest::newRow("failed reload after another device's rows")
            << facts([](Facts &f) { f.filledAt = At1040; f.units = 4; f.panelFrom = QStringLiteral("10.0.0.7");
                                    f.reloadFailedAt = At1042; }) << 0
            << "Idle" << "Reload failed at 10:42:07, no data";
        // clang-format on
    }
    void describes()
    {
        QFETCH(Facts, facts);
        QFETCH(int, lang);
        QFETCH(QString, link);
        QFETCH(QString, panel);
        const status::Line line = status::describe(facts, lang);
        QCOMPARE(line.link, link);
        QCOMPARE(line.panel, panel);
    }

    // A controller that stays away keeps the time it was first missed.
    void failedSince()
    {
        const QString host = QStringLiteral("10.0.0.5");
        const QString other = QStringLiteral("10.0.0.9");
        struct Row
        {
            Link shown;
            QString shownHost;
            QDateTime shownAt, expected;
        };
        const Row rows[] = {{Link::Unreachable, host, At1040, At1040},
                            {Link::Silent, host, At1040, At1040},
                            {Link::Unreachable, other, At1040, At1042},
                            {Link::Idle, host, At1040, At1042},
                            {Link::Unreachable, host, QDateTime(), At1042}};
        for (const Row &row : rows)
            QCOMPARE(status::failedSince(row.shown, row.shownHost, row.shownAt, host, At1042), row.expected);
    }

    void reloadThatSucceeds()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.171"), {QStringLiteral("--demo")}));
        form->clockNow = [] { return At1042; };
        startReload(QStringLiteral("127.0.0.171"));
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form) && panelRows(*form) > 0, 8000);
        QTRY_COMPARE(form->statusPanel->text(), QStringLiteral("Updated 10:42:07: 12 units, 2 in fault"));
        QCOMPARE(form->statusLink->text(), QStringLiteral("Idle"));
        QCOMPARE(form->statusDevice->text(), QStringLiteral("Roof (127.0.0.171)"));

        // Every cell and heading can be read whole, however narrow its column.
        QTreeView *list = form->Tab1PanelList;
        const QAbstractItemModel *rows = list->model();
        for (int row = 0; row < panelRows(*form); ++row)
            for (int column = 0; column < 6; ++column)
                QCOMPARE(panelCell(*form, row, column).data(Qt::ToolTipRole).toString(),
                         panelCell(*form, row, column).data().toString());
        for (int column = 0; column < 6; ++column)
            QCOMPARE(rows->headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString(),
                     rows->headerData(column, Qt::Horizontal).toString());

        // Space ticks and unticks the current row, also with the focus on a cell without the box.
        list->setCurrentIndex(panelCell(*form, 1, 1));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(panelCell(*form, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(panelCell(*form, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    }

    // A controller that lists no unit ends the reload with its online list: an
    // update with no units. A link cut before that list is still a failure.
    void reloadOfAnEmptyController_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QString>("panel");
        QTest::newRow("answers everything") << QStringList() << "Updated 10:42:07: no units";
        QTest::newRow("closes before the online list")
            << QStringList{QStringLiteral("--close-after"), QStringLiteral("3")}
            << "Reload failed at 10:42:07, no data";
    }

    void reloadOfAnEmptyController()
    {
        QFETCH(QStringList, faults);
        QFETCH(QString, panel);
        QTemporaryDir dir;
        QFile scenario(dir.filePath(QStringLiteral("empty.json")));
        QVERIFY(scenario.open(QIODevice::WriteOnly) && scenario.write("{\"units\": []}") > 0);
        scenario.close();
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.174"),
                          QStringList{QStringLiteral("--scenario"), scenario.fileName()} + faults));
        form->clockNow = [] { return At1042; };
        startReload(QStringLiteral("127.0.0.174"));
        QTRY_COMPARE_WITH_TIMEOUT(form->statusPanel->text(), panel, 8000);
        QTRY_VERIFY_WITH_TIMEOUT(linkIdle(*form), 8000);
        QCOMPARE(panelRows(*form), 0);
    }

    void reloadAgainstAnUnreachableController()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.172"), {QStringLiteral("--refuse")}, false));
        startReload(QStringLiteral("127.0.0.172"));
        QTRY_VERIFY_WITH_TIMEOUT(!prompts->shown.isEmpty(), 8000);
        QCOMPARE(prompts->shown.first().text, texts.value(164));
        QTRY_COMPARE(form->statusLink->text(), QStringLiteral("Not reachable since 10:40"));
        QCOMPARE(form->statusPanel->text(), QStringLiteral("Reload failed at 10:40:00, no data"));

        // Two minutes on, the next attempt fails too: the first failure's time stays.
        form->clockNow = [] { return At1042; };
        form->reloadUnitList();
        QTRY_VERIFY_WITH_TIMEOUT(prompts->shown.size() == 2, 8000);
        QTRY_COMPARE(form->statusPanel->text(), QStringLiteral("Reload failed at 10:42:07, no data"));
        QCOMPARE(form->statusLink->text(), QStringLiteral("Not reachable since 10:40"));
    }

    // What a sending could not write stays in the status bar, with the units named as they were
    // then, until a report names newer settings: a report of reads alone and the ticks leave it.
    void undeliveredStaysUntilReplaced_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("origin");
        QTest::addColumn<QString>("shown");
        const QString first = QStringLiteral("Not sent to units: Lobby");
        QTest::newRow("a reload cut short") << int(Code::OnlineUnits) << int(TaskOrigin::Reload) << first;
        QTest::newRow("only the refresh after the changes")
            << int(Code::OnlineUnits) << int(TaskOrigin::Setting) << first;
        QTest::newRow("newer settings lost")
            << int(Code::SetUnitStatus) << int(TaskOrigin::Setting) << QStringLiteral("Not sent to units: 9");
    }

    void undeliveredStaysUntilReplaced()
    {
        QFETCH(int, code);
        QFETCH(int, origin);
        QFETCH(QString, shown);
        const auto lost = [](int taskCode, TaskOrigin from, int addr) {
            TtaskRecord task;
            task.code = taskCode;
            task.addr = addr;
            task.origin = from;
            return std::vector<TtaskRecord>{task};
        };
        form->model.unit_par[5].name = QStringLiteral("Lobby");
        emit form->session->undelivered(lost(+Code::SetUnitStatus, TaskOrigin::Setting, 5));
        form->model.unit_par[5].name = QStringLiteral("Another controller's unit");
        emit form->session->undelivered(lost(code, TaskOrigin(origin), 9));
        form->autoupdvalue = 30;
        form->autoupt_counter = 10; // ticks that count down, no reload
        for (int tick = 0; tick < 3; ++tick) {
            form->autoupdtmTimer();
            form->refreshStatusBar();
            QCOMPARE(form->statusLink->text(), QStringLiteral("Idle - ") + shown);
        }
    }

    void reloadAgainstAControllerThatFallsSilent()
    {
        SimProcess sim;
        QVERIFY(sim.start(QStringLiteral("127.0.0.173"), {QStringLiteral("--silent")}));
        startReload(QStringLiteral("127.0.0.173"));
        QTRY_COMPARE_WITH_TIMEOUT(form->statusLink->text(),
                                  QStringLiteral("Not responding, reconnecting: 4 attempt(s) left"), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(!prompts->shown.isEmpty(), 15000);
        QCOMPARE(prompts->shown.first().text, texts.value(163));
        QTRY_COMPARE(form->statusLink->text(), QStringLiteral("Not responding since 10:40"));
        QCOMPARE(form->statusPanel->text(), QStringLiteral("Reload failed at 10:40:00, no data"));
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
