#include "pages/entryfields.h"

#include "model/textcodec.h"
#include "pagekit/messagebox.h"

#include <QLineEdit>
#include <QLocale>
#include <QTimer>
#include <cmath>

namespace {

PromptHandler& promptHandler()
{
    static PromptHandler handler;
    return handler;
}

} // namespace

std::optional<double> parseNumber(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<unsigned> parseByte(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    unsigned value = 0;
    for (QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (ch.unicode() - '0');
        if (value > 255)
            return std::nullopt; // also ends long digit strings before they overflow
    }
    return value;
}

PromptHandler setPromptHandler(PromptHandler handler)
{
    PromptHandler previous = std::move(promptHandler());
    promptHandler() = std::move(handler);
    return previous;
}

void promptEntry(QLineEdit* field, const QString& text)
{
    if (const PromptHandler& handler = promptHandler())
        handler(field, text);
    else
        showWarning(field ? field->window() : nullptr, text);
    if (!field)
        return;
    const auto focusField = [field] {
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    };
    focusField();
    // Once more after the sheet has dealt with the refused switch, which may move the
    // focus to the page itself.
    QTimer::singleShot(0, field, focusField);
}

void storeSlotText(char* slot, int width, const QString& text)
{
    if (slotText(slot, width) != text)
        setSlotText(slot, width, text);
}
