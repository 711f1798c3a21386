#include "files/settingsprintout.h"
#include "model/catalogue.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"
#include "model/textcodec.h"

#include <QTemporaryDir>
#include <QTest>
#include <cstring>

namespace {

// One line per row: the advance, then the texts with their columns (r, l, u, t).
QString render(const QList<PrintoutRow>& rows)
{
    QString text;
    for (const PrintoutRow& row : rows) {
        text += QString::number(row.advance);
        for (const PrintoutCell& cell : row.cells) {
            text += u'|';
            text += QStringLiteral("rlut").at(static_cast<int>(cell.column));
            text += u':' + cell.text;
        }
        text += u'\n';
    }
    return text;
}

} // namespace

class TestSettingsPrintout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void defaultRecord()
    {
        DeviceData data;
        LabelStore labels(data, m_dir.path(), [](const QString&) {});
        SettingsRecord::applyDefaults(data);
        labels.setLabelFileCode(LabelStore::startCode); // no file: the built-in texts

        const QString rule(90, u'-');
        QString expected =
            QStringLiteral(
                "1|r:%1\n"
                "2|l:Układ: 1|t:Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)\n"
                "1|l:Wariant: A|t:Wariant A\n"
                "1|l:Numer fabryczny:|t:0\n"
                "3|r:%1\n"
                "1|l:Wartość|u:Jednostka|t:Nastawa\n"
                "1|l:10000|u:[ms]|t:tgSZR - czas graniczny dla SZR\n"
                "1|l:60|u:[s]|t:tgSZRA - czas graniczny dla SZR na agregat\n"
                "1|l:5000|u:[ms]|t:tgPPZ oraz tgSPP - czas graniczny dla PPZ oraz czas graniczny "
                "dla SPP\n"
                "1|l:600|u:[min]|t:tgAZZ oraz twSPP - czas graniczny dla AZZ oraz czas "
                "wyczekiwania na SPP\n"
                "1|l:2000|u:[ms]|t:trSZR - opóźnienie rozruchu SZR od zaniku napięcia\n"
                "1|l:10000|u:[ms]|t:trSZRA - opóźnienie rozruchu SZR na agregat od zaniku "
                "napięcia\n"
                "1|l:20|u:[s]|t:trAZZ oraz trSPP - opóźnienie rozruchu AZZ oraz opóźnienie "
                "rozruchu SPP\n"
                "1|l:500|u:[ms]|t:Czas impulsów sterujących\n"
                "3|l:Program działania\n"
                "1|r:%1\n")
                .arg(rule);
        // Flags 0, 1, 2, 3, 5 and 9 are set by default.
        for (int k = 0; k < 24; ++k) {
            const bool set = k <= 3 || k == 5 || k == 9;
            expected += QStringLiteral("1|l:Default text %1|t:-  %2\n").arg(k + 1).arg(set);
        }
        expected += QStringLiteral("3|l:Wyjście programowalne\n1|r:%1\n").arg(rule);
        for (int k = 0; k < 8; ++k)
            expected += QStringLiteral("1|l:Default text %1|t:-  %2\n").arg(25 + k).arg(k == 0);
        expected += QStringLiteral("3|l:Konfiguracja portu RS485\n"
                                   "1|r:%1\n"
                                   "1|l:Parametry|t:19200,N,1\n"
                                   "1|l:Adres|t:1\n")
                        .arg(rule);
        QCOMPARE(render(settingsPrintoutRows(data)), expected);
    }

    void timeConversion_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("unit");
        QTest::newRow("code 0") << 0 << 0 << 500 << "[ms]";
        QTest::newRow("code 6") << 0 << 6 << 500 << "[ms]";
        QTest::newRow("code 7") << 0 << 7 << 600 << "[ms]";
        QTest::newRow("code 127") << 7 << 127 << 12600 << "[ms]";
        QTest::newRow("0x80") << 1 << 0x80 << 127 << "[s]";
        QTest::newRow("0x81") << 4 << 0x81 << 1 << "[s]";
        QTest::newRow("0x82") << 6 << 0x82 << 1 << "[s]";
        QTest::newRow("0xFF") << 2 << 0xFF << 126 << "[s]";
        QTest::newRow("minutes 0") << 3 << 0 << 10 << "[min]";
        QTest::newRow("minutes 61") << 3 << 61 << 600 << "[min]";
        QTest::newRow("minutes ignore bit 7") << 3 << 0x80 << 1270 << "[min]";
        QTest::newRow("minutes 255") << 3 << 255 << 2540 << "[min]";
    }
    void timeConversion()
    {
        QFETCH(int, row);
        QFETCH(int, code);
        QFETCH(int, value);
        QFETCH(QString, unit);
        const PrintoutTime time = printoutTime(row, quint8(code));
        QCOMPARE(time.value, value);
        QCOMPARE(time.unit, unit);
    }

    void namesAndBitsOfCombination()
    {
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        Catalogue::selectCombination(data, 9); // circuit 4, variant B
        DeviceImage& image = data.image();
        // Circuit 4 is described in label set 3, whatever combination is current.
        setSlotText(image.labelSets[3].circuitDescription, QStringLiteral("Opis układu 4"));
        setSlotText(image.labelSets[9].circuitDescription, QStringLiteral("nieużywany"));
        setSlotText(image.labelSets[9].variantDescriptions[1], QStringLiteral("Wariant bis"));
        // Only three named bits exist in this combination.
        setSlotText(image.flagOutputLabelSets[9].names[4], QStringLiteral("Blokada"));
        setSlotText(image.flagOutputLabelSets[9].names[23], QStringLiteral("Flaga 23"));
        setSlotText(image.flagOutputLabelSets[9].names[26], QStringLiteral("Wyjście 2"));
        image.settings.bytes[11] = 0x10; // flag 4
        image.settings.bytes[2] = 0x00;  // flag 23 clear
        image.settings.bytes[3] = 0x04;  // output 2
        image.settings.bytes[15] = 0x7F; // address 31, 4800 baud
        image.factoryNumber = 65535;

        const QString text = render(settingsPrintoutRows(data));
        const QString rule(90, u'-');
        QVERIFY(text.contains(QStringLiteral("2|l:Układ: 4|t:Opis układu 4\n"
                                             "1|l:Wariant: B|t:Wariant bis\n"
                                             "1|l:Numer fabryczny:|t:65535\n")));
        QVERIFY(text.contains(QStringLiteral("3|l:Program działania\n1|r:%1\n"
                                             "1|l:Blokada|t:-  1\n"
                                             "1|l:Flaga 23|t:-  0\n"
                                             "3|l:Wyjście programowalne\n1|r:%1\n"
                                             "1|l:Wyjście 2|t:-  1\n"
                                             "3|l:Konfiguracja")
                                  .arg(rule)));
        QVERIFY(text.endsWith(QStringLiteral("1|l:Parametry|t:4800,N,1\n1|l:Adres|t:31\n")));
    }

    void metrics_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("font");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("lines");
        QTest::newRow("6800") << 6800 << 85 << 89 << 75;
        QTest::newRow("tiny page") << 40 << 0 << 1 << 39;
    }
    void metrics()
    {
        QFETCH(int, height);
        QFETCH(int, font);
        QFETCH(int, line);
        QFETCH(int, lines);
        const PrintoutMetrics m = printoutMetrics(height);
        QCOMPARE(m.fontHeight, font);
        QCOMPARE(m.lineHeight, line);
        QCOMPARE(m.linesPerPage, lines);
    }

    void defaultPrintoutPlacement()
    {
        DeviceData data;
        SettingsRecord::applyDefaults(data);
        LabelStore labels(data, m_dir.path(), [](const QString&) {});
        labels.defaultFill();
        const QList<PrintoutRow> rows = settingsPrintoutRows(data);
        QCOMPARE(rows.size(), 54);

        // 75 lines per page (a printable height of 6800): one page, the last row on line 63.
        QList<PrintoutPlacement> placed = placePrintoutRows(rows, 75);
        QCOMPARE(placed.constLast().page, 0);
        QCOMPARE(placed.constLast().line, 63);

        // 40 lines: flag 18 (row 34) would land on line 40 and opens page 2 at line 1.
        placed = placePrintoutRows(rows, 40);
        QCOMPARE(placed[33].page, 0);
        QCOMPARE(placed[33].line, 39);
        QCOMPARE(placed[34].page, 1);
        QCOMPARE(placed[34].line, 1);
        QCOMPARE(placed.constLast().page, 1);
        QCOMPARE(placed.constLast().line, 24);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsPrintout)
#include "tst_settingsprintout.moc"
