#!/usr/bin/env python3
"""Checks an export of the Ardour test session (32-bit float stereo WAV at 48 kHz).

The test pattern feeds Tembro-laxis a ramp on its left input and a marker on its right input at
each note's sample. An empty kit passes both inputs through, so the export must hold the ramp
unbroken (no sample lost, repeated or changed across Ardour's blocks), the markers at the note
spacing, and each marker where the ramp says its note was sent."""
import struct
import sys

NOTE_EVERY, FRAMES = 6000, 96000


def read_float_wav(path):
    data = open(path, 'rb').read()
    assert data[:4] == b'RIFF' and data[8:12] == b'WAVE', 'not a WAV file'
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack('<I', data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if tag == b'fmt ':
            fmt = struct.unpack('<HHIIHH', body[:16])
        elif tag == b'data':
            samples = struct.unpack('<%df' % (size // 4), body[:size // 4 * 4])
        pos += 8 + size + (size & 1)
    assert fmt and samples is not None, 'no format or data chunk'
    return fmt, samples


def main(path):
    (code, channels, rate, _, _, bits), samples = read_float_wav(path)
    failures = []

    def check(what, ok, detail=''):
        print(('ok: ' if ok else 'FAILED: ') + what + ('' if ok else ' (%s)' % detail))
        if not ok:
            failures.append(what)

    check('32-bit float', code in (3, 0xFFFE) and bits == 32, 'format %d, %d bits' % (code, bits))
    check('stereo at 48 kHz', channels == 2 and rate == 48000, '%d channels at %d Hz' % (channels, rate))
    left, right = samples[0::2], samples[1::2]
    check('the session range: %d frames' % FRAMES, len(left) == FRAMES, '%d frames' % len(left))

    markers = [i for i, x in enumerate(right) if x != 0.0]
    check('only markers on the right', all(right[i] == 0.5 for i in markers), 'other values')
    expected = [markers[0] + k * NOTE_EVERY for k in range(len(markers))] if markers else []
    check('a marker every %d samples' % NOTE_EVERY,
          markers == expected and len(markers) >= FRAMES // NOTE_EVERY - 1, 'markers at %s' % markers[:20])
    print('  markers at %s' % markers)

    # Wherever the pattern ran, each ramp sample must follow from the one before.
    started = next((i for i, x in enumerate(left) if x != 0.0), None)
    check('the ramp is there', started is not None, 'silent left channel')
    if started is not None:
        broken = [i for i in range(started + 1, len(left))
                  if abs(left[i] - (left[i - 1] + 0.001 if left[i - 1] < 0.4985 else -0.5)) > 1e-6]
        check('the ramp runs unbroken through every block', not broken, 'breaks at %s' % broken[:10])
        off_marker = [i for i in markers if abs(left[i] + 0.5) > 1e-6]
        check('each marker sits where its note was sent', not off_marker, 'misplaced at %s' % off_marker)

    if failures:
        sys.exit('%d check(s) failed' % len(failures))


if __name__ == '__main__':
    main(sys.argv[1])
