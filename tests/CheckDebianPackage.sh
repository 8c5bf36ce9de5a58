#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a Debian maintainer would:
# lintian reports no error and no warning (its overrides cover only the system's own spelled
# texts) on the package nor on its debug-symbol package, the desktop entry validates without a
# remark, the programs are stripped and their symbols are in the dbgsym package, and every
# program has its compressed man page.
#   CheckDebianPackage.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
out="$build/package-check"
rm -rf "$out"
mkdir -p "$out"
if ! (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(ls "$out"/zevo_*.deb)
ddeb=$(ls "$out"/zevo-dbgsym_*.ddeb)

remarks=$(desktop-file-validate "$source/packaging/zevo.desktop" 2>&1 || true)
if [ -n "$remarks" ]; then
    echo "desktop-file-validate: $remarks"
    exit 1
fi

dpkg-deb -x "$deb" "$out/root"
for program in zevo zevo-cli; do
    [[ "$(file -b "$out/root/usr/bin/$program")" == *", stripped"* ]] ||
        { echo "usr/bin/$program is not stripped"; exit 1; }
    [ -f "$out/root/usr/share/man/man1/$program.1.gz" ] ||
        { echo "no man page usr/share/man/man1/$program.1.gz"; exit 1; }
done
symbols=$(dpkg-deb -c "$ddeb")
grep -q '/usr/lib/debug/.build-id/.*\.debug$' <<<"$symbols" ||
    { echo "no debug symbols in $(basename "$ddeb")"; exit 1; }

echo "lintian $(basename "$deb") $(basename "$ddeb"):"
lintian --fail-on error,warning --show-overrides "$deb" "$ddeb" | tee "$out/lintian.txt"
