#include "shell/Texts.h"
#include "shell/form/Main.h"
#include "units/form/UnitPanelModel.h"

#include <QBrush>
#include <QTest>

#include <cstdlib>

namespace {

using Units = QList<QPair<int, int>>; // online address, fault key

const QColor Red(255, 0, 0);
const QColor Green(192, 220, 192);
const QColor White(Qt::white);

} // namespace

class TestUnitPanelModel : public QObject
{
    Q_OBJECT
private:
    UnitTable table{};
    OnlineTable online{};
    const QStringList &english = languageTable(0);

    UnitPanelModel makeModel()
    {
        return {table, online, english, &TForm1::Tab1PanelListCompare,
                &TForm1::Tab1PanelListAdvancedCustomDrawItem};
    }

private Q_SLOTS:
    void init()
    {
        table = {};
        online = {};
    }

    // Rows are the online units 0 to 63, faults first by key, highest first;
    // the colour follows the position, red for a unit in fault.
    void orderAndColour_data()
    {
        QTest::addColumn<Units>("units");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QList<QColor>>("colours");
        QTest::newRow("faults first, highest key first")
            << Units{{0, 16}, {1, 0}, {2, 1}, {3, 0}} << QList<int>{0, 2, 1, 3}
            << QList<QColor>{Red, Red, Green, White};
        QTest::newRow("equal keys keep the address order")
            << Units{{9, 0}, {7, 2}, {4, 2}, {12, 0}} << QList<int>{4, 7, 9, 12}
            << QList<QColor>{Red, Red, Green, White};
        QTest::newRow("no fault: rows alternate from green")
            << Units{{2, 0}, {5, 0}, {6, 0}} << QList<int>{2, 5, 6} << QList<QColor>{Green, White, Green};
        QTest::newRow("address 64 and offline faults are not rows")
            << Units{{64, 4}, {30, 0}, {-31, 8}} << QList<int>{30} << QList<QColor>{Green};
        QTest::newRow("nothing online") << Units{} << QList<int>{} << QList<QColor>{};
    }

    void orderAndColour()
    {
        QFETCH(Units, units);
        QFETCH(QList<int>, order);
        QFETCH(QList<QColor>, colours);
        for (const auto &[signedAdr, key] : units) {
            const size_t adr = size_t(std::abs(signedAdr)); // negative: present in the table, offline
            online[adr] = signedAdr >= 0 ? 1 : 0;
            table[adr].name = QStringLiteral("U%1").arg(adr);
            table[adr].buffer[units::FirstFaultByte] = quint8(key);
        }
        UnitPanelModel model = makeModel();
        model.refresh();
        QCOMPARE(model.rowCount(), order.size());
        QList<int> shown;
        QList<QColor> painted;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex cell = model.index(row, 3);
            shown << cell.data(UnitPanelModel::AddressRole).toInt();
            QCOMPARE(model.address(row), shown.last());
            QCOMPARE(model.index(row, 0).data().toString(), QStringLiteral("U%1").arg(shown.last()));
            painted << cell.data(Qt::BackgroundRole).value<QBrush>().color();
        }
        QCOMPARE(shown, order);
        QCOMPARE(painted, colours);
        QCOMPARE(model.faultRows(), int(colours.count(Red)));
    }

    // Ticks belong to rows: read top to bottom, and gone with the next refresh.
    void ticksLastUntilTheNextRefresh()
    {
        for (int adr : {1, 2, 3})
            online[size_t(adr)] = 1;
        table[3].buffer[units::FirstFaultByte] = 1;
        UnitPanelModel model = makeModel();
        model.refresh();
        QVERIFY(
            !model.setData(model.index(0, 1), int(Qt::Checked), Qt::CheckStateRole)); // only the first column
        QVERIFY(model.setData(model.index(2, 0), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(model.setData(model.index(0, 0), int(Qt::Checked), Qt::CheckStateRole));
        QCOMPARE(model.checkedAddresses(), (std::vector<int>{3, 2}));
        QCOMPARE(model.index(2, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!model.index(2, 1).data(Qt::CheckStateRole).isValid());
        model.refresh();
        QVERIFY(model.checkedAddresses().empty());
    }
};

QTEST_MAIN(TestUnitPanelModel)
#include "tst_unitpanelmodel.moc"
