#include "link/cserialport.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPort, "tavrel.link.port", QtWarningMsg)

CSerialPort::CSerialPort(QObject* parent) : SerialLine(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &CSerialPort::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CSerialPort::onErrorOccurred);
}

CSerialPort::~CSerialPort()
{
    if (m_port.isOpen())
        doClose();
}

int CSerialPort::writeTimeoutMs(qsizetype size, qint32 baudRate)
{
    const qint32 perByte = baudRate > 0 ? 192000 / baudRate : 0;
    return int(100 + size * perByte);
}

bool CSerialPort::doOpen(const QString& portName, qint32 baudRate)
{
    if (m_port.isOpen())
        doClose();
    m_port.setPortName(portName);
    m_port.setBaudRate(baudRate);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_errorString = m_port.errorString();
        qCDebug(lcPort) << "open" << portName << baudRate << "failed:" << m_errorString;
        m_port.clearError();
        return false;
    }
    // Pseudo-terminals refuse DTR; that is no reason to give up the line.
    if (!m_port.setDataTerminalReady(true))
        m_port.clearError();
    m_port.clear(QSerialPort::AllDirections);
    m_errorString.clear();
    qCDebug(lcPort) << "opened" << portName << "at" << baudRate;
    return true;
}

void CSerialPort::doClose()
{
    if (!m_port.isOpen() || m_closing)
        return;
    m_closing = true;
    if (!m_lost)
        flush();
    // Only input is discarded: a request written just before (link closing, reset) must
    // still reach the controller.
    m_port.clear(QSerialPort::Input);
    if (!m_port.setDataTerminalReady(false))
        m_port.clearError();
    m_port.close();
    m_port.clearError();
    m_closing = false;
    m_lost = false;
    qCDebug(lcPort) << "closed" << m_port.portName();
}

void CSerialPort::doPurge()
{
    m_port.clear(QSerialPort::AllDirections);
}

qint64 CSerialPort::doWrite(QByteArrayView bytes)
{
    const qint64 written = m_port.write(bytes.data(), bytes.size());
    if (written != bytes.size()) {
        qCDebug(lcPort) << "write refused:" << m_port.errorString();
        return -1;
    }
    if (m_port.bytesToWrite() > 0 &&
        !m_port.waitForBytesWritten(writeTimeoutMs(bytes.size(), m_port.baudRate()))) {
        qCDebug(lcPort) << "write not finished:" << m_port.errorString();
        if (m_port.error() == QSerialPort::TimeoutError)
            m_port.clearError();
        return -1;
    }
    return written;
}

void CSerialPort::flush()
{
    if (m_port.isOpen() && m_port.bytesToWrite() > 0)
        m_port.waitForBytesWritten(writeTimeoutMs(m_port.bytesToWrite(), m_port.baudRate()));
}

void CSerialPort::onReadyRead()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        receive(bytes);
}

void CSerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (m_port.isOpen() && !m_closing) {
            m_lost = true;
            m_errorString = m_port.errorString();
            qCWarning(lcPort) << "line lost:" << m_errorString;
            reportLineLost();
        }
        break;
    default:
        break;
    }
}
