#!/usr/bin/env bash
# The package on a bare Debian 12 system, made with debootstrap in a folder of the build: its
# dependencies come from Debian 12, `apt install ./tembro-laxis_*.deb` installs it, the programs and
# plug-ins run from where it put them, and purging it leaves the system file for file as it was.
#   bare_debian_test.sh SOURCE_DIR BUILD_DIR   (root, for chroot; the package made by package.make)
set -euo pipefail
source=$1 build=$2
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: a chroot needs root"
    exit 77
fi
deb=$(echo "$build"/package-test/tembro-laxis_*.deb)
mirror=${TL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
base="$build/bare-debian/base" root="$build/bare-debian/root"
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1" >&2; failures=$((failures + 1)); fi; }

# The bare system is made once per build folder and copied for each run.
if [ ! -e "$base/.complete" ]; then
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror" >"$build/bare-debian.log" 2>&1 ||
        { tail -n 20 "$build/bare-debian.log"; exit 1; }
    touch "$base/.complete"
fi
rm -rf "$root"
cp -a "$base" "$root"
rm "$root/.complete"
security=${mirror%/debian}/debian-security
printf 'deb %s bookworm main\ndeb %s bookworm-updates main\ndeb %s bookworm-security main\n' \
    "$mirror" "$mirror" "$security" >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
python3 "$source/tools/demo/make_demo_material.py" "$root/tmp/material" >/dev/null

# Each step in a mount namespace of its own: /proc and /dev go when it ends, whatever happens.
in_root() {
    unshare --mount --propagation private sh -c \
        'mount -t proc proc "$0/proc" && mount --rbind /dev "$0/dev" && exec chroot "$0" "$@"' "$root" "$@"
}
apt_in_root() { in_root env DEBIAN_FRONTEND=noninteractive apt-get -q -o Acquire::Retries=3 "$@"; }
# Every path with its type and mode, and a file's size, but for the records apt and dpkg keep of
# what they did. A directory's own size stays as it grew.
files() {
    in_root find / -xdev \( -path /proc -o -path /dev -o -path /sys -o -path /tmp -o -path /run -o -path /var/log \
        -o -path /var/cache/apt -o -path /var/lib/apt -o -path /var/cache/debconf -o -path /var/cache/ldconfig \
        -o -path '/var/lib/dpkg/status*' -o -path '/var/lib/dpkg/available*' -o -path '/var/lib/dpkg/lock*' \
        -o -path /var/lib/dpkg/triggers -o -path /var/lib/dpkg/updates -o -path '/var/lib/dpkg/*-old' \) -prune \
        -o -type d -printf '%p %y %m\n' -o -printf '%p %y %m %s\n' | sort
}

apt_in_root update >"$build/bare-debian.log" 2>&1 || { tail -n 20 "$build/bare-debian.log"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
check "Depends is satisfied from Debian 12 alone" \
    'apt_in_root satisfy -y --no-install-recommends "$depends" >>"$build/bare-debian.log" 2>&1'
files >"$build/bare-debian/before"
name=$(basename "$deb")
check "apt install of $name installs the package and nothing else" \
    'apt_in_root install -y "/tmp/$name" >"$build/bare-debian/install.log" 2>&1 &&
     grep -q "^0 upgraded, 1 newly installed" "$build/bare-debian/install.log"'

bin=/usr/bin m=/tmp/material out=/tmp/material/out
mkdir -p "$root$out"
check "kv7kit builds a kit and renders a pattern through it" \
    'in_root kv7kit build $m/sounds -o $out/kit.aif >/dev/null &&
     in_root kv7kit render $out/kit.aif --midi $m/pattern.mid -o $out/kit-pattern.wav >/dev/null'
check "tembro-laxis plays through the VST plug-in in /usr/lib/vst" \
    'in_root tembro-laxis --midi $m/pattern.mid --input $m/tone.wav --render $out/through.wav |
     grep -F "(/usr/lib/vst/Tembro-laxis.so)" >/dev/null'
check "tembro-laxis --lv2 plays the kit through the LV2 bundle in /usr/lib/lv2" \
    'in_root tembro-laxis --lv2 --kit $out/kit.aif --midi $m/pattern.mid --render $out/lv2-kit.wav 2>/dev/null |
     grep -F "(/usr/lib/lv2/Tembro-laxis.lv2/)" >/dev/null'
peak() { sox "$@" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p'; }
check "the LV2 face plays the kit as kv7kit does" \
    'awk "BEGIN { exit !($(peak -m -v 1 "$root$out/lv2-kit.wav" -v -1 "$root$out/kit-pattern.wav") < 1e-4) }"'
check "kv7kit loads what it loads on first use: soxr, libebur128, aubio, cairo and pango" \
    'in_root kv7kit chop $m/tone.wav --slices 4 --resample --loudness -o $out/sliced.aif >/dev/null &&
     in_root kv7kit chop $m/tone.wav -o $out/onsets.aif >/dev/null &&
     in_root kv7kit info $out/sliced.aif --png $out/kit.png >/dev/null && [ -s "$root$out/kit.png" ]'

check "apt purge removes it" \
    'apt_in_root purge -y tembro-laxis >"$build/bare-debian/purge.log" 2>&1'
files >"$build/bare-debian/after"
check "nothing is left behind" 'diff "$build/bare-debian/before" "$build/bare-debian/after"'
check "dpkg no longer knows it" '! in_root dpkg-query -W tembro-laxis >/dev/null 2>&1'
rm -rf "$root"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all checks passed"
