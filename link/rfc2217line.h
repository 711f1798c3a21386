#pragma once

#include "link/rfc2217codec.h"
#include "link/serialline.h"

#include <QTcpSocket>
#include <QTimer>
#include <optional>

// The serial line of a serial server on the network (Telnet Com Port Control), named
// rfc2217://HOST:PORT. Opening returns at once: what is written while the connection is
// being made waits for it, and a connection that fails or does not come within the
// connect time-out is reported as a lost line. The engine changes the rate by closing and
// opening again at once; the connection is kept through that and ends only when the line
// stays closed past the current event.
class Rfc2217Line : public SerialLine {
    Q_OBJECT
public:
    static constexpr int defaultConnectTimeoutMs = 2000; // within the probes of a connection

    struct Endpoint {
        QString host;
        quint16 port = 0;
        bool operator==(const Endpoint&) const = default;
    };
    static bool isRemotePortName(const QString& portName);
    // The host and port of an rfc2217://HOST:PORT name; none when it is not one.
    static std::optional<Endpoint> endpoint(const QString& portName);

    explicit Rfc2217Line(int connectTimeoutMs = defaultConnectTimeoutMs, QObject* parent = nullptr);
    ~Rfc2217Line() override;

    bool isOpen() const override { return m_open; }
    // Hands what is written to the network now; never waits.
    void flush() override;
    QString errorString() const override { return m_errorString; }

protected:
    bool doOpen(const QString& portName, qint32 baudRate) override;
    void doClose() override;
    void doPurge() override;
    qint64 doWrite(QByteArrayView bytes) override;

private:
    void send(const QByteArray& bytes);
    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onConnectTimeout();
    void dropConnection();
    void lose(LineLoss reason, const QString& why);

    QTcpSocket m_socket;
    Rfc2217Codec m_codec;
    QTimer m_connectTimer;
    QTimer m_dropTimer;
    Endpoint m_endpoint;
    bool m_open = false;
    bool m_connected = false;
    // Until the connection is made: the settings of the last open, and the data written
    // since the last purge (a purge discards it, as it would a port's output queue).
    QByteArray m_settingsPending;
    QByteArray m_dataPending;
    QString m_errorString;
};
