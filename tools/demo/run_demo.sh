#!/usr/bin/env bash
# The headless demo: synthesizes drum sounds, a pattern and a chord, builds a kit of the sounds
# with kv7kit, plays the pattern through the kit, plays the pattern with the chord on the inputs
# through the plug-in in the standalone host, and plays the pattern through the plug-in's LV2 face
# with the kit loaded through its kit property. Everything goes into OUT.
#   run_demo.sh TEMBRO_LAXIS KV7KIT PLUGIN.so LV2_BUNDLE OUT
set -euo pipefail
standalone=$1
kv7kit=$2
plugin=$3
bundle=$4
out=$5
rm -rf "$out"
mkdir -p "$out"
python3 "$(dirname "$0")/make_demo_material.py" "$out/material"
"$standalone" --plugin "$plugin" --midi "$out/material/pattern.mid" --input "$out/material/tone.wav" --tail 0.5 \
    --render "$out/through-the-plugin.wav"
"$kv7kit" build "$out/material/sounds" -o "$out/demo-kit.aif"
"$kv7kit" info "$out/demo-kit.aif"
"$kv7kit" render "$out/demo-kit.aif" --midi "$out/material/pattern.mid" -o "$out/demo-kit-pattern.wav"
"$standalone" --lv2 --lv2-bundle "$bundle" --kit "$out/demo-kit.aif" --midi "$out/material/pattern.mid" \
    --tail 0.5 --render "$out/kit-through-the-plugin.wav" 2>"$out/kit-import.log"
