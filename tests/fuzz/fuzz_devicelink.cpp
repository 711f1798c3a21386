// The engine's reply handling fed arbitrary framed replies in every state. The input is
// a script of steps: replies (well framed with any contents, answers to the request
// just sent, raw bytes), the handlers of the timers, the user's commands and a lost
// line. After every step the engine's state must be one it can be in, the port must
// not be left open with nothing driving it nor be driven while closed, every request
// on the wire must be one of the protocol's (an event block read only within the
// register), and nothing the user did not ask for may be sent.
#include "fuzzcommon.h"
#include "link/crc16.h"
#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/requests.h"
#include "model/devicedata.h"
#include "model/eventregister.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QTemporaryDir>

namespace {

QByteArray framed(QByteArray frame)
{
    appendCrc16(frame);
    return frame;
}

QByteArray readAnswer(const QByteArray& data)
{
    QByteArray frame("\xff\x03", 2);
    frame.append(char(data.size()));
    return framed(frame + data);
}

// `count` bytes that differ from one another and from run to run of the pattern byte.
QByteArray pattern(int count, std::uint8_t seed)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        bytes[i] = char(seed * 37 + i * 11);
    return bytes;
}

int word(const QByteArray& frame, int at)
{
    return (std::uint8_t(frame[at]) << 8) | std::uint8_t(frame[at + 1]);
}

// What the user asked for during one input.
struct Asked {
    bool writeSettings = false;
    bool factoryNumber = false;
    bool rs485 = false;
    bool reset = false;
    bool disconnect = false;
};

void checkRequest(const QByteArray& frame, const Asked& asked)
{
    FUZZ_CHECK(frame.size() >= 8);
    FUZZ_CHECK(
        Crc16(QByteArrayView(frame).first(frame.size() - 2)) ==
        (std::uint8_t(frame[frame.size() - 2]) | std::uint8_t(frame[frame.size() - 1]) << 8));
    FUZZ_CHECK(std::uint8_t(frame[0]) == 0xFF);
    const int function = std::uint8_t(frame[1]);
    const int first = word(frame, 2);
    const int count = word(frame, 4);
    if (function == 0x03) {
        FUZZ_CHECK(frame.size() == 8);
        const bool block = count == 96 && first >= 1024 && (first - 1024) % (12 * 16) == 0 &&
                           (first - 1024) / 12 < entryCount;
        FUZZ_CHECK(block || (first == 9 && count == 1) || (first == 12 && count == 6) ||
                   (first == 0 && count == 10));
        return;
    }
    FUZZ_CHECK(function == 0x10);
    FUZZ_CHECK(frame.size() == 9 + 2 * count);
    FUZZ_CHECK(std::uint8_t(frame[6]) == 2 * count);
    const QByteArray data = frame.mid(7, 2 * count);
    if (first == 0 && count == 1) {
        FUZZ_CHECK(data == QByteArray("\xff\xaa") || data == QByteArray("\xaa\x55") ||
                   data == QByteArray("\xaa\x21"));
        if (data == QByteArray("\xaa\x55"))
            FUZZ_CHECK(asked.disconnect);
        if (data == QByteArray("\xaa\x21"))
            FUZZ_CHECK(asked.reset);
    } else if (first == 0 && count == 2) {
        FUZZ_CHECK(data.startsWith(QByteArray("\xaa\x27")));
        FUZZ_CHECK(asked.factoryNumber);
    } else if (first == 0 && count == 7) {
        FUZZ_CHECK(asked.writeSettings);
    } else {
        FUZZ_CHECK(first == 7 && count == 1);
        FUZZ_CHECK(asked.rs485);
    }
}

void checkState(const DeviceLink& link, const MemoryLine& line, const DeviceData& data)
{
    const int stage = link.connectStage();
    FUZZ_CHECK((stage >= 0 && stage <= 8) || stage == DeviceLink::STAGE_PROBE_ANSWERED ||
               stage == DeviceLink::STAGE_LINK_OPEN_SENT ||
               stage == DeviceLink::STAGE_LINK_OPEN_ACKNOWLEDGED);
    FUZZ_CHECK(link.pendingOperation() >= DeviceLink::OP_STATUS_POLL &&
               link.pendingOperation() <= DeviceLink::OP_WRITE_RS485);
    const DeviceImage& image = data.image();
    FUZZ_CHECK(image.readIndex >= EventRegister::notRead && image.readIndex <= entryCount);
    FUZZ_CHECK(link.registerProgress() >= 0 && link.registerProgress() <= entryCount);
    FUZZ_CHECK(image.combinationIndex < unsigned(combinationCount));
    FUZZ_CHECK(data.currentLabelSetIndex() >= 0 && data.currentLabelSetIndex() < combinationCount);
    FUZZ_CHECK(data.currentFlagOutputSetIndex() >= 0 &&
               data.currentFlagOutputSetIndex() < combinationCount);
    FUZZ_CHECK(link.retryCount() <= 3);
    if (line.isOpen()) {
        // Something will go on: the connection procedure, the link tick or the close.
        FUZZ_CHECK(link.isTimerActive(LinkTimer::Connect) || link.isTimerActive(LinkTimer::Tick) ||
                   link.isClosing());
    } else {
        FUZZ_CHECK(!link.IsConnected());
        FUZZ_CHECK(!link.readingEvents());
        FUZZ_CHECK(stage == DeviceLink::STAGE_IDLE);
        FUZZ_CHECK(!link.isTimerActive(LinkTimer::Connect));
        FUZZ_CHECK(!link.isTimerActive(LinkTimer::Tick));
        FUZZ_CHECK(!link.isTimerActive(LinkTimer::Reply));
        FUZZ_CHECK(!link.isClosing());
    }
}

// The reply a controller gives to the last request: read answers of the size asked
// for, with contents from the pattern byte, and write answers that echo the request.
QByteArray answerTo(const QByteArray& request, std::uint8_t seed)
{
    if (request.size() < 8)
        return {};
    if (request[1] == 0x03)
        return readAnswer(pattern((2 * word(request, 4)) & 0xFF, seed));
    return framed(request.first(6));
}

QString labelDirectory()
{
    static const QTemporaryDir dir; // empty: every label file is missing
    return dir.path();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    labelDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    Fuzz::Input input(bytes, size);
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    LogSink sink = [&log](const QString& line) { log.append(line); };
    LabelStore labels(data, labelDirectory(), sink);
    labels.setLabelFileCode(LabelStore::startCode);
    MemoryLine line;
    DeviceLink link(data, labels, line, sink);
    link.setClock([] { return qint64(1'700'000'000); });
    link.setSelectedPort(QStringLiteral("COM3"));
    Asked asked;
    qsizetype checkedWrites = 0;
    qsizetype checkedLog = 0;

    for (int step = 0; step < 2000 && !input.atEnd(); ++step) {
        const std::uint8_t op = input.byte();
        switch (op % 20) {
        case 0: { // a read answer of any byte count and contents
            const int count = input.byte();
            line.deliver(readAnswer(input.bytes(std::size_t(count))));
            break;
        }
        case 1: // a write answer with any register and count
            line.deliver(framed(QByteArray("\xff\x10", 2) + input.bytes(4)));
            break;
        case 2: // an exception answer
            line.deliver(
                framed(QByteArray(1, '\xff') + char(input.byte() | 0x80) + char(input.byte())));
            break;
        case 3: // raw bytes: bad CRCs, unknown functions, pieces and runs of replies
            line.deliver(input.bytes(input.byte() % 64));
            break;
        case 4: // a 0x06 answer, which the engine ignores
            line.deliver(framed(QByteArray("\xff\x06", 2) + input.bytes(4)));
            break;
        case 5:
        case 6:
            if (!line.written.isEmpty())
                line.deliver(answerTo(line.written.last(), input.byte()));
            break;
        case 7:
            link.onLinkTick();
            break;
        case 8:
            link.onReplyTimeout();
            break;
        case 9:
            link.onConnectTick();
            break;
        case 10:
            link.onErrorPauseElapsed();
            break;
        case 11:
            link.onCloseWaitElapsed();
            break;
        case 12:
            link.connectDevice();
            break;
        case 13: {
            switch (input.byte() % 9) {
            case 0:
                link.disconnectDevice();
                asked.disconnect = true;
                break;
            case 1:
                link.readSettings();
                break;
            case 2:
                link.writeSettings();
                asked.writeSettings = true;
                break;
            case 3:
                link.compareSettings();
                break;
            case 4: {
                const quint32 number = input.byte() | input.byte() << 8 | input.byte() << 16;
                link.writeFactoryNumber(number);
                asked.factoryNumber = true;
                break;
            }
            case 5:
                link.reset();
                asked.reset = true;
                break;
            case 6:
                link.writeRs485Config();
                asked.rs485 = true;
                break;
            case 7:
                link.readEventRegister();
                break;
            default:
                link.setFactoryNumberField(input.byte());
                break;
            }
            break;
        }
        case 14:
            line.loseLine();
            break;
        case 15: // the adapter refuses a rate or every write from now on
            if (input.byte() & 1)
                line.failWrites = !line.failWrites;
            else
                line.failingBaudRates = {DeviceLink::probeBaudRate(input.byte() % 9)};
            break;
        case 16: // the whole connection procedure at once
            link.connectDevice();
            line.deliver(readAnswer(QByteArray(1, '\0') + char(input.byte())));
            link.onConnectTick();
            line.deliver(framed(QByteArray::fromHex("ff1000000001")));
            link.onConnectTick();
            break;
        default: // a tick answered at once, as a controller on a quick line does
            link.onLinkTick();
            if (!line.written.isEmpty())
                line.deliver(answerTo(line.written.last(), op));
            break;
        }
        QCoreApplication::sendPostedEvents();

        for (; checkedWrites < line.written.size(); ++checkedWrites)
            checkRequest(line.written[checkedWrites], asked);
        for (; checkedLog < log.size(); ++checkedLog) {
            const QString& text = log[checkedLog];
            FUZZ_CHECK(!text.isEmpty());
            FUZZ_CHECK(!text.contains(QLatin1String("%d")) && !text.contains(QLatin1String("%u")) &&
                       !text.contains(QLatin1String("%s")));
        }
        checkState(link, line, data);
    }
    // FUZZ_VERBOSE=1 shows what an input did, for reading a finding.
    static const bool verbose = qEnvironmentVariableIsSet("FUZZ_VERBOSE");
    if (verbose) {
        for (const QString& event : std::as_const(line.events))
            std::fprintf(stderr, "  line: %s\n", qPrintable(event));
        for (const QString& text : std::as_const(log))
            std::fprintf(stderr, "  log: %s\n", qPrintable(text));
    }
    return 0;
}
