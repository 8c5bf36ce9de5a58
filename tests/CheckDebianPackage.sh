#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a Debian maintainer would:
# two cpack runs give the same bytes, every time in the package being SOURCE_DATE_EPOCH (the
# last commit's time when it is not set); lintian reports no error and no warning (its
# overrides cover only the system's own spelled texts and one compiler artefact) on the package
# nor on its debug-symbol package; the desktop entry validates without a remark; the programs
# are stripped, without .comment sections, and their symbols are in the dbgsym package; every
# program has its compressed man page; the metrics service runs the zevo-cli of the prefix it
# was installed with, systemd reads the units without a remark and rates the services' exposure
# at most 4.0 ("OK"); and a purge, after the timers were enabled and a metrics file written,
# leaves nothing of the package behind. The package is installed with dpkg into a folder of
# its own (dpkg --root, its maintainer scripts told so by DPKG_ROOT), never into the machine.
#   CheckDebianPackage.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
out="$build/package-check"
rm -rf "$out"
mkdir -p "$out"

pack() {
    if ! (cd "$build" && cpack -G DEB -B "$1" >"$1.log" 2>&1); then
        cat "$1.log"
        exit 1
    fi
}
commit_time() {
    git -C "$source" log -1 --format=%ct 2>/dev/null || stat -c %Y "$source/packaging/changelog"
}
# Every member of the first packages carries SOURCE_DATE_EPOCH, or the last commit's time (read
# before and after, as a commit may come meanwhile); the second packages, made with that time
# exported, are the same bytes.
early="${SOURCE_DATE_EPOCH:-$(commit_time)}"
pack "$out/first"
late="${SOURCE_DATE_EPOCH:-$(commit_time)}"
deb=$(ls "$out"/first/zevo_*.deb)
ddeb=$(ls "$out"/first/zevo-dbgsym_*.ddeb)
times=$(for package in "$deb" "$ddeb"; do
    dpkg-deb --fsys-tarfile "$package" | TZ=UTC tar -tv --full-time | awk '{print $4 " " $5}'
done | sort -u)
epoch=""
for candidate in "$early" "$late"; do
    [ "$times" != "$(date -u -d "@$candidate" '+%Y-%m-%d %H:%M:%S')" ] || epoch="$candidate"
done
[ -n "$epoch" ] || { echo "times in the packages, not SOURCE_DATE_EPOCH ($early):"; echo "$times"; exit 1; }
SOURCE_DATE_EPOCH="$epoch" pack "$out/second"
for package in "$deb" "$ddeb"; do
    name=$(basename "$package")
    if ! cmp "$package" "$out/second/$name"; then
        echo "two cpack runs gave different bytes for $name:"
        diff <(ar tv "$package"; dpkg-deb -c "$package") \
            <(ar tv "$out/second/$name"; dpkg-deb -c "$out/second/$name") || true
        exit 1
    fi
done

remarks=$(desktop-file-validate "$source/packaging/zevo.desktop" 2>&1 || true)
if [ -n "$remarks" ]; then
    echo "desktop-file-validate: $remarks"
    exit 1
fi

root="$out/root"
dpkg-deb -x "$deb" "$root"
for program in zevo zevo-cli; do
    [[ "$(file -b "$root/usr/bin/$program")" == *", stripped"* ]] ||
        { echo "usr/bin/$program is not stripped"; exit 1; }
    if readelf -S --wide "$root/usr/bin/$program" | grep -F ' .comment '; then
        echo "usr/bin/$program has a .comment section"
        exit 1
    fi
    [ -f "$root/usr/share/man/man1/$program.1.gz" ] ||
        { echo "no man page usr/share/man/man1/$program.1.gz"; exit 1; }
done
symbols=$(dpkg-deb -c "$ddeb")
grep -q '/usr/lib/debug/.build-id/.*\.debug$' <<<"$symbols" ||
    { echo "no debug symbols in $(basename "$ddeb")"; exit 1; }
suggests=$(dpkg-deb -f "$deb" Suggests)
[ "$suggests" = prometheus-node-exporter ] || { echo "Suggests: $suggests"; exit 1; }

# The metrics service runs the zevo-cli of the prefix: /usr in the package, /usr/local when
# installed there.
command="metrics --users --textfile /var/lib/prometheus/node-exporter"
unit=lib/systemd/system/zevo-metrics.service
DESTDIR="$out/local" cmake --install "$build" --prefix /usr/local >"$out/install.log"
for expected in "$root/usr/$unit:/usr/bin" "$out/local/usr/local/$unit:/usr/local/bin"; do
    file="${expected%%:*}"
    exec_start=$(grep '^ExecStart=' "$file")
    [ "$exec_start" = "ExecStart=${expected#*:}/zevo-cli $command" ] ||
        { echo "${file#"$out"/}: $exec_start"; exit 1; }
done

# systemd reads the units as installed, in the package's tree with systemd's own units beside
# them, and rates the services.
units="$out/units"
dpkg-deb -x "$deb" "$units"
cp -rn /usr/lib/systemd/system/. "$units/usr/lib/systemd/system/"
install -D /usr/bin/git "$units/usr/bin/git"
remarks=$(systemd-analyze verify --man=no --root="$units" zevo-metrics.service \
    zevo-metrics.timer zevo-history-push.service zevo-history-push.timer 2>&1) ||
    { echo "systemd-analyze verify: $remarks"; exit 1; }
[ -z "$remarks" ] || { echo "systemd-analyze verify: $remarks"; exit 1; }
for service in zevo-metrics.service zevo-history-push.service; do
    rating=$(systemd-analyze security --offline=true --threshold=40 \
        "$units/usr/lib/systemd/system/$service") ||
        { echo "$rating" | grep -e '✗' -e Overall; exit 1; }
    grep Overall <<<"$rating"
done

# Installed, enabled as systemctl enables, a metrics file written, purged: only what was there
# before stays (another collector's file among it).
system="$out/system"
mkdir -p "$system/var/lib/dpkg/info" "$system/var/lib/dpkg/updates" "$system/var/lib/dpkg/triggers" \
    "$system/etc/systemd/system/timers.target.wants" "$system/var/lib/systemd" \
    "$system/var/lib/prometheus/node-exporter"
touch "$system/var/lib/dpkg/status"
echo 'node_other 1' >"$system/var/lib/prometheus/node-exporter/other.prom"
before=$(cd "$system" && find . ! -path './var/lib/dpkg*' | sort)
in_system() {
    dpkg --root="$system" --force-script-chrootless --force-depends --log=/dev/null "$@" \
        >>"$out/dpkg.log" 2>&1 || { cat "$out/dpkg.log"; exit 1; }
}
in_system --install "$deb"
links=$(find "$system/etc" -type l)
[ -z "$links" ] || { echo "enabled by the installation: $links"; exit 1; }
systemctl --root="$system" enable zevo-metrics.timer zevo-history-push.timer >>"$out/dpkg.log" 2>&1
[ -L "$system/etc/systemd/system/timers.target.wants/zevo-metrics.timer" ] ||
    { echo "systemctl enable made no link"; exit 1; }
echo 'zevo_gateway_up{market="FO"} 1' >"$system/var/lib/prometheus/node-exporter/zevo.prom"
in_system --purge zevo
after=$(cd "$system" && find . ! -path './var/lib/dpkg*' | sort)
left=$(comm -13 <(echo "$before") <(echo "$after"))
[ -z "$left" ] || { echo "left after the purge:"; echo "$left"; exit 1; }
[ "$(cat "$system/var/lib/prometheus/node-exporter/other.prom")" = 'node_other 1' ] ||
    { echo "the purge took another collector's file"; exit 1; }

echo "lintian $(basename "$deb") $(basename "$ddeb"):"
lintian --fail-on error,warning --show-overrides "$deb" "$ddeb" | tee "$out/lintian.txt"
