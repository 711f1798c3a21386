#pragma once

#include "app/pageregistry.h"
#include "pagekit/cpropertypage.h"
#include "pagekit/eventslistquery.h"
#include "pagekit/linkcontrol.h"

#include <QStringList>

// A page that can refuse to be left.
class FakePage : public CPropertyPage {
    Q_OBJECT
public:
    using CPropertyPage::CPropertyPage;
    bool onKillActive() override { return !refuse; }
    bool refuse = false;
};

// The communication page as the window sees it: a link state the test sets, and the
// commands it received.
class FakeLinkPage : public FakePage, public LinkControl {
    Q_OBJECT
public:
    using FakePage::FakePage;
    bool isConnected() const override { return connected; }
    bool isPortOpen() const override { return portOpen || connected; }
    bool readingEvents() const override { return reading; }
    void log(const QString& text) override { lines << text; }
    void connectDevice() override { calls << QStringLiteral("connect"); }
    void disconnectDevice() override { calls << QStringLiteral("disconnect"); }
    void readSettings() override { calls << QStringLiteral("readSettings"); }
    void writeSettings() override { calls << QStringLiteral("writeSettings"); }
    void compareSettings() override { calls << QStringLiteral("compare"); }
    void readEvents() override { calls << QStringLiteral("readEvents"); }
    void writeRs485Config() override { calls << QStringLiteral("writeRs485"); }

    bool connected = false, portOpen = false, reading = false;
    QStringList lines, calls;
};

class FakeEventsPage : public FakePage, public EventsListQuery {
    Q_OBJECT
public:
    using FakePage::FakePage;
    bool isListBuilt() const override { return built; }
    bool built = false;
};

// The page factory of the window with these pages in place of the real ones.
CPropertyPage* createFakePage(PageKind kind, AppContext& context, const StartOptions& options);
