#!/usr/bin/python3
"""Writes the seed corpus of each fuzz target into corpus/<target>/.

The seeds are small, hand-made inputs that reach the interesting states at once: whole
replies of every kind for the framing, scripts of a whole session for the engine,
accepted and refused files for the loaders. Run it again after changing the engine
target's step codes; the fuzzer grows its own corpus from these.
"""
import os
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def framed(data):
    return bytes(data) + struct.pack('<H', crc16(data))


def read_answer(data):
    return framed(bytes([0xFF, 0x03, len(data)]) + bytes(data))


def write(target, name, data):
    folder = HERE / 'corpus' / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(bytes(data))


def framing():
    status = bytes([0x10, 0x0E, 0, 0, 0, 0, 0, 22, 5, 0x11, 0xE1, 0x10])
    block = bytes((i * 7) & 0xFF for i in range(192))
    replies = {
        'probe': read_answer([0x00, 0xF0]),
        'status': read_answer(status),
        'settings': read_answer(bytes(range(20))),
        'block': read_answer(block),
        'write': framed([0xFF, 0x10, 0, 0, 0, 7]),
        'single': framed([0xFF, 0x06, 0, 1, 0, 2]),
        'exception': framed([0xFF, 0x83, 0x02]),
        'empty-read': read_answer([]),
        'bad-crc': read_answer(status)[:-1] + b'\x00',
        'type-error': bytes([0xFF, 0x04, 1, 2, 3, 4, 5]),
        'function-80': framed([0xFF, 0x80, 0x01]),
        'two-replies': framed([0xFF, 0x10, 0, 0, 0, 1]) + read_answer([1, 2]),
        'overlong': read_answer(block) + bytes(range(256)),
    }
    for name, reply in replies.items():
        write('framing', name, bytes([len(name)]) + reply)


# Step codes of fuzz_devicelink.cpp.
READ, WRITE, EXC, RAW, SIX, ANSWER = 0, 1, 2, 3, 4, 5
TICK, TIMEOUT, CTICK, PAUSE, CLOSEWAIT, CONNECT, CMD, LOSE, ADAPTER, FULLCONNECT = range(7, 17)
TICKANSWER = 17
C_DISCONNECT, C_READ, C_WRITE, C_COMPARE, C_FACTORY, C_RESET, C_RS485, C_EVENTS = range(8)


def engine():
    def cmd(c, *extra):
        return [CMD, c, *extra]

    online = [FULLCONNECT, 0x30, TICKANSWER]
    scripts = {
        'procedure': [CONNECT, CTICK, CTICK, ANSWER, 1, CTICK, ANSWER, 2, CTICK, TICKANSWER,
                      *cmd(C_DISCONNECT), TICK, CLOSEWAIT],
        'operations': online + [*cmd(C_READ), TICKANSWER, *cmd(C_COMPARE), TICKANSWER,
                                *cmd(C_WRITE), TICKANSWER, *cmd(C_FACTORY, 0x39, 0x30, 0),
                                TICKANSWER, *cmd(C_RS485), TICKANSWER, *cmd(C_RESET), TICK,
                                CLOSEWAIT],
        'register': online + [*cmd(C_EVENTS)] + [TICKANSWER] * 17 + [*cmd(C_DISCONNECT), TICK,
                                                                      CLOSEWAIT],
        'time-outs': online + [TICK, TIMEOUT, TICK, TIMEOUT, TICK, TIMEOUT, TICK, TIMEOUT],
        'operation-time-outs': online + [*cmd(C_READ), TICK, TIMEOUT, TICK, TIMEOUT, TICK,
                                         TIMEOUT, TICK, TIMEOUT],
        'bad-frames': online + [TICK, RAW, 9, 0xFF, 0x03, 2, 0, 0, 0, 0, 0x12, 0x34, TICK, PAUSE,
                                TICK, RAW, 5, 0xFF, 0x05, 1, 2, 3, PAUSE, TICKANSWER],
        'exceptions': online + [*cmd(C_READ), TICK, EXC, 0x03, 0x02, TICK, EXC, 0x03, 0x04,
                                *cmd(C_EVENTS), TICKANSWER, TICK, EXC, 0x03, 0x04, TICKANSWER],
        'probing': [CONNECT] + [CTICK] * 9,
        'lost-mid-register': online + [*cmd(C_EVENTS), TICKANSWER, TICKANSWER, TICKANSWER, LOSE,
                                       TICKANSWER, CONNECT],
        'adapter-refuses': [ADAPTER, 0, 5, CONNECT, CTICK, CTICK, CTICK, CTICK, CTICK,
                            ADAPTER, 1, FULLCONNECT, 0, TICK, TIMEOUT],
        'odd-answers': online + [READ, 3, 1, 2, 3, WRITE, 0, 0, 0, 9, SIX, 0, 1, 0, 1,
                                 *cmd(C_WRITE), TICK, WRITE, 0, 0, 0, 1, TICKANSWER],
        'connect-twice': [FULLCONNECT, 0xF0, CONNECT, TICKANSWER, *cmd(C_DISCONNECT),
                          *cmd(C_DISCONNECT), TICK, CONNECT, CLOSEWAIT, FULLCONNECT, 1],
    }
    for name, script in scripts.items():
        write('devicelink', name, script)


def files():
    for source in (ROOT / 'examples').glob('*.nst'):
        write('settingsfile', source.name, source.read_bytes())
    for source in (ROOT / 'tests' / 'data').glob('*.nst'):
        write('settingsfile', source.name, source.read_bytes())
    settings = (ROOT / 'examples' / 'settings.nst').read_bytes()
    write('settingsfile', 'short', settings[:23])
    write('settingsfile', 'long', settings + b'\x00')
    write('settingsfile', 'empty', b'')

    for source in list((ROOT / 'examples').glob('*.rzd')) + list((ROOT / 'tests' / 'data').glob('*.rzd')):
        write('eventsfile', source.name, source.read_bytes())
    events = (ROOT / 'examples' / 'events.rzd').read_bytes()
    write('eventsfile', 'short', events[:3083])
    write('eventsfile', 'settings-size', events[:24])

    labels = (ROOT / 'examples' / 'Labels_2.nzw').read_bytes()
    write('labelfile', 'long-form', bytes([2]) + labels[:4000])
    write('labelfile', 'short-form', bytes([1]) + labels[:4000])
    write('labelfile', 'no-zeros', bytes([2, 0xB3]))
    write('labelfile', 'one-short', bytes([4]) + labels[:500])
    write('labelfile', 'one-long', bytes([0x84]) + labels[:500])
    write('labelfile', 'raw', bytes([0]) + labels[:300])


if __name__ == '__main__':
    framing()
    engine()
    files()
    for target in sorted(os.listdir(HERE / 'corpus')):
        print(target, len(os.listdir(HERE / 'corpus' / target)), 'seeds')
