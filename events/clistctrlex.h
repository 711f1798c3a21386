#pragma once

#include "events/cellformat.h"
#include "events/listitemmodel.h"

#include <QFont>
#include <QTableView>
#include <optional>

// What InsertItem and SetItem take: the fields left empty are not touched.
struct ListItem {
    int item = 0;
    int subItem = 0;
    std::optional<QString> text;
    std::optional<std::uint32_t> data;
};

FontSpec fontSpecFromFont(const QFont& font);
QFont fontFromSpec(const FontSpec& desc);

// A report list in which every item, sub-item, row and column can carry its own text
// colour, background colour and font, also for the selected state; the caller's item
// data stays with the item. Every change of an item's state (selection, focus) is
// posted as itemChanged(item), so notices caused during an operation arrive after it.
class CListCtrlEx : public QTableView {
    Q_OBJECT
public:
    explicit CListCtrlEx(QWidget* parent = nullptr);
    ~CListCtrlEx() override;

    // Returns the new column's index, or -1.
    int InsertColumn(int index, const QString& heading, int width,
                     Qt::Alignment alignment = Qt::AlignLeft);
    // Returns the new item's index, or -1.
    int InsertItem(const ListItem& item);
    int InsertItem(int item, const QString& text)
    {
        return InsertItem(ListItem{item, 0, text, {}});
    }
    bool SetItem(const ListItem& item);
    bool SetItemText(int item, int subItem, const QString& text);
    bool DeleteItem(int item);
    bool DeleteAllItems();
    bool SetRowStyle(int item, std::uint32_t style, bool redraw = true);
    bool SetRowBkColor(int item, std::uint32_t color, bool redraw = true);
    // The lowest selected item, or -1.
    int FirstSelectedItem() const;

    int itemCount() const { return m_model->rowCount(); }
    int columnCount() const { return m_model->columnCount(); }
    QString itemText(int item, int subItem) const { return m_model->itemText(item, subItem); }
    int selectedCount() const;
    bool isItemSelected(int item) const;

    // Format setters of any level; they create the record when it is missing.
    bool setStyle(const FormatTarget& target, std::uint32_t style, bool redraw = true);
    bool setTextColor(const FormatTarget& target, std::uint32_t color, bool redraw = true);
    bool setBkColor(const FormatTarget& target, std::uint32_t color, bool redraw = true);
    bool setFont(const FormatTarget& target, const QFont& font, bool redraw = true);
    void setSelectedColors(std::uint32_t text, std::uint32_t back);

    // Item data: reads give 0 when none was set; a set needs data set before.
    std::uint32_t itemData(int item) const { return m_model->itemData(item); }
    bool setItemData(int item, std::uint32_t data) { return m_model->setItemData(item, data); }
    // The first item after `after` (-1: from the start) carrying that data, or -1.
    int findItem(std::uint32_t data, int after = -1) const
    {
        return m_model->findItem(data, after);
    }
    // compare(a, b, value) < 0 puts a before b.
    void sortItems(const ListItemModel::Compare& compare, std::uint32_t value);
    bool deleteColumn(int column);
    // order[i] is the column shown at position i; formats stay with their columns.
    bool setColumnOrder(const QList<int>& order);

    // Item changes between the two calls reach the view as one reset.
    void beginUpdate() { m_model->beginBuild(); }
    void endUpdate() { m_model->endBuild(); }

    // The colours and font a cell is painted with.
    ResolvedFormat resolvedFormat(int item, int subItem, bool selected) const;
    const ListColors& colors() const { return m_colors; }

signals:
    void itemChanged(int item);

protected:
    void changeEvent(QEvent* event) override;

private:
    void postNotice(int item);
    void onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void redrawTarget(const FormatTarget& target);
    void redrawItem(int item);
    void takeSystemColors();

    ListItemModel* m_model;
    ListColors m_colors;
    mutable std::optional<FontSpec> m_listFont;
    QList<int> m_pendingNotices;
    bool m_noticePosted = false;
};
