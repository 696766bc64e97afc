#!/usr/bin/env bash
# The Debian package as cpack makes it from this build.
#   package_test.sh make SOURCE_DIR BUILD_DIR      cpack, then the package unpacked beside it
#   package_test.sh files SOURCE_DIR BUILD_DIR     its files, its dependencies, lintian, the desktop entry
#   package_test.sh programs SOURCE_DIR BUILD_DIR  the programs and plug-ins run from the unpacked copy
set -euo pipefail
mode=$1 source=$2 build=$3
out="$build/package-test" root="$build/package-test/root"
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1" >&2; failures=$((failures + 1)); fi; }
finish() { [ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }; echo "all checks passed"; exit 0; }

if [ "$mode" = make ]; then
    rm -rf "$out"
    cpack --config "$build/CPackConfig.cmake" -B "$out" >"$build/package-test.log" || { cat "$build/package-test.log"; exit 1; }
    dpkg-deb -x "$out"/tembro-laxis_*.deb "$root"
    exit 0
fi
deb=$(echo "$out"/tembro-laxis_*.deb)
work=$(mktemp -d "${TMPDIR:-/tmp}/kv7-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ "$mode" = files ]; then
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    check "named tembro-laxis_${version}_<arch>.deb" \
        '[ "$(basename "$deb")" = "tembro-laxis_${version}_$(dpkg --print-architecture).deb" ]'
    # Exactly these files: nothing built for the tests or the benchmarks.
    expected="usr/bin/kv7kit
usr/bin/tembro-laxis
usr/lib/lv2/Tembro-laxis.lv2/manifest.ttl
usr/lib/lv2/Tembro-laxis.lv2/tembro-laxis-lv2.so
usr/lib/lv2/Tembro-laxis.lv2/tembro-laxis.ttl
usr/lib/vst/Tembro-laxis.so
usr/share/applications/tembro-laxis.desktop
usr/share/doc/tembro-laxis/changelog.gz
usr/share/doc/tembro-laxis/copyright
usr/share/icons/hicolor/scalable/apps/tembro-laxis.svg
usr/share/man/man1/kv7kit.1.gz
usr/share/man/man1/tembro-laxis.1.gz"
    dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort >"$work/files"
    check "the files: the plug-in, the LV2 bundle, the programs, their man pages, the desktop entry, its icon, copyright and changelog" \
        '[ "$(cat "$work/files")" = "$expected" ]'

    # Every library a packaged binary needs, or names to load at run time, comes from a package in Depends.
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    sed -E 's/ \([^)]*\)//g; s/, /\n/g; s/ \| /\n/g' <<<"$depends" | sort -u >"$work/depended"
    find "$root" -type f -exec sh -c '[ "$(head -c 4 "$1" | tail -c 3)" = ELF ]' _ {} \; -print >"$work/binaries"
    check "four binaries" '[ "$(wc -l <"$work/binaries")" -eq 4 ]'
    while read -r binary; do
        readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
        # A soname to load at run time: strings may join it to the byte before it.
        strings "$binary" | grep -oE 'lib[A-Za-z0-9_+.-]+\.so\.[0-9]+$' || true
    done <"$work/binaries" | grep -v '^ld-linux' | sort -u >"$work/sonames"
    for library in libaubio.so.5 libsoxr.so.0 libebur128.so.1 libsmf.so.0 libpangocairo-1.0.so.0; do
        check "$library, loaded at run time, is among the libraries looked for" 'grep -qx "$library" "$work/sonames"'
    done
    # Owners looked up at once: dpkg -S reads every package's file list.
    ldconfig -p >"$work/cache"
    while read -r soname; do
        path=$(awk -v name="$soname" '$1 == name && /x86-64/ && !found {print $NF; found = 1}' "$work/cache")
        echo "$path" "/usr$path"  # merged /usr: dpkg knows one of the two
    done <"$work/sonames" | xargs dpkg -S >"$work/owners" 2>/dev/null || true
    while read -r soname; do
        owner=$(awk -v name="$soname" '{n = split($NF, part, "/")} part[n] == name {sub(/[:,].*/, ""); print; exit}' "$work/owners")
        check "$soname ($owner) in Depends" '[ -n "$owner" ] && grep -qx "$owner" "$work/depended"'
    done <"$work/sonames"
    check "lintian: no error and no warning" 'lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1'
    cat "$work/lintian"
    desktop="$root/usr/share/applications/tembro-laxis.desktop"
    check "desktop-file-validate accepts the desktop entry" 'desktop-file-validate "$desktop"'
    check "the desktop entry starts a packaged program and names the packaged icon" \
        '[ -x "$root/usr/bin/$(sed -n "s/^Exec=\([^ ]*\).*/\1/p" "$desktop")" ] &&
         [ -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n "s/^Icon=//p" "$desktop").svg" ]'
    # The man pages tell every option the programs' help does, kv7kit's for each of its commands.
    "$root/usr/bin/kv7kit" --help | sed -n 's/^  \([a-z]\+\)  .*/\1/p' >"$work/commands"
    for program in tembro-laxis kv7kit; do
        page=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
        helps="$("$root/usr/bin/$program" --help)"
        [ "$program" = kv7kit ] && while read -r command; do helps+="$("$root/usr/bin/kv7kit" "$command" --help)"; done <"$work/commands"
        for option in $(grep -oE -- '--[a-z0-9-]+' <<<"$helps" | sort -u); do
            check "$program's man page tells $option" 'grep -qF -- "$option" <<<"$page"'
        done
    done
    finish
fi

# programs: the demo's road with the unpacked programs and plug-ins.
bin="$root/usr/bin" vst="$root/usr/lib/vst/Tembro-laxis.so" lv2="$root/usr/lib/lv2/Tembro-laxis.lv2"
check "the headless demo with the packaged programs and plug-ins" \
    '"$source/tests/install/demo_test.sh" "$source" "$bin/tembro-laxis" "$bin/kv7kit" "$vst" "$lv2" >"$work/demo.log" 2>&1'
python3 "$source/tools/demo/make_demo_material.py" "$work/material"
for face in "" --lv2; do
    check "tembro-laxis ${face:-without --lv2} finds the packaged plug-in by default" \
        '"$bin/tembro-laxis" $face --midi "$work/material/pattern.mid" --render "$work/out.wav" >"$work/render.log" &&
         grep -qF "$root/usr/lib/" "$work/render.log"'
done
# Each library kv7kit loads on first use: soxr, libebur128, aubio, cairo and pango.
check "kv7kit chops a loop with its sound options and draws the kit" \
    '"$bin/kv7kit" chop "$work/material/tone.wav" --slices 4 --resample --loudness -o "$work/kit.aif" >/dev/null &&
     "$bin/kv7kit" chop "$work/material/tone.wav" -o "$work/onsets.aif" >/dev/null &&
     "$bin/kv7kit" info "$work/kit.aif" --png "$work/kit.png" >/dev/null && [ -s "$work/kit.png" ]'
[ "$failures" -eq 0 ] || cat "$work/demo.log"
finish
