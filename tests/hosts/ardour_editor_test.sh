#!/usr/bin/env bash
# Ardour 7's own window opens the plug-in's editor, as a user does: Ardour runs on an X server and a
# JACK server of the test's own, loads a session with Tembro-laxis on a MIDI track, shows its mixer,
# and a double-click on the plug-in opens the editor window, of the editor's size, while Ardour
# stays up. Ardour's dialogs are worked at the places its Debian 12 build draws them on 1600 x 1000.
# The LV2 bundle's window is the same editor, which Ardour embeds the same way.
#   ardour_editor_test.sh PLUGIN.so|BUNDLE.lv2 [SCREENSHOT.png]
required=(/usr/lib/ardour7/ardour-vst-scanner ardour7-lua ardour Xvfb jackd xdotool xwininfo import)
source "$(dirname "$0")/host_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
prepare_private_ardour >/dev/null
touch "$XDG_CONFIG_HOME/ardour7/.a7"  # no first-run wizard
SESSION_DIR="$work/session" timeout 120 ardour7-lua "$here/ardour/make_session.lua" >"$work/lua.log" 2>&1 || true
[ -f "$work/session/kv7.ardour" ] || { cat "$work/lua.log"; echo "FAILED: no session" >&2; exit 1; }

source "$here/../support/desktop.sh"
trap 'stop_started; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
start_xvfb 1600x1000x24
unset JACK_DEFAULT_SERVER  # Ardour's JACK backend talks to the default server only
start_jack 1024
ardour -n -a "$work/session/kv7.ardour" >"$work/ardour.log" 2>&1 &
ardour_pid=$!
track_process $ardour_pid
window_named() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
wait_window() { for _ in $(seq 1 $(($2 * 2))); do [ -n "$(window_named "$1")" ] && return 0; sleep 0.5; done; echo "FAILED: $3" >&2; exit 1; }
click() { xdotool mousemove "$1" "$2" click --repeat "${3:-1}" --delay 80 1 2>/dev/null; sleep "${4:-1}"; }

wait_window '^Ardour$' 60 "Ardour did not start"
# The session was saved by the Lua tool's engine: Ardour first warns that the device changed.
for _ in $(seq 1 20); do [ -n "$(window_named '^Audio/MIDI Setup$')" ] && break; xdotool key Return 2>/dev/null; sleep 1.5; done
wait_window '^Audio/MIDI Setup$' 10 "no Audio/MIDI Setup dialog"
sleep 1
click 808 358 1 1    # the audio system menu
click 808 380 1 1.5  # JACK
click 1086 660 1 0   # Connect to JACK
wait_window '^kv7 - Ardour$' 60 "the session did not open"
sleep 3
click 1325 72 1 3    # the mixer
click 333 208 2 0    # double-click Tembro-laxis in the track's strip
wait_window 'Tembro-laxis \(by Brennwick\)' 20 "Ardour opened no editor window for the plug-in"
editor=$(window_named 'Tembro-laxis \(by Brennwick\)')
sleep 2
# Ardour embeds the editor in a window of its own under its toolbar, sized from the editor's rectangle.
area=$(xwininfo -tree -id "$editor" | sed -n 's/.*(has no name): () *\([0-9]*\)x\([0-9]*\)+0+0 .*/\1 \2/p' | head -n 1)
read -r width height <<<"${area:-0 0}"
expect_match "an embedded editor area of $width x $height, at least 398 x 742" "$(( width >= 398 && height >= 742 ))" '^1$'
[ -n "${2:-}" ] && mkdir -p "$(dirname "$2")" && import -window "$editor" "$2" && echo "screenshot: $2"
sleep 2
expect_match "Ardour is still running" "$(kill -0 "$ardour_pid" 2>&1 && echo running)" running
finish
