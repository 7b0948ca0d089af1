// The window's side of the history: alerts once per transition, and a store
// that cannot work said once, without stopping anything.
#include "history/form/AlarmBar.h"
#include "history/form/HistoryPrint.h"
#include "history/form/HistoryView.h"
#include "history/form/HistoryWindow.h"
#include "history/form/TrendChart.h"
#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "units/UnitTable.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

#include <memory>

using namespace history;

// A window with its history in a folder of its own; what it logs is kept.
struct Rig
{
    QTemporaryDir dir;
    ControllerSession session;
    QWidget window;
    QLabel *label = new QLabel(&window);
    QStringList logged;
    std::unique_ptr<HistoryView> view;

    void start(int lang)
    {
        view = std::make_unique<HistoryView>(session, &window, dir.path(), 30, lang, label,
                                             [this](const QString &line) { logged << line; });
    }

    // Unit 3 ("Sala", switched on) read three times a minute apart ten minutes before `now`, the
    // middle reading in fault; unit 4 online at the first only.
    void recordThreeReloads(const QDateTime &now)
    {
        for (int i = 0; i < 3; ++i) {
            UnitTable units{};
            OnlineTable online{};
            online[3] = 1;
            online[4] = i == 0 ? 1 : 0;
            units[3].buffer[units::ModeByte] = 0x88;
            units[3].buffer[units::RoomTempByte] = 84;
            units[3].buffer[units::SetTempByte] = 22;
            units[3].buffer[units::FirstFaultByte] = i == 1 ? 2 : 0;
            units[3].name = QStringLiteral("Sala");
            view->store().recordReload(now.addSecs(-600 + i * 60), QStringLiteral("c"), units, online);
        }
    }
};

class TestHistoryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One notification a reload names every unit that entered a fault and its controller;
    // a flapping unit is announced once a minute; the alarm bar keeps the faults still open
    // until they are acknowledged.
    void oneNotificationPerReloadAndAnAlarmBarUntilAcknowledged()
    {
        Rig rig;
        rig.start(0);
        HistoryView &view = *rig.view;
        QStringList shown;
        view.notify = [&shown](const QString &, const QString &body) { shown << body; };
        view.controllerName = [](const QString &host) { return QStringLiteral("Office (%1)").arg(host); };

        const QString ctrl = QStringLiteral("127.0.0.1");
        const auto change = [](Change c, int addr) {
            return Transition{addr, c, 0x01, QStringLiteral("Sala")};
        };
        const qint64 t0 = 1'000'000;
        const qint64 repeat = intervals().faultAlert;
        struct Step
        {
            std::vector<Transition> changes;
            qint64 at;
            int named;       // units the notification named
            int barredUnits; // units the alarm bar lists afterwards
        };
        const std::vector<Step> steps = {
            {{change(Change::Entered, 3), change(Change::Entered, 5)}, t0, 2, 2},
            {{change(Change::Cleared, 3)}, t0 + 1000, 0, 1},
            {{change(Change::Entered, 3)}, t0 + 2000, 0, 2}, // flapping: once a minute at most
            {{change(Change::Cleared, 3)}, t0 + 3000, 0, 1},
            {{change(Change::Entered, 3)}, t0 + repeat + 1, 1, 2},
        };
        AlarmBar *bar = view.alarmBar();
        for (const Step &step : steps) {
            QCOMPARE(view.alert(ctrl, step.changes, step.at), step.named);
            QCOMPARE(bar->text().count(QStringLiteral("Office (127.0.0.1)")), step.barredUnits);
        }
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.first(), QStringLiteral("Office (127.0.0.1)\nSala (address 3) – Error code : E0\n"
                                               "Sala (address 5) – Error code : E0"));
        QVERIFY(!bar->isHidden());
        bar->findChild<QPushButton *>(QStringLiteral("alarmAcknowledge"))->click();
        QVERIFY(bar->isHidden());
        QVERIFY(rig.logged.isEmpty());
        QVERIFY(rig.label->isHidden());
    }

    // Three reloads of the last hour, the middle one in fault: the day's chart
    // draws them with one shaded period; the file's other units stay out.
    void theTrendOfAUnitShadesItsFaults()
    {
        Rig rig;
        rig.start(0);
        const QDateTime now = QDateTime::currentDateTime();
        rig.recordThreeReloads(now);
        TrendChart *chart = rig.view->showTrend(QStringLiteral("c"), 3);
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(chart->pointCount(), 3);
        QCOMPARE(chart->shadedCount(), 1);
        QCOMPARE(chart->windowTitle(), QStringLiteral("3 Sala (c)"));

        // A reload the session ends while the chart is open draws its point;
        // one while the chart is hidden does not.
        rig.session.awaited.origin = TaskOrigin::Reload;
        rig.session.model.unit_online[3] = 1;
        rig.session.model.unit_par[3].buffer[units::RoomTempByte] = 88;
        rig.session.model.unitsReadFrom = QStringLiteral("c");
        const struct
        {
            bool hidden;
            int points;
        } reloads[] = {{false, 4}, {true, 4}};
        int second = 0;
        for (const auto &r : reloads) {
            rig.session.clockNow = [now, s = ++second] { return now.addSecs(-60 + s); };
            chart->setVisible(!r.hidden);
            emit rig.session.unitsChanged();
            QTRY_VERIFY(!chart->isLoading());
            QCOMPARE(chart->pointCount(), r.points);
        }
    }

    // Times without samples stay blank: a line breaks where a pause is several
    // times the samples' own spacing, and only there.
    void theTrendBreaksWhereSamplesPause_data()
    {
        QTest::addColumn<QList<int>>("steps"); // seconds from each reload to the next
        QTest::addColumn<int>("lines");
        const QList<int> reloads(40, 30);
        QTest::newRow("closed for three hours") << reloads + QList<int>{3 * 3600} + reloads << 2;
        QTest::newRow("two reloads missed") << reloads + QList<int>{60, 90} + reloads << 1;
        QTest::newRow("every five minutes") << QList<int>(40, 300) << 1;
        QTest::newRow("every second") << QList<int>(200, 1) << 1;
    }
    void theTrendBreaksWhereSamplesPause()
    {
        QFETCH(QList<int>, steps);
        QFETCH(int, lines);
        Rig rig;
        rig.start(0);
        QDateTime at = QDateTime::currentDateTime().addSecs(-60);
        for (const int step : steps)
            at = at.addSecs(-step);
        UnitTable units{};
        OnlineTable online{};
        online[3] = 1;
        units[3].buffer[units::RoomTempByte] = 84;
        rig.view->store().recordReload(at, QStringLiteral("c"), units, online);
        for (const int step : steps) {
            at = at.addSecs(step);
            rig.view->store().recordReload(at, QStringLiteral("c"), units, online);
        }
        TrendChart *chart = rig.view->showTrend(QStringLiteral("c"), 3, TrendChart::Day);
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(chart->pointCount(), steps.size() + 1);
        QCOMPARE(chart->lineCount(), lines);
    }

    // The Summary is neither exported nor printed before its run hours are counted.
    void theSummaryGoesOutOnlyWithItsRunHours()
    {
        Rig rig;
        rig.start(0);
        rig.recordThreeReloads(QDateTime::currentDateTime());
        HistoryWindow *window = rig.view->showWindow();
        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("historyTabs"));
        auto *exportButton = window->findChild<QPushButton *>(QStringLiteral("historyExport"));
        auto *printButton = window->findChild<QPushButton *>(QStringLiteral("historyPrint"));
        tabs->setCurrentWidget(window->summaryList());
        QVERIFY(!exportButton->isEnabled() && !printButton->isEnabled());
        QTRY_VERIFY(exportButton->isEnabled() && printButton->isEnabled());
        QCOMPARE(window->summaryList()->topLevelItem(0)->text(3), QStringLiteral("0.0"));
    }

    // The chart opens on the span asked for, and keeps it when none is.
    void theTrendOpensOnTheSpanAskedFor()
    {
        Rig rig;
        rig.start(0);
        const struct
        {
            int asked;
            int shown;
        } opens[] = {{TrendChart::Week, TrendChart::Week},
                     {TrendChart::KeptSpan, TrendChart::Week},
                     {TrendChart::Day, TrendChart::Day},
                     {TrendChart::Month, TrendChart::Month}};
        for (const auto &open : opens) {
            TrendChart *chart = rig.view->showTrend(QStringLiteral("c"), 3, open.asked);
            QCOMPARE(chart->span(), open.shown);
            QTRY_VERIFY(!chart->isLoading());
        }
    }

    // A unit in fault and one without, of two controllers: the window names the
    // units and words the fault in its language, also after a switch while open.
    void theListsNameUnitsAndWordFaults_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<int>("switchTo"); // -1: no switch
        QTest::addColumn<QString>("allUnits");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("description");
        QTest::newRow("English") << 0 << -1 << "All units"
                                 << "Description"
                                 << "Error code : E1";
        QTest::newRow("Italian") << 1 << -1 << "Tutte le unità"
                                 << "Descrizione"
                                 << "Codice errore : E1";
        QTest::newRow("switched to Italian") << 0 << 1 << "Tutte le unità"
                                             << "Descrizione"
                                             << "Codice errore : E1";
        QTest::newRow("switched to English") << 1 << 0 << "All units"
                                             << "Description"
                                             << "Error code : E1";
    }
    void theListsNameUnitsAndWordFaults()
    {
        QFETCH(int, lang);
        QFETCH(int, switchTo);
        QFETCH(QString, allUnits);
        QFETCH(QString, heading);
        QFETCH(QString, description);
        Rig rig;
        rig.start(lang);
        const QDateTime now = QDateTime::currentDateTime();
        for (const QString &ctrl : {QStringLiteral("a"), QStringLiteral("b")}) {
            UnitTable units{};
            OnlineTable online{};
            online[3] = online[12] = 1;
            units[3].name = QStringLiteral("Sala");
            units[12].name = QStringLiteral("Office 3");
            units[3].buffer[units::FirstFaultByte] = ctrl == QLatin1String("a") ? 2 : 0;
            rig.view->store().recordReload(now.addSecs(-60), ctrl, units, online);
        }
        HistoryWindow *window = rig.view->showWindow();
        if (switchTo >= 0)
            rig.view->setLanguage(switchTo);
        auto *filter = window->findChild<QComboBox *>(QStringLiteral("historyUnit"));
        QStringList choices;
        for (int i = 0; i < filter->count(); ++i)
            choices << filter->itemText(i);
        QCOMPARE(choices,
                 QStringList({allUnits, "3 Sala (a)", "12 Office 3 (a)", "3 Sala (b)", "12 Office 3 (b)"}));
        QTreeWidget *faults = window->faultList();
        QCOMPARE(faults->headerItem()->text(5), heading);
        QCOMPARE(faults->topLevelItemCount(), 1);
        // On paper as on screen: with two controllers in the file, their column too.
        const QString page = listHtml(*faults, window->shownTitle(), window->shownSubtitle());
        QCOMPARE(page.count(QStringLiteral("<th")), 7);
        QVERIFY(page.contains(QStringLiteral("<td>3 Sala</td>")) &&
                page.contains(QStringLiteral("<td>a</td>")));
        const QStringList row = {faults->topLevelItem(0)->text(3), faults->topLevelItem(0)->text(4),
                                 faults->topLevelItem(0)->text(5)};
        QCOMPARE(row, QStringList({"3 Sala", "E1", description}));
        filter->setCurrentIndex(3); // the same address of the controller without a fault
        QCOMPARE(faults->topLevelItemCount(), 0);
        filter->setCurrentIndex(1);
        QCOMPARE(faults->topLevelItemCount(), 1);
    }

    void aStoreThatCannotOpenIsSaidOnceAndNothingStops()
    {
        Rig rig;
        // A folder in place of the file: it can never be opened.
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("brezzano-history.sqlite")));
        rig.start(1);
        HistoryView &view = *rig.view;
        const QStringList &logged = rig.logged;
        QLabel *label = rig.label;
        // Our own words in the window's language; the database's English in the log only.
        QCOMPARE(logged.size(), 1);
        QVERIFY(logged.first().startsWith(QStringLiteral("history: ")));
        QVERIFY(!label->isHidden());
        QVERIFY2(label->text().startsWith(QStringLiteral("Storico disattivato: impossibile aprire ")),
                 qPrintable(label->text()));
        view.alert(QStringLiteral("127.0.0.1"), {Transition{2, Change::Entered, 1, {}}}, 0);
        QVERIFY(view.showWindow());
        QCOMPARE(logged.size(), 1);
    }
};

QTEST_MAIN(TestHistoryView)
#include "tst_historyview.moc"
