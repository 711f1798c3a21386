#include "model/strings.h"

#include <QTest>

class TestStrings : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void idRanges();
    void flagOutputDefaults();
    void fillText_data();
    void fillText();
};

void TestStrings::texts_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("circuit 1") << 2
                               << QString::fromUtf8(
                                      "Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)");
    QTest::newRow("circuit 8") << 9 << QStringLiteral("Rezerwa");
    QTest::newRow("time row 3")
        << 13
        << QStringLiteral(
               "tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas wyczekiwania na SPP");
    QTest::newRow("time row 7") << 17 << QString::fromUtf8("Czas impulsów sterujących");
    QTest::newRow("variant D") << 21 << QStringLiteral("Wariant D");
    QTest::newRow("signal 0") << 22 << QStringLiteral("U1 jest");
    QTest::newRow("signal 17 one blank") << 39 << QStringLiteral(" ");
    QTest::newRow("signal 54") << 76 << QString::fromUtf8("Ster.ręczne");
    QTest::newRow("signal 55") << 77 << QStringLiteral("Restart");
    QTest::newRow("flag slot 20") << 109 << QStringLiteral("Default text 21");
    QTest::newRow("flag slot 21") << 98 << QStringLiteral("Default text 22");
    QTest::newRow("113") << 113 << QString::fromUtf8("Urządzenie niepodłączone");
    QTest::newRow("137") << 137 << QString::fromUtf8("Program już jest podłączny do urządzenia");
    QTest::newRow("145") << 145 << QStringLiteral("Rozkaz Reset");
    QTest::newRow("148 trailing blank") << 148 << QStringLiteral("Rbs [s] ");
    QTest::newRow("165") << 165 << QString::fromUtf8("Nr Fabryczny: %u, Układ: %u, Wariant: %u");
    QTest::newRow("184") << 184 << QString::fromUtf8("Nie odczytano zdarzeń");
    QTest::newRow("loading ends in blank") << 1000 << QString::fromUtf8("Wczytuję plik etykiet ");
    QTest::newRow("unknown id") << 110 << QString();
}

void TestStrings::texts()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QCOMPARE(stringText(id), text);
}

void TestStrings::idRanges()
{
    for (int id = 2; id <= 109; ++id)
        QVERIFY2(hasStringText(id), qPrintable(QString::number(id)));
    for (int id = 113; id <= 149; ++id)
        QVERIFY2(hasStringText(id), qPrintable(QString::number(id)));
    QVERIFY(!hasStringText(1));
    QVERIFY(!hasStringText(112));
}

void TestStrings::flagOutputDefaults()
{
    for (int slot = 0; slot < 32; ++slot)
        QCOMPARE(stringText(StringId::flagOutputDefault(slot)),
                 QStringLiteral("Default text %1").arg(slot + 1));
}

void TestStrings::fillText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("text");
    QTest::newRow("device line") << 165 << QStringList{"12", "7", "2"}
                                 << QString::fromUtf8("Nr Fabryczny: 12, Układ: 7, Wariant: 2");
    QTest::newRow("port") << 135 << QStringList{"3"}
                          << QString::fromUtf8("Nawiązano połączenie COM3");
    QTest::newRow("value holding a format")
        << 121 << QStringList{"%d%s"} << QStringLiteral("Limit czasu:%d%s");
    QTest::newRow("missing value keeps the mark")
        << 121 << QStringList{} << QStringLiteral("Limit czasu:%d");
}

void TestStrings::fillText()
{
    QFETCH(int, id);
    QFETCH(QStringList, values);
    QFETCH(QString, text);
    const QString result = ::fillText(id, values);
    QCOMPARE(result, text);
}

QTEST_GUILESS_MAIN(TestStrings)
#include "tst_strings.moc"
