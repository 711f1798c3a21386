#include "link/logline.h"

QString logLine(const QTime& time, const QString& text)
{
    return QString::asprintf("%2u:%2u:%2u.%3u  ", unsigned(time.hour()), unsigned(time.minute()),
                             unsigned(time.second()), unsigned(time.msec())) +
           text;
}
