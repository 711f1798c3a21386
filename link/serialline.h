#pragma once

#include "link/framereceiver.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

// The lines' own messages: opens, closes, faults.
Q_DECLARE_LOGGING_CATEGORY(lcPort)

// Why a line went away: the port itself, or a serial server on the network that could
// not be reached.
enum class LineLoss { PortLost, ServerRefused, ServerUnknown, ServerNotAnswering };

// The narrow view of a serial line that the device link needs: open at a baud rate
// (8 data bits, no parity, one stop bit), write one request, purge, close. Received
// bytes are framed here and each finished reply is reported synchronously, one at a
// time; when the receiver of a report purges, writes or closes, the rest of the bytes
// being framed is dropped, as a purge would have discarded them.
class SerialLine : public QObject {
    Q_OBJECT
public:
    explicit SerialLine(QObject* parent = nullptr) : QObject(parent) {}

    bool open(const QString& portName, qint32 baudRate);
    void close();
    virtual bool isOpen() const = 0;
    // Discards what is queued in both directions; the next byte starts a new reply.
    void purge();
    // Purges, then sends one request; the count sent, or -1 when the write failed or did
    // not finish within the write time-out.
    qint64 write(QByteArrayView request);
    // Waits (bounded) until a request written before is handed to the driver, so that
    // a following close does not lose it.
    virtual void flush() = 0;
    virtual QString errorString() const = 0;

    virtual int receivePosition() const { return m_receiver.position(); }
    // Why the line was last reported lost.
    virtual LineLoss lossReason() const { return m_lossReason; }

signals:
    // A reply was framed; `reply` holds its bytes as stored.
    void frameReceived(FrameStatus status, const QByteArray& reply);
    // The line went away (adapter unplugged, other end closed). It has been closed;
    // reported once, after the current event.
    void lineLost();

protected:
    virtual bool doOpen(const QString& portName, qint32 baudRate) = 0;
    virtual void doClose() = 0;
    virtual void doPurge() = 0;
    virtual qint64 doWrite(QByteArrayView bytes) = 0;

    // Frames received bytes and reports each finished reply.
    void receive(QByteArrayView bytes);
    // Closes the line and reports it lost, once, unless it is opened again meanwhile.
    void reportLineLost(LineLoss reason = LineLoss::PortLost);

private:
    // Hands a port name to the line that serves it and writes through that line's own
    // doWrite, its purge having been done.
    friend class PortLine;

    FrameReceiver m_receiver;
    quint64 m_generation = 0; // changes with every purge, write and close
    quint64 m_openCount = 0;
    LineLoss m_lossReason = LineLoss::PortLost;
};
