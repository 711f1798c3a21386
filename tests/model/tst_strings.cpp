#include "model/strings.h"

#include <QTest>

class TestStrings : public QObject {
    Q_OBJECT

private slots:
    void everyIdOfTheTable();
    void fillText();
};

void TestStrings::everyIdOfTheTable()
{
    for (int id = 2; id <= 149; ++id)
        QVERIFY2(hasStringText(id) == !(id >= 110 && id <= 112), qPrintable(QString::number(id)));
    QVERIFY(hasStringText(165) && hasStringText(184) && !hasStringText(1));
    QCOMPARE(stringText(39), QStringLiteral(" ")); // signal 17 is one blank
    QCOMPARE(stringText(148), QStringLiteral("Rbs [s] "));
    QCOMPARE(stringText(1000), QString::fromUtf8("Wczytuję plik etykiet "));
    // Slot k of the flag and output names gets "Default text k+1", whose id is not k + 78.
    for (int slot = 0; slot < 32; ++slot)
        QCOMPARE(stringText(StringId::flagOutputDefault(slot)),
                 QStringLiteral("Default text %1").arg(slot + 1));
}

void TestStrings::fillText()
{
    QCOMPARE(::fillText(StringId::deviceLine, {"12", "7", "2"}),
             QString::fromUtf8("Nr Fabryczny: 12, Układ: 7, Wariant: 2"));
    // A value is never read as a format; a missing value leaves its mark.
    QCOMPARE(::fillText(StringId::timeLimitCount, {"%d%s"}), QStringLiteral("Limit czasu:%d%s"));
    QCOMPARE(::fillText(StringId::timeLimitCount, {}), QStringLiteral("Limit czasu:%d"));
}

QTEST_GUILESS_MAIN(TestStrings)
#include "tst_strings.moc"
