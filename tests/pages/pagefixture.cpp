#include "pagefixture.h"

#include "app/cmyproperty.h"
#include "model/labelstore.h"
#include "model/password.h"
#include "model/settingsrecord.h"
#include "pages/entryfields.h"

#include <QLineEdit>
#include <QTest>

namespace {

CPropertyPage* createTestPage(PageKind kind, AppContext& context, const StartOptions& options)
{
    if (kind == PageKind::Communication)
        return new FakeLinkPage(pageTitle(kind));
    return createPage(kind, context, options);
}

} // namespace

PageFixture::PageFixture() : m_view(m_data, StartOptions{}, createTestPage)
{
    SettingsRecord::applyDefaults(m_data);
    LabelStore(m_data, m_labelDir.path(), [](const QString&) {}).defaultFill();
    m_view.addSettingsPages();
    m_view.setActivePage(1);
    m_view.show();
    setPromptHandler([this](QWidget*, const QString& text) { prompts << text; });
}

PageFixture::~PageFixture()
{
    setPromptHandler({});
}

bool PageFixture::show(const CPropertyPage* page)
{
    return m_view.setActivePage(m_view.sheet()->indexOfPage(page));
}

CPropertyPage* PageFixture::activePage() const
{
    return m_view.sheet()->activePage();
}

void PageFixture::setLocked(bool locked)
{
    login(locked ? QStringLiteral("-") : QString::fromUtf16(servicePassword));
}

void PageFixture::setDeviceAccess(bool access)
{
    m_data.image().factoryNumber = 1234;
    login(access ? devicePassword(1234) : QStringLiteral("-"));
}

void PageFixture::login(const QString& password)
{
    m_view.passwordEdit()->setText(password);
    m_view.confirmPassword();
}

void PageFixture::type(QLineEdit* edit, const QString& text)
{
    // QTest::keyClicks passes Latin-1 only.
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_A, text.mid(i, length), Qt::NoModifier);
        i += length - 1;
    }
}
