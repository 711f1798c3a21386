#pragma once

#include "events/cellformat.h"
#include "events/listitemmodel.h"

#include <QTableView>
#include <optional>

// A report list in which every item, sub-item, row and column can carry its own text
// colour, background colour and font, also for the selected state. Every change of an item's state
// (selection, focus) is posted as itemChanged(item), so notices caused during an operation arrive
// after it.
class CListCtrlEx : public QTableView {
    Q_OBJECT
public:
    explicit CListCtrlEx(QWidget* parent = nullptr);
    ~CListCtrlEx() override;

    // Returns the new column's index, or -1.
    int InsertColumn(int index, const QString& heading, int width,
                     Qt::Alignment alignment = Qt::AlignLeft);
    // Returns the new item's index, or -1.
    int InsertItem(int item, const QString& text);
    bool SetItemText(int item, int subItem, const QString& text);
    bool DeleteAllItems();
    bool SetRowStyle(int item, std::uint32_t style, bool redraw = true);
    bool SetRowBkColor(int item, std::uint32_t color, bool redraw = true);
    // The lowest selected item, or -1.
    int FirstSelectedItem() const;

    int itemCount() const { return m_model->rowCount(); }
    QString itemText(int item, int subItem) const { return m_model->itemText(item, subItem); }
    int selectedCount() const;

    // Format setters of any level; they create the record when it is missing.
    bool setStyle(const FormatTarget& target, std::uint32_t style, bool redraw = true);
    bool setBkColor(const FormatTarget& target, std::uint32_t color, bool redraw = true);

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
