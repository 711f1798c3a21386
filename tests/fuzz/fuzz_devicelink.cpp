// The engine fed a script of steps: replies (framed with any contents, answers to the
// request just sent, raw bytes), the timers' handlers, the user's commands, a lost line.
// After every step its state must be one it can be in, the port driven while open and idle
// while closed, every request one of the protocol's (an event block read only within the
// register), and nothing sent that the user did not ask for.
#include "tests/support/linktesthelpers.h"
#include "fuzzcommon.h"
#include "link/devicelink.h"
#include "link/memoryline.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

namespace {

using namespace Fake;

int word(const QByteArray& frame, int at)
{
    return std::uint8_t(frame[at]) << 8 | std::uint8_t(frame[at + 1]);
}

void checkRequest(const QByteArray& frame, const QList<int>& asked)
{
    FUZZ_CHECK(frame.size() >= 8 && std::uint8_t(frame[0]) == 0xFF);
    FUZZ_CHECK(withCrc(frame.first(frame.size() - 2)) == frame);
    const int first = word(frame, 2), count = word(frame, 4);
    if (frame[1] == 0x03) {
        FUZZ_CHECK(frame.size() == 8);
        FUZZ_CHECK((count == 96 && first >= 1024 && (first - 1024) % (12 * 16) == 0 &&
                    (first - 1024) / 12 < entryCount) ||
                   (first == 9 && count == 1) || (first == 12 && count == 6) ||
                   (first == 0 && count == 10));
        return;
    }
    FUZZ_CHECK(frame[1] == 0x10 && frame.size() == 9 + 2 * count && frame[6] == char(2 * count));
    // The command word of a write to register 0, or register << 8 | count: the link opening
    // or what the user asked for.
    const int what = first == 0 && count <= 2 ? word(frame, 7) : first << 8 | count;
    FUZZ_CHECK(what == 0xFFAA || asked.contains(what));
}

void checkState(const DeviceLink& link, const MemoryLine& line, const DeviceData& data)
{
    const int stage = link.connectStage();
    FUZZ_CHECK(data.image().readIndex >= -2 && data.image().readIndex <= entryCount);
    FUZZ_CHECK(link.registerProgress() >= 0 && link.registerProgress() <= entryCount);
    FUZZ_CHECK(data.image().combinationIndex < unsigned(combinationCount));
    FUZZ_CHECK(unsigned(data.currentLabelSetIndex()) < unsigned(combinationCount));
    FUZZ_CHECK(unsigned(data.currentFlagOutputSetIndex()) < unsigned(combinationCount));
    FUZZ_CHECK(link.retryCount() <= 3);
    // Open, something goes on: the connection procedure, the link tick or the close.
    const bool driven = link.isTimerActive(LinkTimer::Connect) ||
                        link.isTimerActive(LinkTimer::Tick) || link.isClosing();
    FUZZ_CHECK(line.isOpen()
                   ? driven
                   : !driven && !link.IsConnected() && !link.readingEvents() &&
                         stage == DeviceLink::STAGE_IDLE && !link.isTimerActive(LinkTimer::Reply));
}

// The reply a controller gives to a request: a read answer of the size asked for with
// contents from the seed, a write answer echoing the request.
QByteArray answerTo(const QByteArray& request, std::uint8_t seed)
{
    if (request.size() < 8)
        return {};
    if (request[1] != 0x03)
        return withCrc(request.first(6));
    QByteArray bytes((2 * word(request, 4)) & 0xFF, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(seed * 37 + i * 11);
    return readAnswer(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    Fuzz::Input input{bytes, size};
    DeviceData data;
    SettingsRecord::applyDefaults(data);
    QStringList log;
    const LogSink sink = [&log](const QString& line) { log.append(line); };
    LabelStore labels(data, Fuzz::scratch(), sink); // empty: every label file is missing
    labels.setLabelFileCode(LabelStore::startCode);
    MemoryLine line;
    DeviceLink link(data, labels, line, sink);
    link.setClock([] { return qint64(1'700'000'000); });
    link.setSelectedPort(QStringLiteral("COM3"));
    // What the user asked for, as checkRequest names it.
    QList<int> asked;
    qsizetype checkedWrites = 0;
    qsizetype checkedLog = 0;
    using L = DeviceLink;
    // Steps 7..12: the timers' handlers and "Połącz"; step 13: the user's commands.
    static void (L::*const handlers[])() = {&L::onLinkTick,         &L::onReplyTimeout,
                                            &L::onConnectTick,      &L::onErrorPauseElapsed,
                                            &L::onCloseWaitElapsed, &L::connectDevice};
    // Commands 0..7 but 4, the factory number (in command order), and what each may send.
    static void (L::*const commands[])() = {
        &L::disconnectDevice, &L::readSettings, &L::writeSettings,
        &L::compareSettings,  &L::reset,        &L::writeRs485Config,
        &L::readEventRegister};
    static const int requests[] = {0xAA55, 0, 0x0007, 0, 0xAA21, 0x0701, 0};

    for (int step = 0; step < 2000 && !input.atEnd(); ++step) {
        const std::uint8_t op = input.byte();
        const QByteArray sent = line.written.isEmpty() ? QByteArray() : line.written.last();
        if (op % 20 >= 7 && op % 20 <= 12) {
            (link.*handlers[op % 20 - 7])();
        } else if (op % 20 == 13) {
            const int command = input.byte() % 9;
            if (command == 4) {
                const quint32 low = input.byte(), high = input.byte(), top = input.byte();
                link.writeFactoryNumber(low | high << 8 | top << 16);
                asked << 0xAA27;
            } else if (command == 8) {
                link.setFactoryNumberField(input.byte());
            } else {
                (link.*commands[command - (command > 4)])();
                asked << requests[command - (command > 4)];
            }
        } else if (op % 20 == 0) { // a read answer of any byte count and contents
            line.deliver(readAnswer(input.bytes(input.byte())));
        } else if (op % 20 == 1 || op % 20 == 4) { // write answers, 0x06 answers the engine ignores
            line.deliver(
                withCrc(QByteArray("\xff", 1) + char(op % 20 == 1 ? 0x10 : 0x06) + input.bytes(4)));
        } else if (op % 20 == 2) { // an exception answer
            const char function = char(input.byte() | 0x80), code = char(input.byte());
            line.deliver(withCrc(QByteArray(1, '\xff') + function + code));
        } else if (op % 20 == 3) { // raw bytes: bad CRCs, unknown functions, pieces of replies
            line.deliver(input.bytes(input.byte() % 64));
        } else if ((op % 20 == 5 || op % 20 == 6) && !sent.isEmpty()) {
            line.deliver(answerTo(sent, input.byte()));
        } else if (op % 20 == 14) {
            line.loseLine();
        } else if (op % 20 == 15) { // the adapter refuses a rate or every write from now on
            if (input.byte() & 1)
                line.failWrites = !line.failWrites;
            else
                line.failingBaudRates = {DeviceLink::probeBaudRate(input.byte() % 9)};
        } else if (op % 20 == 16) { // the whole connection procedure at once
            link.connectDevice();
            line.deliver(readAnswer(QByteArray(1, '\0') + char(input.byte())));
            link.onConnectTick();
            line.deliver(withCrc(QByteArray::fromHex("ff1000000001")));
            link.onConnectTick();
        } else if (op % 20 > 16) { // a tick answered at once, as a controller on a quick line does
            link.onLinkTick();
            line.deliver(answerTo(line.written.isEmpty() ? QByteArray() : line.written.last(), op));
        }
        QCoreApplication::sendPostedEvents();
        for (; checkedWrites < line.written.size(); ++checkedWrites)
            checkRequest(line.written[checkedWrites], asked);
        for (; checkedLog < log.size(); ++checkedLog)
            FUZZ_CHECK(!log[checkedLog].isEmpty() && !log[checkedLog].contains(QLatin1Char('%')));
        checkState(link, line, data);
    }
    return 0;
}
