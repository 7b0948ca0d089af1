#pragma once

#include "units/UnitTable.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <vector>

// The panel's row colours: every other row pale green, a row in fault red. The site
// overview's rows take them too.
inline const QColor PaleGreen(192, 220, 192);
inline const QColor FaultRed(255, 0, 0);

// How one row of the unit panel is drawn. Only what is set on `font` overrides
// the list's own font.
struct UnitRowLook
{
    QFont font;
    QColor background = Qt::white;
    QColor text = Qt::black;
};

// The unit panel's rows over the unit table: one row for each online unit, in
// the order and with the look that the window's handlers give them. The rows
// show the table as the last refresh() read it; replies that arrive later do
// not repaint a half-read table. A row's unit address is its AddressRole.
class UnitPanelModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UnitPanelModel)

public:
    enum Role { AddressRole = Qt::UserRole + 1, FaultKeyRole };
    static constexpr int Columns = 6; // name, mode or fault, fan, remote, set and room temperature

    // Negative when item1's row goes above item2's.
    using Order = int (*)(const TunitRecord &item1, const TunitRecord &item2);
    // The look of the row at `index` (after sorting) showing `unit`.
    using Draw = void (*)(UnitRowLook &look, int index, const TunitRecord &unit);

    UnitPanelModel(const UnitTable &units, const OnlineTable &online, const QStringList &texts, Order order,
                   Draw draw, QObject *parent = nullptr);

    void refresh(); // rows for the online units, ordered and drawn, none ticked
    void clear();
    void addUnit(int adr);  // one more row, put in its place
    void headingsChanged(); // the texts now hold another language

    int address(int row) const;                // -1 outside the rows
    std::vector<int> checkedAddresses() const; // the ticked rows' units, top to bottom
    int faultRows() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        int adr = 0;
        QStringList cells;
        int faultKey = 0;
        bool fault = false;
        UnitRowLook look;
        bool ticked = false;
    };
    void appendRow(int adr);
    void arrange(); // order, then look by position

    const UnitTable &units;
    const OnlineTable &online;
    const QStringList &texts;
    Order order;
    Draw draw;
    std::vector<Row> rows;
};
