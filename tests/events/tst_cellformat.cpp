#include "events/cellformat.h"

#include <QTest>

namespace {

constexpr std::uint32_t red = 0x0000FF;
constexpr std::uint32_t yellow = 0x00FFFF;
constexpr std::uint32_t blue = 0xFF0000;
constexpr std::uint32_t green = 0x00FF00;
constexpr std::uint32_t grey = 0x808080;

const ListColors colors{0x111111, 0xEEEEEE, 0x222222, 0xDDDDDD};

FontSpec listFont()
{
    FontSpec f;
    f.family = "DejaVu Sans";
    f.pointSize = 9;
    return f;
}

CellFormat format(std::uint32_t style, std::uint32_t text = 0, std::uint32_t back = 0)
{
    CellFormat f;
    f.setStyle(style);
    f.textColor = text;
    f.backColor = back;
    return f;
}

std::unique_ptr<CellFormat> variant(std::uint32_t style, std::uint32_t text = 0,
                                    std::uint32_t back = 0)
{
    return std::make_unique<CellFormat>(format(style, text, back));
}

// Records of one cell; a style of -1 leaves that level out.
struct Case {
    long long cellStyle = -1, rowStyle = -1, columnStyle = -1;
};

} // namespace

class TestCellFormat : public QObject {
    Q_OBJECT
private slots:
    void colours_data();
    void colours();
    void selectedUsesVariantsOnly_data();
    void selectedUsesVariantsOnly();
    void fonts_data();
    void fonts();
    void selectedFontFallsBackToNormalRecord();
    void assignedFontOutlivesStyleWithoutFontBits();
};

// Each level carries its own colours: cell red on blue, row black on yellow, column
// green on grey, so the result names the level that won.
void TestCellFormat::colours_data()
{
    QTest::addColumn<long long>("cellStyle");
    QTest::addColumn<long long>("rowStyle");
    QTest::addColumn<long long>("columnStyle");
    QTest::addColumn<std::uint32_t>("text");
    QTest::addColumn<std::uint32_t>("back");

    QTest::newRow("nothing set: list colours") << -1LL << -1LL << -1LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("row 0x30, text colour 0: black on the row background")
        << -1LL << 0x30LL << -1LL << 0u << yellow;
    QTest::newRow("row 0x20 only: list text on the row background")
        << -1LL << 0x20LL << -1LL << 0x111111u << yellow;
    QTest::newRow("cell 0x80 keeps the row off the cell")
        << 0x80LL << 0x30LL << -1LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("cell 0x80 with a column: column still applies")
        << 0x80LL << 0x30LL << 0x30LL << green << grey;
    QTest::newRow("cell without colour bits: row wins over column")
        << 0x00LL << 0x30LL << 0x30LL << 0u << yellow;
    QTest::newRow("cell colour beats row") << 0x10LL << 0x30LL << -1LL << red << yellow;
    QTest::newRow("cell 0x40 keeps the column off")
        << 0x40LL << -1LL << 0x30LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("row 0x40 keeps the column off")
        << -1LL << 0x40LL << 0x30LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("row 0x60: row background, no column text")
        << -1LL << 0x60LL << 0x30LL << 0x111111u << yellow;
    QTest::newRow("column 0x80 keeps the row off") << -1LL << 0x30LL << 0xB0LL << green << grey;
    QTest::newRow("column fills what the row leaves")
        << -1LL << 0x20LL << 0x30LL << green << yellow;
    // The row's 0x40 is looked at first: once the column is off, its 0x80 counts no more.
    QTest::newRow("row 0x40 before column 0x80") << -1LL << 0x70LL << 0x90LL << 0u << yellow;
}

void TestCellFormat::colours()
{
    QFETCH(long long, cellStyle);
    QFETCH(long long, rowStyle);
    QFETCH(long long, columnStyle);
    QFETCH(std::uint32_t, text);
    QFETCH(std::uint32_t, back);

    CellFormat cell = format(std::uint32_t(std::max(cellStyle, 0LL)), red, blue);
    CellFormat row = format(std::uint32_t(std::max(rowStyle, 0LL)), 0, yellow);
    CellFormat column = format(std::uint32_t(std::max(columnStyle, 0LL)), green, grey);
    const FormatLevels levels{cellStyle < 0 ? nullptr : &cell, rowStyle < 0 ? nullptr : &row,
                              columnStyle < 0 ? nullptr : &column};

    const ResolvedFormat r = resolveCellFormat(levels, false, colors, listFont());
    QCOMPARE(r.textColor, text);
    QCOMPARE(r.backColor, back);
    QVERIFY(!r.font);
}

void TestCellFormat::selectedUsesVariantsOnly_data()
{
    QTest::addColumn<bool>("rowVariant");
    QTest::addColumn<bool>("cellVariant");
    QTest::addColumn<std::uint32_t>("text");
    QTest::addColumn<std::uint32_t>("back");

    QTest::newRow("no variant: selected colours") << false << false << 0x222222u << 0xDDDDDDu;
    QTest::newRow("row variant background") << true << false << 0x222222u << blue;
    QTest::newRow("cell variant text, row variant background") << true << true << red << blue;
    QTest::newRow("cell variant alone") << false << true << red << 0xDDDDDDu;
}

void TestCellFormat::selectedUsesVariantsOnly()
{
    QFETCH(bool, rowVariant);
    QFETCH(bool, cellVariant);
    QFETCH(std::uint32_t, text);
    QFETCH(std::uint32_t, back);

    // The normal records would paint black on yellow; only variants count when selected.
    CellFormat cell = format(0x10, green);
    CellFormat row = format(0x30, 0, yellow);
    if (rowVariant)
        row.selected = variant(0x20, 0, blue);
    if (cellVariant)
        cell.selected = variant(0x10, red);

    const ResolvedFormat r = resolveCellFormat({&cell, &row, nullptr}, true, colors, listFont());
    QCOMPARE(r.textColor, text);
    QCOMPARE(r.backColor, back);
    const ResolvedFormat normal =
        resolveCellFormat({&cell, &row, nullptr}, false, colors, listFont());
    QCOMPARE(normal.textColor, green);
    QCOMPARE(normal.backColor, yellow);
}

void TestCellFormat::fonts_data()
{
    QTest::addColumn<long long>("cellStyle");
    QTest::addColumn<long long>("rowStyle");
    QTest::addColumn<long long>("columnStyle");
    QTest::addColumn<bool>("cellFont"); // the cell has an assigned 14-point "Serif"
    QTest::addColumn<bool>("hasFont");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    QTest::addColumn<QString>("family");

    const QString list = "DejaVu Sans";
    QTest::newRow("colours only: no font")
        << 0x30LL << 0x30LL << -1LL << false << false << 400 << false << false << false << list;
    QTest::newRow("row bold") << -1LL << 0x01LL << -1LL << false << true << 700 << false << false
                              << false << list;
    QTest::newRow("cell italic underline strike")
        << 0x0ELL << -1LL << -1LL << false << true << 400 << true << true << true << list;
    // Column italic (weight 400 as the list) and row bold (italic off as the list):
    // each level brings only what differs from the list's font.
    QTest::newRow("column italic and row bold merge")
        << -1LL << 0x01LL << 0x02LL << false << true << 700 << true << false << false << list;
    QTest::newRow("cell wins where it differs")
        << 0x04LL << 0x01LL << 0x02LL << false << true << 700 << true << true << false << list;
    QTest::newRow("assigned cell font merges with row bold")
        << -1LL << 0x01LL << -1LL << true << true << 700 << false << false << false
        << QString("Serif");
    QTest::newRow("cell 0x80 drops the row's font")
        << 0x80LL << 0x01LL << 0x02LL << false << true << 400 << true << false << false << list;
    QTest::newRow("row 0x40 drops the column's font")
        << -1LL << 0x41LL << 0x02LL << false << true << 700 << false << false << false << list;
}

void TestCellFormat::fonts()
{
    QFETCH(long long, cellStyle);
    QFETCH(long long, rowStyle);
    QFETCH(long long, columnStyle);
    QFETCH(bool, cellFont);

    CellFormat cell = format(std::uint32_t(std::max(cellStyle, 0LL)));
    CellFormat row = format(std::uint32_t(std::max(rowStyle, 0LL)));
    CellFormat column = format(std::uint32_t(std::max(columnStyle, 0LL)));
    if (cellFont) {
        FontSpec f = listFont();
        f.family = "Serif";
        f.pointSize = 14;
        cell.setFont(f);
    }
    const FormatLevels levels{cellStyle < 0 && !cellFont ? nullptr : &cell,
                              rowStyle < 0 ? nullptr : &row, columnStyle < 0 ? nullptr : &column};

    const ResolvedFormat r = resolveCellFormat(levels, false, colors, listFont());
    QTEST(bool(r.font), "hasFont");
    if (!r.font)
        return;
    QTEST(r.font->weight, "weight");
    QTEST(r.font->italic, "italic");
    QTEST(r.font->underline, "underline");
    QTEST(r.font->strikeOut, "strikeOut");
    QTEST(r.font->family, "family");
    QCOMPARE(r.font->pointSize, cellFont ? 14.0 : 9.0);
}

void TestCellFormat::selectedFontFallsBackToNormalRecord()
{
    // The row's selected variant only colours; its font comes from the normal row.
    CellFormat row = format(0x01);
    row.selected = variant(0x20, 0, blue);
    ResolvedFormat r = resolveCellFormat({nullptr, &row, nullptr}, true, colors, listFont());
    QCOMPARE(r.backColor, blue);
    QVERIFY(r.font);
    QCOMPARE(r.font->weight, 700);

    // A variant with a font of its own replaces the normal one.
    row.selected = variant(0x22, 0, blue);
    r = resolveCellFormat({nullptr, &row, nullptr}, true, colors, listFont());
    QVERIFY(r.font);
    QCOMPARE(r.font->weight, 400);
    QVERIFY(r.font->italic);

    // The fallback records decide the allowances too: the normal cell's 0x80 keeps
    // the row's font off even though the cell's variant allows the row's colours.
    CellFormat cell = format(0x80);
    cell.selected = variant(0x10, red);
    row.selected = variant(0x20, 0, blue);
    r = resolveCellFormat({&cell, &row, nullptr}, true, colors, listFont());
    QCOMPARE(r.textColor, red);
    QCOMPARE(r.backColor, blue);
    QVERIFY(!r.font);
}

void TestCellFormat::assignedFontOutlivesStyleWithoutFontBits()
{
    CellFormat cell;
    FontSpec f = listFont();
    f.pointSize = 20;
    cell.setFont(f);
    QVERIFY(cell.hasFont);
    cell.setStyle(0x10);
    QVERIFY(!cell.hasFont);
    const ResolvedFormat r =
        resolveCellFormat({&cell, nullptr, nullptr}, false, colors, listFont());
    QVERIFY(r.font);
    QCOMPARE(r.font->pointSize, 20.0);
}

QTEST_GUILESS_MAIN(TestCellFormat)
#include "tst_cellformat.moc"
