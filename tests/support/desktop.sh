# For test scripts that run programs as on a desktop: an X server (Xvfb) and a JACK server (dummy
# driver) of the test's own, and the processes started beside them, all ended when the script ends.
# Source it after setting work (a scratch folder); then call start_xvfb and start_jack.

started=()
servers=()

# Remembers a process to end when the script ends; servers get to clean up first, or JACK's table
# of servers fills with dead ones. Clients get no say: one may hang in its exit handler once its
# server is gone.
track_process() { started+=("$1"); }
stop_started() {
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        local pid=${started[i]}
        if [[ " ${servers[*]} " == *" $pid "* ]]; then
            kill -TERM "$pid" 2>/dev/null || continue
            for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
        kill -KILL "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}

# start_xvfb WIDTHxHEIGHT: an X server on the first free display, which DISPLAY then names.
start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    track_process $!
    servers+=($!)
    exec 3>&-
    for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAILED: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$work/display")"
}

# start_jack PERIOD: a JACK server at 48 kHz with the dummy driver, no sound card needed. It is the
# server JACK_DEFAULT_SERVER names, or the default one.
start_jack() {
    export JACK_NO_AUDIO_RESERVATION=1
    if jack_lsp >/dev/null 2>&1; then echo "FAILED: a JACK server of that name already runs here" >&2; exit 1; fi
    jackd --no-realtime -d dummy -r 48000 -p "$1" >"$work/jackd.log" 2>&1 &
    track_process $!
    servers+=($!)
    for _ in $(seq 1 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
    jack_lsp >/dev/null 2>&1 || { cat "$work/jackd.log"; echo "FAILED: the JACK server did not start" >&2; exit 1; }
}
