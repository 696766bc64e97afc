#!/usr/bin/env python3
"""The test kit as an LV2 preset of the LV2 face's saved state, which a host finds in the bundle on
LV2_PATH as "kv7 test kit": every slot a sound of its own length and level, at volume 0.5, the odd
slots reversed. check_render.py imports played() to know what a note must add.
  kit_preset.py BUNDLE_DIR"""
import os
import struct
import sys

URI = "http://brennwick.example/plugins/tembro-laxis"


def sound(slot):
    length = 1000 + 40 * slot
    return [(slot + 1) / 64 * (1 - k / length) for k in range(length)]


def played(slot):
    """The frames a note of the slot adds: the engine stops one sample short of the sound's end."""
    return [x * 0.5 for x in (sound(slot)[-2::-1] if slot % 2 else sound(slot)[:-1])]


if __name__ == "__main__":
    bundle = sys.argv[1]
    os.makedirs(bundle, exist_ok=True)
    pairs = [("stateVersion", '"1"^^xsd:int')]
    for slot in range(24):
        name, data = "slot-%02d.wav" % (slot + 1), struct.pack("<%df" % len(sound(slot)), *sound(slot))
        with open(os.path.join(bundle, name), "wb") as wav:  # mono 32-bit float at 44100 Hz
            wav.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
                      struct.pack("<IHHIIHH", 16, 3, 1, 44100, 176400, 4, 32) + b"data" + struct.pack("<I", len(data)) + data)
        pairs += [("slot%02d-%s" % (slot + 1, key), value) for key, value in (
            ("length", '"%d"^^xsd:int' % len(sound(slot))), ("pitch", '"0"^^xsd:int'), ("mode", '"1"^^xsd:int'),
            ("reverse", "true" if slot % 2 else "false"), ("volume", '"0.5"^^xsd:float'), ("sound", "<%s>" % name))]
    # The whole preset in the manifest, which hosts read from every bundle on LV2_PATH.
    with open(os.path.join(bundle, "manifest.ttl"), "w") as manifest:
        manifest.write("@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                       "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                       "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n"
                       '<> a pset:Preset ; lv2:appliesTo <%s> ; rdfs:label "kv7 test kit" ; state:state [\n' % URI +
                       "".join("  <%s#%s> %s ;\n" % (URI, key, value) for key, value in pairs) + "] .\n")
