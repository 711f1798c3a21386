#pragma once

#include "link/serialline.h"

#include <QSerialPort>

// The serial line on a real port (a COM port, a USB adapter, a pseudo-terminal).
// Received bytes are framed on the thread that owns the object as they arrive.
class CSerialPort : public SerialLine {
    Q_OBJECT
public:
    explicit CSerialPort(QObject* parent = nullptr);
    ~CSerialPort() override;

    bool isOpen() const override { return m_port.isOpen(); }
    void flush() override;
    QString errorString() const override { return m_errorString; }

    // The bound of a write of `size` bytes at `baudRate`: 100 ms plus 192000 / baud ms
    // a byte (80 ms at 2400 baud).
    static int writeTimeoutMs(qsizetype size, qint32 baudRate);

protected:
    bool doOpen(const QString& portName, qint32 baudRate) override;
    void doClose() override;
    void doPurge() override;
    qint64 doWrite(QByteArrayView bytes) override;

private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_errorString;
    bool m_closing = false; // errors raised while closing are not a lost line
    bool m_lost = false;
};
