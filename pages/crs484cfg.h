#pragma once

#include "pagekit/cpropertypage.h"

#include <cstdint>

class AppContext;
class QComboBox;
class QLineEdit;
class QPushButton;

// "RS 485 konfiguracja": the controller's own bus address and baud rate (the RS-485
// byte of the settings), editable with the device password, and the button that
// writes them to the controller.
class CRS484cfg : public CPropertyPage {
    Q_OBJECT
public:
    explicit CRS484cfg(AppContext& context, QWidget* parent = nullptr);

    void onSetActive() override;
    bool onKillActive() override;

    QLineEdit* addressEdit() const { return m_addressEdit; }
    QComboBox* baudList() const { return m_baudList; }
    QPushButton* writeButton() const { return m_writeButton; }

private:
    void loadFromRecord();
    // Returns false when the address was refused; the page then stays active.
    bool storeToRecord();
    void writeToDevice();

    AppContext& m_context;
    QLineEdit* m_addressEdit = nullptr;
    QComboBox* m_baudList = nullptr;
    QPushButton* m_writeButton = nullptr;
    std::uint8_t m_address = 1;
};
