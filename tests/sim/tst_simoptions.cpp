#include "sim/simoptions.h"

#include <QTest>

class TestSimOptions : public QObject {
    Q_OBJECT

private slots:
    void accepted();
    void refused_data();
    void refused();
};

void TestSimOptions::accepted()
{
    const ParsedOptions parsed = parseSimOptions(
        {"dorvik-sim", "--link", "/tmp/x", "--probe-baud", "4800", "--factory-number", "0xFFFF",
         "--combination", "15", "--settings", "00000001653D333D1565952F02060021", "--pace",
         "--drop-every", "5", "--exit-after", "2.5", "--garbage-after"});
    QVERIFY2(parsed.options, qPrintable(parsed.message));
    const SimOptions& o = *parsed.options;
    QCOMPARE(o.linkPath, QStringLiteral("/tmp/x"));
    QCOMPARE(o.controller.probeBaud, 4800);
    QCOMPARE(o.controller.factoryNumber, 65535);
    QCOMPARE(o.controller.combination, 15);
    QCOMPARE(o.controller.settings.bytes[5], 0x3D);
    QVERIFY(o.pace && o.faults.garbageAfter);
    QCOMPARE(o.faults.dropEvery, 5);
    QCOMPARE(o.exitAfterSeconds, 2.5);
}

void TestSimOptions::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("factory number beyond 16 bits")
        << QStringList{"--factory-number", "65536"}
        << "--factory-number: expected a whole number from 0 to 65535, got \"65536\"";
    QTest::newRow("combination 16")
        << QStringList{"--combination", "16"}
        << "--combination: expected a whole number from 0 to 15, got \"16\"";
    QTest::newRow("odd rate") << QStringList{"--probe-baud", "14400"}
                              << "--probe-baud: 14400 is not a serial rate (1200 to 115200)";
    QTest::newRow("short settings")
        << QStringList{"--settings", "0011"} << "--settings: expected 32 hex digits, got \"0011\"";
    QTest::newRow("settings not hex")
        << QStringList{"--settings", "zz000001653D333D1565952F02060021"}
        << "--settings: expected 32 hex digits, got \"zz000001653D333D1565952F02060021\"";
    QTest::newRow("negative seconds")
        << QStringList{"--exit-after", "-1"}
        << "--exit-after: expected a number of seconds above 0, got \"-1\"";
    QTest::newRow("not a number") << QStringList{"--drop-every", "often"}
                                  << "--drop-every: expected a whole number from 1 to 1000000000, "
                                     "got \"often\"";
    QTest::newRow("stray argument") << QStringList{"COM1"} << "unexpected argument \"COM1\"";
    QTest::newRow("unknown option") << QStringList{"--baud", "2400"} << "Unknown option 'baud'.";
}

void TestSimOptions::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const ParsedOptions parsed = parseSimOptions(QStringList{"dorvik-sim"} + arguments);
    QVERIFY(!parsed.options);
    QVERIFY(parsed.isError);
    QCOMPARE(parsed.message, message);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
