#include "events/ceditex.h"

#include "pagekit/colors.h"

CEditEx::CEditEx(QWidget* parent)
    : QLineEdit(parent), m_textColor(colorRef(palette().color(QPalette::Active, QPalette::Text))),
      m_backColor(colorRef(palette().color(QPalette::Active, QPalette::Base)))
{
}

std::uint32_t CEditEx::SetBkColor(std::uint32_t color)
{
    const std::uint32_t previous = m_backColor;
    if (color != previous) {
        m_backColor = color;
        applyColors();
    }
    return previous;
}

std::uint32_t CEditEx::SetTextColor(std::uint32_t color)
{
    const std::uint32_t previous = m_textColor;
    if (color != previous) {
        m_textColor = color;
        applyColors();
    }
    return previous;
}

// Every colour group gets the colours, so neither focus nor the read-only state
// brings the style's own colours back.
void CEditEx::applyColors()
{
    QPalette p = palette();
    const QColor text = colorFromRef(m_textColor);
    const QColor back = colorFromRef(m_backColor);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Base, back);
        p.setColor(group, QPalette::Window, back);
    }
    setPalette(p);
    update();
}
