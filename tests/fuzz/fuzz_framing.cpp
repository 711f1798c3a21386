// The receive framing fed an arbitrary byte stream: every byte's report, the position and
// the stored reply against a deliberately plain reading of the framing rules.
#include "fuzzcommon.h"
#include "link/framereceiver.h"

namespace {

// The rules, step by step, as the protocol states them. take() gives -1 for no report.
struct PlainFramer {
    std::uint8_t buffer[300] = {};
    int position = 0, stored = 0, length = -1, function = 0, crc = 0;

    int take(std::uint8_t b)
    {
        int report = -1;
        if (position == 0)
            length = -1, stored = 0;
        if (position == 1)
            function = b;
        if (position > 1 && length < 0) {
            if (function == 0x03 && position == 2)
                length = b;
            else if (function == 0x06 || function == 0x10)
                length = 3;
            else if (function > 0x80)
                length = 0;
            else if (function != 0x03)
                report = 3;
        }
        if (length >= 0 && position == length + 3)
            crc = b;
        if (length >= 0 && position == length + 4) {
            std::uint16_t sum = 0xFFFF; // CRC-16/MODBUS, independently of the tool's
            for (int i = 0; i < position - 1; ++i) {
                sum ^= buffer[i];
                for (int bit = 0; bit < 8; ++bit)
                    sum = sum & 1 ? std::uint16_t((sum >> 1) ^ 0xA001) : std::uint16_t(sum >> 1);
            }
            report = sum == crc + b * 256 ? 0 : 1;
        }
        buffer[std::min(position, 299)] = b;
        stored = std::max(stored, std::min(position, 299) + 1);
        position = std::min(position + 1, 299);
        return report;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Byte 0 is not part of the stream (the corpus keeps a piece size there).
    Fuzz::Input input{data, size};
    input.byte();
    FrameReceiver receiver;
    PlainFramer plain;
    for (char c : input.bytes(size)) {
        const std::optional<FrameStatus> status = receiver.take(std::uint8_t(c));
        const int expected = plain.take(std::uint8_t(c));
        FUZZ_CHECK(int(status.value_or(FrameStatus(-1))) == expected);
        FUZZ_CHECK(receiver.position() == plain.position);
        if (status)
            FUZZ_CHECK(receiver.reply() == QByteArrayView(plain.buffer, plain.stored));
    }
    return 0;
}
