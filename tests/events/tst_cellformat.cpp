#include "events/cellformat.h"

#include <QTest>

namespace {

constexpr std::uint32_t red = 0x0000FF, yellow = 0x00FFFF, blue = 0xFF0000, green = 0x00FF00,
                        grey = 0x808080;
const ListColors colors{0x111111, 0xEEEEEE, 0x222222, 0xDDDDDD};

FontSpec listFont()
{
    FontSpec f;
    f.family = "DejaVu Sans";
    f.pointSize = 9;
    return f;
}

std::unique_ptr<CellFormat> format(std::uint32_t style, std::uint32_t text = 0,
                                   std::uint32_t back = 0)
{
    auto f = std::make_unique<CellFormat>();
    f->setStyle(style);
    f->textColor = text;
    f->backColor = back;
    return f;
}

// A level's style; -1 leaves the level out. Cell red on blue, row black on yellow,
// column green on grey, so a result names the level that won.
struct Levels {
    std::unique_ptr<CellFormat> cell, row, column;
    Levels(long long c, long long r, long long col)
    {
        if (c >= 0)
            cell = format(std::uint32_t(c), red, blue);
        if (r >= 0)
            row = format(std::uint32_t(r), 0, yellow);
        if (col >= 0)
            column = format(std::uint32_t(col), green, grey);
    }
    FormatLevels levels() const { return {cell.get(), row.get(), column.get()}; }
};

} // namespace

class TestCellFormat : public QObject {
    Q_OBJECT
private slots:
    void colours_data();
    void colours();
    void selectedUsesVariantsOnly();
    void fonts_data();
    void fonts();
    void selectedFontFallsBackToNormalRecord();
};

void TestCellFormat::colours_data()
{
    QTest::addColumn<long long>("cell");
    QTest::addColumn<long long>("row");
    QTest::addColumn<long long>("column");
    QTest::addColumn<std::uint32_t>("text");
    QTest::addColumn<std::uint32_t>("back");

    QTest::newRow("nothing set") << -1LL << -1LL << -1LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("row 0x30, text colour 0: black") << -1LL << 0x30LL << -1LL << 0u << yellow;
    QTest::newRow("row 0x20: list text") << -1LL << 0x20LL << -1LL << 0x111111u << yellow;
    QTest::newRow("cell 0x80 keeps the row off")
        << 0x80LL << 0x30LL << -1LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("cell 0x80, column applies") << 0x80LL << 0x30LL << 0x30LL << green << grey;
    QTest::newRow("cell colour beats row") << 0x10LL << 0x30LL << 0x30LL << red << yellow;
    QTest::newRow("cell 0x40 keeps the column off")
        << 0x40LL << -1LL << 0x30LL << 0x111111u << 0xEEEEEEu;
    QTest::newRow("column fills what the row leaves")
        << -1LL << 0x20LL << 0x30LL << green << yellow;
    QTest::newRow("column 0x80 keeps the row off") << -1LL << 0x30LL << 0xB0LL << green << grey;
    // The row's 0x40 is looked at first: with the column off, its 0x80 no longer counts.
    QTest::newRow("row 0x40 before column 0x80") << -1LL << 0x70LL << 0x90LL << 0u << yellow;
}

void TestCellFormat::colours()
{
    QFETCH(long long, cell);
    QFETCH(long long, row);
    QFETCH(long long, column);
    const Levels l(cell, row, column);
    const ResolvedFormat r = resolveCellFormat(l.levels(), false, colors, listFont());
    QTEST(r.textColor, "text");
    QTEST(r.backColor, "back");
    QVERIFY(!r.font);
}

void TestCellFormat::selectedUsesVariantsOnly()
{
    // Normally black on yellow; selected, only the variants count.
    Levels l(0x10, 0x30, -1);
    const auto selected = [&] { return resolveCellFormat(l.levels(), true, colors, listFont()); };
    QCOMPARE(selected(), (ResolvedFormat{0x222222, 0xDDDDDD, {}}));
    l.row->selected = format(0x20, 0, green);
    QCOMPARE(selected(), (ResolvedFormat{0x222222, green, {}}));
    l.cell->selected = format(0x10, blue);
    QCOMPARE(selected(), (ResolvedFormat{blue, green, {}}));
    QCOMPARE(resolveCellFormat(l.levels(), false, colors, listFont()),
             (ResolvedFormat{red, yellow, {}}));
}

void TestCellFormat::fonts_data()
{
    QTest::addColumn<long long>("cell");
    QTest::addColumn<long long>("row");
    QTest::addColumn<long long>("column");
    QTest::addColumn<int>("weight"); // -1: no font change
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");

    QTest::newRow("colour bits only") << 0x30LL << 0x30LL << -1LL << -1 << false << false;
    QTest::newRow("row bold") << -1LL << 0x01LL << -1LL << 700 << false << false;
    // Each level brings only what differs from the list's font: the column its italic,
    // the row its weight, the cell its underline.
    QTest::newRow("three levels merge") << 0x04LL << 0x01LL << 0x02LL << 700 << true << true;
    QTest::newRow("cell 0x80 drops the row's font")
        << 0x80LL << 0x01LL << 0x02LL << 400 << true << false;
    QTest::newRow("row 0x40 drops the column's font")
        << -1LL << 0x41LL << 0x02LL << 700 << false << false;
}

void TestCellFormat::fonts()
{
    QFETCH(long long, cell);
    QFETCH(long long, row);
    QFETCH(long long, column);
    QFETCH(int, weight);
    const Levels l(cell, row, column);
    const ResolvedFormat r = resolveCellFormat(l.levels(), false, colors, listFont());
    QCOMPARE(bool(r.font), weight >= 0);
    if (!r.font)
        return;
    QCOMPARE(r.font->weight, weight);
    QTEST(r.font->italic, "italic");
    QTEST(r.font->underline, "underline");
    QCOMPARE(r.font->family, listFont().family);
}

void TestCellFormat::selectedFontFallsBackToNormalRecord()
{
    // No variant supplies a font: the normal row's bold stays; a variant with a font
    // of its own replaces it.
    Levels l(-1, 0x01, -1);
    QCOMPARE(resolveCellFormat(l.levels(), true, colors, listFont()).font->weight, 700);
    l.row->selected = format(0x22, 0, blue);
    const ResolvedFormat r = resolveCellFormat(l.levels(), true, colors, listFont());
    QVERIFY(r.font->italic && r.font->weight == 400);

    // An assigned font overlays its face and size on the row's bold.
    l.cell = format(0);
    FontSpec serif = listFont();
    serif.family = "Serif";
    serif.pointSize = 14;
    l.cell->setFont(serif);
    QCOMPARE(resolveCellFormat(l.levels(), false, colors, listFont()).font,
             (FontSpec{"Serif", 14, -1, 700}));

    // The fallback records decide the allowances: the normal cell's 0x80 keeps the row's
    // font off while the cell's variant lets the row's colour through.
    Levels m(0x80, 0x01, -1);
    m.cell->selected = format(0x10, red);
    m.row->selected = format(0x20, 0, blue);
    QCOMPARE(resolveCellFormat(m.levels(), true, colors, listFont()),
             (ResolvedFormat{red, blue, {}}));
}

QTEST_GUILESS_MAIN(TestCellFormat)
#include "tst_cellformat.moc"
