#include "files/eventsprintout.h"
#include "files/printoutlayout.h"

#include <QTest>
#include <numeric>

namespace {

// An A4 laser printer at 600 dpi: printable 4958 x 6800.
const PrintoutPage a4 = *printoutPage({4960, 7016}, {1, 108}, false, {4958, 6800});

QStringList textsAt(const PrintoutSheet& sheet, int y)
{
    QStringList texts;
    for (const PrintoutText& text : sheet) {
        if (text.y == y)
            texts.append(QStringLiteral("%1:%2").arg(text.x).arg(text.text));
    }
    return texts;
}

// The list rows printed on a sheet, by their numbers in column 1.
QList<int> rowsOf(const PrintoutSheet& sheet)
{
    QList<int> rows;
    for (const PrintoutText& text : sheet) {
        if (text.y > eventsRowsY && text.x == eventsColumnX(EventsColumn::Number, a4.width))
            rows.append(text.text.toInt() - 1);
    }
    return rows;
}

QList<int> range(int first, int end)
{
    QList<int> rows(end - first);
    std::iota(rows.begin(), rows.end(), first);
    return rows;
}

const EventRowTexts numbered = [](int row) -> std::array<QString, 3> {
    return {QStringLiteral("t%1").arg(row), QStringLiteral("c%1").arg(row),
            QStringLiteral("e%1").arg(row)};
};

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
        // width, height, font height, line height, lines per page; empty: no usable page
        QTest::addColumn<QList<int>>("expected");
        const QSize a4Paper(4960, 7016);
        QTest::newRow("portrait") << a4Paper << QPoint(1, 108) << false << QSize(4958, 6800)
                                  << QList<int>{4958, 6800, 85, 89, 75};
        // The offsets stay with the paper's edges: H from the width, W from the height.
        QTest::newRow("landscape") << a4Paper << QPoint(1, 108) << true << QSize(6800, 4958)
                                   << QList<int>{6800, 4958, 61, 64, 76};
        // A right margin wider than the left: W stays inside what the device draws.
        QTest::newRow("uneven margins") << a4Paper << QPoint(100, 100) << false << QSize(4660, 6816)
                                        << QList<int>{4660, 6816, 85, 89, 75};
        QTest::newRow("80 high") << QSize(600, 280) << QPoint(100, 100) << false << QSize(400, 80)
                                 << QList<int>{400, 80, 1, 1, 79};
        QTest::newRow("79 high") << QSize(600, 279) << QPoint(100, 100) << false << QSize(400, 79)
                                 << QList<int>{};
        QTest::newRow("79 high in landscape")
            << QSize(279, 600) << QPoint(100, 100) << true << QSize(400, 79) << QList<int>{};
    }
    void page()
    {
        QFETCH(QSize, physical);
        QFETCH(QPoint, offset);
        QFETCH(bool, landscape);
        QFETCH(QSize, paintable);
        QFETCH(QList<int>, expected);
        const std::optional<PrintoutPage> p = printoutPage(physical, offset, landscape, paintable);
        QCOMPARE(p.has_value(), !expected.isEmpty());
        if (p) {
            QCOMPARE((QList<int>{p->width, p->height, p->metrics.fontHeight, p->metrics.lineHeight,
                                 p->metrics.linesPerPage}),
                     expected);
        }
    }

    void columns()
    {
        for (int scale : {1, 2}) {
            QList<int> x;
            for (auto c : {PrintoutColumn::Rule, PrintoutColumn::Label, PrintoutColumn::Unit,
                           PrintoutColumn::Text})
                x.append(printoutColumnX(c, 4958 * scale));
            for (int c = 0; c < 5; ++c)
                x.append(eventsColumnX(static_cast<EventsColumn>(c), 4958 * scale));
            const QList<int> expected =
                scale == 1 ? QList<int>{247, 495, 1239, 1983, 5, 200, 1120, 1470, 2100}
                           : QList<int>{495, 991, 2479, 3966, 10, 400, 2240, 2940, 4200};
            QCOMPARE(x, expected);
        }
    }

    // 75 lines a page: rows land at L = 1..74; a row whose advance reaches 75 opens the
    // next page at L = 1, its blank advance lines dropped.
    void settingsPageBreak_data()
    {
        QTest::addColumn<QList<int>>("advances");
        QTest::addColumn<int>("lastPage");
        QTest::addColumn<int>("lastLine");
        QTest::newRow("74 rows fill a page") << QList<int>(74, 1) << 0 << 74;
        QTest::newRow("the 75th opens page 2") << QList<int>(75, 1) << 1 << 1;
        QTest::newRow("advance 3 from 72") << QList<int>(72, 1) + QList<int>{3} << 1 << 1;
        QTest::newRow("advance 2 from 72 fits") << QList<int>(72, 1) + QList<int>{2} << 0 << 74;
        QTest::newRow("page 2 goes on") << QList<int>(75, 1) + QList<int>{3, 1} << 1 << 5;
    }
    void settingsPageBreak()
    {
        QFETCH(QList<int>, advances);
        QList<PrintoutRow> rows;
        for (int advance : advances)
            rows.append({advance, {{PrintoutColumn::Label, QStringLiteral("x")}}});
        const QList<PrintoutSheet> sheets = settingsPrintoutSheets(rows, a4);
        QTEST(int(sheets.size()) - 1, "lastPage");
        QTEST(sheets.constLast().constLast().y / 89, "lastLine");
        QCOMPARE(std::accumulate(sheets.begin(), sheets.end(), qsizetype(0),
                                 [](qsizetype n, const PrintoutSheet& s) { return n + s.size(); }),
                 rows.size());
    }

    void eventsRowsPerPage_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<int>("rows");
        QTest::newRow("6800") << 6800 << 89 << 72;
        QTest::newRow("row 72 ends on the edge") << 250 + 73 * 89 << 89 << 72;
        QTest::newRow("one unit short") << 250 + 73 * 89 - 1 << 89 << 71;
        QTest::newRow("no row below the heading") << 250 + 2 * 10 - 1 << 10 << 0;
    }
    void eventsRowsPerPage()
    {
        QFETCH(int, height);
        QFETCH(int, lineHeight);
        const PrintoutPage page{4958, height, {0, lineHeight, 0}};
        QTEST(::eventsRowsPerPage(page), "rows");
        // A page that holds no row cannot take the printout.
        QCOMPARE(eventsPrintoutSheets({0}, numbered, page).has_value(),
                 ::eventsRowsPerPage(page) > 0);
    }

    void eventsRange_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QList<int>>("printed");
        QTest::newRow("none selected: all") << QList<int>{} << 256 << range(0, 256);
        QTest::newRow("apart, in list order")
            << QList<int>{200, 3, 40, 3} << 256 << QList<int>{3, 40, 200};
        QTest::newRow("outside the list") << QList<int>{-1, 256, 255} << 256 << QList<int>{255};
        QTest::newRow("no list") << QList<int>{} << 0 << QList<int>{};
    }
    void eventsRange()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, rowCount);
        QTEST(eventsPrintoutRange(selected, rowCount), "printed");
    }

    void eventsAllRows()
    {
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets(range(0, 256), numbered, a4);
        QVERIFY(sheets);
        QCOMPARE(sheets->size(), 4);
        QList<int> printed;
        for (int p = 0; p < 4; ++p) {
            const PrintoutSheet& sheet = sheets->at(p);
            QCOMPARE(textsAt(sheet, 110).constLast(),
                     QStringLiteral("2100:Strona: %1/4 ").arg(p + 1));
            for (const PrintoutText& text : sheet)
                QVERIFY(text.y + a4.metrics.lineHeight <= a4.height);
            printed += rowsOf(sheet);
        }
        QCOMPARE(printed, range(0, 256));
        QCOMPARE(rowsOf(sheets->at(3)).size(), 40);
        QCOMPARE(textsAt(sheets->at(1), 250 + 89),
                 (QStringList{"5:73", "200:t72", "1120:c72", "1470:e72"}));
    }

    void eventsSelectionAndCells()
    {
        // A row whose check byte is wrong ("2?" in the list) is numbered by the printout
        // itself; texts over 63 characters are cut; beyond the list the number stands alone.
        const QString longText(70, u'ż');
        const EventRowTexts texts =
            eventRowTexts({{"1", "2015_3_7 9:5:0", "120", "Nr Fabryczny: 7, Układ: 1, Wariant: 0"},
                           {"2?", "2015_3_7 9:4:0", "60", longText}});
        const std::optional<QList<PrintoutSheet>> sheets =
            eventsPrintoutSheets(eventsPrintoutRange({300, 1, 2}, 300), texts, a4);
        QVERIFY(sheets);
        QCOMPARE(sheets->size(), 1);
        QCOMPARE(textsAt(sheets->at(0), 110).constLast(), QStringLiteral("2100:Strona: 1/1 "));
        QCOMPARE(textsAt(sheets->at(0), 250 + 89),
                 (QStringList{"5:2", "200:2015_3_7 9:4:0", "1120:60",
                              QStringLiteral("1470:") + longText.left(63)}));
        QCOMPARE(textsAt(sheets->at(0), 250 + 2 * 89),
                 (QStringList{"5:3", "200:", "1120:", "1470:"}));
        QCOMPARE(textsAt(sheets->at(0), 250 + 3 * 89), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPrintoutLayout)
#include "tst_printoutlayout.moc"
