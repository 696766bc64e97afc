#!/usr/bin/env bash
# Qtractor's plug-in scanner: reads "TYPE:FILE" lines and answers one line per plug-in found:
#   VST|name|audio in:out|midi in:out|controls in:out|flags|file|index|unique id
#   qtractor_scan_test.sh PLUGIN.so
source "$(dirname "$0")/host_lib.sh"
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
require_program "$scanner"
plugin=$(plugin_copy "$1")

output=$(HOME="$work" timeout 60 "$scanner" <<<"VST:$plugin" 2>&1 || true)
echo "$output"
line=$(grep -E '^VST\|' <<<"$output" | head -n 1 || true)
expect_match "one VST plug-in found" "$line" '^VST\|'
IFS='|' read -r type name audio midi controls flags file index id <<<"$line"
expect_match "name" "$name" '^Tembro-laxis$'
expect_match "two audio inputs, two outputs" "$audio" '^2:2$'
expect_match "one MIDI input" "$midi" '^1:'
expect_match "one parameter" "$controls" '^1:0$'
expect_match "an editor" "$flags" '(^|,)GUI(,|$)'
expect_match "the scanned file" "$file" "^$plugin\$"
expect_match "unique id 'Tbkx'" "$id" '^0x54626b78$'
finish
