#include "files/eventsprintout.h"
#include "files/printoutlayout.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "model/settingsrecord.h"

#include <QTemporaryDir>
#include <QTest>
#include <numeric>

namespace {

// The page of an A4 laser printer at 600 dpi whose printable height is 6800.
PrintoutPage a4Page()
{
    return *printoutPage({4960, 7016}, {1, 108}, false, {4958, 6800});
}

// A page with arbitrary metrics, to reach the page break with few rows.
PrintoutPage pageWithLines(int linesPerPage)
{
    return {4958, 6800, {85, 89, linesPerPage}};
}

QStringList textsAt(const PrintoutSheet& sheet, int y)
{
    QStringList texts;
    for (const PrintoutText& text : sheet) {
        if (text.y == y)
            texts.append(QStringLiteral("%1:%2").arg(text.x).arg(text.text));
    }
    return texts;
}

EventRowTexts numberedTexts()
{
    return [](int row) -> std::array<QString, 3> {
        return {QStringLiteral("t%1").arg(row), QStringLiteral("c%1").arg(row),
                QStringLiteral("e%1").arg(row)};
    };
}

QList<int> rowsOf(const PrintoutSheet& sheet)
{
    QList<int> rows;
    for (const PrintoutText& text : sheet) {
        if (text.y > eventsRowsY && text.x == 5)
            rows.append(text.text.toInt() - 1);
    }
    return rows;
}

} // namespace

class TestPrintoutLayout : public QObject {
    Q_OBJECT

private slots:
    void page_data()
    {
        QTest::addColumn<QSize>("physical");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QSize>("paintable");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("font");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("lines");
        QTest::newRow("A4 portrait") << QSize(4960, 7016) << QPoint(1, 108) << false
                                     << QSize(4958, 6800) << 4958 << 6800 << 85 << 89 << 75;
        // The offsets stay with the paper's own edges: H from the width, W from the height.
        QTest::newRow("A4 landscape") << QSize(4960, 7016) << QPoint(1, 108) << true
                                      << QSize(6800, 4958) << 6800 << 4958 << 61 << 64 << 76;
        // A right margin wider than the left one: W stays inside what the device draws.
        QTest::newRow("uneven margins") << QSize(4960, 7016) << QPoint(100, 100) << false
                                        << QSize(4660, 6816) << 4660 << 6816 << 85 << 89 << 75;
        QTest::newRow("one line high") << QSize(600, 280) << QPoint(100, 100) << false
                                       << QSize(400, 80) << 400 << 80 << 1 << 1 << 79;
    }
    void page()
    {
        QFETCH(QSize, physical);
        QFETCH(QPoint, offset);
        QFETCH(bool, landscape);
        QFETCH(QSize, paintable);
        const std::optional<PrintoutPage> page =
            printoutPage(physical, offset, landscape, paintable);
        QVERIFY(page);
        QTEST(page->width, "width");
        QTEST(page->height, "height");
        QTEST(page->metrics.fontHeight, "font");
        QTEST(page->metrics.lineHeight, "line");
        QTEST(page->metrics.linesPerPage, "lines");
    }

    void noUsablePage_data()
    {
        QTest::addColumn<QSize>("physical");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("landscape");
        QTest::newRow("79 high") << QSize(600, 279) << QPoint(100, 100) << false;
        QTest::newRow("79 high in landscape") << QSize(279, 600) << QPoint(100, 100) << true;
        QTest::newRow("offsets eat the width") << QSize(200, 7000) << QPoint(100, 0) << false;
        QTest::newRow("nothing reported") << QSize() << QPoint() << false;
    }
    void noUsablePage()
    {
        QFETCH(QSize, physical);
        QFETCH(QPoint, offset);
        QFETCH(bool, landscape);
        QVERIFY(!printoutPage(physical, offset, landscape, {100000, 100000}));
    }

    void settingsColumns_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("x");
        QTest::newRow("4958") << 4958 << QList<int>{247, 495, 1239, 1983};
        QTest::newRow("twice") << 9916 << QList<int>{495, 991, 2479, 3966};
    }
    void settingsColumns()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, x);
        for (PrintoutColumn column : {PrintoutColumn::Rule, PrintoutColumn::Label,
                                      PrintoutColumn::Unit, PrintoutColumn::Text})
            QCOMPARE(printoutColumnX(column, width), x.at(static_cast<int>(column)));
    }

    void settingsRowsOnTheA4Page()
    {
        QTemporaryDir dir;
        DeviceData data;
        LabelStore labels(data, dir.path(), [](const QString&) {});
        SettingsRecord::applyDefaults(data);
        labels.defaultFill();
        const QList<PrintoutSheet> sheets =
            settingsPrintoutSheets(settingsPrintoutRows(data), a4Page());
        QCOMPARE(sheets.size(), 1);
        const PrintoutSheet& sheet = sheets.first();
        QCOMPARE(textsAt(sheet, 89), QStringList{QStringLiteral("247:") + QString(90, u'-')});
        QCOMPARE(textsAt(sheet, 3 * 89),
                 (QStringList{"495:Układ: 1",
                              "1983:Dwa zasilania z systemu bez sprzęgła (rezerwa jawna)"}));
        QCOMPARE(textsAt(sheet, 9 * 89),
                 (QStringList{"495:Wartość", "1239:Jednostka", "1983:Nastawa"}));
        QCOMPARE(textsAt(sheet, 10 * 89),
                 (QStringList{"495:10000", "1239:[ms]", "1983:tgSZR - czas graniczny dla SZR"}));
        // The last row, the bus address, on line 63 of the one page.
        QCOMPARE(textsAt(sheet, 63 * 89), (QStringList{"495:Adres", "1983:1"}));
        for (const PrintoutText& text : sheet)
            QVERIFY(text.y + 89 <= 6800);
    }

    // Rows land at L = 1..74 of a 75-line page; a row whose advance reaches 75 opens
    // the next page at L = 1, its blank advance lines dropped.
    void settingsPageBreak_data()
    {
        QTest::addColumn<QList<int>>("advances");
        QTest::addColumn<int>("lastPage");
        QTest::addColumn<int>("lastLine");
        QList<int> ones(74, 1);
        QTest::newRow("74 rows fill one page") << ones << 0 << 74;
        QTest::newRow("the 75th row opens page 2") << ones + QList<int>{1} << 1 << 1;
        QTest::newRow("advance 3 from line 72") << QList<int>(72, 1) + QList<int>{3} << 1 << 1;
        QTest::newRow("advance 2 from line 72 fits")
            << QList<int>(72, 1) + QList<int>{2} << 0 << 74;
        QTest::newRow("page 2 goes on from 1") << QList<int>(75, 1) + QList<int>{3, 1} << 1 << 5;
    }
    void settingsPageBreak()
    {
        QFETCH(QList<int>, advances);
        QList<PrintoutRow> rows;
        for (int advance : advances)
            rows.append({advance, {{PrintoutColumn::Label, QStringLiteral("x")}}});
        const PrintoutPage page = a4Page();
        QCOMPARE(page.metrics.linesPerPage, 75);
        const QList<PrintoutSheet> sheets = settingsPrintoutSheets(rows, page);
        QFETCH(int, lastPage);
        QFETCH(int, lastLine);
        QCOMPARE(sheets.size(), lastPage + 1);
        QCOMPARE(sheets.constLast().constLast().y, lastLine * 89);
        int drawn = 0;
        for (const PrintoutSheet& sheet : sheets)
            drawn += sheet.size();
        QCOMPARE(drawn, rows.size());
    }

    void settingsSheetsFollowTheLines()
    {
        // 40 lines to a page: two sheets, nothing lost between them.
        QList<PrintoutRow> rows(50, {1, {{PrintoutColumn::Text, QStringLiteral("r")}}});
        const QList<PrintoutSheet> sheets = settingsPrintoutSheets(rows, pageWithLines(40));
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(sheets[0].size(), 39);
        QCOMPARE(sheets[1].size(), 11);
        QCOMPARE(sheets[1].first().y, 89);
        QCOMPARE(sheets[1].first().x, 1983);
    }

    void eventsColumns_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("x");
        QTest::newRow("4958") << 4958 << QList<int>{5, 200, 1120, 1470, 2100};
        QTest::newRow("twice") << 9916 << QList<int>{10, 400, 2240, 2940, 4200};
        QTest::newRow("landscape") << 6800 << QList<int>{6, 274, 1536, 2016, 2880};
    }
    void eventsColumns()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, x);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(eventsColumnX(static_cast<EventsColumn>(c), width), x.at(c));
    }

    void eventsRowsPerPage_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<int>("rows");
        QTest::newRow("6800") << 6800 << 89 << 72;
        QTest::newRow("row 72 ends on the edge") << 250 + 73 * 89 << 89 << 72;
        QTest::newRow("one unit short") << 250 + 73 * 89 - 1 << 89 << 71;
        QTest::newRow("landscape") << 4958 << 64 << 72;
        QTest::newRow("one row") << 250 + 2 * 10 << 10 << 1;
        QTest::newRow("no row") << 250 + 2 * 10 - 1 << 10 << 0;
        QTest::newRow("below the heading") << 200 << 2 << 0;
    }
    void eventsRowsPerPage()
    {
        QFETCH(int, height);
        QFETCH(int, lineHeight);
        QTEST(::eventsRowsPerPage({4958, height, {0, lineHeight, 0}}), "rows");
    }

    void eventsRange_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QList<int>>("printed");
        QList<int> all(256);
        std::iota(all.begin(), all.end(), 0);
        QTest::newRow("none selected") << QList<int>{} << 256 << all;
        QTest::newRow("one") << QList<int>{17} << 256 << QList<int>{17};
        QTest::newRow("apart, in list order")
            << QList<int>{200, 3, 40} << 256 << QList<int>{3, 40, 200};
        QTest::newRow("last row") << QList<int>{255} << 256 << QList<int>{255};
        QTest::newRow("outside the list dropped") << QList<int>{-1, 256, 9} << 256 << QList<int>{9};
        QTest::newRow("no list") << QList<int>{} << 0 << QList<int>{};
    }
    void eventsRange()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, rowCount);
        QTEST(eventsPrintoutRange(selected, rowCount), "printed");
    }

    void eventsAll256Rows()
    {
        const PrintoutPage page = a4Page();
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets(eventsPrintoutRange({}, 256), numberedTexts(), page);
        QVERIFY(sheets);
        QCOMPARE(sheets->size(), 4);

        QList<int> printed;
        for (int p = 0; p < 4; ++p) {
            const PrintoutSheet& sheet = sheets->at(p);
            // Every page has its own heading line, page line and rule.
            QCOMPARE(textsAt(sheet, 110),
                     (QStringList{"5:Lp", "200:Czas", "1120:Rbs [s] ", "1470:Zdarzenia",
                                  QStringLiteral("2100:Strona: %1/4 ").arg(p + 1)}));
            QCOMPARE(textsAt(sheet, 190), QStringList{QStringLiteral("5:") + QString(90, u'-')});
            for (const PrintoutText& text : sheet)
                QVERIFY2(text.y + page.metrics.lineHeight <= page.height, qPrintable(text.text));
            printed += rowsOf(sheet);
        }
        QList<int> all(256);
        std::iota(all.begin(), all.end(), 0);
        QCOMPARE(printed, all);
        QCOMPARE(rowsOf(sheets->at(0)).size(), 72);
        QCOMPARE(rowsOf(sheets->at(3)).size(), 40);

        // List row 0 is numbered 1, its cells in columns 2 to 4, at 250 + lh.
        QCOMPARE(textsAt(sheets->at(0), 250 + 89),
                 (QStringList{"5:1", "200:t0", "1120:c0", "1470:e0"}));
        QCOMPARE(textsAt(sheets->at(1), 250 + 89),
                 (QStringList{"5:73", "200:t72", "1120:c72", "1470:e72"}));
        QCOMPARE(textsAt(sheets->at(3), 250 + 40 * 89),
                 (QStringList{"5:256", "200:t255", "1120:c255", "1470:e255"}));
    }

    void eventsSelection()
    {
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets(eventsPrintoutRange({250, 0, 7}, 256), numberedTexts(), a4Page());
        QVERIFY(sheets);
        QCOMPARE(sheets->size(), 1);
        QCOMPARE(rowsOf(sheets->first()), (QList<int>{0, 7, 250}));
        QCOMPARE(textsAt(sheets->first(), 110).constLast(), QStringLiteral("2100:Strona: 1/1 "));
        QCOMPARE(textsAt(sheets->first(), 250 + 3 * 89),
                 (QStringList{"5:251", "200:t250", "1120:c250", "1470:e250"}));
    }

    void eventsCellsFromTheListRows()
    {
        // A wrong check byte marks the list's number "2?"; the printout numbers the row
        // itself. Texts over 63 characters are cut.
        const QString longText = QString(70, u'ż');
        const EventRowTexts texts =
            eventRowTexts({{"1", "2015_3_7 9:5:0", "120", "Nr Fabryczny: 7, Układ: 1, Wariant: 0"},
                           {"2?", "2015_3_7 9:4:0", "60", longText}});
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets({0, 1, 2}, texts, a4Page());
        QVERIFY(sheets);
        QCOMPARE(textsAt(sheets->first(), 250 + 89),
                 (QStringList{"5:1", "200:2015_3_7 9:5:0", "1120:120",
                              "1470:Nr Fabryczny: 7, Układ: 1, Wariant: 0"}));
        QCOMPARE(textsAt(sheets->first(), 250 + 2 * 89),
                 (QStringList{"5:2", "200:2015_3_7 9:4:0", "1120:60",
                              QStringLiteral("1470:") + longText.left(63)}));
        // Beyond the list: the number alone.
        QCOMPARE(textsAt(sheets->first(), 250 + 3 * 89),
                 (QStringList{"5:3", "200:", "1120:", "1470:"}));
    }

    void eventsNothingToPrint()
    {
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets({}, numberedTexts(), a4Page());
        QVERIFY(sheets);
        QCOMPARE(sheets->size(), 1);
        QVERIFY(sheets->first().isEmpty());
        // A page that holds no row under the heading cannot take the printout.
        QVERIFY(!eventsPrintoutSheets({0}, numberedTexts(), {400, 255, {3, 3, 99}}));
    }
};

QTEST_GUILESS_MAIN(TestPrintoutLayout)
#include "tst_printoutlayout.moc"
