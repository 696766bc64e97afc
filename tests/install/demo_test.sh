#!/usr/bin/env bash
# The README's main command on a machine without a display: the headless demo, with this build's
# programs. The kit holds the eight sounds, the pattern plays them through it, and the chord passes
# through an empty plug-in sample for sample; the plug-in's LV2 face with the kit loaded plays the
# pattern as kv7kit does.
#   demo_test.sh SOURCE_DIR TEMBRO_LAXIS KV7KIT PLUGIN.so LV2_BUNDLE
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-demo-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$1/tools/demo/run_demo.sh" "$2" "$3" "$4" "$5" "$work/demo" >"$work/log" || { cat "$work/log"; exit 1; }
peak() { sox "$@" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p'; }
"$3" info --json "$work/demo/demo-kit.aif" >"$work/kit.json"
python3 - "$work/kit.json" "$(peak "$work/demo/demo-kit-pattern.wav")" \
    "$(peak -m -v 1 "$work/demo/through-the-plugin.wav" -v -1 "$work/demo/material/tone.wav")" \
    "$(peak -m -v 1 "$work/demo/kit-through-the-plugin.wav" -v -1 "$work/demo/demo-kit-pattern.wav")" <<'PY'
import json, sys
slots = json.load(open(sys.argv[1]))["slots"]
checks = {"eight sounds of their own in slots 1 to 8": all(s["samples"] > 1000 for s in slots[:8]) and len({s["start"] for s in slots[:8]}) == 8,
          "the pattern plays them": float(sys.argv[2]) > 0.3,
          "the chord passes through the plug-in unchanged": float(sys.argv[3]) < 1e-4,
          "the plug-in plays the kit as kv7kit does": float(sys.argv[4]) < 1e-4}
for what, ok in checks.items():
    print(("ok: " if ok else "FAILED: ") + what)
sys.exit(0 if all(checks.values()) else 1)
PY
