#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

// Cuts the bytes a master sends into whole requests with a correct CRC. Requests of the
// functions the controller knows are delimited by their own length; bytes that do not
// start a valid request are skipped one at a time until one does. A request of another
// function ends at the next silence of the line.
class RequestFramer {
public:
    QList<QByteArray> push(QByteArrayView bytes);
    // The line went quiet: a request of unknown length is taken whole when its CRC
    // holds; any unfinished remainder is dropped.
    std::optional<QByteArray> takeOnSilence();
    void clear() { m_buffer.clear(); }
    bool isEmpty() const { return m_buffer.isEmpty(); }
    qint64 skippedBytes() const { return m_skipped; }

private:
    QByteArray m_buffer;
    qint64 m_skipped = 0;
};
