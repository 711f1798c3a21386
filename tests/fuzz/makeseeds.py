#!/usr/bin/python3
"""Writes the seed corpus of each fuzz target into corpus/<target>/: whole replies of every
kind for the framing, scripts of whole sessions for the engine (in the step codes of
fuzz_devicelink.cpp: run this again after changing them), accepted and refused files for
the loaders. The fuzzer grows its own corpus from these."""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
EXAMPLES, DATA = HERE.parents[1] / 'examples', HERE.parents[1] / 'tests' / 'data'


def framed(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes(data) + struct.pack('<H', crc)


def write(target, seeds):
    (HERE / 'corpus' / target).mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (HERE / 'corpus' / target / name).write_bytes(bytes(data))


def read(data):
    return framed(bytes([0xFF, 0x03, len(data)]) + bytes(data))


status, block = [0x10, 0x0E, 0, 0, 0, 0, 0, 22, 5, 0x11, 0xE1, 0x10], [i * 7 & 0xFF for i in range(192)]
write('framing', {name: bytes([len(name)]) + reply for name, reply in {
    'probe': read([0, 0xF0]), 'status': read(status), 'settings': read(range(20)), 'block': read(block),
    'write': framed([0xFF, 0x10, 0, 0, 0, 7]), 'single': framed([0xFF, 0x06, 0, 1, 0, 2]),
    'exception': framed([0xFF, 0x83, 2]), 'empty-read': read([]), 'bad-crc': read(status)[:-1] + b'\0',
    'type-error': bytes([0xFF, 4, 1, 2, 3, 4, 5]), 'function-80': framed([0xFF, 0x80, 1]),
    'two-replies': framed([0xFF, 0x10, 0, 0, 0, 1]) + read([1, 2]),
    'overlong': read(block) + bytes(range(256))}.items()})

READ, WRITE, EXC, RAW, SIX, ANSWER = range(6)
TICK, TIMEOUT, CTICK, PAUSE, CLOSEWAIT, CONNECT, CMD, LOSE, ADAPTER, FULLCONNECT, TICKANSWER = range(7, 18)
DISCONNECT, READSET, WRITESET, COMPARE, FACTORY, RESET, RS485, EVENTS = ([CMD, c] for c in range(8))
ONLINE, CLOSE, BLOCKS = [FULLCONNECT, 0x30, TICKANSWER], [*DISCONNECT, TICK, CLOSEWAIT], [TICKANSWER] * 17
write('devicelink', {
    'procedure': [CONNECT, CTICK, CTICK, ANSWER, 1, CTICK, ANSWER, 2, CTICK, TICKANSWER, *CLOSE],
    'operations': ONLINE + [*READSET, TICKANSWER, *COMPARE, TICKANSWER, *WRITESET, TICKANSWER, *FACTORY,
                            0x39, 0x30, 0, TICKANSWER, *RS485, TICKANSWER, *RESET, TICK, CLOSEWAIT],
    'register': ONLINE + EVENTS + BLOCKS + CLOSE, 'time-outs': ONLINE + [TICK, TIMEOUT] * 4,
    'operation-time-outs': ONLINE + READSET + [TICK, TIMEOUT] * 4,
    'bad-frames': ONLINE + [TICK, RAW, 9, 0xFF, 3, 2, 0, 0, 0, 0, 0x12, 0x34, TICK, PAUSE, TICK, RAW, 5,
                            0xFF, 5, 1, 2, 3, PAUSE, TICKANSWER],
    'exceptions': ONLINE + [*READSET, TICK, EXC, 3, 2, TICK, EXC, 3, 4, *EVENTS, TICKANSWER, TICK, EXC, 3, 4,
                            TICKANSWER],
    'probing': [CONNECT] + [CTICK] * 9,
    'lost-mid-register': ONLINE + EVENTS + [TICKANSWER] * 3 + [LOSE, TICKANSWER, CONNECT],
    'adapter-refuses': [ADAPTER, 0, 5, CONNECT] + [CTICK] * 5 + [ADAPTER, 1, FULLCONNECT, 0, TICK, TIMEOUT],
    'odd-answers': ONLINE + [READ, 3, 1, 2, 3, WRITE, 0, 0, 0, 9, SIX, 0, 1, 0, 1, *WRITESET, TICK, WRITE,
                             0, 0, 0, 1, TICKANSWER],
    'connect-twice': [FULLCONNECT, 0xF0, CONNECT, TICKANSWER, *DISCONNECT, *DISCONNECT, TICK, CONNECT,
                      CLOSEWAIT, FULLCONNECT, 1]})

settings, events = (EXAMPLES / 'settings.nst').read_bytes(), (EXAMPLES / 'events.rzd').read_bytes()
labels = (EXAMPLES / 'Labels_2.nzw').read_bytes()
for target, ending, extra in (
        ('settingsfile', '*.nst', {'short': settings[:23], 'long': settings + b'\0', 'empty': b''}),
        ('eventsfile', '*.rzd', {'short': events[:3083], 'settings-size': events[:24]})):
    write(target, {f.name: f.read_bytes() for f in [*EXAMPLES.glob(ending), *DATA.glob(ending)]} | extra)
write('labelfile', {'long-form': [2, *labels[:4000]], 'short-form': [1, *labels[:4000]], 'no-zeros': [2, 0xB3],
                    'one-short': [4, *labels[:500]], 'one-long': [0x84, *labels[:500]], 'raw': [0, *labels[:300]]})
