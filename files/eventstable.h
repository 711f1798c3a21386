#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct DeviceImage;

// The texts of one row of the events list, column by column.
struct EventListRow {
    QString number;  // "17", or "17?" for an entry whose check byte is wrong
    QString time;    // local time, "2015_3_7 9:5:0"
    QString counter; // the controller's seconds counter
    QString event;   // the changes; in row 0 the device line
};

// The 256 rows of a complete register as the events list shows them, newest first.
QList<EventListRow> eventListRows(const DeviceImage& image);

// One CSV field (RFC 4180): quoted when it holds a comma, a quote or a line break. A text
// starting with "=", "+", "-", "@", a tab or a carriage return gets a leading "'" first.
QString csvField(const QString& text);

// The rows as CSV, UTF-8 with CRLF line ends, under the header "Lp,Czas,Rbs [s],Zdarzenia".
// The command line and the events page's export write exactly these bytes.
QByteArray eventsCsv(const QList<EventListRow>& rows);
