#include "link/page/portlistupdater.h"

#include "link/devicelink.h"
#include "link/portenumeration.h"

#include <QAbstractItemView>
#include <QComboBox>

PortListUpdater::PortListUpdater(QComboBox& box, DeviceLink& link, QObject* parent)
    : QObject(parent), m_box(box), m_link(link), m_source(EnumerateSerialPorts)
{
    m_timer.setInterval(defaultPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &PortListUpdater::poll);
    // An unplugged adapter ends the link: show the ports as they are now.
    connect(&m_link, &DeviceLink::linkEnded, this, &PortListUpdater::refresh);
}

void PortListUpdater::start()
{
    m_listed.clear();
    for (int i = 0; i < m_box.count(); ++i)
        m_listed << m_box.itemData(i).toString();
    m_timer.start();
}

void PortListUpdater::poll()
{
    // Not while a link uses the line, nor under the user's hand in an open list.
    if (m_link.isPortOpen() || m_box.view()->isVisible())
        return;
    refresh();
}

void PortListUpdater::refresh()
{
    const QStringList ports = m_source();
    if (ports != m_listed)
        apply(ports);
}

void PortListUpdater::keep(const QString& portName)
{
    if (m_kept.contains(portName))
        return;
    m_kept << portName;
    if (m_box.findData(portName) < 0) {
        const QString text = m_box.currentText();
        const QSignalBlocker quiet(&m_box);
        m_box.addItem(portName, portName);
        if (text == portName)
            m_box.setCurrentIndex(m_box.count() - 1);
    }
}

void PortListUpdater::apply(const QStringList& ports)
{
    // The port shown, as "Połącz" would take it: a listed port by its name, a typed path
    // as typed.
    const QString text = m_box.currentText().trimmed();
    const int shownIndex = m_box.findText(text);
    const QString shown = shownIndex >= 0 ? m_box.itemData(shownIndex).toString() : text;
    const QSignalBlocker quiet(&m_box);
    m_box.clear();
    for (const QString& name : ports)
        m_box.addItem(portDisplayName(name), name);
    for (const QString& name : m_kept)
        if (!ports.contains(name))
            m_box.addItem(name, name);
    m_listed = ports;

    const int index = m_box.findData(shown);
    if (index >= 0)
        m_box.setCurrentIndex(index);
    else if (!text.isEmpty()) {
        m_box.setCurrentIndex(-1);
        m_box.setEditText(text);
    } else
        m_box.setCurrentIndex(m_box.count() > 0 ? 0 : -1);
}
