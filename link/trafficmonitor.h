#pragma once

#include "link/framereceiver.h"
#include "link/trafficlog.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>

class DeviceLink;

// Counts of one connection, from its first probe on.
struct LinkStatistics {
    int requests = 0;
    int replies = 0; // complete replies with a correct CRC
    int crcErrors = 0;
    int frameTypeErrors = 0;
    int timeouts = 0;
    int retries = 0; // requests sent again after a time-out or a bad reply
    // Reply times in ms from the request to its reply with a correct CRC; -1 before any.
    qint64 lastReplyMs = -1;
    qint64 maxReplyMs = -1;
    qint64 totalReplyMs = 0;
    int timedReplies = 0;

    double meanReplyMs() const { return timedReplies ? double(totalReplyMs) / timedReplies : -1; }
};

// The statistics as the traffic window shows them: name and value, row by row.
struct StatisticsRow {
    QString name;
    QString value;
};
QList<StatisticsRow> statisticsRows(const LinkStatistics& statistics);
// The same as lines of text "name: value", as "Zapisz do pliku..." ends its file.
QString statisticsText(const LinkStatistics& statistics);

// Watches the frames of a device link: lists each request, reply and time-out with what
// it is, and keeps the statistics of the connection. Qt Core only, so the window and the
// command line's --trace show the same.
class TrafficMonitor : public QObject {
    Q_OBJECT
public:
    // Time of day for the list and a monotonic millisecond count for the reply times.
    struct Now {
        QTime time;
        qint64 ms;
    };
    using Clock = std::function<Now()>;

    explicit TrafficMonitor(int capacity = TrafficLog::defaultCapacity, QObject* parent = nullptr);

    void attach(DeviceLink& link);
    void setClock(Clock clock) { m_clock = std::move(clock); }

    TrafficLog& log() { return m_log; }
    const TrafficLog& log() const { return m_log; }
    const LinkStatistics& statistics() const { return m_stats; }

    // Empties the list; the statistics of the connection stay.
    void clear();

    // What the link reports; public so that tests feed them.
    void onFrameSent(const QByteArray& bytes, bool written);
    void onFrameReceived(const QByteArray& bytes, FrameStatus status);
    void onReplyTimedOut();
    void onLinkEnded();

signals:
    // An entry is complete, as its line of text.
    void lineAdded(const QString& line);
    void statisticsChanged();

private:
    void add(TrafficEntry entry);
    void finishPending();

    TrafficLog m_log;
    LinkStatistics m_stats;
    Clock m_clock;
    QElapsedTimer m_elapsed;

    bool m_connecting = false; // a connection is under way: its statistics are counted
    QByteArray m_request;      // the last request sent
    qint64 m_sentAt = 0;       // when it went out
    bool m_replyOutstanding = false;
    bool m_requestFailed = false; // it drew a time-out or a bad reply
    bool m_typeErrorOpen = false; // the newest entry is a frame type error still growing
};
