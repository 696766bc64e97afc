#!/usr/bin/env python3
"""Checks the export of the Ardour test session: 32-bit float stereo at 48 kHz, 96000 frames. The
test pattern feeds a ramp to Tembro-laxis's left input and a marker to its right one at each note;
an empty kit passes both through, so the ramp must run unbroken across Ardour's blocks, and the
markers come every 6000 samples, each where the ramp says its note was sent."""
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
left, right = samples[0::2], samples[1::2]
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
}
for what, ok in checks.items():
    print(("ok: " if ok else "FAILED: ") + what)
print("markers at %s" % markers)
sys.exit(0 if all(checks.values()) else 1)
