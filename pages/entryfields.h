#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>

class QLineEdit;
class QWidget;

// Entries typed on the settings pages: numbers are read in the C locale whatever the
// desktop's locale, and a refused entry gets the toolkit's prompt with an OK button.

inline const QString promptNumber = QStringLiteral("Please enter a number.");
inline const QString promptByte = QStringLiteral("Please enter an integer between 0 and 255.");

// A finite decimal number, blanks around it allowed ("2,5", "nan" and "inf" are not).
std::optional<double> parseNumber(const QString& text);
// A whole number 0..255 in decimal digits, blanks around it allowed, no sign.
std::optional<unsigned> parseByte(const QString& text);

// Shows a prompt; tests install their own to answer it without a modal loop.
using PromptHandler = std::function<void(QWidget* parent, const QString& text)>;
// Returns the previous handler; an empty one restores the message box.
PromptHandler setPromptHandler(PromptHandler handler);

// Prompts, then gives the field the focus with its text selected, so the user can
// type over the refused entry.
void promptEntry(QLineEdit* field, const QString& text);

// Writes an edited label text into its slot, cut to the slot in Windows-1250 bytes. A
// text the user left as it was is not written back, so the slot keeps its exact bytes.
void storeSlotText(char* slot, int width, const QString& text);

template <std::size_t N> void storeSlotText(char (&slot)[N], const QString& text)
{
    storeSlotText(slot, static_cast<int>(N), text);
}
