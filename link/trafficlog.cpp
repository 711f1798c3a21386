#include "link/trafficlog.h"

#include "model/strings.h"

#include <algorithm>

TrafficLog::TrafficLog(int capacity, QObject* parent)
    : QAbstractTableModel(parent), m_capacity(std::max(capacity, 1))
{
}

const TrafficEntry& TrafficLog::entry(int row) const
{
    return m_ring[slot(row)];
}

void TrafficLog::append(TrafficEntry entry)
{
    if (m_count == std::size_t(m_capacity)) {
        beginRemoveRows({}, 0, 0);
        m_first = (m_first + 1) % m_ring.size();
        --m_count;
        endRemoveRows();
    }
    const int row = int(m_count);
    beginInsertRows({}, row, row);
    if (m_ring.size() < std::size_t(m_capacity))
        m_ring.push_back(std::move(entry)); // still growing: m_first is 0
    else
        m_ring[slot(row)] = std::move(entry);
    ++m_count;
    endInsertRows();
}

void TrafficLog::replaceLast(TrafficEntry entry)
{
    if (m_count == 0) {
        append(std::move(entry));
        return;
    }
    const int row = int(m_count) - 1;
    m_ring[slot(row)] = std::move(entry);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TrafficLog::clear()
{
    beginResetModel();
    m_ring.clear();
    m_first = 0;
    m_count = 0;
    endResetModel();
}

QString TrafficLog::text() const
{
    QString text;
    for (int row = 0; row < size(); ++row) {
        text += trafficLine(entry(row));
        text += u'\n';
    }
    return text;
}

int TrafficLog::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : size();
}

int TrafficLog::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficLog::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const TrafficEntry& e = entry(index.row());
    if (role == ErrorRole)
        return e.error;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return e.time.toString(QStringLiteral("HH:mm:ss.zzz"));
    case DirectionColumn:
        return e.direction == TrafficDirection::Sent       ? QStringLiteral("->")
               : e.direction == TrafficDirection::Received ? QStringLiteral("<-")
                                                           : QStringLiteral("--");
    case FrameColumn:
        return TrafficDecoding::hexBytes(e.bytes);
    case DescriptionColumn:
        return e.description;
    default:
        return {};
    }
}

QVariant TrafficLog::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static constexpr int heads[] = {StringId::columnTime, StringId::columnDirection,
                                    StringId::columnFrame, StringId::columnDescription};
    return section >= 0 && section < ColumnCount ? stringText(heads[section]) : QVariant();
}
