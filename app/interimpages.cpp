#include "app/interimpages.h"

#include "model/strings.h"

#include <QListWidget>
#include <QTime>
#include <QVBoxLayout>

PendingPage::PendingPage(const QString& title, QWidget* parent) : CPropertyPage(title, parent) {}

InterimLinkPage::InterimLinkPage(const QString& title, QWidget* parent)
    : CPropertyPage(title, parent), m_log(new QListWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_log);
}

void InterimLinkPage::log(const QString& text)
{
    const QTime t = QTime::currentTime();
    m_log->insertItem(0, QStringLiteral("%1:%2:%3.%4  %5")
                             .arg(t.hour(), 2)
                             .arg(t.minute(), 2)
                             .arg(t.second(), 2)
                             .arg(t.msec(), 3)
                             .arg(text));
    if (m_log->count() > 301)
        delete m_log->takeItem(m_log->count() - 1);
}

void InterimLinkPage::notConnected()
{
    log(stringText(StringId::deviceNotConnected));
}

void InterimLinkPage::connectDevice()
{
    notConnected();
}
void InterimLinkPage::disconnectDevice()
{
    notConnected();
}
void InterimLinkPage::readSettings()
{
    notConnected();
}
void InterimLinkPage::writeSettings()
{
    notConnected();
}
void InterimLinkPage::compareSettings()
{
    notConnected();
}
void InterimLinkPage::readEvents()
{
    notConnected();
}
void InterimLinkPage::writeRs485Config()
{
    notConnected();
}
