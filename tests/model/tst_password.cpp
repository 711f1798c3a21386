#include "model/password.h"

#include <QTest>

class TestPassword : public QObject {
    Q_OBJECT
private slots:
    void devicePasswordText_data();
    void devicePasswordText();
    void check_data();
    void check();
};

void TestPassword::devicePasswordText_data()
{
    QTest::addColumn<int>("factoryNumber");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four digits") << 1234 << "KLUCZDV1234";
    QTest::newRow("largest") << 65535 << "KLUCZDV65535";
}

void TestPassword::devicePasswordText()
{
    QFETCH(int, factoryNumber);
    QFETCH(QString, expected);
    QCOMPARE(devicePassword(static_cast<std::uint16_t>(factoryNumber)), expected);
}

void TestPassword::check_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("factoryNumber");
    QTest::addColumn<bool>("lockedBefore");
    QTest::addColumn<bool>("accessBefore");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("deviceAccess");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("service, number unknown keeps access")
        << "KTRsondal" << 0 << true << true << false << true << true;
    QTest::newRow("service, number known clears access")
        << "KTRsondal" << 1234 << true << true << false << false << true;
    QTest::newRow("device password locks the service level")
        << "KLUCZDV1234" << 1234 << false << false << true << true << true;
    QTest::newRow("device password of another controller")
        << "KLUCZDV1235" << 1234 << true << true << true << false << false;
    QTest::newRow("wrong text, number known")
        << "haslo" << 1234 << false << true << true << false << false;
    QTest::newRow("service in other case")
        << "ktrsondal" << 0 << false << false << true << false << false;
    QTest::newRow("service with a trailing blank")
        << "KTRsondal " << 0 << false << false << true << false << false;
    QTest::newRow("number 0 never gives access")
        << "KLUCZDV0" << 0 << true << false << true << false << false;
}

void TestPassword::check()
{
    QFETCH(QString, typed);
    QFETCH(int, factoryNumber);
    QFETCH(bool, lockedBefore);
    QFETCH(bool, accessBefore);
    const PasswordResult r = checkPassword(typed, static_cast<std::uint16_t>(factoryNumber),
                                           AccessFlags{lockedBefore, accessBefore});
    QTEST(r.flags.locked, "locked");
    QTEST(r.flags.deviceAccess, "deviceAccess");
    QTEST(r.accepted, "accepted");
}

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
