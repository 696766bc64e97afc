#!/usr/bin/env bash
# Install and uninstall as the README tells: where the plug-in goes for each VST_PATH and
# LXVST_PATH, where the LV2 bundle goes for each LV2_PATH, and that uninstall removes exactly what
# install wrote. The files go under a staging
# folder (DESTDIR), so the user's own installation is left alone.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-install-test.XXXXXX")
# The build's own manifest, if the user installed from this build, is put back.
[ -f "$build/install_manifest.txt" ] && cp "$build/install_manifest.txt" "$work/manifest.saved"
trap '[ -f "$work/manifest.saved" ] && cp "$work/manifest.saved" "$build/install_manifest.txt"; rm -rf "$work"' EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1" >&2; failures=$((failures + 1)); fi; }

cat >"$work/chosen.cmake" <<CMAKE
include($1/cmake/install_dirs.cmake)
if("\$ENV{KIND}" STREQUAL "lv2")
  tl_default_lv2_dir(dir)
else()
  tl_default_vst_dir(dir)
endif()
message("\${dir}")
CMAKE
chosen() { env -u VST_PATH -u LXVST_PATH -u LV2_PATH HOME=/home/u "$@" cmake -P "$work/chosen.cmake" 2>&1; }
check "default: ~/.vst" '[ "$(chosen)" = /home/u/.vst ]'
check "VST_PATH's first folder" '[ "$(chosen VST_PATH=/a/vst:/b/vst)" = /a/vst ]'
check "LXVST_PATH's first folder" '[ "$(chosen LXVST_PATH=/c/lxvst:/d)" = /c/lxvst ]'
check "VST_PATH before LXVST_PATH" '[ "$(chosen VST_PATH=/a LXVST_PATH=/c)" = /a ]'
check "an empty VST_PATH counts as unset" '[ "$(chosen VST_PATH= LXVST_PATH=/c)" = /c ]'
check "the LV2 bundle: ~/.lv2, else LV2_PATH's first folder" \
    '[ "$(chosen KIND=lv2)" = /home/u/.lv2 ] && [ "$(chosen KIND=lv2 LV2_PATH=/e/lv2:/f)" = /e/lv2 ]'

vst_dir=$(sed -n 's/^TL_VST_INSTALL_DIR:PATH=//p' "$build/CMakeCache.txt")
bin_dir=$(sed -n 's/^TL_BIN_INSTALL_DIR:PATH=//p' "$build/CMakeCache.txt")
lv2_dir=$(sed -n 's/^TL_LV2_INSTALL_DIR:PATH=//p' "$build/CMakeCache.txt")
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build"
installed=("$vst_dir/Tembro-laxis.so" "$bin_dir/tembro-laxis" "$bin_dir/kv7kit" "$lv2_dir/Tembro-laxis.lv2")
check "the plug-in in $vst_dir, the programs in $bin_dir" '[ -f "$stage${installed[0]}" ] && [ -x "$stage${installed[1]}" ] && [ -x "$stage${installed[2]}" ]'
check "the LV2 bundle in $lv2_dir, as lilv finds it there" \
    '[ "$(LV2_PATH="$stage$lv2_dir" lv2ls)" = http://brennwick.example/plugins/tembro-laxis ]'
check "the manifest lists every file installed, and only those" \
    '[ "$(sort "$build/install_manifest.txt")" = "$(cd "$stage" && find . -type f | sed "s|^\.||" | sort)" ]'

touch "$stage$vst_dir/another-plugin.so"
DESTDIR="$stage" cmake --build "$build" --target uninstall
check "uninstall removed what install wrote, and the manifest" \
    '! [ -e "$stage${installed[0]}" ] && ! [ -e "$stage${installed[1]}" ] && ! [ -e "$stage${installed[2]}" ] && ! [ -e "$stage${installed[3]}" ] && ! [ -e "$build/install_manifest.txt" ]'
check "uninstall left other files alone" '[ -f "$stage$vst_dir/another-plugin.so" ]'
check "uninstall without an install says so" '! cmake --build "$build" --target uninstall >"$work/again.log" 2>&1 && grep -q "nothing to uninstall" "$work/again.log"'
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
