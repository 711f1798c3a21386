#include "sim/ptyline.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#if __has_include(<pty.h>)
#include <pty.h>
#else
#include <util.h>
#endif
#include <termios.h>
#include <unistd.h>

namespace pty {

namespace {

int signalWriteFd = -1;

void forwardSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(signalWriteFd, &byte, 1);
    errno = saved;
}

int baudOf(speed_t speed)
{
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

Pair openPair(QString* error)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        *error = QStringLiteral("openpty: %1").arg(errnoText());
        return {};
    }
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B9600);
    ::tcsetattr(slave, TCSANOW, &tio);
    char name[256] = {};
    const bool named = ::ttyname_r(slave, name, sizeof name) == 0;
    // The simulator does not keep the slave open: the tool's exclusive open and the
    // hang-up when the tool closes it behave as on a real port.
    ::close(slave);
    if (!named) {
        *error = QStringLiteral("ttyname: %1").arg(errnoText());
        ::close(master);
        return {};
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    return {master, QString::fromLocal8Bit(name)};
}

void closeFd(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

LineSettings lineSettings(int master)
{
    termios tio{};
    if (::tcgetattr(master, &tio) != 0)
        return {};
    const bool eightNoneOne =
        (tio.c_cflag & CSIZE) == CS8 && !(tio.c_cflag & PARENB) && !(tio.c_cflag & CSTOPB);
    return {baudOf(::cfgetospeed(&tio)), eightNoneOne};
}

bool isHungUp(int master)
{
    pollfd p{master, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

qsizetype readSome(int master, char* buffer, qsizetype capacity)
{
    const ssize_t n = ::read(master, buffer, size_t(capacity));
    if (n >= 0)
        return n;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

qsizetype writeSome(int master, const char* bytes, qsizetype count)
{
    const ssize_t n = ::write(master, bytes, size_t(count));
    if (n >= 0)
        return n;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

bool makeLink(const QString& target, const QString& link, QString* error)
{
    const QByteArray path = QFile::encodeName(link);
    const QFileInfo existing(link);
    if (existing.isSymLink()) {
        ::unlink(path.constData());
    } else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), path.constData()) != 0) {
        *error = QStringLiteral("symlink %1: %2").arg(link, errnoText());
        return false;
    }
    return true;
}

void removeLink(const QString& target, const QString& link)
{
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == QFileInfo(target).absoluteFilePath())
        ::unlink(QFile::encodeName(link).constData());
}

int signalPipe(std::initializer_list<int> numbers)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    for (int fd : fds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    signalWriteFd = fds[1];
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : numbers)
        ::sigaction(number, &action, nullptr);
    return fds[0];
}

int takeSignal(int pipeFd)
{
    unsigned char byte = 0;
    return ::read(pipeFd, &byte, 1) == 1 ? byte : 0;
}

} // namespace pty
