#pragma once

// The POSIX calls of the simulator, each behind one small function.

#include <QByteArray>
#include <QString>
#include <initializer_list>

namespace pty {

struct Pair {
    int master = -1;
    QString slavePath;
};

// The settings the other side put on the line.
struct LineSettings {
    int baud = 0;
    bool eightNoneOne = false;
};

// A pseudo-terminal with a raw slave side nobody holds open yet; the master is
// non-blocking. Empty slavePath and `error` set on failure.
Pair openPair(QString* error);
void closeFd(int fd);

LineSettings lineSettings(int master);
// True while no process holds the slave side open.
bool isHungUp(int master);

// Bytes waiting on the master, at most `capacity`; -1 when the slave side is closed.
qsizetype readSome(int master, char* buffer, qsizetype capacity);
// Bytes the master took, -1 on failure.
qsizetype writeSome(int master, const char* bytes, qsizetype count);

// Makes `link` a symbolic link to `target`; an existing symbolic link is replaced,
// anything else at that path is left alone and refused.
bool makeLink(const QString& target, const QString& link, QString* error);
// Removes `link` if it still points to `target`.
void removeLink(const QString& target, const QString& link);

// Turns the signals into bytes readable on the returned descriptor (-1 on failure).
int signalPipe(std::initializer_list<int> numbers);
// The next signal number waiting on the pipe, 0 when none.
int takeSignal(int pipeFd);

} // namespace pty
