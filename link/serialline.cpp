#include "link/serialline.h"

#include <QMetaObject>

bool SerialLine::open(const QString& portName, qint32 baudRate)
{
    ++m_openCount;
    ++m_generation;
    m_receiver.clear();
    return doOpen(portName, baudRate);
}

void SerialLine::close()
{
    ++m_generation;
    m_receiver.clear();
    doClose();
}

void SerialLine::purge()
{
    ++m_generation;
    m_receiver.clear();
    if (isOpen())
        doPurge();
}

qint64 SerialLine::write(QByteArrayView request)
{
    if (!isOpen())
        return -1;
    purge();
    return doWrite(request);
}

void SerialLine::receive(QByteArrayView bytes)
{
    const quint64 generation = m_generation;
    for (char byte : bytes) {
        if (const auto status = m_receiver.take(static_cast<std::uint8_t>(byte))) {
            emit frameReceived(*status, m_receiver.reply().toByteArray());
            if (generation != m_generation)
                return;
        }
    }
}

void SerialLine::reportLineLost(LineLoss reason)
{
    if (!isOpen())
        return;
    m_lossReason = reason;
    close();
    const quint64 openCount = m_openCount;
    QMetaObject::invokeMethod(
        this,
        [this, openCount] {
            if (openCount == m_openCount)
                emit lineLost();
        },
        Qt::QueuedConnection);
}
