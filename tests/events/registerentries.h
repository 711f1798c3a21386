#pragma once

#include "model/deviceimage.h"
#include "model/eventregister.h"

#include <initializer_list>

// An entry with the given counter and state bits; valid unless told otherwise.
inline EventEntry makeEntry(std::uint32_t counter, std::initializer_list<int> bits = {},
                            bool valid = true)
{
    EventEntry e{};
    for (int i = 0; i < 4; ++i)
        e.bytes[i] = std::uint8_t(counter >> (8 * i));
    for (int k : bits)
        e.bytes[4 + k / 8] |= std::uint8_t(1 << (k % 8));
    e.bytes[11] = EventRegister::checkByte(e) ^ (valid ? 0 : 0x01);
    return e;
}

// A complete register: slot s holds counter 10 * s and no bits set.
inline void fillRegister(DeviceImage& image, int writePosition)
{
    for (int s = 0; s < entryCount; ++s)
        image.entries[s] = makeEntry(std::uint32_t(10 * s));
    image.writePosition = std::uint8_t(writePosition);
    image.liveWritePosition = std::uint8_t(writePosition);
    image.readIndex = EventRegister::complete;
}

inline int slotOfRow(int writePosition, int row)
{
    return (writePosition - 1 - row) & 0xFF;
}
