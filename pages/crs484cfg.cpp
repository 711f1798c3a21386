#include "pages/crs484cfg.h"

#include "model/devicedata.h"
#include "model/settingsrecord.h"
#include "pagekit/appcontext.h"
#include "pages/entryfields.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace SettingsRecord;

namespace {

// The sheet's index of the communication page, where the write reports its progress.
constexpr int communicationPageIndex = 1;

QLineEdit* fixedField(const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

} // namespace

CRS484cfg::CRS484cfg(AppContext& context, QWidget* parent)
    : CPropertyPage(QStringLiteral("RS 485 konfiguracja"), parent), m_context(context)
{
    auto* group = new QGroupBox(QStringLiteral("Konfiguracja portu szeregowego urządzenia"), this);
    auto* grid = new QGridLayout(group);

    m_addressEdit = new QLineEdit(group);
    m_addressEdit->setAlignment(Qt::AlignCenter);
    m_baudList = new QComboBox(group);
    for (const char* rate : {"4800", "9600", "19200", "38400"})
        m_baudList->addItem(QString::fromLatin1(rate));

    const struct {
        const char* caption;
        QWidget* field;
    } rows[] = {
        {"Adres urządzenia", m_addressEdit},
        {"Prędkość komunikacji", m_baudList},
        {"Bity danych", fixedField(QStringLiteral("8"), group)},
        {"Parzystość", fixedField(QStringLiteral("N (brak)"), group)},
        {"BityStopu", fixedField(QStringLiteral("1"), group)},
    };
    int row = 0;
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), group);
        label->setBuddy(field);
        field->setFixedWidth(120);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->setColumnStretch(2, 1);

    m_writeButton = new QPushButton(QStringLiteral("Zapisz konfig do Dorvik"), this);
    connect(m_writeButton, &QPushButton::clicked, this, &CRS484cfg::writeToDevice);
    auto* note = new QLabel(QStringLiteral("Zapis konfiguracji portu szeregowego do Dorvik możliwy "
                                           "jest tylko w trybie \"Online\" i po wpisaniu "
                                           "właściwego hasła w oknie \"Logowanie\"."),
                            this);
    note->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_writeButton, 0, Qt::AlignLeft);
    layout->addWidget(note);
    layout->addStretch(1);
}

void CRS484cfg::onSetActive()
{
    loadFromRecord();
}

bool CRS484cfg::onKillActive()
{
    // Without the device password the page only shows the byte.
    const bool stored = !m_context.deviceAccess() || storeToRecord();
    m_context.data().settingsValid = true;
    return stored;
}

void CRS484cfg::loadFromRecord()
{
    const SettingsImage& settings = m_context.data().image().settings;
    m_address = address(settings);
    m_baudList->setCurrentIndex(baudIndex(settings));
    m_addressEdit->setText(QString::number(m_address));

    const bool access = m_context.deviceAccess();
    m_addressEdit->setReadOnly(!access);
    m_baudList->setEnabled(access);
    m_writeButton->setEnabled(access && m_context.isConnected());
}

bool CRS484cfg::storeToRecord()
{
    const std::optional<unsigned> typed = parseByte(m_addressEdit->text());
    if (typed)
        m_address = static_cast<std::uint8_t>(*typed);
    // The byte is composed even from a refused entry: the previous address with the
    // rate now chosen.
    m_address %= 32;
    if (m_address == 0)
        m_address = 1;
    const int index = m_baudList->currentIndex();
    setRs485(m_context.data().image().settings, m_address,
             index < 0 ? std::nullopt : std::optional<int>(index));
    if (typed) {
        m_addressEdit->setText(QString::number(m_address));
        return true;
    }
    promptEntry(m_addressEdit, promptByte);
    return false;
}

void CRS484cfg::writeToDevice()
{
    // Leaving the page stores the byte; a refused leave (a bad address) sends nothing.
    if (!m_context.setActivePage(communicationPageIndex))
        return;
    // The device password is dropped when a link ends, and the link itself refuses the
    // write while not connected: nothing is queued for a later connection.
    if (m_context.deviceAccess())
        m_context.writeRs485Config();
}
