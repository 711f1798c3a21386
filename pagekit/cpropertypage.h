#pragma once

#include <QString>
#include <QWidget>

// A page of the property sheet. The sheet calls onSetActive when the page comes to
// the front (copy the shared records into the controls) and onKillActive before it
// is left (copy them back); a page that returns false stays active.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(const QString& title, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }

    virtual void onSetActive() {}
    virtual bool onKillActive() { return true; }

private:
    QString m_title;
};
