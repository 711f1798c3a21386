#pragma once

#include "link/trafficdecoding.h"

#include <QAbstractTableModel>
#include <vector>

// The frames of the traffic monitor as a table: time, direction, bytes, description.
// Holds at most `capacity` entries; the oldest goes when a new one comes. Appending is
// constant time (a ring), so a long session costs neither memory nor time.
class TrafficLog : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int defaultCapacity = 5000;
    enum Column { TimeColumn, DirectionColumn, FrameColumn, DescriptionColumn, ColumnCount };
    // True for the rows to be marked (CRC and frame type errors, time-outs, failed writes,
    // exceptions).
    static constexpr int ErrorRole = Qt::UserRole + 1;

    explicit TrafficLog(int capacity = defaultCapacity, QObject* parent = nullptr);

    int capacity() const { return m_capacity; }
    int size() const { return int(m_count); }
    // Row 0 is the oldest entry held.
    const TrafficEntry& entry(int row) const;

    void append(TrafficEntry entry);
    // Replaces the newest entry (a frame that grew since it was shown).
    void replaceLast(TrafficEntry entry);
    void clear();

    // Every entry as a line of text, oldest first, each ended by a line feed.
    QString text() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::size_t slot(int row) const { return (m_first + std::size_t(row)) % m_ring.size(); }

    int m_capacity;
    std::vector<TrafficEntry> m_ring;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
};
