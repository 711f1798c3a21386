#include "model/textcodec.h"

#include <QStringDecoder>
#include <QTest>
#include <cstring>

class TestTextCodec : public QObject {
    Q_OBJECT

private slots:
    void polishLetters_data();
    void polishLetters();
    void agreesWithPlatformDecoder();
    void everyByteRoundTrips();
    void unmappable_data();
    void unmappable();
    void slotReadStopsAtZero();
    void slotReadNeverPastWidth();
    void slotWrite_data();
    void slotWrite();
};

void TestTextCodec::polishLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("small") << QString::fromUtf8("ąćęłńóśźż")
                           << QByteArray::fromHex("b9e6eab3f1f39c9fbf");
    QTest::newRow("capital") << QString::fromUtf8("ĄĆĘŁŃÓŚŹŻ")
                             << QByteArray::fromHex("a5c6caa3d1d38c8faf");
    QTest::newRow("name") << QString::fromUtf8("W2 wył") << QByteArray("W2 wy\xb3");
    QTest::newRow("euro") << QString::fromUtf8("€") << QByteArray("\x80");
}

void TestTextCodec::polishLetters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toWindows1250(text), bytes);
    QCOMPARE(fromWindows1250(bytes), text);
}

void TestTextCodec::agreesWithPlatformDecoder()
{
    QStringDecoder platform("windows-1250");
    if (!platform.isValid())
        QSKIP("no windows-1250 decoder on this platform");
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        QCOMPARE(fromWindows1250(QByteArrayView(&c, 1)), platform.decode(QByteArrayView(&c, 1)));
    }
}

void TestTextCodec::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    QCOMPARE(toWindows1250(fromWindows1250(all)), all);
}

void TestTextCodec::unmappable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("cjk") << QString::fromUtf8("a中b") << QByteArray("a?b");
    QTest::newRow("emoji is one mark") << QString::fromUtf8("x😀y") << QByteArray("x?y");
    QTest::newRow("cyrillic") << QString::fromUtf8("Ж") << QByteArray("?");
    QTest::newRow("zero char") << QString(QChar(0)) + u'z' << QByteArray("?z");
}

void TestTextCodec::unmappable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toWindows1250(text), bytes);
}

void TestTextCodec::slotReadStopsAtZero()
{
    char slot[32];
    std::memset(slot, 'x', sizeof slot);
    std::memcpy(slot, "U1 jest\0zzz", 11);
    QCOMPARE(slotText(slot), QStringLiteral("U1 jest"));
}

void TestTextCodec::slotReadNeverPastWidth()
{
    // Two slots side by side without a zero in the first: the read stops at 31 bytes.
    char pair[2][32];
    std::memset(pair[0], '\xb3', 32);
    std::memcpy(pair[1], "next", 5);
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
    QCOMPARE(QByteArray(pair[0], static_cast<int>(qstrnlen(pair[0], 32))), stored);
    // The rest of the slot is zero and the next slot is untouched.
    for (int i = int(stored.size()); i < 32; ++i)
        QCOMPARE(pair[0][i], '\0');
    QCOMPARE(pair[1][0], 'x');
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
