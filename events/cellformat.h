#pragma once

// Formats of the report list: per item, sub-item, row and column, each with an optional
// variant for the selected state. Plain data and one pure resolution function, so the
// rules can be checked without a widget. Colours are 0x00BBGGRR.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace CellStyle {
inline constexpr std::uint32_t bold = 0x01;
inline constexpr std::uint32_t italic = 0x02;
inline constexpr std::uint32_t underline = 0x04;
inline constexpr std::uint32_t strikeOut = 0x08;
inline constexpr std::uint32_t fontBits = 0x0F;
inline constexpr std::uint32_t textColor = 0x10;
inline constexpr std::uint32_t backColor = 0x20;
// On a cell or a row format: the column format does not apply.
inline constexpr std::uint32_t noColumn = 0x40;
// On a cell or a column format: the row format does not apply.
inline constexpr std::uint32_t noRow = 0x80;
} // namespace CellStyle

// A font description without the GUI: the fields a level can override.
struct FontSpec {
    QString family;
    double pointSize = -1; // size: points or pixels, whichever the font was made with
    int pixelSize = -1;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool fixedPitch = false;
    int styleHint = 0;     // pitch and family
    int styleStrategy = 0; // precision and quality

    bool operator==(const FontSpec&) const = default;
};

struct CellFormat {
    std::uint32_t style = 0;
    // Set when a font is assigned, or by a style with any of the font bits.
    bool hasFont = false;
    std::uint32_t textColor = 0;
    std::uint32_t backColor = 0;
    std::vector<CellFormat> subRecords;    // item records only: sub-item 1 is element 0
    std::unique_ptr<CellFormat> rowFormat; // item records only
    std::unique_ptr<CellFormat> selected;  // used instead of this one while selected
    std::optional<FontSpec> font;          // assigned by the caller

    CellFormat() = default;
    CellFormat(const CellFormat&) = delete;
    CellFormat& operator=(const CellFormat&) = delete;
    CellFormat(CellFormat&&) noexcept = default;
    CellFormat& operator=(CellFormat&&) noexcept = default;

    // Sets the style; has-font follows the font bits.
    void setStyle(std::uint32_t newStyle);
    void setFont(const FontSpec& desc);
};

struct ListColors {
    std::uint32_t text = 0x000000;
    std::uint32_t back = 0xFFFFFF;
    std::uint32_t selectedText = 0xFFFFFF;
    std::uint32_t selectedBack = 0x800000;
};

// The three records that format one cell; any may be absent. For sub-item 0 the cell
// record is the item record itself.
struct FormatLevels {
    const CellFormat* cell = nullptr;
    const CellFormat* row = nullptr;
    const CellFormat* column = nullptr;
};

struct ResolvedFormat {
    std::uint32_t textColor = 0;
    std::uint32_t backColor = 0;
    std::optional<FontSpec> font; // none: keep the list's font

    bool operator==(const ResolvedFormat&) const = default;
};

// Colours and font of one cell, painted normally or as part of a selected item.
ResolvedFormat resolveCellFormat(const FormatLevels& levels, bool selected,
                                 const ListColors& colors, const FontSpec& listFont);
