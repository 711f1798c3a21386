#pragma once

#include "app/appcontext.h"
#include "model/devicedata.h"

#include <QStringList>
#include <QTemporaryDir>
#include <vector>

class CPropertyPage;
class QLineEdit;

// Device data with the default settings and built-in labels, the view's flags, and a
// sheet of pages: index 0 the picture page and 1 the communication page (both empty
// here), the pages under test from index 2. Prompts are collected, not shown.
class PageFixture : public AppContext {
public:
    PageFixture();
    ~PageFixture() override;

    // Adds a page to the sheet and returns its index.
    int addPage(CPropertyPage* page);
    // Makes the page active, as a click on its tab does; false when the active page
    // refused to be left.
    bool show(const CPropertyPage* page);
    // Leaves the active page for the communication page.
    bool leave() { return setActivePage(1); }
    CPropertyPage* activePage() const;

    // Types text into an edit as the user would (replacing what it holds).
    static void type(QLineEdit* edit, const QString& text);

    DeviceData& data() override { return m_data; }
    bool locked() const override { return lockedFlag; }
    bool deviceAccess() const override { return deviceAccessFlag; }
    bool isConnected() const override { return connected; }
    void logMessage(const QString& text) override { logLines << text; }
    int activePageIndex() const override { return m_active; }
    bool setActivePage(int index) override;
    void addSettingsPages() override {}
    void addEventsPage() override {}
    void activateEventsPage() override {}
    void startPrintout(int) override {}
    void writeRs485Config() override;

    bool lockedFlag = true;
    bool deviceAccessFlag = false;
    bool connected = false;
    int rs485Writes = 0;
    QStringList logLines;
    QStringList prompts;
    // The field that had the focus when each prompt was answered.
    std::vector<QWidget*> promptFields;

private:
    DeviceData m_data;
    QTemporaryDir m_labelDir;
    std::vector<CPropertyPage*> m_pages;
    int m_active = 1;
};
