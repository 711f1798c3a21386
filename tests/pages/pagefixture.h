#pragma once

#include "app/ctavrelview.h"
#include "model/devicedata.h"
#include "tests/app/fakepages.h"

#include <QStringList>
#include <QTemporaryDir>

class QLineEdit;

// The view with its real sheet and settings pages, the default settings and built-in
// labels, and a communication page that only records what it is asked. Prompts are
// collected instead of shown.
class PageFixture {
public:
    PageFixture();
    ~PageFixture();

    template <class Page> Page* page() const
    {
        for (PageKind kind : allPageKinds) {
            if (auto* found = qobject_cast<Page*>(m_view.page(kind)))
                return found;
        }
        return nullptr;
    }
    DeviceData& data() { return m_data; }
    CTavrelView& view() { return m_view; }
    FakeLinkPage& link() const { return *static_cast<FakeLinkPage*>(m_view.link()); }

    // Brings a page to the front as a click on its tab does; false when the page in
    // front refused to be left.
    bool show(const CPropertyPage* page);
    bool leave() { return m_view.setActivePage(1); }
    CPropertyPage* activePage() const;

    // Through the login strip, as the user gets them.
    void setLocked(bool locked);
    void setDeviceAccess(bool access);
    void setConnected(bool connected) { link().connected = connected; }
    int rs485Writes() const { return int(link().calls.count(QStringLiteral("writeRs485"))); }

    // Types into an edit key by key, as the user does (replacing its text).
    static void type(QLineEdit* edit, const QString& text);

    QStringList prompts;

private:
    void login(const QString& password);

    DeviceData m_data;
    QTemporaryDir m_labelDir;
    CTavrelView m_view;
};
