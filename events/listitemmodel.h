#pragma once

#include "events/cellformat.h"

#include <QAbstractTableModel>
#include <QList>

// Which record a format setter addresses: a cell (item, sub-item), a whole row, or a
// column; optionally that record's variant for the selected state.
struct FormatTarget {
    enum class Level { Cell, Row, Column };
    Level level = Level::Cell;
    int item = 0;
    int subItem = 0; // the column for Level::Column
    bool selected = false;

    static FormatTarget cell(int item, int subItem) { return {Level::Cell, item, subItem, false}; }
    static FormatTarget row(int item) { return {Level::Row, item, 0, false}; }
    static FormatTarget column(int column) { return {Level::Column, 0, column, false}; }
    FormatTarget selectedVariant() const { return {level, item, subItem, true}; }
};

// Texts and format records of the report list. Each item owns its record (the format
// of sub-item 0, with the sub-records and the row format); each column may own a column
// format.
class ListItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListItemModel(QObject* parent = nullptr);
    ~ListItemModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Returns the new column's index, or -1.
    int addColumn(int index, const QString& heading, Qt::Alignment alignment);
    // Returns the new item's index, or -1.
    int addItem(int index, const QString& text);
    bool setItemText(int item, int subItem, const QString& text);
    QString itemText(int item, int subItem) const;
    void removeAllItems();

    // Finds, or with create makes, the addressed record; nullptr when the target is out of range.
    CellFormat* record(const FormatTarget& target, bool create);
    FormatLevels levels(int item, int column) const;

    // Between beginBuild and endBuild items change without per-item notifications; the
    // views see one reset at the end.
    void beginBuild();
    void endBuild();

private:
    struct Item {
        QList<QString> texts; // one per column
        CellFormat record;
    };
    struct Column {
        QString heading;
        Qt::Alignment alignment = Qt::AlignLeft;
        std::unique_ptr<CellFormat> format;
    };

    bool validItem(int item) const { return item >= 0 && item < int(m_items.size()); }
    bool validColumn(int column) const { return column >= 0 && column < int(m_columns.size()); }

    std::vector<Item> m_items;
    std::vector<Column> m_columns;
    int m_building = 0;
};
