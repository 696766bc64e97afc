#!/usr/bin/env bash
# Ardour 7's own window opens the plug-in's editor, as a user does: Ardour runs under Xvfb on a
# JACK server (dummy driver), loads a session with Tembro-laxis on a MIDI track, shows its mixer,
# and a double-click on the plug-in opens the editor window. Ardour must stay up, the window must
# carry the editor's size, and a screenshot shows it. Ardour's dialogs are worked with the mouse
# at the places its Debian 12 build draws them on a 1600 x 1000 screen.
#   ardour_editor_test.sh PLUGIN.so [SCREENSHOT.png]
source "$(dirname "$0")/host_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
screenshot=${2:-}
for program in /usr/lib/ardour7/ardour-vst-scanner ardour7-lua ardour Xvfb jackd xdotool xwininfo import; do
    require_program "$program"
done
plugin=$(plugin_copy "$1")
prepare_private_ardour "$plugin"
# Ardour's first-run wizard is skipped once this marker exists.
touch "$XDG_CONFIG_HOME/ardour7/.a7"
SESSION_DIR="$work/session" timeout 120 ardour7-lua "$here/ardour/make_session.lua" >"$work/lua.log" 2>&1 || true
[ -f "$work/session/kv7.ardour" ] || { cat "$work/lua.log"; echo "FAILED: no session" >&2; exit 1; }

source "$here/../support/desktop.sh"
trap 'stop_started; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
start_xvfb 1600x1000
# Ardour's JACK backend talks to the default server only.
unset JACK_DEFAULT_SERVER
start_jack 1024

ardour -n -a "$work/session/kv7.ardour" >"$work/ardour.log" 2>&1 &
ardour_pid=$!
track_process $ardour_pid
window_named() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
wait_window() {
    for _ in $(seq 1 $(($2 * 2))); do
        [ -n "$(window_named "$1")" ] && return 0
        sleep 0.5
    done
    return 1
}
click() { xdotool mousemove "$1" "$2" click --repeat "${3:-1}" --delay 80 1 2>/dev/null; }

# The session was saved by the Lua tool's engine: Ardour first warns that the device changed.
wait_window '^Ardour$' 60 || { echo "FAILED: Ardour did not start" >&2; exit 1; }
for _ in $(seq 1 20); do
    [ -n "$(window_named '^Audio/MIDI Setup$')" ] && break
    xdotool key Return 2>/dev/null
    sleep 1.5
done
wait_window '^Audio/MIDI Setup$' 10 || { echo "FAILED: no Audio/MIDI Setup dialog" >&2; exit 1; }
sleep 1
click 808 358   # the audio system menu
sleep 1
click 808 380   # JACK
sleep 1.5
click 1086 660  # Connect to JACK
wait_window '^kv7 - Ardour$' 60 || { echo "FAILED: the session did not open" >&2; exit 1; }
sleep 3
click 1325 72   # the mixer
sleep 3
click 333 208 2 # double-click Tembro-laxis in the track's strip
wait_window 'Tembro-laxis \(by Brennwick\)' 20 || true
editor=$(window_named 'Tembro-laxis \(by Brennwick\)')
expect_match "Ardour opened the plug-in's editor window" "$editor" '^[0-9]+$'
sleep 2
if [ -n "$editor" ]; then
    tree=$(xwininfo -tree -id "$editor")
    echo "$tree"
    # Ardour embeds the editor in a window of its own under its toolbar, sized from the editor's
    # rectangle: at least the window picture's 398 x 742.
    area=$(sed -n 's/.*(has no name): () *\([0-9]*\)x\([0-9]*\)+0+0 .*/\1 \2/p' <<<"$tree" | head -n 1)
    read -r width height <<<"${area:-0 0}"
    expect_match "an embedded editor area of $width x $height" "$(( width >= 398 && height >= 742 ))" '^1$'
    [ -n "$screenshot" ] && mkdir -p "$(dirname "$screenshot")" && import -window "$editor" "$screenshot" && echo "screenshot: $screenshot"
fi
sleep 2
expect_match "Ardour is still running" "$(kill -0 "$ardour_pid" 2>&1 && echo running)" running
finish
