#pragma once

#include <QLineEdit>
#include <cstdint>

// A single-line edit painted with a text and a background colour of its own
// (0x00BBGGRR), also while read-only, so a page can grey a field out or highlight it
// without disabling it.
class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditEx(QWidget* parent = nullptr);

    // Each returns the previous colour.
    std::uint32_t SetBkColor(std::uint32_t color);
    std::uint32_t SetTextColor(std::uint32_t color);

    std::uint32_t textColor() const { return m_textColor; }
    std::uint32_t backColor() const { return m_backColor; }

private:
    void applyColors();

    std::uint32_t m_textColor;
    std::uint32_t m_backColor;
};
