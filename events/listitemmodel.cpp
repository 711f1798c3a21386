#include "events/listitemmodel.h"

#include <algorithm>

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

int ListItemModel::addItem(int index, const QString& text)
{
    if (index < 0 || m_columns.empty())
        return -1;
    index = std::min(index, int(m_items.size()));
    Item item;
    item.texts.resize(qsizetype(m_columns.size()));
    item.texts[0] = text;
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
