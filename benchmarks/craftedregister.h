#pragma once

#include "tests/events/registerentries.h"

// A register that looks like a day of a real switchgear: supplies coming and going,
// breakers following, two restarts of the controller and one entry with a bad check
// byte. Slot s holds counter 600 * s.
inline void fillCraftedRegister(DeviceImage& image)
{
    const int writePosition = 200;
    fillRegister(image, writePosition);
    std::uint64_t state = 0x1 | 0x1000; // U1 present, W1 on
    for (int s = 0; s < entryCount; ++s) {
        const int k = (s * 7) % 55;
        state ^= std::uint64_t(1) << k;
        if (s % 5 == 0)
            state ^= std::uint64_t(1) << ((k + 13) % 55);
        EventEntry e = makeEntry(std::uint32_t(600 * s));
        for (int b = 0; b < 55; ++b) {
            if (state >> b & 1)
                e.bytes[4 + b / 8] |= std::uint8_t(1 << (b % 8));
        }
        e.bytes[11] = EventRegister::checkByte(e);
        image.entries[s] = e;
    }
    for (int row : {6, 120}) {
        EventEntry& e = image.entries[slotOfRow(writePosition, row)];
        e.bytes[10] |= 0x80;
        e.bytes[11] = EventRegister::checkByte(e);
    }
    image.entries[slotOfRow(writePosition, 3)].bytes[11] ^= 0x5A;
    image.timeBase = 1425715500;
    image.registerFactoryNumber = 4711;
    image.deviceCombination = 6;
}
