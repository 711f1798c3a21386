#pragma once

#include <QString>
#include <QTime>

// One line of the tool's message log: the local time as "%2u:%2u:%2u.%3u" (each part
// padded with blanks, not zeros), two blanks, the text. The communication page and the
// command line show the same lines.
QString logLine(const QTime& time, const QString& text);
