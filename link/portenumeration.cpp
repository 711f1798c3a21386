#include "link/portenumeration.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace {

// Compares two runs of digits by value, without converting (a run may be long).
int compareDigitRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

qsizetype digitRunEnd(const QString& s, qsizetype from)
{
    while (from < s.size() && s.at(from).isDigit())
        ++from;
    return from;
}

bool isWindowsComName(const QString& name)
{
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return comName.match(name).hasMatch();
}

} // namespace

bool naturalPortLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            const int order = compareDigitRuns(QStringView(a).sliced(i, endA - i),
                                               QStringView(b).sliced(j, endB - j));
            if (order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // only leading zeros or case differ: keep a fixed order
}

QStringList sortPortNames(QStringList names)
{
    std::sort(names.begin(), names.end(), naturalPortLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

QStringList EnumerateSerialPorts()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports)
        names.append(port.portName());
    return sortPortNames(names);
}

QString portDisplayName(const QString& portName)
{
    if (isWindowsComName(portName) || portName.contains(u'/') || portName.contains(u'\\'))
        return portName;
#ifdef Q_OS_WIN
    return portName;
#else
    return portName.isEmpty() ? portName : QStringLiteral("/dev/") + portName;
#endif
}

QString withPortName(const QString& text, const QString& portName)
{
    QString result = text;
    return result.replace(QStringLiteral("COM%d"), portDisplayName(portName));
}
