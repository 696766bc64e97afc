#!/usr/bin/env bash
# Install and uninstall as the README tells: where the plug-in goes for each VST_PATH and
# LXVST_PATH, and that uninstall removes exactly what install wrote. The files go under a staging
# folder (DESTDIR), so the user's own installation is left alone.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1" >&2; failures=$((failures + 1)); fi
}

# The folder chosen for each environment.
cat >"$work/chosen.cmake" <<CMAKE
include($source_dir/cmake/install_dirs.cmake)
tl_default_vst_dir(dir)
message("\${dir}")
CMAKE
chosen() { env -u VST_PATH -u LXVST_PATH "$@" cmake -P "$work/chosen.cmake" 2>&1; }
check "default: ~/.vst" '[ "$(chosen HOME=/home/u)" = /home/u/.vst ]'
check "VST_PATH's first folder" '[ "$(chosen HOME=/home/u VST_PATH=/a/vst:/b/vst)" = /a/vst ]'
check "LXVST_PATH's first folder" '[ "$(chosen HOME=/home/u LXVST_PATH=/c/lxvst:/d)" = /c/lxvst ]'
check "VST_PATH before LXVST_PATH" '[ "$(chosen HOME=/home/u VST_PATH=/a LXVST_PATH=/c)" = /a ]'
check "an empty VST_PATH counts as unset" '[ "$(chosen HOME=/home/u VST_PATH= LXVST_PATH=/c)" = /c ]'

cache_value() { sed -n "s/^$1:PATH=//p" "$build/CMakeCache.txt"; }
vst_dir=$(cache_value TL_VST_INSTALL_DIR)
bin_dir=$(cache_value TL_BIN_INSTALL_DIR)
stage="$work/stage"
# Keep the build's own manifest, if the user installed from this build.
[ -f "$build/install_manifest.txt" ] && cp "$build/install_manifest.txt" "$work/manifest.saved"
restore() { if [ -f "$work/manifest.saved" ]; then cp "$work/manifest.saved" "$build/install_manifest.txt"; fi; }

DESTDIR="$stage" cmake --install "$build" >"$work/install.log"
cat "$work/install.log"
check "the plug-in in $vst_dir" '[ -f "$stage$vst_dir/Tembro-laxis.so" ]'
check "tembro-laxis in $bin_dir, executable" '[ -x "$stage$bin_dir/tembro-laxis" ]'
check "kv7kit in $bin_dir, executable" '[ -x "$stage$bin_dir/kv7kit" ]'
installed=$(sort "$build/install_manifest.txt")
echo "$installed"
expected=$(cd "$stage" && find . -type f | sed 's|^\.||' | sort)
check "the manifest lists every file installed, and only those" '[ "$installed" = "$expected" ]'

touch "$stage$vst_dir/another-plugin.so"
DESTDIR="$stage" cmake --build "$build" --target uninstall >"$work/uninstall.log"
cat "$work/uninstall.log"
check "uninstall removed the plug-in" '[ ! -e "$stage$vst_dir/Tembro-laxis.so" ]'
check "uninstall removed tembro-laxis" '[ ! -e "$stage$bin_dir/tembro-laxis" ]'
check "uninstall removed kv7kit" '[ ! -e "$stage$bin_dir/kv7kit" ]'
check "uninstall left other files alone" '[ -f "$stage$vst_dir/another-plugin.so" ]'
check "uninstall removed the manifest" '[ ! -e "$build/install_manifest.txt" ]'
check "uninstall without an install says so" '! cmake --build "$build" --target uninstall >"$work/again.log" 2>&1 && grep -q "nothing to uninstall" "$work/again.log"'
restore
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
