#include "link/trafficmonitor.h"

#include "link/devicelink.h"
#include "model/strings.h"

#include <algorithm>

TrafficMonitor::TrafficMonitor(int capacity, QObject* parent)
    : QObject(parent), m_log(capacity, this)
{
    m_elapsed.start();
    m_clock = [this] { return Now{QTime::currentTime(), m_elapsed.elapsed()}; };
}

void TrafficMonitor::attach(DeviceLink& link)
{
    connect(&link, &DeviceLink::frameSent, this, &TrafficMonitor::onFrameSent);
    connect(&link, &DeviceLink::frameReceived, this, &TrafficMonitor::onFrameReceived);
    connect(&link, &DeviceLink::replyTimedOut, this, &TrafficMonitor::onReplyTimedOut);
    connect(&link, &DeviceLink::linkEnded, this, &TrafficMonitor::onLinkEnded);
}

void TrafficMonitor::clear()
{
    m_typeErrorOpen = false;
    m_log.clear();
}

void TrafficMonitor::add(TrafficEntry entry)
{
    finishPending();
    m_log.append(std::move(entry));
    emit lineAdded(trafficLine(m_log.entry(m_log.size() - 1)));
}

void TrafficMonitor::finishPending()
{
    // A reply of an unknown function is reported for each of its bytes; it is shown as
    // one entry that grows, and its line goes out when something else happens.
    if (!m_typeErrorOpen)
        return;
    m_typeErrorOpen = false;
    if (m_log.size() > 0)
        emit lineAdded(trafficLine(m_log.entry(m_log.size() - 1)));
}

void TrafficMonitor::onFrameSent(const QByteArray& bytes, bool written)
{
    const Now now = m_clock();
    if (!m_connecting) {
        // The first request after a link ended (or at start) begins a new connection.
        m_connecting = true;
        m_stats = {};
        m_request.clear();
        m_requestFailed = false;
    }
    ++m_stats.requests;
    if (m_requestFailed && bytes == m_request)
        ++m_stats.retries;
    m_request = bytes;
    m_sentAt = now.ms;
    m_replyOutstanding = written;
    m_requestFailed = !written;

    const QString what = TrafficDecoding::describeRequest(bytes);
    add({now.time, TrafficDirection::Sent, bytes,
         written ? what : fillText(StringId::writeFailed, {what}), !written});
    emit statisticsChanged();
}

void TrafficMonitor::onFrameReceived(const QByteArray& bytes, FrameStatus status)
{
    const Now now = m_clock();
    TrafficEntry entry{now.time, TrafficDirection::Received, bytes, {}, true};
    const QString asked = m_request.isEmpty() ? stringText(StringId::frameUnknown)
                                              : TrafficDecoding::describeRequest(m_request);
    switch (status) {
    case FrameStatus::FRAME_OK:
        entry.description = TrafficDecoding::describeReply(bytes, m_request);
        entry.error = bytes.size() >= 2 && std::uint8_t(bytes[1]) > 0x80;
        ++m_stats.replies;
        if (m_replyOutstanding) {
            const qint64 ms = now.ms - m_sentAt;
            m_stats.lastReplyMs = ms;
            m_stats.maxReplyMs = std::max(m_stats.maxReplyMs, ms);
            m_stats.totalReplyMs += ms;
            ++m_stats.timedReplies;
        }
        m_replyOutstanding = false;
        m_requestFailed = false;
        break;
    case FrameStatus::FRAME_CRC_ERROR:
        entry.description = stringText(StringId::crcError) + QStringLiteral(": ") + asked;
        ++m_stats.crcErrors;
        m_replyOutstanding = false;
        m_requestFailed = true;
        break;
    case FrameStatus::FRAME_TYPE_ERROR: {
        entry.description = stringText(StringId::frameTypeError) + QStringLiteral(": ") + asked;
        const bool sameReply = m_typeErrorOpen && m_log.size() > 0 &&
                               bytes.startsWith(m_log.entry(m_log.size() - 1).bytes);
        if (sameReply) {
            m_log.replaceLast(std::move(entry));
            return;
        }
        finishPending();
        ++m_stats.frameTypeErrors;
        m_replyOutstanding = false;
        m_requestFailed = true;
        m_log.append(std::move(entry));
        m_typeErrorOpen = true;
        emit statisticsChanged();
        return;
    }
    default:
        entry.description = stringText(StringId::unknownError) + QStringLiteral(": ") + asked;
        m_replyOutstanding = false;
        m_requestFailed = true;
        break;
    }
    add(std::move(entry));
    emit statisticsChanged();
}

void TrafficMonitor::onReplyTimedOut()
{
    const Now now = m_clock();
    ++m_stats.timeouts;
    m_replyOutstanding = false;
    m_requestFailed = true;
    const QString asked = m_request.isEmpty() ? stringText(StringId::frameUnknown)
                                              : TrafficDecoding::describeRequest(m_request);
    add({now.time, TrafficDirection::Missing, {}, fillText(StringId::replyMissing, {asked}), true});
    emit statisticsChanged();
}

void TrafficMonitor::onLinkEnded()
{
    finishPending();
    m_connecting = false;
    m_replyOutstanding = false;
}

QList<StatisticsRow> statisticsRows(const LinkStatistics& s)
{
    const auto milliseconds = [](qint64 ms) {
        return ms < 0 ? QStringLiteral("-") : QString::number(ms);
    };
    const double mean = s.meanReplyMs();
    return {
        {stringText(StringId::statsRequests), QString::number(s.requests)},
        {stringText(StringId::statsReplies), QString::number(s.replies)},
        {stringText(StringId::statsCrcErrors), QString::number(s.crcErrors)},
        {stringText(StringId::statsFrameTypeErrors), QString::number(s.frameTypeErrors)},
        {stringText(StringId::statsTimeouts), QString::number(s.timeouts)},
        {stringText(StringId::statsRetries), QString::number(s.retries)},
        {stringText(StringId::statsReplyTime),
         fillText(StringId::statsReplyTimes,
                  {milliseconds(s.lastReplyMs),
                   mean < 0 ? QStringLiteral("-") : QString::number(mean, 'f', 1),
                   milliseconds(s.maxReplyMs)})},
    };
}

QString statisticsText(const LinkStatistics& statistics)
{
    QString text;
    for (const StatisticsRow& row : statisticsRows(statistics))
        text += row.name + QStringLiteral(": ") + row.value + u'\n';
    return text;
}
