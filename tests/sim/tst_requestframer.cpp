#include "sim/requestframer.h"

#include <QTest>

class TestRequestFramer : public QObject {
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void unknownFunctionEndsAtSilence();
};

namespace {

const QByteArray probe = QByteArray::fromHex("ff030009000141d6");
const QByteArray linkOpen = QByteArray::fromHex("ff100000000102ffaa2fbb");

} // namespace

void TestRequestFramer::framing_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<int>("skipped");

    QTest::newRow("one piece") << QList{probe} << QList{probe} << 0;
    QTest::newRow("split in three")
        << QList{probe.left(1), probe.mid(1, 5), probe.mid(6)} << QList{probe} << 0;
    QTest::newRow("write split before its byte count")
        << QList{linkOpen.left(6), linkOpen.mid(6)} << QList{linkOpen} << 0;
    QTest::newRow("two back to back") << QList{probe + linkOpen} << QList{probe, linkOpen} << 0;
    QTest::newRow("noise before a request")
        << QList{QByteArray::fromHex("00ff03") + probe} << QList{probe} << 3;
    QByteArray spoiled = probe;
    spoiled[7] = char(spoiled[7] ^ 1);
    QTest::newRow("bad CRC, then a good request")
        << QList{spoiled, linkOpen} << QList{linkOpen} << int(spoiled.size());
    QTest::newRow("incomplete") << QList{probe.left(7)} << QList<QByteArray>{} << 0;
}

void TestRequestFramer::framing()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(int, skipped);
    RequestFramer framer;
    QList<QByteArray> found;
    for (const QByteArray& piece : pieces)
        found += framer.push(piece);
    QCOMPARE(found, requests);
    QCOMPARE(framer.skippedBytes(), skipped);
}

void TestRequestFramer::unknownFunctionEndsAtSilence()
{
    // Function 0x08 carries no length: it is taken whole when the line goes quiet.
    const QByteArray diagnostics = QByteArray::fromHex("ff0800000000f5d5");
    RequestFramer framer;
    QVERIFY(framer.push(diagnostics).isEmpty());
    QCOMPARE(framer.takeOnSilence(), std::optional<QByteArray>(diagnostics));
    QVERIFY(framer.isEmpty());

    QVERIFY(framer.push(probe.left(5)).isEmpty());
    QCOMPARE(framer.takeOnSilence(), std::nullopt);
    QCOMPARE(framer.skippedBytes(), 5);
    QCOMPARE(framer.push(probe), QList{probe});
}

QTEST_GUILESS_MAIN(TestRequestFramer)
#include "tst_requestframer.moc"
