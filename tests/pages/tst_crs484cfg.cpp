#include "pagefixture.h"
#include "pages/crs484cfg.h"
#include "pages/entryfields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestCRS484cfg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parsing_data();
    void parsing();
    void defaults();
    void stored_data();
    void stored();
    void withoutDeviceAccess();
    void writeButton_data();
    void writeButton();
    void refusedWrite();

private:
    std::uint8_t& rs485Byte() { return m_fixture->data().image().settings.bytes[15]; }

    PageFixture* m_fixture = nullptr;
    CRS484cfg* m_page = nullptr;
};

void TestCRS484cfg::init()
{
    m_fixture = new PageFixture;
    m_page = new CRS484cfg(*m_fixture);
    m_fixture->addPage(m_page);
    m_page->show();
}

void TestCRS484cfg::cleanup()
{
    delete m_page;
    delete m_fixture;
}

void TestCRS484cfg::parsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("top") << "255" << 255;
    QTest::newRow("blanks") << " 17  " << 17;
    QTest::newRow("leading zeros") << "0000040" << 40;
    QTest::newRow("above") << "256" << -1;
    QTest::newRow("far above") << "99999999999999999999" << -1;
    QTest::newRow("minus") << "-1" << -1;
    QTest::newRow("plus") << "+1" << -1;
    QTest::newRow("fraction") << "1.5" << -1;
    QTest::newRow("empty") << "  " << -1;
    QTest::newRow("arabic digits") << QString::fromUtf8("\u0661") << -1;
}

void TestCRS484cfg::parsing()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::optional<unsigned> parsed = parseByte(text);
    QCOMPARE(parsed ? int(*parsed) : -1, value);
}

void TestCRS484cfg::defaults()
{
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->addressEdit()->text(), QString("1"));
    QCOMPARE(m_page->baudList()->currentText(), QString("19200"));
    QCOMPARE(m_page->baudList()->count(), 4);
    QCOMPARE(m_page->baudList()->itemText(0), QString("4800"));
    QCOMPARE(m_page->baudList()->itemText(3), QString("38400"));
}

void TestCRS484cfg::stored_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("address 40") << 0x21 << "40"
                                << "19200" << true << 0x28 << "8";
    QTest::newRow("address 32") << 0x21 << "32"
                                << "19200" << true << 0x21 << "1";
    QTest::newRow("address 0") << 0x21 << "0"
                               << "4800" << true << 0x61 << "1";
    QTest::newRow("address 31 at 38400") << 0x21 << "31"
                                         << "38400" << true << 0x1F << "31";
    QTest::newRow("9600") << 0x05 << "5"
                          << "9600" << true << 0x45 << "5";
    QTest::newRow("bit 7 dropped") << 0xE3 << "3"
                                   << "4800" << true << 0x63 << "3";
    QTest::newRow("address 300") << 0x27 << "300"
                                 << "9600" << false << 0x47 << "300";
    QTest::newRow("letters") << 0x27 << "a"
                             << "38400" << false << 0x07 << "a";
}

void TestCRS484cfg::stored()
{
    QFETCH(int, byte);
    QFETCH(QString, typed);
    QFETCH(QString, rate);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    rs485Byte() = static_cast<std::uint8_t>(byte);
    m_fixture->deviceAccessFlag = true;
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(!m_page->addressEdit()->isReadOnly());
    QVERIFY(m_page->baudList()->isEnabled());
    PageFixture::type(m_page->addressEdit(), typed);
    m_page->baudList()->setCurrentText(rate);

    QCOMPARE(m_fixture->leave(), accepted);
    QCOMPARE(int(rs485Byte()), stored);
    QCOMPARE(m_page->addressEdit()->text(), shown);
    QVERIFY(m_fixture->data().settingsValid);
    if (accepted) {
        QVERIFY(m_fixture->prompts.isEmpty());
    } else {
        QCOMPARE(m_fixture->prompts, QStringList{"Please enter an integer between 0 and 255."});
        QCOMPARE(m_fixture->activePage(), m_page);
        QCOMPARE(m_page->focusWidget(), m_page->addressEdit());
    }
}

void TestCRS484cfg::withoutDeviceAccess()
{
    m_fixture->connected = true;
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(m_page->addressEdit()->isReadOnly());
    QVERIFY(!m_page->baudList()->isEnabled());
    QVERIFY(!m_page->writeButton()->isEnabled());
    // Whatever the controls hold, the page is only a display.
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
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("access online") << true << true << true;
    QTest::newRow("access offline") << true << false << false;
    QTest::newRow("no access online") << false << true << false;
    QTest::newRow("neither") << false << false << false;
}

void TestCRS484cfg::writeButton()
{
    QFETCH(bool, access);
    QFETCH(bool, connected);
    QFETCH(bool, enabled);
    m_fixture->deviceAccessFlag = access;
    m_fixture->connected = connected;
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->writeButton()->isEnabled(), enabled);
    if (!enabled)
        return;
    PageFixture::type(m_page->addressEdit(), "12");
    m_page->baudList()->setCurrentIndex(3);
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    // The page is left (storing the byte) for the communication page, then the write
    // is asked for.
    QCOMPARE(m_fixture->activePageIndex(), 1);
    QCOMPARE(int(rs485Byte()), 0x0C);
    QCOMPARE(m_fixture->rs485Writes, 1);
}

void TestCRS484cfg::refusedWrite()
{
    m_fixture->deviceAccessFlag = true;
    m_fixture->connected = true;
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->addressEdit(), "300");
    m_page->baudList()->setCurrentText("9600");
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    QCOMPARE(m_fixture->activePage(), m_page);
    QCOMPARE(m_fixture->rs485Writes, 0);
    QCOMPARE(m_fixture->prompts.size(), 1);
    QCOMPARE(int(rs485Byte()), 0x41);

    // Corrected, the write goes out; a link lost meanwhile (access dropped) sends none.
    PageFixture::type(m_page->addressEdit(), "2");
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    QCOMPARE(m_fixture->rs485Writes, 1);
    QCOMPARE(int(rs485Byte()), 0x42);

    QVERIFY(m_fixture->show(m_page));
    m_fixture->connected = false;
    m_fixture->deviceAccessFlag = false;
    QTest::mouseClick(m_page->writeButton(), Qt::LeftButton);
    QCOMPARE(m_fixture->activePageIndex(), 1);
    QCOMPARE(m_fixture->rs485Writes, 1);
}

QTEST_MAIN(TestCRS484cfg)
#include "tst_crs484cfg.moc"
