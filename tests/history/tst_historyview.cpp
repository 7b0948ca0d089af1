// The window's side of the history: alerts once per transition, and a store
// that cannot work said once, without stopping anything.
#include "history/form/HistoryView.h"
#include "history/form/TrendChart.h"
#include "link/ControllerSession.h"
#include "link/Intervals.h"
#include "units/UnitTable.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
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
};

class TestHistoryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneNotificationPerTransitionAndAFlappingUnitOnceAMinute()
    {
        Rig rig;
        rig.start(0);
        HistoryView &view = *rig.view;
        QStringList shown;
        view.notify = [&shown](const QString &, const QString &body) { shown << body; };

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
            int sent;
        };
        const std::vector<Step> steps = {
            {{change(Change::Entered, 3), change(Change::Entered, 5)}, t0, 2},
            {{change(Change::Cleared, 3)}, t0 + 1000, 0},
            {{change(Change::Entered, 3)}, t0 + 2000, 0}, // flapping: once a minute at most
            {{change(Change::Cleared, 3)}, t0 + 3000, 0},
            {{change(Change::Entered, 3)}, t0 + repeat + 1, 1},
        };
        for (const Step &step : steps)
            QCOMPARE(view.alert(ctrl, step.changes, step.at), step.sent);
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.first(), QStringLiteral("Sala (address 3): E0"));
        QCOMPARE(view.faultCount(), 2);
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
        for (int i = 0; i < 3; ++i) {
            UnitTable units{};
            OnlineTable online{};
            online[3] = 1;
            online[4] = i == 0 ? 1 : 0;
            units[3].buffer[units::RoomTempByte] = 84;
            units[3].buffer[units::SetTempByte] = 22;
            units[3].buffer[units::FirstFaultByte] = i == 1 ? 2 : 0;
            rig.view->store().recordReload(now.addSecs(-600 + i * 60), QStringLiteral("c"), units, online);
        }
        TrendChart *chart = rig.view->showTrend(QStringLiteral("c"), 3);
        QCOMPARE(chart->pointCount(), 3);
        QCOMPARE(chart->shadedCount(), 1);
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
        QCOMPARE(logged.size(), 1);
        QVERIFY(logged.first().startsWith(QStringLiteral("Storico disattivato: ")));
        QVERIFY(!label->isHidden());
        QCOMPARE(label->text(), logged.first());
        view.alert(QStringLiteral("127.0.0.1"), {Transition{2, Change::Entered, 1, {}}}, 0);
        QVERIFY(view.showWindow());
        QCOMPARE(logged.size(), 1);
    }
};

QTEST_MAIN(TestHistoryView)
#include "tst_historyview.moc"
