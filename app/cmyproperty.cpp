#include "app/cmyproperty.h"

#include "pagekit/cpropertypage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QWheelEvent>

namespace {

// A tab bar that asks before it switches: clicks and arrow keys become requests to
// the sheet, and the wheel does not flip pages behind the user's back.
class SheetTabBar : public QTabBar {
public:
    explicit SheetTabBar(CMyProperty* sheet) : QTabBar(sheet), m_sheet(sheet) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        const int index = tabAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && index >= 0 && index != currentIndex()) {
            event->accept();
            m_sheet->setActivePage(index);
            return;
        }
        QTabBar::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
        if (step == 0) {
            QTabBar::keyPressEvent(event);
            return;
        }
        const int index = currentIndex() + step;
        if (index >= 0 && index < count())
            m_sheet->setActivePage(index);
        event->accept();
    }

    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

private:
    CMyProperty* m_sheet;
};

} // namespace

CMyProperty::CMyProperty(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new SheetTabBar(this));
    setDocumentMode(false);
    setUsesScrollButtons(false);
    connect(this, &QTabWidget::currentChanged, this, &CMyProperty::onCurrentChanged);
}

int CMyProperty::addPage(CPropertyPage* page)
{
    if (!page)
        return -1;
    if (const int existing = indexOfPage(page); existing >= 0)
        return existing;
    const bool first = count() == 0;
    m_switching = true;
    const int index = addTab(page, page->title());
    m_switching = false;
    if (first)
        showPage(index);
    return index;
}

int CMyProperty::indexOfPage(const CPropertyPage* page) const
{
    for (int i = 0; i < count(); ++i) {
        if (widget(i) == page)
            return i;
    }
    return -1;
}

CPropertyPage* CMyProperty::page(int index) const
{
    return qobject_cast<CPropertyPage*>(widget(index));
}

bool CMyProperty::setActivePage(int index)
{
    if (index < 0 || index >= count())
        return false;
    if (index == m_active)
        return true;
    if (CPropertyPage* old = activePage(); old && !old->onKillActive()) {
        old->setFocus();
        return false;
    }
    showPage(index);
    return true;
}

void CMyProperty::showPage(int index)
{
    m_active = index;
    page(index)->onSetActive();
    m_switching = true;
    setCurrentIndex(index);
    m_switching = false;
}

void CMyProperty::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+Tab and Ctrl+PgUp/PgDown would switch pages without asking.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown))
        step = 1;
    else if (ctrl && (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_Backtab))
        step = -1;
    if (step == 0 || count() == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    setActivePage((m_active + step + count()) % count());
    event->accept();
}

void CMyProperty::onCurrentChanged(int index)
{
    // Any other path that moved the current tab (accessibility, a direct call) is
    // brought through the same check, or undone.
    if (m_switching || index == m_active || index < 0)
        return;
    const int wanted = index;
    m_switching = true;
    setCurrentIndex(m_active);
    m_switching = false;
    setActivePage(wanted);
}
