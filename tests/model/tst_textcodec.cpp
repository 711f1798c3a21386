#include "model/textcodec.h"

#include <QStringDecoder>
#include <QTest>
#include <cstring>

class TestTextCodec : public QObject {
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decodeAgreesWithPlatform();
    void slotRead();
    void slotWrite_data();
    void slotWrite();
};

void TestTextCodec::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("small") << QString::fromUtf8("ąćęłńóśźż")
                           << QByteArray::fromHex("b9e6eab3f1f39c9fbf");
    QTest::newRow("capital") << QString::fromUtf8("ĄĆĘŁŃÓŚŹŻ")
                             << QByteArray::fromHex("a5c6caa3d1d38c8faf");
    QTest::newRow("name") << QString::fromUtf8("W2 wył €") << QByteArray("W2 wy\xb3 \x80");
    QTest::newRow("unmappable") << QString::fromUtf8("a中Жb") << QByteArray("a??b");
    QTest::newRow("emoji is one mark") << QString::fromUtf8("x😀y") << QByteArray("x?y");
    QTest::newRow("zero char") << QString(QChar(0)) + u'z' << QByteArray("?z");
}

void TestTextCodec::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toWindows1250(text), bytes);
    if (!text.contains(u'?') && !bytes.contains('?'))
        QCOMPARE(fromWindows1250(bytes), text);
}

void TestTextCodec::decodeAgreesWithPlatform()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    QCOMPARE(toWindows1250(fromWindows1250(all)), all);
    QStringDecoder platform("windows-1250");
    if (!platform.isValid())
        QSKIP("no windows-1250 decoder on this platform");
    QCOMPARE(fromWindows1250(all), platform.decode(all));
}

void TestTextCodec::slotRead()
{
    char pair[2][32];
    std::memset(pair, 'x', sizeof pair);
    std::memcpy(pair[1], "U1 jest\0zzz", 11);
    QCOMPARE(slotText(pair[1]), QStringLiteral("U1 jest"));
    // A slot without a zero is read to 31 bytes, never into the next slot.
    std::memset(pair[0], '\xb3', 32);
    QCOMPARE(slotText(pair[0]), QString(31, QChar(0x0142)));
    QCOMPARE(slotText(pair[0], 0), QString());
}

void TestTextCodec::slotWrite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("short") << QStringLiteral("abc") << QByteArray("abc");
    QTest::newRow("31 fits") << QString(31, u'a') << QByteArray(31, 'a');
    QTest::newRow("32 cut to 31") << QString(32, u'a') << QByteArray(31, 'a');
    QTest::newRow("cut by bytes") << QString(40, QChar(0x015B)) << QByteArray(31, '\x9c');
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextCodec::slotWrite()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    char pair[2][32];
    std::memset(pair, 'x', sizeof pair);
    setSlotText(pair[0], text);
    // The text, zeros to the end of the slot, and the next slot untouched.
    QCOMPARE(QByteArray(pair[0], 32), stored + QByteArray(32 - stored.size(), '\0'));
    QCOMPARE(pair[1][0], 'x');
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
