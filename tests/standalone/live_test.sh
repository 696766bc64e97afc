#!/usr/bin/env bash
# tembro-laxis live, as a user runs it on a desktop: under an X server (Xvfb) with a JACK server
# (dummy driver, no sound card) and a JACK MIDI sequencer. It must say what it plays through, join
# the MIDI port, show the editor's window at the editor's size, take keys, and end cleanly on the
# window manager's close request and on Ctrl-C.
#   live_test.sh TEMBRO_LAXIS PLUGIN.so [SCREENSHOT.png]
set -euo pipefail
standalone=$1
plugin=$2
screenshot=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-live-test.XXXXXX")
source "$here/support/desktop.sh"
trap 'stop_started; rm -rf "$work"' EXIT
failures=0
check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1" >&2; failures=$((failures + 1)); fi
}
for program in Xvfb jackd jack_midiseq jack_lsp xwininfo xdotool; do
    command -v "$program" >/dev/null || { echo "FAILED: $program is not installed (scripts/setup installs it)" >&2; exit 1; }
done
# Waits up to $2 seconds for the pattern $1 in the standalone's log.
wait_for() {
    for _ in $(seq 1 $(($2 * 10))); do grep -q -- "$1" "$work/log" && return 0; sleep 0.1; done
    return 1
}

start_xvfb 1024x900
# A JACK server of this test's own, whatever else runs on the machine.
export JACK_DEFAULT_SERVER="kv7-live-$$"
start_jack 256
# Note 53 and note 64 every half second.
jack_midiseq seq 24000 0 53 2400 12000 64 2400 >/dev/null 2>&1 &
track_process $!
for _ in $(seq 1 50); do jack_lsp | grep -q '^seq:out$' && break; sleep 0.1; done

"$standalone" --plugin "$plugin" --audio-api jack >"$work/log" 2>&1 &
app=$!
track_process $app
wait_for '^window: open' 15 || { cat "$work/log"; echo "FAILED: no window" >&2; exit 1; }
cat "$work/log"
log=$(cat "$work/log")
check "it names the plug-in it loaded" 'grep -q "plug-in: \"Tembro-laxis\" by \"Brennwick\", 2 inputs, 2 outputs ($plugin)" <<<"$log"'
check "it plays through JACK at the server's rate and block" 'grep -q "^audio: Jack, device 0 \"system\", 48000 Hz, 256 frames per block" <<<"$log"'
check "it takes the sequencer's MIDI port" 'grep -q "^MIDI input: jack: seq:out" <<<"$log"'
connections=$(jack_lsp -c)
check "its outputs reach the server's playback ports" 'grep -A1 "^Tembro-laxis:outport 0" <<<"$connections" | grep -q "system:playback_1"'
check "the sequencer feeds its input" 'grep -A1 "^seq:out" <<<"$connections" | grep -q "Tembro-laxis"'

window=$(sed -n 's/^window: open, .* (X window \(0x[0-9a-f]*\)).*/\1/p' "$work/log")
size=$(sed -n 's/^window: open, \([0-9]*\) x \([0-9]*\) .*/\1 \2/p' "$work/log")
info=$(xwininfo -id "$window")
echo "$info"
read -r width height <<<"$size"
check "the window is mapped" 'grep -q "Map State: IsViewable" <<<"$info"'
check "the window has the editor's size, $width x $height" 'grep -q "Width: $width$" <<<"$info" && grep -q "Height: $height$" <<<"$info"'
check "the window is titled Tembro-laxis" 'xwininfo -id "$window" -name 2>/dev/null | grep -q "\"Tembro-laxis\"" || xdotool getwindowname "$window" | grep -qx Tembro-laxis'
xdotool key --window "$window" z q 2 u 2>/dev/null
sleep 0.5
check "it survives keys and MIDI" 'kill -0 "$app"'

# A sound dragged from a GTK window onto the drop zone, as from a file manager, fills slot 0; the
# sequencer's note 53 then plays it every 24000 samples, and its note 64 finds slot 11 empty. JACK
# records the outputs: one burst per note 53, none for note 64. Without real-time scheduling on a
# busy machine a note may arrive some blocks late, so each gap must only be nearer one note period
# than half or two.
python3 - "$work/click.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1); out.setsampwidth(2); out.setframerate(44100)
    out.writeframes(b"".join(struct.pack("<h", int(16000 * math.sin(2 * math.pi * 1000 * i / 44100)))
                             for i in range(4410)))
PY
# GTK for Python comes with the system's own interpreter.
/usr/bin/python3 "$here/gui/drag_source_gtk.py" "$work/click.wav" >"$work/drag.log" 2>&1 &
track_process $!
for _ in $(seq 1 100); do grep -q ready "$work/drag.log" && break; sleep 0.1; done
sleep 0.5
xdotool mousemove 680 90 sleep 0.2 mousedown 1 2>/dev/null
for i in $(seq 1 30); do xdotool mousemove $((680 - (680 - 127) * i / 30)) $((90 - (90 - 39) * i / 30)) sleep 0.03 2>/dev/null; done
for dx in 1 0 1 0; do xdotool mousemove $((127 + dx)) 39 sleep 0.1 2>/dev/null; done
xdotool mouseup 1 2>/dev/null
sleep 1.5
if [ -n "$screenshot" ]; then
    mkdir -p "$(dirname "$screenshot")" && import -window root "$screenshot" && echo "screenshot: $screenshot"
fi
jack_rec -f "$work/recorded.wav" -d 3 -b 16 "Tembro-laxis:outport 0" "Tembro-laxis:outport 1" >/dev/null 2>&1
bursts=$(python3 - "$work/recorded.wav" <<'PY'
import struct, sys, wave
with wave.open(sys.argv[1]) as f:
    frames = f.readframes(f.getnframes())
left = struct.unpack("<%dh" % (len(frames) // 2), frames)[0::2]
onsets, quiet = [], 1000
for i, x in enumerate(left):
    if abs(x) > 3000 and quiet >= 1000:
        onsets.append(i)
    quiet = 0 if abs(x) > 3000 else quiet + 1
print(" ".join(str(b - a) for a, b in zip(onsets, onsets[1:])) or "none (peak %d)" % max(map(abs, left), default=0))
PY
)
echo "spacing of the recorded bursts: $bursts"
check "the dropped sound plays once on every note 53 and never on note 64" \
    'python3 -c "import sys; s = [int(x) for x in sys.argv[1:]]; sys.exit(not (len(s) >= 3 and all(18000 < x < 36000 for x in s)))" $bursts'

python3 "$here/support/x11_close_window.py" "$window"
status=0
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "FAILED: still running after the close request" >&2; failures=$((failures + 1)); fi
wait "$app" || status=$?
check "the close request ends it with status 0" '[ "$status" -eq 0 ]'
check "it says it stopped" 'grep -q "^window closed: stopping" "$work/log"'

# Ctrl-C, and a window without audio.
"$standalone" --plugin "$plugin" --no-audio >"$work/log" 2>&1 &
app=$!
track_process $app
wait_for '^window: open' 15 || { cat "$work/log"; echo "FAILED: no window without audio" >&2; exit 1; }
check "without audio it says so" 'grep -q "^audio: off" "$work/log"'
kill -INT "$app"
status=0
wait "$app" || status=$?
check "Ctrl-C ends it with status 0" '[ "$status" -eq 0 ] && grep -q "^window closed: stopping" "$work/log"'

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
