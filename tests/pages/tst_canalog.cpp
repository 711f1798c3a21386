#include "model/settingsrecord.h"
#include "model/textcodec.h"
#include "pagefixture.h"
#include "pages/canalog.h"
#include "pages/entryfields.h"

#include <QLineEdit>
#include <QTest>

using SettingsRecord::setTimeCode;
using SettingsRecord::timeCode;

class TestCanalog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parsing_data();
    void parsing();

    void defaults();
    void shownCodes_data();
    void shownCodes();
    void storedEntries_data();
    void storedEntries();
    void unitFollowsStore();
    void notANumber_data();
    void notANumber();
    void refusedLeaveShowsStoredRows();
    void descriptions();
    void storeBeforeFirstVisit();

private:
    SettingsImage& settings() { return m_fixture->data().image().settings; }

    PageFixture* m_fixture = nullptr;
    Canalog* m_page = nullptr;
};

void TestCanalog::init()
{
    m_fixture = new PageFixture;
    m_page = new Canalog(*m_fixture);
    m_fixture->addPage(m_page);
}

void TestCanalog::cleanup()
{
    delete m_page;
    delete m_fixture;
}

void TestCanalog::parsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "15000" << true << 15000.0;
    QTest::newRow("decimal point") << "2.5" << true << 2.5;
    QTest::newRow("blanks around") << "  7 " << true << 7.0;
    QTest::newRow("exponent") << "1e3" << true << 1000.0;
    QTest::newRow("negative") << "-5" << true << -5.0;
    QTest::newRow("decimal comma") << "2,5" << false << 0.0;
    QTest::newRow("group separator") << "1,000" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("letters") << "12ms" << false << 0.0;
    QTest::newRow("inner blank") << "1 000" << false << 0.0;
}

void TestCanalog::parsing()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    const std::optional<double> parsed = parseNumber(text);
    QCOMPARE(parsed.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*parsed, value);
}

void TestCanalog::defaults()
{
    QVERIFY(m_fixture->show(m_page));
    const QStringList values{"10000", "60", "5000", "600", "2000", "10000", "20", "500"};
    const QStringList units{"[ms]", "[s]", "[ms]", "[min]", "[ms]", "[ms]", "[s]", "[ms]"};
    for (int row = 0; row < timeRowCount; ++row) {
        QCOMPARE(m_page->valueEdit(row)->text(), values[row]);
        QCOMPARE(m_page->unitEdit(row)->text(), units[row]);
        QVERIFY(m_page->unitEdit(row)->isReadOnly());
        QVERIFY(!m_page->valueEdit(row)->isReadOnly());
    }
    QCOMPARE(m_page->descriptionEdit(0)->text(), QString("tgSZR - czas graniczny dla SZR"));
    QCOMPARE(m_page->descriptionEdit(4)->text(),
             QString("trSZR - opóźnienie rozruchu SZR od zaniku napięcia"));
    QCOMPARE(m_page->descriptionEdit(7)->text(), QString("Czas impulsów sterujących"));

    // Leaving without a change stores the default codes again.
    const SettingsImage before = settings();
    QVERIFY(m_fixture->leave());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(settings().bytes), 16).toHex(' '),
             QByteArray(reinterpret_cast<const char*>(before.bytes), 16).toHex(' '));
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCanalog::shownCodes_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("storedCode");
    QTest::newRow("100 ms shows its minimum") << 0 << 0x02 << "200"
                                              << "[ms]" << 3;
    QTest::newRow("code 0 as milliseconds") << 2 << 0x00 << "200"
                                            << "[ms]" << 3;
    QTest::newRow("code 1 as milliseconds") << 4 << 0x01 << "200"
                                            << "[ms]" << 3;
    QTest::newRow("12600 ms") << 5 << 0x7F << "12600"
                              << "[ms]" << 0x7F;
    QTest::newRow("0x80 is 127 s") << 1 << 0x80 << "127"
                                   << "[s]" << 0xFF;
    QTest::newRow("0 s shows 1 s") << 6 << 0x81 << "1"
                                   << "[s]" << 11;
    QTest::newRow("pulse row in seconds") << 7 << 0x81 << "1"
                                          << "[s]" << 11;
    QTest::newRow("12 s stays seconds") << 0 << 0x8D << "12"
                                        << "[s]" << 0x8D;
    QTest::newRow("minutes minimum") << 3 << 0x00 << "10"
                                     << "[min]" << 2;
    QTest::newRow("1260 min") << 3 << 0x7F << "1260"
                              << "[min]" << 0x7F;
    QTest::newRow("minutes above the range") << 3 << 0x80 << "1270"
                                             << "[min]" << 0x7F;
    QTest::newRow("minutes top") << 3 << 0xFF << "2540"
                                 << "[min]" << 0x7F;
}

void TestCanalog::shownCodes()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(QString, value);
    QFETCH(QString, unit);
    QFETCH(int, storedCode);
    setTimeCode(settings(), row, static_cast<std::uint8_t>(code));
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->valueEdit(row)->text(), value);
    QCOMPARE(m_page->unitEdit(row)->text(), unit);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(timeCode(settings(), row)), storedCode);
}

void TestCanalog::storedEntries_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("storedCode");
    QTest::addColumn<QString>("shownValue");
    QTest::addColumn<QString>("shownUnit");
    // Milliseconds rows (default code 0x65, 10000 ms).
    QTest::newRow("ms to seconds") << 0 << 0x65 << "15000" << 0x90 << "15"
                                   << "[s]";
    QTest::newRow("ms top") << 0 << 0x65 << "12600" << 0x7F << "12600"
                            << "[ms]";
    QTest::newRow("ms just above") << 0 << 0x65 << "12700" << 0x8D << "12"
                                   << "[s]";
    QTest::newRow("ms far above") << 5 << 0x65 << "999999" << 0xFF << "126"
                                  << "[s]";
    QTest::newRow("ms below minimum") << 0 << 0x65 << "50" << 2 << "200"
                                      << "[ms]";
    QTest::newRow("ms truncated") << 0 << 0x65 << "150" << 2 << "200"
                                  << "[ms]";
    QTest::newRow("ms negative") << 2 << 0x33 << "-5" << 2 << "200"
                                 << "[ms]";
    QTest::newRow("ms exponent") << 4 << 0x15 << "1e3" << 11 << "1000"
                                 << "[ms]";
    QTest::newRow("ms blanks") << 7 << 0x06 << " 300 " << 4 << "300"
                               << "[ms]";
    // Seconds rows (row 1 default 0xBD, 60 s).
    QTest::newRow("s to ms") << 1 << 0xBD << "2.5" << 26 << "2500"
                             << "[ms]";
    QTest::newRow("s 0.7 keeps its step") << 1 << 0xBD << "0.7" << 8 << "700"
                                          << "[ms]";
    QTest::newRow("s 2.3 keeps its step") << 1 << 0xBD << "2.3" << 24 << "2300"
                                          << "[ms]";
    QTest::newRow("s 11.9 keeps its step") << 6 << 0x95 << "11.9" << 120 << "11900"
                                           << "[ms]";
    QTest::newRow("s 11.5") << 1 << 0xBD << "11.5" << 116 << "11500"
                            << "[ms]";
    QTest::newRow("s 12 stays") << 1 << 0xBD << "12" << 0x8D << "12"
                                << "[s]";
    QTest::newRow("s truncated") << 1 << 0xBD << "30.9" << 0x9F << "30"
                                 << "[s]";
    QTest::newRow("s top") << 1 << 0xBD << "500" << 0xFF << "126"
                           << "[s]";
    QTest::newRow("s negative") << 6 << 0x95 << "-5" << 2 << "200"
                                << "[ms]";
    QTest::newRow("s tiny") << 6 << 0x95 << "0.01" << 2 << "200"
                            << "[ms]";
    // Minutes.
    QTest::newRow("min below") << 3 << 0x3D << "5" << 2 << "10"
                               << "[min]";
    QTest::newRow("min above") << 3 << 0x3D << "5000" << 0x7F << "1260"
                               << "[min]";
    QTest::newRow("min truncated") << 3 << 0x3D << "125" << 13 << "120"
                                   << "[min]";
    QTest::newRow("min negative") << 3 << 0x3D << "-1" << 2 << "10"
                                  << "[min]";
}

void TestCanalog::storedEntries()
{
    QFETCH(int, row);
    QFETCH(int, code);
    QFETCH(QString, typed);
    QFETCH(int, storedCode);
    QFETCH(QString, shownValue);
    QFETCH(QString, shownUnit);
    QCOMPARE(int(timeCode(settings(), row)), code);
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(row), typed);
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(timeCode(settings(), row)), storedCode);
    QVERIFY(m_fixture->prompts.isEmpty());

    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->valueEdit(row)->text(), shownValue);
    QCOMPARE(m_page->unitEdit(row)->text(), shownUnit);
}

void TestCanalog::unitFollowsStore()
{
    // A row switches unit both ways and reads the next entry in its new unit.
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(0), "20000");
    QVERIFY(m_fixture->leave());
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->unitEdit(0)->text(), QString("[s]"));
    PageFixture::type(m_page->valueEdit(0), "3");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(timeCode(settings(), 0)), 31);
    QVERIFY(m_fixture->show(m_page));
    QCOMPARE(m_page->valueEdit(0)->text(), QString("3000"));
    QCOMPARE(m_page->unitEdit(0)->text(), QString("[ms]"));
}

void TestCanalog::notANumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("decimal comma") << "2,5";
    QTest::newRow("nan") << "nan";
    QTest::newRow("inf") << "inf";
    QTest::newRow("empty") << "";
    QTest::newRow("word") << "abc";
}

void TestCanalog::notANumber()
{
    QFETCH(QString, typed);
    m_page->show();
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(4), typed);
    QVERIFY(!m_fixture->leave());
    QCOMPARE(m_fixture->activePage(), m_page);
    QCOMPARE(m_fixture->prompts, QStringList{"Please enter a number."});
    QCOMPARE(m_fixture->promptFields.front(), m_page->valueEdit(4));
    QCOMPARE(m_page->focusWidget(), m_page->valueEdit(4));
    QCOMPARE(m_page->valueEdit(4)->selectedText(), typed);
    // The refused row keeps its code; the page is left once the entry is a number.
    QCOMPARE(int(timeCode(settings(), 4)), 0x15);
    PageFixture::type(m_page->valueEdit(4), "2500");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(timeCode(settings(), 4)), 26);
    QCOMPARE(m_fixture->prompts.size(), 1);
    QVERIFY(m_fixture->data().settingsValid);
}

void TestCanalog::refusedLeaveShowsStoredRows()
{
    QVERIFY(m_fixture->show(m_page));
    PageFixture::type(m_page->valueEdit(0), "15000"); // ms row becomes 15 s
    PageFixture::type(m_page->valueEdit(1), "4");     // seconds row becomes 4000 ms
    PageFixture::type(m_page->valueEdit(2), "2,5");
    PageFixture::type(m_page->valueEdit(6), "3"); // seconds row, not read this time
    QVERIFY(!m_fixture->leave());

    QCOMPARE(int(timeCode(settings(), 0)), 0x90);
    QCOMPARE(m_page->valueEdit(0)->text(), QString("15"));
    QCOMPARE(m_page->unitEdit(0)->text(), QString("[s]"));
    QCOMPARE(int(timeCode(settings(), 1)), 41);
    QCOMPARE(m_page->valueEdit(1)->text(), QString("4000"));
    QCOMPARE(m_page->unitEdit(1)->text(), QString("[ms]"));
    // Rows from the refused one on were not stored: text and unit still agree.
    QCOMPARE(m_page->valueEdit(2)->text(), QString("2,5"));
    QCOMPARE(m_page->valueEdit(6)->text(), QString("3"));
    QCOMPARE(m_page->unitEdit(6)->text(), QString("[s]"));
    QCOMPARE(int(timeCode(settings(), 6)), 0x95);

    PageFixture::type(m_page->valueEdit(2), "2500");
    QVERIFY(m_fixture->leave());
    QCOMPARE(int(timeCode(settings(), 0)), 0x90); // not read again as 15 ms
    QCOMPARE(int(timeCode(settings(), 1)), 41);
    QCOMPARE(int(timeCode(settings(), 2)), 26);
    QCOMPARE(int(timeCode(settings(), 6)), 31); // 3 s typed in seconds: 3000 ms
}

void TestCanalog::descriptions()
{
    // Locked: descriptions cannot be typed into, values can.
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(m_page->descriptionEdit(0)->isReadOnly());
    PageFixture::type(m_page->descriptionEdit(0), "x");
    QCOMPARE(m_page->descriptionEdit(0)->text(), QString("tgSZR - czas graniczny dla SZR"));
    QVERIFY(m_fixture->leave());

    m_fixture->lockedFlag = false;
    QVERIFY(m_fixture->show(m_page));
    QVERIFY(!m_page->descriptionEdit(0)->isReadOnly());
    // 95 Polish letters fill the 96-byte slot with one Windows-1250 byte each.
    const QString polish(100, QChar(u'ł'));
    PageFixture::type(m_page->descriptionEdit(3), polish);
    PageFixture::type(m_page->descriptionEdit(7), "Impuls zamknięcia");
    QVERIFY(m_fixture->leave());

    const LabelSet& set = m_fixture->data().currentLabelSet();
    QCOMPARE(QByteArray(set.timeDescriptions[3], wideSlot), QByteArray(95, '\xB3') + '\0');
    QCOMPARE(slotText(set.timeDescriptions[4]),
             QString("trSZR - opóźnienie rozruchu SZR od zaniku napięcia"));
    QCOMPARE(QByteArray(set.timeDescriptions[7]), QByteArray("Impuls zamkni\xEA"
                                                             "cia"));
    // Only the current combination's set changes.
    QCOMPARE(slotText(m_fixture->data().image().labelSets[1].timeDescriptions[7]),
             QString("Czas impulsów sterujących"));
}

void TestCanalog::storeBeforeFirstVisit()
{
    // A page left before it was ever shown fills itself first and stores the record's
    // own values (with the display minima), not empty edits.
    setTimeCode(settings(), 0, 0x02);
    QVERIFY(m_page->onKillActive());
    QCOMPARE(int(timeCode(settings(), 0)), 3);
    QCOMPARE(int(timeCode(settings(), 1)), 0xBD);
    QVERIFY(m_fixture->prompts.isEmpty());
}

QTEST_MAIN(TestCanalog)
#include "tst_canalog.moc"
