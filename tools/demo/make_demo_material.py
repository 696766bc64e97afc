#!/usr/bin/env python3
"""Writes the material of the headless demo into a folder:

  sounds/01-kick.wav ... sounds/08-clap.wav  eight drum sounds, synthesized here (mono, 16-bit, 44100 Hz)
  pattern.mid                                two bars of a drum pattern at 120 bpm on notes 53 to 60,
                                             channel 1 (slot 0 is the kick, slot 7 the clap)
  tone.wav                                   a quiet stereo chord as long as the pattern, for the
                                             plug-in's two audio inputs

usage: make_demo_material.py FOLDER
"""
import math
import os
import random
import struct
import sys
import wave

RATE = 44100


def write_wav(path, channels, frames):
    """frames: a list of tuples of floats in -1..1, one per channel."""
    with wave.open(path, 'wb') as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b''.join(struct.pack('<%dh' % channels, *(int(max(-1.0, min(1.0, x)) * 32767) for x in f))
                                 for f in frames))


def decay(t, seconds):
    return math.exp(-t / seconds)


def sounds(noise):
    def kick(t):
        return math.sin(2 * math.pi * (50 * t + 90 * 0.04 * (1 - math.exp(-t / 0.04)))) * decay(t, 0.18)

    def snare(t):
        return (0.5 * math.sin(2 * math.pi * 190 * t) + 0.6 * noise()) * decay(t, 0.09)

    def hat(t):
        return 0.5 * noise() * decay(t, 0.03)

    def open_hat(t):
        return 0.45 * noise() * decay(t, 0.2)

    def tom(pitch):
        return lambda t: math.sin(2 * math.pi * pitch * (1 - 0.3 * t) * t) * decay(t, 0.22)

    def rim(t):
        return 0.8 * math.sin(2 * math.pi * 1700 * t) * decay(t, 0.012)

    def clap(t):
        burst = sum(decay(t - d, 0.008) for d in (0.0, 0.011, 0.023) if t >= d)
        return 0.5 * noise() * (burst + decay(t, 0.12))

    return [('01-kick', kick, 0.6), ('02-snare', snare, 0.4), ('03-hat', hat, 0.15),
            ('04-open-hat', open_hat, 0.6), ('05-low-tom', tom(110), 0.5), ('06-high-tom', tom(180), 0.45),
            ('07-rim', rim, 0.08), ('08-clap', clap, 0.4)]


def midi_file(events, end_tick, division=480):
    """events: (tick, status, data1, data2) in tick order; one track, tempo 120 bpm."""
    def vlq(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, (n & 0x7F) | 0x80)
            n >>= 7
        return bytes(out)

    track, last = bytearray(vlq(0) + b'\xff\x51\x03\x07\xa1\x20'), 0
    for tick, status, a, b in events:
        track += vlq(tick - last) + bytes([status, a, b])
        last = tick
    track += vlq(end_tick - last) + b'\xff\x2f\x00'
    return b'MThd' + struct.pack('>IHHH', 6, 0, 1, division) + b'MTrk' + struct.pack('>I', len(track)) + track


def pattern():
    """Sixteenth-note grid, two bars: (step, slot)."""
    hits = []
    for bar in range(2):
        base = bar * 16
        hits += [(base + s, 0) for s in (0, 6, 8, 11)]
        hits += [(base + s, 1) for s in (4, 12)]
        hits += [(base + s, 2) for s in range(0, 16, 2) if s != 14]
        hits += [(base + 14, 3)]
    hits += [(28, 4), (29, 4), (30, 5), (31, 5), (15, 6), (31, 7)]
    events = []
    for step, slot in hits:
        tick = step * 120
        events.append((tick, 0x90, 53 + slot, 100))
        events.append((tick + 60, 0x80, 53 + slot, 0))
    return sorted(events), 32 * 120


def main(folder):
    random.seed(7)
    noise = lambda: random.uniform(-1.0, 1.0)
    os.makedirs(os.path.join(folder, 'sounds'), exist_ok=True)
    for name, shape, seconds in sounds(noise):
        write_wav(os.path.join(folder, 'sounds', name + '.wav'), 1,
                  [(0.9 * shape(i / RATE),) for i in range(int(seconds * RATE))])
    events, end = pattern()
    with open(os.path.join(folder, 'pattern.mid'), 'wb') as out:
        out.write(midi_file(events, end))
    seconds = end / 480 * 0.5
    chord = [220.0, 277.18, 329.63]
    write_wav(os.path.join(folder, 'tone.wav'), 2,
              [(0.05 * sum(math.sin(2 * math.pi * f * i / RATE) for f in chord[:2]),
                0.05 * sum(math.sin(2 * math.pi * f * i / RATE) for f in chord[1:]))
               for i in range(int(seconds * RATE))])


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
