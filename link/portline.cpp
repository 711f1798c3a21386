#include "link/portline.h"

PortLine::PortLine(int connectTimeoutMs, QObject* parent)
    : SerialLine(parent), m_remote(connectTimeoutMs)
{
    for (SerialLine* line :
         {static_cast<SerialLine*>(&m_local), static_cast<SerialLine*>(&m_remote)}) {
        connect(line, &SerialLine::frameReceived, this, &SerialLine::frameReceived);
        connect(line, &SerialLine::lineLost, this, &SerialLine::lineLost);
    }
}

bool PortLine::doOpen(const QString& portName, qint32 baudRate)
{
    SerialLine* line =
        Rfc2217Line::isRemotePortName(portName) ? static_cast<SerialLine*>(&m_remote) : &m_local;
    if (m_active && m_active != line)
        m_active->close();
    m_active = line;
    return line->open(portName, baudRate);
}

void PortLine::doClose()
{
    if (m_active)
        m_active->close();
}

void PortLine::doPurge()
{
    if (m_active)
        m_active->purge();
}

qint64 PortLine::doWrite(QByteArrayView bytes)
{
    // SerialLine::write has purged through doPurge already.
    return m_active ? m_active->doWrite(bytes) : -1;
}

void PortLine::flush()
{
    if (m_active)
        m_active->flush();
}

QString PortLine::errorString() const
{
    return m_active ? m_active->errorString() : QString();
}

int PortLine::receivePosition() const
{
    return m_active ? m_active->receivePosition() : 0;
}

LineLoss PortLine::lossReason() const
{
    return m_active ? m_active->lossReason() : LineLoss::PortLost;
}
