#include "units/form/UnitPanelModel.h"

#include <QBrush>
#include <QLocale>

#include <algorithm>

namespace {

// Text numbers of the headings, left to right.
constexpr int Headings[UnitPanelModel::Columns] = {151, 84, 89, 94, 92, 93};

} // namespace

UnitPanelModel::UnitPanelModel(const UnitTable &units, const OnlineTable &online, const QStringList &texts,
                               Order order, Draw draw, QObject *parent)
    : QAbstractTableModel(parent), units(units), online(online), texts(texts), order(order), draw(draw)
{
}

void UnitPanelModel::refresh()
{
    beginResetModel();
    rows.clear();
    for (int adr = 0; adr < PanelUnits; ++adr)
        if (online[size_t(adr)] != 0)
            appendRow(adr);
    arrange();
    endResetModel();
}

void UnitPanelModel::clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

void UnitPanelModel::addUnit(int adr)
{
    if (adr < 0 || adr >= UnitRecords)
        return;
    beginResetModel();
    appendRow(adr);
    arrange();
    endResetModel();
}

void UnitPanelModel::appendRow(int adr)
{
    const TunitRecord &unit = units[size_t(adr)];
    const units::UnitRow shown = units::unitRow(unit, adr, texts, QLocale());
    Row row;
    row.adr = adr;
    row.cells = {shown.name, shown.mode, shown.fan, shown.remote, shown.setTemp, shown.roomTemp};
    row.faultKey = units::faultKey(unit);
    row.fault = units::inFault(unit);
    rows.push_back(std::move(row));
}

void UnitPanelModel::arrange()
{
    std::stable_sort(rows.begin(), rows.end(), [this](const Row &a, const Row &b) {
        return order(units[size_t(a.adr)], units[size_t(b.adr)]) < 0;
    });
    for (size_t index = 0; index < rows.size(); ++index) {
        rows[index].look = UnitRowLook{};
        draw(rows[index].look, int(index), units[size_t(rows[index].adr)]);
    }
}

void UnitPanelModel::headingsChanged()
{
    emit headerDataChanged(Qt::Horizontal, 0, Columns - 1);
}

int UnitPanelModel::address(int row) const
{
    return row >= 0 && row < int(rows.size()) ? rows[size_t(row)].adr : -1;
}

std::vector<int> UnitPanelModel::checkedAddresses() const
{
    std::vector<int> checked;
    for (const Row &row : rows)
        if (row.ticked)
            checked.push_back(row.adr);
    return checked;
}

int UnitPanelModel::faultRows() const
{
    return int(std::count_if(rows.begin(), rows.end(), [](const Row &row) { return row.fault; }));
}

int UnitPanelModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int UnitPanelModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant UnitPanelModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole: // cells are cut at fixed widths: the whole text is a tooltip
        return row.cells.value(index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return int(row.ticked ? Qt::Checked : Qt::Unchecked);
        return {};
    case Qt::FontRole:
        return row.look.font;
    case Qt::BackgroundRole:
        return QBrush(row.look.background);
    case Qt::ForegroundRole:
        return QBrush(row.look.text);
    case AddressRole:
        return row.adr;
    case FaultKeyRole:
        return row.faultKey;
    default:
        return {};
    }
}

bool UnitPanelModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    rows[size_t(index.row())].ticked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags UnitPanelModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
}

QVariant UnitPanelModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= Columns)
        return {};
    // Headings are cut at the fixed widths: the whole caption is a tooltip.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return texts.value(Headings[section]);
    return {};
}
