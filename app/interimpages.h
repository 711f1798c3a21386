#pragma once

#include "app/cpropertypage.h"
#include "app/linkcontrol.h"

class QListWidget;

// Holds the place of a page whose class has not joined the build yet, so that the
// indexes of the sheet are already those of the finished tool.
class PendingPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit PendingPage(const QString& title, QWidget* parent = nullptr);
};

// Stands in for the communication page until it joins the build: keeps the message
// log and reports no link.
class InterimLinkPage : public CPropertyPage, public LinkControl {
    Q_OBJECT
public:
    explicit InterimLinkPage(const QString& title, QWidget* parent = nullptr);

    bool isConnected() const override { return false; }
    bool readingEvents() const override { return false; }
    void log(const QString& text) override;
    void connectDevice() override;
    void disconnectDevice() override;
    void readSettings() override;
    void writeSettings() override;
    void compareSettings() override;
    void readEvents() override;
    void writeRs485Config() override;

private:
    void notConnected();

    QListWidget* m_log;
};
