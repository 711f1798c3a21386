#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>

// Label texts are Windows-1250 bytes in fixed zero-terminated slots. These functions are
// the only place where slot bytes and QString meet.

// Decodes Windows-1250 bytes; every byte has a character.
QString fromWindows1250(QByteArrayView bytes);
// Encodes to Windows-1250; a character without a byte becomes '?'.
QByteArray toWindows1250(const QString& text);

// The text of a slot: its bytes up to the first zero, never more than width - 1 of them,
// so a slot without a zero cannot make a read run into the next one.
QString slotText(const char* slot, int width);
// Writes text into a slot: at most width - 1 bytes, then zeros to the end of the slot.
void setSlotText(char* slot, int width, const QString& text);

template <std::size_t N> QString slotText(const char (&slot)[N])
{
    return slotText(slot, static_cast<int>(N));
}

template <std::size_t N> void setSlotText(char (&slot)[N], const QString& text)
{
    setSlotText(slot, static_cast<int>(N), text);
}
