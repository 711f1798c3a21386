#pragma once

#include <QTabWidget>

class CPropertyPage;

// The property sheet: pages as tabs. Every change of the active page, by the user
// or by a command, goes through setActivePage, which first asks the page being left;
// a page that refuses (an invalid entry) stays in front.
class CMyProperty : public QTabWidget {
    Q_OBJECT
public:
    explicit CMyProperty(QWidget* parent = nullptr);

    // Appends the page unless it is already in the sheet; returns its index. The
    // first page added becomes the active one.
    int addPage(CPropertyPage* page);
    bool hasPage(const CPropertyPage* page) const { return indexOfPage(page) >= 0; }
    int indexOfPage(const CPropertyPage* page) const;
    int pageCount() const { return count(); }
    CPropertyPage* page(int index) const;

    int activePageIndex() const { return m_active; }
    CPropertyPage* activePage() const { return page(m_active); }
    // False when the index is not a page or the page being left refused.
    bool setActivePage(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onCurrentChanged(int index);
    void showPage(int index);

    int m_active = -1;
    bool m_switching = false;
};
