#include "events/listitemmodel.h"

#include <algorithm>
#include <numeric>

ListItemModel::ListItemModel(QObject* parent) : QAbstractTableModel(parent) {}

ListItemModel::~ListItemModel() = default;

int ListItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int ListItemModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ListItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !validItem(index.row()) || !validColumn(index.column()))
        return {};
    if (role == Qt::DisplayRole)
        return m_items[index.row()].texts.value(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[index.column()].alignment | Qt::AlignVCenter);
    return {};
}

QVariant ListItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !validColumn(section))
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].heading;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].alignment | Qt::AlignVCenter);
    return {};
}

int ListItemModel::addColumn(int index, const QString& heading, Qt::Alignment alignment)
{
    if (index < 0)
        return -1;
    index = std::min(index, int(m_columns.size()));
    if (!m_building)
        beginInsertColumns({}, index, index);
    m_columns.insert(m_columns.begin() + index, Column{heading, alignment, nullptr});
    const int subPosition = std::max(index - 1, 0);
    for (Item& item : m_items) {
        item.texts.insert(index, QString());
        auto& subs = item.record.subRecords;
        subs.emplace(subs.begin() + std::min(subPosition, int(subs.size())));
    }
    if (!m_building)
        endInsertColumns();
    return index;
}

bool ListItemModel::removeColumnAt(int column)
{
    if (!validColumn(column))
        return false;
    if (column == 0 && m_columns.size() == 1)
        removeAllItems();
    if (!m_building)
        beginRemoveColumns({}, column, column);
    m_columns.erase(m_columns.begin() + column);
    const int subPosition = std::max(column - 1, 0);
    for (Item& item : m_items) {
        item.texts.removeAt(column);
        auto& subs = item.record.subRecords;
        if (subPosition < int(subs.size()))
            subs.erase(subs.begin() + subPosition);
    }
    if (!m_building)
        endRemoveColumns();
    return true;
}

int ListItemModel::addItem(int index, const QString& text, std::optional<std::uint32_t> data)
{
    if (index < 0 || m_columns.empty())
        return -1;
    index = std::min(index, int(m_items.size()));
    Item item;
    item.texts.resize(qsizetype(m_columns.size()));
    item.texts[0] = text;
    if (data) {
        item.record.itemData = *data;
        item.record.hasItemData = true;
    }
    item.record.subRecords.resize(m_columns.size() - 1);
    if (!m_building)
        beginInsertRows({}, index, index);
    m_items.insert(m_items.begin() + index, std::move(item));
    if (!m_building)
        endInsertRows();
    return index;
}

bool ListItemModel::setItemText(int item, int subItem, const QString& text)
{
    if (!validItem(item) || !validColumn(subItem))
        return false;
    m_items[item].texts[subItem] = text;
    if (!m_building) {
        const QModelIndex i = index(item, subItem);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
    return true;
}

QString ListItemModel::itemText(int item, int subItem) const
{
    if (!validItem(item) || !validColumn(subItem))
        return {};
    return m_items[item].texts[subItem];
}

bool ListItemModel::removeItem(int item)
{
    if (!validItem(item))
        return false;
    if (!m_building)
        beginRemoveRows({}, item, item);
    m_items.erase(m_items.begin() + item);
    if (!m_building)
        endRemoveRows();
    return true;
}

void ListItemModel::removeAllItems()
{
    if (m_items.empty())
        return;
    if (!m_building)
        beginResetModel();
    m_items.clear();
    if (!m_building)
        endResetModel();
}

std::uint32_t ListItemModel::itemData(int item) const
{
    if (!validItem(item) || !m_items[item].record.hasItemData)
        return 0;
    return m_items[item].record.itemData;
}

bool ListItemModel::setItemData(int item, std::uint32_t data)
{
    if (!validItem(item) || !m_items[item].record.hasItemData)
        return false;
    m_items[item].record.itemData = data;
    return true;
}

bool ListItemModel::storeItemData(int item, std::uint32_t data)
{
    if (!validItem(item))
        return false;
    m_items[item].record.itemData = data;
    m_items[item].record.hasItemData = true;
    return true;
}

int ListItemModel::findItem(std::uint32_t data, int after) const
{
    for (int i = std::max(after + 1, 0); i < int(m_items.size()); ++i) {
        if (m_items[i].record.hasItemData && m_items[i].record.itemData == data)
            return i;
    }
    return -1;
}

void ListItemModel::sortItems(const Compare& compare, std::uint32_t value)
{
    if (!compare || m_items.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(m_items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(itemData(a), itemData(b), value) < 0; });
    std::vector<int> newRow(order.size());
    std::vector<Item> sorted;
    sorted.reserve(m_items.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newRow[order[i]] = int(i);
        sorted.push_back(std::move(m_items[order[i]]));
    }
    m_items = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to.append(index(newRow[i.row()], i.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

CellFormat* ListItemModel::record(const FormatTarget& target, bool create)
{
    CellFormat* base = nullptr;
    switch (target.level) {
    case FormatTarget::Level::Cell: {
        if (!validItem(target.item) || !validColumn(target.subItem))
            return nullptr;
        CellFormat& item = m_items[target.item].record;
        if (target.subItem == 0) {
            base = &item;
        } else {
            auto& subs = item.subRecords;
            if (target.subItem - 1 >= int(subs.size()))
                return nullptr;
            base = &subs[target.subItem - 1];
        }
        break;
    }
    case FormatTarget::Level::Row: {
        if (!validItem(target.item))
            return nullptr;
        auto& row = m_items[target.item].record.rowFormat;
        if (!row && create)
            row = std::make_unique<CellFormat>();
        base = row.get();
        break;
    }
    case FormatTarget::Level::Column: {
        if (!validColumn(target.subItem))
            return nullptr;
        auto& column = m_columns[target.subItem].format;
        if (!column && create)
            column = std::make_unique<CellFormat>();
        base = column.get();
        break;
    }
    }
    if (!base || !target.selected)
        return base;
    if (!base->selected && create)
        base->selected = std::make_unique<CellFormat>();
    return base->selected.get();
}

FormatLevels ListItemModel::levels(int item, int column) const
{
    if (!validItem(item) || !validColumn(column))
        return {};
    const CellFormat& r = m_items[item].record;
    FormatLevels l;
    if (column == 0)
        l.cell = &r;
    else if (column - 1 < int(r.subRecords.size()))
        l.cell = &r.subRecords[column - 1];
    l.row = r.rowFormat.get();
    l.column = m_columns[column].format.get();
    return l;
}

void ListItemModel::beginBuild()
{
    if (m_building++ == 0)
        beginResetModel();
}

void ListItemModel::endBuild()
{
    if (m_building > 0 && --m_building == 0)
        endResetModel();
}
