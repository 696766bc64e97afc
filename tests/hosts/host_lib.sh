# Shared by the real-host tests: a private work folder, a copy of the module, checks that say what
# they looked for, and a private Ardour 7.
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-host-test.XXXXXX")
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
failures=0

for program in "${required[@]}"; do
    command -v "$program" >/dev/null 2>&1 || [ -x "$program" ] || { echo "FAILED: $program is not installed (scripts/setup installs it)" >&2; exit 1; }
done

# The Linux VST module, or the LV2 bundle (a folder, found through LV2_PATH), copied into the work
# folder. Hosts trust a scan cache only when the module is older than it: the copy gets an old time.
if [ -d "$1" ]; then
    export PLUGIN_TYPE=LV2 LV2_PATH="$work/lv2"
    plugin="$work/lv2/Tembro-laxis.lv2" module="$work/lv2/Tembro-laxis.lv2/tembro-laxis-lv2.so"
else
    export PLUGIN_TYPE=LXVST
    plugin="$work/vst/Tembro-laxis.so" module="$work/vst/Tembro-laxis.so"
fi
mkdir -p "$(dirname "$plugin")"
cp -r "$1" "$plugin"
touch -d '-10 seconds' "$plugin"

# expect_match WHAT TEXT PATTERN: the extended regular expression PATTERN must occur in TEXT.
expect_match() { if grep -Eq -- "$3" <<<"$2"; then echo "ok: $1"; else echo "FAILED: $1: no match for /$3/" >&2; failures=$((failures + 1)); fi; }

# Ardour 7 with its configuration, cache and data under the work folder, the test pattern script in
# reach, Linux VST plug-ins looked for in the work folder, and the scan cache written; prints the
# VST scanner's cache of the plug-in.
prepare_private_ardour() {
    export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
    mkdir -p "$XDG_CONFIG_HOME/ardour7/scripts" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
    cp "$(dirname "${BASH_SOURCE[0]}")/ardour/kv7_test_pattern.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<Ardour><Config><Option name="plugin-path-lxvst" value="%s"/></Config></Ardour>\n' \
        "$work/vst" >"$XDG_CONFIG_HOME/ardour7/config"
    [ "$PLUGIN_TYPE" = LXVST ] || return 0
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 /usr/lib/ardour7/ardour-vst-scanner -q "$plugin" >/dev/null 2>&1 || true
    sleep 1  # the cache counts only when it is at least a second newer than the module
    cat "$(find "$XDG_CACHE_HOME" -name '*.v2i' | head -n 1)"
}

finish() {
    [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "all checks passed"
}
