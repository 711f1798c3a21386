#pragma once

#include "link/cserialport.h"
#include "link/rfc2217line.h"

// The line behind a port name, whatever the name: a serial server on the network for
// rfc2217://HOST:PORT, a port of this machine for anything else. The one place where a
// port name decides the kind of line.
class PortLine : public SerialLine {
    Q_OBJECT
public:
    explicit PortLine(int connectTimeoutMs = Rfc2217Line::defaultConnectTimeoutMs,
                      QObject* parent = nullptr);

    bool isOpen() const override { return m_active && m_active->isOpen(); }
    void flush() override;
    QString errorString() const override;
    int receivePosition() const override;
    LineLoss lossReason() const override;

protected:
    bool doOpen(const QString& portName, qint32 baudRate) override;
    void doClose() override;
    void doPurge() override;
    qint64 doWrite(QByteArrayView bytes) override;

private:
    CSerialPort m_local;
    Rfc2217Line m_remote;
    SerialLine* m_active = nullptr;
};
