#include "pagefixture.h"
#include "pages/crs484cfg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestCRS484cfg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.reset(); }

    void stored_data();
    void stored();
    void withoutDeviceAccess();
    void writeButton_data();
    void writeButton();

private:
    std::uint8_t& rs485Byte() { return m_fixture->data().image().settings.bytes[15]; }

    std::unique_ptr<PageFixture> m_fixture;
    CRS484cfg* m_page = nullptr;
};

void TestCRS484cfg::init()
{
    m_fixture = std::make_unique<PageFixture>();
    m_page = m_fixture->page<CRS484cfg>();
}

void TestCRS484cfg::stored_data()
{
    // The byte held, what the page shows, what is typed and chosen, the byte stored and
    // the address shown after the leave; a refused address keeps the page in front.
    QTest::addColumn<int>("held");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("refused");
    const auto row = [](const char* name, int held, const char* shown, const char* typed,
                        const char* rate, int stored, const char* after, bool refused = false) {
        QTest::newRow(name) << held << QString(shown) << QString(typed) << QString(rate) << stored
                            << QString(after) << refused;
    };
    row("defaults", 0x21, "1 19200", "1", "19200", 0x21, "1");
    row("address 40", 0x21, "1 19200", "40", "19200", 0x28, "8");
    row("address 32", 0x05, "5 38400", "32", "38400", 0x01, "1");
    row("address 0", 0x21, "1 19200", " 0 ", "4800", 0x61, "1");
    row("9600, bit 7 dropped", 0xC3, "3 9600", "003", "9600", 0x43, "3");
    row("address 300", 0x67, "7 4800", "300", "9600", 0x47, "300", true);
    row("sign", 0x27, "7 19200", "+2", "19200", 0x27, "+2", true);
    row("fraction", 0x27, "7 19200", "1.5", "38400", 0x07, "1.5", true);
}

void TestCRS484cfg::stored()
{
    QFETCH(int, held);
    QFETCH(QString, typed);
    QFETCH(QString, rate);
    QFETCH(bool, refused);
    rs485Byte() = std::uint8_t(held);
    m_fixture->setDeviceAccess(true);
    QVERIFY(m_fixture->show(m_page));
    QTEST(m_page->addressEdit()->text() + ' ' + m_page->baudList()->currentText(), "shown");
    PageFixture::type(m_page->addressEdit(), typed);
    m_page->baudList()->setCurrentText(rate);

    QCOMPARE(m_fixture->leave(), !refused);
    QTEST(int(rs485Byte()), "stored");
    QTEST(m_page->addressEdit()->text(), "after");
    QVERIFY(m_fixture->data().settingsValid);
    if (refused) {
        QCOMPARE(m_fixture->prompts, QStringList{"Please enter an integer between 0 and 255."});
        QCOMPARE(m_fixture->activePage(), m_page);
        QTRY_COMPARE(m_page->focusWidget(), m_page->addressEdit());
    }
}

void TestCRS484cfg::withoutDeviceAccess()
{
    m_fixture->setConnected(true);
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(m_page->addressEdit()->isReadOnly());
    QVERIFY(!m_page->baudList()->isEnabled());
    QVERIFY(!m_page->writeButton()->isEnabled());
    m_page->addressEdit()->setText("300");
    m_page->baudList()->setCurrentIndex(0);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(rs485Byte()), 0x21);
    QVERIFY(m_fixture->prompts.isEmpty());
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCRS484cfg::writeButton_data()
{
    QTest::addColumn<bool>("access");
    QTest::addColumn<bool>("online");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("writes");
    QTest::addColumn<int>("stored");
    QTest::newRow("access online") << true << true << "12" << 1 << 0x0C;
    QTest::newRow("refused address") << true << true << "300" << 0 << 0x01;
    QTest::newRow("access offline") << true << false << "12" << -1 << 0x21;
    QTest::newRow("no access") << false << true << "12" << -1 << 0x21;
}

void TestCRS484cfg::writeButton()
{
    QFETCH(bool, access);
    QFETCH(bool, online);
    QFETCH(QString, typed);
    QFETCH(int, writes);
    m_fixture->setDeviceAccess(access);
    m_fixture->setConnected(online);
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->writeButton()->isEnabled(), writes >= 0);
    if (writes < 0)
        return;
    PageFixture::type(m_page->addressEdit(), typed);
    m_page->baudList()->setCurrentIndex(3);
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    // The byte is stored by leaving the page; a refused leave asks for no write.
    QCOMPARE(m_fixture->activePage() != m_page, writes == 1);
    QCOMPARE(m_fixture->rs485Writes(), writes);
    QTEST(int(rs485Byte()), "stored");
    if (writes == 0)
        return;
    // A link lost while the page is shown drops the device access: nothing is sent.
    QVERIFY(m_fixture->show(m_page));
    m_fixture->setConnected(false);
    m_fixture->setDeviceAccess(false);
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    QCOMPARE(m_fixture->rs485Writes(), 1);
}

QTEST_MAIN(TestCRS484cfg)
#include "tst_crs484cfg.moc"
