#!/usr/bin/env bash
# A desktop of a test's own: Xvfb, twm and a JACK server (dummy driver), ended with the test:
#   desktop.sh [--xvfb WxHxD] [--twm] [--jack PERIOD] -- PROGRAM ARGS...
# or source it, set work to a scratch folder, call start_xvfb, start_twm, start_jack, stop_started.
started=()
servers=()
track_process() { started+=("$1"); }

# Servers get to clean up first, or JACK's table of servers fills with dead ones; clients get no
# say, as one may hang once its server is gone.
stop_started() {
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        local pid=${started[i]}
        if [[ " ${servers[*]} " == *" $pid "* ]] && kill -TERM "$pid" 2>/dev/null; then
            for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        kill -KILL "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    # What the clients of a JACK server of the test's own left behind.
    [[ ${JACK_DEFAULT_SERVER:-} == kv7-test-* ]] && rm -f /dev/shm/jack*_"$JACK_DEFAULT_SERVER"_* || true
}

# start_xvfb WxHxDEPTH: an X server on the first free display, which DISPLAY then names.
start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    track_process $!
    servers+=($!)
    exec 3>&-
    # The display number and its newline arrive in two writes.
    for _ in $(seq 1 100); do [ "$(wc -l <"$work/display")" -ge 1 ] && break; sleep 0.1; done
    [ "$(wc -l <"$work/display")" -ge 1 ] || { cat "$work/xvfb.log"; echo "FAILED: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$work/display")"
    unset WAYLAND_DISPLAY
}

start_twm() {
    printf 'RandomPlacement\nUsePPosition "on"\nNoGrabServer\n' >"$work/twmrc"
    twm -f "$work/twmrc" >/dev/null 2>&1 &
    track_process $!
    sleep 0.5
}

# start_jack PERIOD: JACK at 48 kHz on the dummy driver, as the server JACK_DEFAULT_SERVER names.
start_jack() {
    export JACK_NO_AUDIO_RESERVATION=1
    if jack_lsp >/dev/null 2>&1; then echo "FAILED: a JACK server of that name already runs here" >&2; exit 1; fi
    jackd --no-realtime -d dummy -r 48000 -p "$1" >"$work/jackd.log" 2>&1 &
    track_process $!
    servers+=($!)
    for _ in $(seq 1 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
    jack_lsp >/dev/null 2>&1 || { cat "$work/jackd.log"; echo "FAILED: the JACK server did not start" >&2; exit 1; }
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    set -euo pipefail
    work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-desktop.XXXXXX")
    trap 'stop_started; rm -rf "$work"' EXIT
    while [[ $1 != -- ]]; do
        case $1 in
            --xvfb) start_xvfb "$2"; shift 2 ;;
            --twm) start_twm; shift ;;
            --jack) export JACK_DEFAULT_SERVER="kv7-test-$$"; start_jack "$2"; shift 2 ;;
            *) echo "usage: desktop.sh [--xvfb WxHxD] [--twm] [--jack PERIOD] -- PROGRAM ARGS..." >&2; exit 2 ;;
        esac
    done
    shift
    status=0
    "$@" || status=$?
    exit "$status"
fi
