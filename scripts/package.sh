#!/usr/bin/env bash
# Makes the packages a user takes, each in a build of its own that holds only
# the programs (no tests), and checks them:
#   build/win32-package/pelmor-<version>-win32.zip   pelmor.exe, pelmor-report.exe, README.md
#   build/deb/pelmor_<version>_amd64.deb            the Linux program and pelmor-report
# The packaged programs carry no debug information (it stays in the build
# folders, <program>.debug); lintian must find no error in the Debian package.
# Usage: scripts/package.sh [win32|deb]... (default both). Environment:
# PELMOR_BUILD (build root, default build/), PELMOR_JOBS (default 2).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
B=${PELMOR_BUILD:-build}
JOBS=${PELMOR_JOBS:-2}
what=("$@")
[ ${#what[@]} -gt 0 ] || what=(win32 deb)
mkdir -p "$B" || exit 1
failed=0
problem() { echo "package: $*" >&2; failed=1; }

make_package() {  # make_package PRESET: configure, build and cpack; prints the package's path
    local dir=$B/$1
    cmake --preset "$1" -B "$dir" >"$dir.configure.log" 2>&1 &&
        cmake --build "$dir" -j"$JOBS" >"$dir.build.log" 2>&1 &&
        (cd "$dir" && cpack) >"$dir.cpack.log" 2>&1 ||
        { echo "package: $1 failed (see $dir.*.log)" >&2; return 1; }
    sed -nE 's/^CPack: - package: (.*) generated\./\1/p' "$dir.cpack.log"
}

for w in "${what[@]}"; do
    case $w in
    win32)
        zip=$(make_package win32-package) || { failed=1; continue; }
        echo "$zip"
        unzip -l "$zip"
        names=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | grep -v '^$' | sort | tr '\n' ' ')
        [ "$names" = "README.md pelmor-report.exe pelmor.exe " ] || problem "the zip holds: $names"
        tmp=$(mktemp -d)
        unzip -q "$zip" -d "$tmp"
        for exe in "$tmp"/*/*.exe; do
            if i686-w64-mingw32-objdump -h "$exe" | grep -qE ' \.(debug_|stab)'; then
                problem "$(basename "$exe") carries debug information"
            fi
        done
        rm -rf "$tmp"
        ;;
    deb)
        deb=$(make_package deb) || { failed=1; continue; }
        echo "$deb"
        dpkg-deb -f "$deb" Package Version Maintainer Depends Recommends Suggests
        listing=$(dpkg-deb -c "$deb")
        for f in ./usr/bin/pelmor ./usr/bin/pelmor-report ./usr/share/man/man1/pelmor.1.gz \
            ./usr/share/man/man1/pelmor-report.1.gz ./usr/share/doc/pelmor/copyright; do
            grep -q " $f\$" <<<"$listing" || problem "the Debian package lacks $f"
        done
        if command -v lintian >/dev/null; then
            lintian "$deb" | tee "$B/deb.lintian.log"
            ! grep -q '^E: ' "$B/deb.lintian.log" || problem "lintian reports errors"
        else
            echo "package: lintian is not installed: the Debian package is not checked" >&2
        fi
        ;;
    *) echo "usage: $0 [win32|deb]..." >&2; exit 2 ;;
    esac
done
exit "$failed"
