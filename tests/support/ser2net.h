#pragma once

// Debian's ser2net on a free port of 127.0.0.1, its RFC 2217 accepter in front of a line.

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// Whether a server listens on the port of 127.0.0.1 within 10 s.
inline bool waitForListener(quint16 port)
{
    return QTest::qWaitFor(
        [port] {
            QTcpSocket socket;
            socket.connectToHost("127.0.0.1", port);
            return socket.waitForConnected(200);
        },
        10000);
}

struct Ser2net {
    Ser2net()
    {
        QTcpServer free;
        port = free.listen(QHostAddress::LocalHost) ? free.serverPort() : 0;
    }
    bool start(const QString& device)
    {
        process.start("ser2net", {"-n", "-Y",
                                  QStringLiteral("connection: &dorvik#  accepter: telnet(rfc2217),"
                                                 "tcp,127.0.0.1,%1#  connector: serialdev,%2,"
                                                 "19200n81,local#  options:#    kickolduser: true")
                                      .arg(port)
                                      .arg(device)});
        return waitForListener(port);
    }
    ~Ser2net() { process.kill(), process.waitForFinished(5000); }
    QString name() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port); }
    QProcess process;
    quint16 port = 0;
};
