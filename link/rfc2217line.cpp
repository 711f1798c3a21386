#include "link/rfc2217line.h"

#include <QUrl>
#include <utility>

namespace {
const QString scheme = QStringLiteral("rfc2217");
} // namespace

bool Rfc2217Line::isRemotePortName(const QString& portName)
{
    return portName.trimmed().startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

std::optional<Rfc2217Line::Endpoint> Rfc2217Line::endpoint(const QString& portName)
{
    if (!isRemotePortName(portName))
        return std::nullopt;
    const QUrl url(portName.trimmed(), QUrl::StrictMode);
    const int port = url.port();
    if (!url.isValid() || url.host().isEmpty() || port <= 0 || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QStringLiteral("/")) || url.hasQuery() ||
        url.hasFragment())
        return std::nullopt;
    return Endpoint{url.host(), quint16(port)};
}

Rfc2217Line::Rfc2217Line(int connectTimeoutMs, QObject* parent) : SerialLine(parent)
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(connectTimeoutMs);
    m_dropTimer.setSingleShot(true);
    m_dropTimer.setInterval(0);
    connect(&m_connectTimer, &QTimer::timeout, this, &Rfc2217Line::onConnectTimeout);
    connect(&m_dropTimer, &QTimer::timeout, this, &Rfc2217Line::dropConnection);
    connect(&m_socket, &QTcpSocket::connected, this, &Rfc2217Line::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Rfc2217Line::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &Rfc2217Line::onSocketError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &Rfc2217Line::onDisconnected);
}

Rfc2217Line::~Rfc2217Line()
{
    disconnect(&m_socket, nullptr, this, nullptr);
    m_socket.abort();
}

bool Rfc2217Line::doOpen(const QString& portName, qint32 baudRate)
{
    const auto target = endpoint(portName);
    if (!target) {
        m_errorString = QStringLiteral("not a host and port: %1").arg(portName);
        return false;
    }
    m_dropTimer.stop();
    const auto state = m_socket.state();
    const bool reuse = *target == m_endpoint && (state == QAbstractSocket::HostLookupState ||
                                                 state == QAbstractSocket::ConnectingState ||
                                                 state == QAbstractSocket::ConnectedState);
    m_open = true;
    m_errorString.clear();
    const QByteArray settings = Rfc2217Codec::lineSettings(quint32(baudRate));
    if (reuse && m_connected) {
        send(settings);
    } else if (reuse) {
        m_settingsPending = settings;
        m_dataPending.clear();
    } else {
        m_socket.abort();
        m_endpoint = *target;
        m_connected = false;
        m_settingsPending = settings;
        m_dataPending.clear();
        m_connectTimer.start();
        m_socket.connectToHost(m_endpoint.host, m_endpoint.port);
    }
    qCDebug(lcPort) << "opened" << portName << "at" << baudRate << (reuse ? "(kept)" : "");
    return true;
}

void Rfc2217Line::doClose()
{
    if (!m_open)
        return;
    m_open = false;
    // A close followed at once by an open is a change of rate: the connection stays.
    m_dropTimer.start();
}

void Rfc2217Line::dropConnection()
{
    if (m_open)
        return;
    m_connectTimer.stop();
    if (m_connected) {
        send(Rfc2217Codec::setControl(Rfc2217Codec::controlDtrOff));
        m_connected = false;
        m_socket.disconnectFromHost(); // what was written still goes out
    } else {
        m_socket.abort();
    }
    qCDebug(lcPort) << "closed" << m_endpoint.host << m_endpoint.port;
}

void Rfc2217Line::doPurge()
{
    m_dataPending.clear();
    if (m_connected)
        send(Rfc2217Codec::purgeData());
}

qint64 Rfc2217Line::doWrite(QByteArrayView bytes)
{
    const QByteArray escaped = Rfc2217Codec::escape(bytes);
    if (!m_connected) {
        m_dataPending += escaped;
        return bytes.size();
    }
    if (m_socket.write(escaped) != escaped.size()) {
        qCDebug(lcPort) << "write refused:" << m_socket.errorString();
        return -1;
    }
    return bytes.size();
}

void Rfc2217Line::flush()
{
    if (m_connected)
        m_socket.flush();
}

void Rfc2217Line::send(const QByteArray& bytes)
{
    m_socket.write(bytes);
}

void Rfc2217Line::onConnected()
{
    m_connectTimer.stop();
    m_connected = true;
    // Requests are a few bytes each and wait for their answer: no coalescing delay.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    send(m_codec.start() + std::exchange(m_settingsPending, {}) +
         Rfc2217Codec::setControl(Rfc2217Codec::controlDtrOn) + std::exchange(m_dataPending, {}));
    m_socket.flush();
    qCDebug(lcPort) << "connected to" << m_endpoint.host << m_endpoint.port;
}

void Rfc2217Line::onReadyRead()
{
    QByteArray answer;
    const QByteArray data = m_codec.decode(m_socket.readAll(), answer);
    if (!answer.isEmpty())
        send(answer);
    if (m_open && !data.isEmpty())
        receive(data);
}

void Rfc2217Line::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_connected) {
        lose(LineLoss::PortLost, m_socket.errorString());
        return;
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        lose(LineLoss::ServerRefused, m_socket.errorString());
        break;
    case QAbstractSocket::HostNotFoundError:
        lose(LineLoss::ServerUnknown, m_socket.errorString());
        break;
    default:
        lose(LineLoss::ServerNotAnswering, m_socket.errorString());
        break;
    }
}

void Rfc2217Line::onDisconnected()
{
    if (m_connected)
        lose(LineLoss::PortLost, QStringLiteral("the server closed the connection"));
}

void Rfc2217Line::onConnectTimeout()
{
    lose(LineLoss::ServerNotAnswering,
         QStringLiteral("no connection within %1 ms").arg(m_connectTimer.interval()));
}

void Rfc2217Line::lose(LineLoss reason, const QString& why)
{
    m_connectTimer.stop();
    m_connected = false;
    m_socket.abort();
    if (!m_open)
        return;
    m_errorString = why;
    // A connection that never came is logged by the link; a dropped one is a fault.
    if (reason == LineLoss::PortLost)
        qCWarning(lcPort) << "line lost:" << m_endpoint.host << m_endpoint.port << why;
    else
        qCDebug(lcPort) << "no connection:" << m_endpoint.host << m_endpoint.port << why;
    reportLineLost(reason);
}
