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
