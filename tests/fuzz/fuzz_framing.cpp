// The receive framing fed an arbitrary byte stream. Every byte's report, the position
// and the stored reply are checked against a second, deliberately plain reading of the
// framing rules, so a wrong length, a missed or extra report or a wrong CRC range shows
// up, not only a crash. The same stream then goes through a serial line in pieces of
// the sizes the input chooses, which must not change what is reported.
#include "fuzzcommon.h"
#include "link/framereceiver.h"
#include "link/memoryline.h"

#include <array>
#include <vector>

namespace {

std::uint16_t plainCrc(const std::uint8_t* bytes, int count)
{
    std::uint16_t crc = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

// The rules, step by step, as the protocol states them. -1: no report.
struct PlainFramer {
    std::array<std::uint8_t, 300> buffer{};
    int position = 0;
    int write = 0;
    int stored = 0;
    int length = 0xFFFF;
    int function = 0;
    bool known = false;
    int crc = 0;

    int take(std::uint8_t b)
    {
        int report = -1;
        if (position == 0) {
            length = 0xFFFF;
            function = 0;
            known = false;
            write = 0;
            stored = 0;
        }
        if (position == 1)
            function = b;
        if (position > 1 && !known) {
            if (function == 0x03) {
                if (position == 2) {
                    length = b;
                    known = true;
                }
            } else if (function == 0x06 || function == 0x10) {
                length = 3;
                known = true;
            } else if (function > 0x80) {
                length = 0;
                known = true;
            } else {
                report = 3;
            }
        }
        if (known && position == length + 3)
            crc = b;
        if (known && position == length + 4) {
            crc += b * 256;
            report = plainCrc(buffer.data(), position - 1) == crc ? 0 : 1;
        }
        buffer[std::size_t(write)] = b;
        if (write + 1 > stored)
            stored = write + 1;
        ++position;
        if (position == 300)
            position = 299;
        else
            ++write;
        return report;
    }
};

struct Report {
    FrameStatus status;
    QByteArray reply;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Byte 0 chooses the piece size for the second pass; the rest is the stream.
    Fuzz::Input input(data, size);
    const int pieceSize = input.byte() % 64 + 1;
    const QByteArray stream = input.bytes(input.remaining());

    FrameReceiver receiver;
    PlainFramer plain;
    std::vector<Report> reports;
    for (char c : stream) {
        const auto b = static_cast<std::uint8_t>(c);
        const std::optional<FrameStatus> status = receiver.take(b);
        const int expected = plain.take(b);
        FUZZ_CHECK(status.has_value() == (expected >= 0));
        FUZZ_CHECK(receiver.position() == plain.position);
        if (status) {
            FUZZ_CHECK(int(*status) == expected);
            const QByteArrayView reply = receiver.reply();
            FUZZ_CHECK(reply.size() == plain.stored);
            FUZZ_CHECK(reply == QByteArrayView(plain.buffer.data(), plain.stored));
            reports.push_back({*status, reply.toByteArray()});
        }
    }

    // The serial line frames the same way whatever pieces the bytes arrive in, as long
    // as nobody purges in between.
    MemoryLine line;
    line.open(QStringLiteral("fuzz"), 2400);
    std::vector<Report> lineReports;
    QObject::connect(&line, &SerialLine::frameReceived,
                     [&lineReports](FrameStatus status, const QByteArray& reply) {
                         lineReports.push_back({status, reply});
                     });
    for (qsizetype at = 0; at < stream.size(); at += pieceSize)
        line.deliver(
            QByteArrayView(stream).sliced(at, std::min<qsizetype>(pieceSize, stream.size() - at)));
    FUZZ_CHECK(lineReports.size() == reports.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        FUZZ_CHECK(lineReports[i].status == reports[i].status);
        FUZZ_CHECK(lineReports[i].reply == reports[i].reply);
    }
    return 0;
}
