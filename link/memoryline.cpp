#include "link/memoryline.h"

void MemoryLine::flush()
{
    events.append(QStringLiteral("flush"));
}

void MemoryLine::deliver(QByteArrayView bytes)
{
    if (m_open)
        receive(bytes);
}

void MemoryLine::clearRecords()
{
    written.clear();
    events.clear();
}

bool MemoryLine::doOpen(const QString& portName, qint32 baudRate)
{
    events.append(QStringLiteral("open %1 %2").arg(portName).arg(baudRate));
    if (failingPorts.contains(portName) || failingBaudRates.contains(baudRate)) {
        m_open = false;
        return false;
    }
    m_open = true;
    m_portName = portName;
    m_baudRate = baudRate;
    return true;
}

void MemoryLine::doClose()
{
    if (!m_open)
        return;
    events.append(QStringLiteral("close"));
    m_open = false;
}

void MemoryLine::doPurge()
{
    events.append(QStringLiteral("purge"));
}

qint64 MemoryLine::doWrite(QByteArrayView bytes)
{
    events.append(QStringLiteral("write ") + QString::fromLatin1(bytes.toByteArray().toHex(' ')));
    written.append(bytes.toByteArray());
    return failWrites ? -1 : bytes.size();
}
