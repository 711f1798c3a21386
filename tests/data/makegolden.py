#!/usr/bin/python3
"""Writes the golden settings and events files of the tests from the byte layouts alone.

The files are committed; run this again only when a golden file is to change:
    /usr/bin/python3 tests/data/makegolden.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def settings_file(image_hex, combination, factory, code, check=None):
    image = bytes.fromhex(image_hex)
    assert len(image) == 16
    if check is None:
        check = code ^ 0xFF
    data = image + struct.pack("<IHBB", combination, factory, code, check)
    assert len(data) == 24
    return data


def entry(counter, state):
    body = struct.pack("<I", counter) + bytes(state)
    assert len(body) == 11
    check = 0xAA
    for b in body:
        check ^= b
    return body + bytes([check])


def events_file(entries, time_base, write_position, factory, combination, pad1=0, pad2=b"\0\0\0"):
    assert len(entries) == 256
    data = b"".join(entries)
    data += struct.pack("<IBBHB", time_base, write_position, pad1, factory, combination) + pad2
    assert len(data) == 3084
    return data


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


DEFAULT_IMAGE = "0000000165BD333D1565952F02060021"
# Reserved bytes set, every time-code case of the printout, flags in all three bytes,
# outputs 0 and 2, address 31 at 9600 baud.
CRAFTED_IMAGE = "A55A81050080 07FF 810682 5A00 7F C35F".replace(" ", "")

write("settings_default.nst", settings_file(DEFAULT_IMAGE, 0, 0, 20))
write("settings_crafted.nst", settings_file(CRAFTED_IMAGE, 9, 4660, 55))
write("settings_badcheck.nst", settings_file(CRAFTED_IMAGE, 9, 4660, 55, check=0x00))
write("settings_combination16.nst", settings_file(CRAFTED_IMAGE, 16, 4660, 55))


def sample_entries():
    entries = []
    for slot in range(256):
        state = [(slot * 7 + k * 13) & 0x7F for k in range(7)]  # bit 55 clear
        entries.append(entry(1000 + 60 * slot, state))
    # Slot 3: a restart. Slot 7: a wrong check byte.
    state = list(entries[3][4:11])
    state[6] |= 0x80
    entries[3] = entry(1000 + 60 * 3, state)
    bad = bytearray(entries[7])
    bad[11] ^= 0x01
    entries[7] = bytes(bad)
    return entries


# 2015-03-07 08:05:00 UTC, that is 09:05:00 in Warsaw.
write("events_sample.rzd",
      events_file(sample_entries(), 1425715500, 10, 0xBEEF, 9, pad1=0x77, pad2=b"\x11\x22\x33"))
write("events_combination16.rzd", events_file(sample_entries(), 1425715500, 10, 0xBEEF, 16))
