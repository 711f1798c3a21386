#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "pagefixture.h"
#include "pages/canalog.h"

#include <QLineEdit>
#include <QTest>

using SettingsRecord::setTimeCode;
using SettingsRecord::timeCode;

class TestCanalog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.reset(); }

    void defaults();
    void shown_data();
    void shown();
    void stored_data();
    void stored();
    void notANumber_data();
    void notANumber();
    void refusedLeaveShowsStoredRows();
    void descriptions();

private:
    std::uint8_t code(int row) { return timeCode(m_fixture->data().image().settings, row); }

    std::unique_ptr<PageFixture> m_fixture;
    Canalog* m_page = nullptr;
};

void TestCanalog::init()
{
    m_fixture = std::make_unique<PageFixture>();
    m_page = m_fixture->page<Canalog>();
}

void TestCanalog::defaults()
{
    QVERIFY(m_fixture->show(m_page));
    QStringList values, units;
    for (int row = 0; row < timeRowCount; ++row) {
        values << m_page->valueEdit(row)->text();
        units << m_page->unitEdit(row)->text();
    }
    QCOMPARE(values, (QStringList{"10000", "60", "5000", "600", "2000", "10000", "20", "500"}));
    QCOMPARE(units, (QStringList{"[ms]", "[s]", "[ms]", "[min]", "[ms]", "[ms]", "[s]", "[ms]"}));
    QCOMPARE(m_page->descriptionEdit(4)->text(),
             QString("trSZR - opóźnienie rozruchu SZR od zaniku napięcia"));
    QVERIFY(m_fixture->leave());
    const auto& bytes = m_fixture->data().image().settings.bytes;
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 16).toHex(),
             QByteArray("0000000165bd333d1565952f02060021"));
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCanalog::shown_data()
{
    // A code as the record holds it, what the row shows, and the code it leaves behind
    // when the page is left untouched (the display minima are stored).
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("left");
    QTest::newRow("100 ms") << 0 << 0x02 << "200"
                            << "[ms]" << 3;
    QTest::newRow("code 0") << 2 << 0x00 << "200"
                            << "[ms]" << 3;
    QTest::newRow("12600 ms") << 5 << 0x7F << "12600"
                              << "[ms]" << 0x7F;
    QTest::newRow("0x80 is 127 s") << 1 << 0x80 << "127"
                                   << "[s]" << 0xFF;
    QTest::newRow("pulse 0x81") << 7 << 0x81 << "1"
                                << "[s]" << 11;
    QTest::newRow("minutes code 0") << 3 << 0x00 << "10"
                                    << "[min]" << 2;
    QTest::newRow("minutes 0x80") << 3 << 0x80 << "1270"
                                  << "[min]" << 0x7F;
    QTest::newRow("minutes 0xFF") << 3 << 0xFF << "2540"
                                  << "[min]" << 0x7F;
}

void TestCanalog::shown()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(int, left);
    setTimeCode(m_fixture->data().image().settings, row, static_cast<std::uint8_t>(code));
    QVERIFY(m_fixture->show(m_page));
    QTEST(m_page->valueEdit(row)->text(), "value");
    QTEST(m_page->unitEdit(row)->text(), "unit");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(this->code(row)), left);
}

void TestCanalog::stored_data()
{
    // Typed into a row in its current unit (rows 0 and 5 ms, 1 and 6 s, 3 min).
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("value"); // shown at the next visit
    QTest::addColumn<QString>("unit");
    QTest::newRow("ms to s") << 0 << "15000" << 0x90 << "15"
                             << "[s]";
    QTest::newRow("ms just above") << 0 << "12700" << 0x8D << "12"
                                   << "[s]";
    QTest::newRow("ms far above") << 5 << "999999" << 0xFF << "126"
                                  << "[s]";
    QTest::newRow("ms truncated") << 0 << "150" << 2 << "200"
                                  << "[ms]";
    QTest::newRow("ms negative") << 5 << "-5" << 2 << "200"
                                 << "[ms]";
    QTest::newRow("ms blanks, exponent") << 0 << " 1e3 " << 11 << "1000"
                                         << "[ms]";
    QTest::newRow("s to ms") << 1 << "2.5" << 26 << "2500"
                             << "[ms]";
    QTest::newRow("s 0.7") << 1 << "0.7" << 8 << "700"
                           << "[ms]";
    QTest::newRow("s 2.3") << 6 << "2.3" << 24 << "2300"
                           << "[ms]";
    QTest::newRow("s 11.9") << 6 << "11.9" << 120 << "11900"
                            << "[ms]";
    QTest::newRow("s 12 stays") << 1 << "12" << 0x8D << "12"
                                << "[s]";
    QTest::newRow("s top") << 1 << "500" << 0xFF << "126"
                           << "[s]";
    QTest::newRow("s negative") << 6 << "-5" << 2 << "200"
                                << "[ms]";
    QTest::newRow("min below") << 3 << "5" << 2 << "10"
                               << "[min]";
    QTest::newRow("min above") << 3 << "5000" << 0x7F << "1260"
                               << "[min]";
}

void TestCanalog::stored()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(row), typed);
    QVERIFY(m_fixture->leave());
    QTEST(int(code(row)), "code");
    QVERIFY(m_fixture->show(m_page));
    QTEST(m_page->valueEdit(row)->text(), "value");
    QTEST(m_page->unitEdit(row)->text(), "unit");
    QVERIFY(m_fixture->prompts.isEmpty());
}

void TestCanalog::notANumber_data()
{
    QTest::addColumn<QString>("typed");
    for (const char* typed : {"2,5", "nan", "inf", "", "1 000"})
        QTest::newRow(typed) << QString(typed);
}

void TestCanalog::notANumber()
{
    QFETCH(QString, typed);
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(4), typed);
    QVERIFY(!m_fixture->leave());
    QCOMPARE(m_fixture->activePage(), m_page);
    QCOMPARE(m_fixture->prompts, QStringList{"Please enter a number."});
    QTRY_COMPARE(m_page->focusWidget(), m_page->valueEdit(4));
    QCOMPARE(m_page->valueEdit(4)->selectedText(), typed);
    QCOMPARE(int(code(4)), 0x15);
    QVERIFY(m_fixture->data().settingsValid);
    PageFixture::type(m_page->valueEdit(4), "2500");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(code(4)), 26);
}

void TestCanalog::refusedLeaveShowsStoredRows()
{
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(0), "15000"); // ms row, becomes 15 s
    PageFixture::type(m_page->valueEdit(1), "4");     // s row, becomes 4000 ms
    PageFixture::type(m_page->valueEdit(2), "abc");
    PageFixture::type(m_page->valueEdit(6), "3"); // s row below the refused one
    QVERIFY(!m_fixture->leave());
    const auto row = [this](int r) {
        return m_page->valueEdit(r)->text() + ' ' + m_page->unitEdit(r)->text();
    };
    QCOMPARE(row(0), QString("15 [s]"));
    QCOMPARE(row(1), QString("4000 [ms]"));
    QCOMPARE(row(6), QString("3 [s]")); // not stored yet: text and unit still agree
    QCOMPARE(int(code(6)), 0x95);

    PageFixture::type(m_page->valueEdit(2), "2500");
    QVERIFY(m_fixture->leave());
    const QList<int> codes{code(0), code(1), code(2), code(6)};
    QCOMPARE(codes, (QList<int>{0x90, 41, 26, 31}));
}

void TestCanalog::descriptions()
{
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->descriptionEdit(0), "locked");
    QCOMPARE(m_page->descriptionEdit(0)->text(), QString("tgSZR - czas graniczny dla SZR"));
    QVERIFY(m_fixture->leave());

    m_fixture->setLocked(false);
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->descriptionEdit(3), QString(100, QChar(u'ł')));
    PageFixture::type(m_page->descriptionEdit(7), "Impuls zamknięcia");
    QVERIFY(m_fixture->leave());
    const DeviceImage& image = m_fixture->data().image();
    // Cut to the 96-byte slot in Windows-1250 bytes; only the current set changes.
    QCOMPARE(QByteArray(image.labelSets[0].timeDescriptions[3], wideSlot),
             QByteArray(95, '\xB3') + '\0');
    QCOMPARE(QByteArray(image.labelSets[0].timeDescriptions[7]), "Impuls zamkni\xEA"
                                                                 "cia");
    QCOMPARE(slotText(image.labelSets[1].timeDescriptions[7]),
             QString("Czas impulsów sterujących"));
}

QTEST_MAIN(TestCanalog)
#include "tst_canalog.moc"
