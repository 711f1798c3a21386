#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTime>

// What a frame on the line is, in the words of the traffic monitor. Requests are known
// by their function, first register, count and data; replies by their function and
// byte count, with the request they answer for context (an event block's number, what
// a write acknowledgement confirms).
namespace TrafficDecoding {

QString describeRequest(QByteArrayView request);
// `request` may be empty when no request is known.
QString describeReply(QByteArrayView reply, QByteArrayView request);

// Bytes as lower-case hex pairs separated by blanks.
QString hexBytes(QByteArrayView bytes);

} // namespace TrafficDecoding

enum class TrafficDirection { Sent, Received, Missing };

// One line of the traffic monitor.
struct TrafficEntry {
    QTime time;
    TrafficDirection direction = TrafficDirection::Sent;
    QByteArray bytes;
    QString description;
    bool error = false;
};

// The entry as one line of text: time with milliseconds, direction ("->" sent, "<-"
// received, "--" nothing came), "!" on errors, the bytes in hex, what it is. The window
// saves these lines and the command line's --trace prints them.
QString trafficLine(const TrafficEntry& entry);
