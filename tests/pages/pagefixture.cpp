#include "pagefixture.h"

#include "app/cpropertypage.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "pages/entryfields.h"

#include <QLineEdit>
#include <QTest>

PageFixture::PageFixture() : m_pages{nullptr, nullptr}
{
    SettingsRecord::applyDefaults(m_data);
    LabelStore labels(m_data, m_labelDir.path(), [](const QString&) {});
    labels.defaultFill();
    setPromptHandler([this](QWidget* parent, const QString& text) {
        prompts << text;
        promptFields.push_back(parent);
    });
}

PageFixture::~PageFixture()
{
    setPromptHandler({});
}

int PageFixture::addPage(CPropertyPage* page)
{
    m_pages.push_back(page);
    return static_cast<int>(m_pages.size()) - 1;
}

bool PageFixture::show(const CPropertyPage* page)
{
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] && m_pages[i] == page)
            return setActivePage(static_cast<int>(i));
    }
    return false;
}

CPropertyPage* PageFixture::activePage() const
{
    return m_pages[static_cast<std::size_t>(m_active)];
}

bool PageFixture::setActivePage(int index)
{
    if (index == m_active)
        return true;
    if (CPropertyPage* current = activePage()) {
        if (!current->onKillActive())
            return false;
        current->hide();
    }
    m_active = index;
    if (CPropertyPage* next = activePage()) {
        next->onSetActive();
        next->show();
    }
    return true;
}

void PageFixture::writeRs485Config()
{
    if (!connected) {
        logLines << QStringLiteral("Urządzenie niepodłączone");
        return;
    }
    ++rs485Writes;
}

void PageFixture::type(QLineEdit* edit, const QString& text)
{
    // Key by key, as the user types (a read-only edit or its length limit refuse keys);
    // QTest::keyClicks would pass Latin-1 only.
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_A, text.mid(i, length), Qt::NoModifier);
        i += length - 1;
    }
}
