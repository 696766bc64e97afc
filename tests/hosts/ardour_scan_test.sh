#!/usr/bin/env bash
# Ardour 7's VST scanner loads the module in its own process and writes what it found to its
# cache; its output, not its exit status, tells whether the plug-in is usable in Ardour.
#   ardour_scan_test.sh PLUGIN.so
source "$(dirname "$0")/host_lib.sh"
scanner=/usr/lib/ardour7/ardour-vst-scanner
require_program "$scanner"
plugin=$(plugin_copy "$1")
mkdir -p "$work/config" "$work/cache" "$work/data"

output=$(XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" \
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 "$scanner" -f "$plugin" 2>&1 || true)
echo "$output"
expect_match "the scanner found the plug-in" "$output" "Found Plugin: '[^']*' Tembro-laxis"

cache=$(find "$work/cache" -name '*.v2i' | head -n 1)
[ -n "$cache" ] || { echo "FAILED: the scanner wrote no cache file" >&2; exit 1; }
info=$(cat "$cache")
echo "$info"
expect_match "name" "$info" '<VST2Info [^>]*name="Tembro-laxis"'
expect_match "vendor" "$info" 'creator="Brennwick"'
expect_match "unique id 'Tbkx'" "$info" 'id="1415736184"'
expect_match "two audio inputs" "$info" 'n_inputs="2"'
expect_match "two audio outputs" "$info" 'n_outputs="2"'
expect_match "one MIDI input" "$info" 'n_midi_inputs="1"'
expect_match "an instrument" "$info" 'is_instrument="1"'
expect_match "category instrument" "$info" 'category="Instrument"'
expect_match "processes in place" "$info" 'can_process_replace="1"'
expect_match "an editor" "$info" 'has_editor="1"'
expect_match "the scanned file" "$info" "binary=\"$plugin\""
finish
