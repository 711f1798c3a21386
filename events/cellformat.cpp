#include "events/cellformat.h"

void CellFormat::setStyle(std::uint32_t newStyle)
{
    style = newStyle;
    hasFont = (newStyle & CellStyle::fontBits) != 0;
}

void CellFormat::setFont(const FontSpec& desc)
{
    font = desc;
    hasFont = true;
}

namespace {

struct Allowance {
    bool row = true;
    bool column = true;
};

Allowance allowances(const FormatLevels& l)
{
    const std::uint32_t cellStyle = l.cell ? l.cell->style : 0;
    Allowance a{(cellStyle & CellStyle::noRow) == 0, (cellStyle & CellStyle::noColumn) == 0};
    if (l.row && a.row && a.column)
        a.column = (l.row->style & CellStyle::noColumn) == 0;
    if (l.column && a.row && a.column)
        a.row = (l.column->style & CellStyle::noRow) == 0;
    return a;
}

const CellFormat* selectedVariant(const CellFormat* r)
{
    return r ? r->selected.get() : nullptr;
}

// For the font a selected level falls back to its normal record unless its variant
// supplies a font of its own.
const CellFormat* fontRecord(const CellFormat* r)
{
    const CellFormat* v = selectedVariant(r);
    return v && v->hasFont ? v : r;
}

std::optional<FontSpec> levelFont(const CellFormat* r, const FontSpec& listFont)
{
    if (!r)
        return std::nullopt;
    if (r->font)
        return r->font;
    if ((r->style & CellStyle::fontBits) == 0)
        return std::nullopt;
    FontSpec made = listFont;
    made.weight = (r->style & CellStyle::bold) ? 700 : 400;
    made.italic = (r->style & CellStyle::italic) != 0;
    made.underline = (r->style & CellStyle::underline) != 0;
    made.strikeOut = (r->style & CellStyle::strikeOut) != 0;
    return made;
}

// Every field in which f differs from the list's font replaces that field of out.
void overlay(FontSpec& out, const FontSpec& f, const FontSpec& base)
{
    if (f.pointSize != base.pointSize || f.pixelSize != base.pixelSize) {
        out.pointSize = f.pointSize;
        out.pixelSize = f.pixelSize;
    }
    if (f.weight != base.weight)
        out.weight = f.weight;
    if (f.italic != base.italic)
        out.italic = f.italic;
    if (f.underline != base.underline)
        out.underline = f.underline;
    if (f.strikeOut != base.strikeOut)
        out.strikeOut = f.strikeOut;
    if (f.fixedPitch != base.fixedPitch)
        out.fixedPitch = f.fixedPitch;
    if (f.styleHint != base.styleHint)
        out.styleHint = f.styleHint;
    if (f.styleStrategy != base.styleStrategy)
        out.styleStrategy = f.styleStrategy;
    if (f.family != base.family)
        out.family = f.family;
}

std::optional<FontSpec> resolveFont(FormatLevels l, bool selected, const FontSpec& listFont)
{
    if (selected)
        l = {fontRecord(l.cell), fontRecord(l.row), fontRecord(l.column)};
    const Allowance a = allowances(l);
    const std::optional<FontSpec> fonts[] = {
        a.column ? levelFont(l.column, listFont) : std::nullopt,
        a.row ? levelFont(l.row, listFont) : std::nullopt,
        levelFont(l.cell, listFont),
    };
    int count = 0;
    const FontSpec* only = nullptr;
    for (const auto& f : fonts) {
        if (f) {
            ++count;
            only = &*f;
        }
    }
    if (count == 0)
        return std::nullopt;
    if (count == 1)
        return *only;
    FontSpec merged = listFont;
    for (const auto& f : fonts) {
        if (f)
            overlay(merged, *f, listFont);
    }
    return merged;
}

} // namespace

ResolvedFormat resolveCellFormat(const FormatLevels& levels, bool selected,
                                 const ListColors& colors, const FontSpec& listFont)
{
    FormatLevels l = levels;
    if (selected)
        l = {selectedVariant(levels.cell), selectedVariant(levels.row),
             selectedVariant(levels.column)};
    const Allowance a = allowances(l);

    ResolvedFormat out;
    out.textColor = selected ? colors.selectedText : colors.text;
    out.backColor = selected ? colors.selectedBack : colors.back;
    if (l.cell && (l.cell->style & CellStyle::textColor))
        out.textColor = l.cell->textColor;
    else if (a.row && l.row && (l.row->style & CellStyle::textColor))
        out.textColor = l.row->textColor;
    else if (a.column && l.column && (l.column->style & CellStyle::textColor))
        out.textColor = l.column->textColor;

    if (l.cell && (l.cell->style & CellStyle::backColor))
        out.backColor = l.cell->backColor;
    else if (a.row && l.row && (l.row->style & CellStyle::backColor))
        out.backColor = l.row->backColor;
    else if (a.column && l.column && (l.column->style & CellStyle::backColor))
        out.backColor = l.column->backColor;

    out.font = resolveFont(levels, selected, listFont);
    return out;
}
