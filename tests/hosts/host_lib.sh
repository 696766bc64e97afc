# Shared by the real-host tests: a private work folder, a copy of the module, and checks that say
# what they looked for.
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-host-test.XXXXXX")
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
failures=0

# Hosts trust a scan cache only when the module is older than it: give the copy an old time.
plugin_copy() {
    mkdir -p "$work/vst"
    cp "$1" "$work/vst/Tembro-laxis.so"
    touch -d '-10 seconds' "$work/vst/Tembro-laxis.so"
    echo "$work/vst/Tembro-laxis.so"
}

# expect_match WHAT TEXT PATTERN: PATTERN (an extended regular expression) must occur in TEXT.
expect_match() {
    if grep -Eq -- "$3" <<<"$2"; then
        echo "ok: $1"
    else
        echo "FAILED: $1: no match for /$3/" >&2
        failures=$((failures + 1))
    fi
}

# A private Ardour 7 for PLUGIN: configuration, cache and data under the work folder, the test
# pattern script in reach, Linux VST plug-ins looked for in the work folder (the session tool, the
# exporter and Ardour itself read that), and the scan cache written.
prepare_private_ardour() {
    local lib_dir
    lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
    mkdir -p "$XDG_CONFIG_HOME/ardour7/scripts" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
    cp "$lib_dir/ardour/kv7_test_pattern.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"
    cat >"$XDG_CONFIG_HOME/ardour7/config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="plugin-path-lxvst" value="$work/vst"/>
  </Config>
</Ardour>
XML
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner -q "$1" || true
    # The cache counts only when it is at least a second newer than the module.
    sleep 1
}

require_program() {
    if ! command -v "$1" >/dev/null 2>&1 && [ ! -x "$1" ]; then
        echo "FAILED: $1 is not installed (scripts/setup installs it)" >&2
        exit 1
    fi
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}
