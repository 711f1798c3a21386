#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class DeviceLink;
class QComboBox;

// Keeps the port box of the communication page in step with the ports of the machine:
// polled while no port is open, and at once on request (the refresh button) and when a
// link ends. The port shown stays shown: a vanished adapter's port stays in the box's
// text, so "Połącz" reports it plainly and it is selected again when it comes back.
class PortListUpdater : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultPeriodMs = 1000;
    // Where the port names come from. QSerialPortInfo does not list pseudo-terminals, so
    // tests hand in their own.
    using PortSource = std::function<QStringList()>;

    PortListUpdater(QComboBox& box, DeviceLink& link, QObject* parent = nullptr);

    void setPortSource(PortSource source) { m_source = std::move(source); }
    void setPeriod(int ms) { m_timer.setInterval(ms); }

    // Starts polling; the box's items are what was listed so far.
    void start();
    // Asks the source now and updates the box if the ports changed (even while a link is
    // open: the link keeps its port whatever the box shows).
    void refresh();
    // Keeps a port that no listing shows (a serial server) among the listed ones from now
    // on, and shows it.
    void keep(const QString& portName);

private:
    void poll();
    void apply(const QStringList& ports);

    QComboBox& m_box;
    DeviceLink& m_link;
    PortSource m_source;
    QTimer m_timer;
    QStringList m_listed; // the ports in the box from the last listing
    QStringList m_kept;   // after them, the ports kept
};
