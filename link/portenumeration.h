#pragma once

#include <QString>
#include <QStringList>

// Natural order of port names: runs of digits compare by value, so COM2 comes before
// COM10 and ttyUSB9 before ttyUSB10; letters compare without regard to case.
bool naturalPortLess(const QString& a, const QString& b);

// The names in natural order, each once.
QStringList sortPortNames(QStringList names);

// The serial ports of the machine, in natural order. Nothing is opened, so ports that
// another program holds are listed too. Pseudo-terminals are not listed; their path
// can be typed.
QStringList EnumerateSerialPorts();

// A port as log texts show it: a Windows COM name as it stands, anything else as a
// device path (ttyUSB0 becomes /dev/ttyUSB0; a typed path stays as typed).
QString portDisplayName(const QString& portName);

// A text of the system that carries "COM%d", with the port in that place.
QString withPortName(const QString& text, const QString& portName);
