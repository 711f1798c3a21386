#pragma once

#include "link/serialline.h"

#include <QList>
#include <QSet>
#include <QStringList>

// A serial line in memory, for tests of everything above the port: it records what is
// opened and written, and delivers the bytes a test hands it as received bytes.
class MemoryLine : public SerialLine {
    Q_OBJECT
public:
    explicit MemoryLine(QObject* parent = nullptr) : SerialLine(parent) {}

    bool isOpen() const override { return m_open; }
    void flush() override;
    QString errorString() const override { return m_open ? QString() : QStringLiteral("closed"); }

    // Test side.
    // Bytes arriving from the controller; framed as CSerialPort frames them. Dropped
    // while the line is closed.
    void deliver(QByteArrayView bytes);
    // The adapter goes away: the line closes and lineLost follows after the current event.
    void loseLine() { reportLineLost(); }
    // Opens fail for these port names, or for these baud rates on any port.
    QSet<QString> failingPorts;
    QSet<qint32> failingBaudRates;
    bool failWrites = false;

    QString portName() const { return m_portName; }
    qint32 baudRate() const { return m_baudRate; }
    // Every request written, in order.
    QList<QByteArray> written;
    // "open <port> <baud>", "write <hex>", "purge", "flush", "close", in order.
    QStringList events;
    void clearRecords();

protected:
    bool doOpen(const QString& portName, qint32 baudRate) override;
    void doClose() override;
    void doPurge() override;
    qint64 doWrite(QByteArrayView bytes) override;

private:
    bool m_open = false;
    QString m_portName;
    qint32 m_baudRate = 0;
};
