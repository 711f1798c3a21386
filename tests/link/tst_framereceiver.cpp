#include "link/framereceiver.h"

#include <QtTest>

// A report as the test sees it: the 0-based index of the byte that produced it, the status.
using Report = QPair<int, int>;
using Reports = QList<Report>;

class TestFrameReceiver : public QObject {
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void splitReplies_data();
    void splitReplies();
    void positionCappedAt299();
};

static QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

static Reports feed(FrameReceiver& receiver, QByteArrayView bytes, int firstIndex = 0)
{
    Reports reports;
    for (int i = 0; i < bytes.size(); ++i) {
        if (auto status = receiver.take(std::uint8_t(bytes[i])))
            reports.append({firstIndex + i, int(*status)});
    }
    return reports;
}

constexpr int ok = int(FrameStatus::FRAME_OK);
constexpr int crcError = int(FrameStatus::FRAME_CRC_ERROR);
constexpr int typeError = int(FrameStatus::FRAME_TYPE_ERROR);

void TestFrameReceiver::replies_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Reports>("expected");

    QTest::newRow("probe answer") << hex("ff 03 02 00 f0 91 d4") << Reports{{6, ok}};
    QTest::newRow("probe answer, bad crc") << hex("ff 03 02 00 f0 91 d5") << Reports{{6, crcError}};
    QTest::newRow("read answer N=0") << hex("ff 03 00 41 00") << Reports{{4, ok}};
    QTest::newRow("write answer") << hex("ff 10 00 00 00 01 14 17") << Reports{{7, ok}};
    // The length of a 0x10 reply is fixed whatever its count field says.
    QTest::newRow("write answer, large count")
        << hex("ff 10 00 00 ff ff d4 67") << Reports{{7, ok}};
    QTest::newRow("exception 0x83") << hex("ff 83 02 a1 01") << Reports{{4, ok}};
    QTest::newRow("exception 0xff, bad crc") << hex("ff ff 02 00 00") << Reports{{4, crcError}};
    QTest::newRow("function 0x80")
        << hex("ff 80 02 a1 01") << Reports{{2, typeError}, {3, typeError}, {4, typeError}};
    QTest::newRow("function 0x04") << hex("ff 04 02 00") << Reports{{2, typeError}, {3, typeError}};
    QTest::newRow("function 0x00") << hex("00 00 00") << Reports{{2, typeError}};
    // The address is not checked.
    QTest::newRow("other address") << hex("01 03 00 20 f0") << Reports{{4, ok}};
    QTest::newRow("short reply") << hex("ff 03 02 00") << Reports{};
    // Without a clearing in between, a second reply is stored and counted but not reported.
    QTest::newRow("second reply uncleared")
        << hex("ff 03 00 41 00 ff 03 02 00 f0 91 d4") << Reports{{4, ok}};
}

void TestFrameReceiver::replies()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Reports, expected);
    FrameReceiver receiver;
    QCOMPARE(feed(receiver, bytes), expected);
    QCOMPARE(receiver.position(), bytes.size());
    QCOMPARE(receiver.reply().toByteArray(), bytes);
}

void TestFrameReceiver::splitReplies_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("pieces of 7") << 7;
    QTest::newRow("whole") << 197;
}

void TestFrameReceiver::splitReplies()
{
    // An event block answer: 192 data bytes, 197 bytes in all.
    QByteArray reply = hex("ff 03 c0");
    for (int i = 0; i < 192; ++i)
        reply.append(char(i * 7));
    reply.append(hex("00 00"));
    // CRC of ff 03 c0 00 07 0e ... (computed independently).
    reply[195] = char(0x50);
    reply[196] = char(0x6e);

    QFETCH(int, pieceSize);
    FrameReceiver receiver;
    Reports reports;
    for (int at = 0; at < reply.size(); at += pieceSize)
        reports += feed(receiver,
                        QByteArrayView(reply).sliced(at, qMin(pieceSize, reply.size() - at)), at);
    QCOMPARE(reports, (Reports{{196, ok}}));
    QCOMPARE(receiver.reply().toByteArray(), reply);
}

void TestFrameReceiver::positionCappedAt299()
{
    FrameReceiver receiver;
    QByteArray bytes = hex("ff 03 ff");
    bytes.append(QByteArray(400, '\x11'));
    bytes.append('\x77');
    // N = 255: the reply ends at byte 259 (with a wrong CRC); what follows is not reported.
    QCOMPARE(feed(receiver, bytes), (Reports{{259, crcError}}));
    QCOMPARE(receiver.position(), 299);
    const QByteArrayView stored = receiver.reply();
    QCOMPARE(stored.size(), 300);
    QCOMPARE(quint8(stored[298]), quint8(0x11));
    QCOMPARE(quint8(stored[299]), quint8(0x77)); // later bytes all land in the last slot

    // An unknown function keeps reporting at the cap.
    FrameReceiver typeErrors;
    const Reports reports = feed(typeErrors, QByteArray(310, '\x05'));
    QCOMPARE(reports.size(), 308);
    QCOMPARE(typeErrors.position(), 299);
}

QTEST_GUILESS_MAIN(TestFrameReceiver)
#include "tst_framereceiver.moc"
