#!/usr/bin/env python3
"""Checks the export of the Ardour test session: 32-bit float stereo at 48 kHz, 96000 frames. The
test pattern feeds a ramp to Tembro-laxis's left input and a marker to its right one at each note;
an empty kit passes both through, so the ramp must run unbroken across Ardour's blocks, and the
markers come every 6000 samples, each where the ramp says its note was sent. With --kit the
instance holds the test kit of kit_preset.py: each note adds the next slot's sound to the right
channel, which the left one carries while a sound plays; taken out again, the same checks hold.
  check_render.py EXPORT.wav [--kit]"""
import struct
import sys

data = open(sys.argv[1], "rb").read()
assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a WAV file"
pos, chunks = 12, {}
while pos + 8 <= len(data):
    tag, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
    chunks[tag] = data[pos + 8:pos + 8 + size]
    pos += 8 + size + (size & 1)
code, channels, rate, _, _, bits = struct.unpack("<HHIIHH", chunks[b"fmt "][:16])
samples = struct.unpack("<%df" % (len(chunks[b"data"]) // 4), chunks[b"data"])
left, right = list(samples[0::2]), list(samples[1::2])
kit = {}
if sys.argv[2:] == ["--kit"]:
    from kit_preset import played
    notes = [i for i, x in enumerate(right) if x >= 0.5]  # the sounds stay below the marker
    slot = next((s for s in range(24) if notes and abs(right[notes[0]] - 0.5 - played(s)[0]) < 1e-6), None)
    carried = slot is not None
    # A note sent before the export began may still sound at its start.
    for j in range(-1 if right[0] != 0.0 else 0, len(notes)) if carried else ():
        for i, x in enumerate(played((slot + j) % 24), notes[0] + 6000 * j):
            if 0 <= i < len(right):
                carried = carried and left[i] == right[i]
                right[i], left[i] = round(right[i] - x, 6), ((i - notes[0]) % 1000 - 500) / 1000
    kit = {"each note plays the next slot's sound, on both channels": carried}
markers = [i for i, x in enumerate(right) if x != 0.0]
start = next((i for i, x in enumerate(left) if x != 0.0), len(left))
checks = {
    "32-bit float stereo at 48 kHz": code in (3, 0xFFFE) and bits == 32 and channels == 2 and rate == 48000,
    "the session range of 96000 frames": len(left) == 96000,
    "markers of 0.5, one every 6000 samples": len(markers) >= 15 and all(right[i] == 0.5 for i in markers)
    and markers == [markers[0] + k * 6000 for k in range(len(markers))],
    "the ramp runs unbroken through every block": start < len(left) and all(
        abs(left[i] - (left[i - 1] + 0.001 if left[i - 1] < 0.4985 else -0.5)) < 1e-6 for i in range(start + 1, len(left))),
    "each marker where its note was sent": all(abs(left[i] + 0.5) < 1e-6 for i in markers),
    **kit,
}
for what, ok in checks.items():
    print(("ok: " if ok else "FAILED: ") + what)
print("markers at %s" % markers[:20])
sys.exit(0 if all(checks.values()) else 1)
