#!/bin/sh
# Runs the private-profile cases through Wine's own profile functions and
# compares what they read back with wine-results.txt, which the unit tests
# compare with IniProfile.
#   tests/profilecheck/run.sh PROFILECHECK_EXE           compare
#   tests/profilecheck/run.sh --record PROFILECHECK_EXE  rewrite wine-results.txt
# PROFILECHECK_EXE is the x86_64 build (build/<name>-win64/tests/profilecheck/).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
record=0
if [ "${1:-}" = "--record" ]; then record=1; shift; fi
exe=${1:?usage: run.sh [--record] PROFILECHECK_EXE}
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
wine=${WINE:-/usr/lib/wine/wine64}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/cases.txt" "$work/cases.txt"
(cd "$work" && WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all LANG=ja_JP.UTF-8 \
    "$wine" "$exe" cases.txt . > out.txt)
grep -v '^#' "$work/out.txt" > "$work/results.txt" || true
if [ ! -s "$work/results.txt" ]; then
    echo "profilecheck printed nothing" >&2
    exit 1
fi
if [ $record = 1 ]; then
    cp "$work/results.txt" "$here/wine-results.txt"
    echo "recorded $(grep -c -- ' -> ' "$here/wine-results.txt") results"
    exit 0
fi
if diff -u "$here/wine-results.txt" "$work/results.txt"; then
    echo "$(grep -c -- ' -> ' "$work/results.txt") passed, 0 failed"
else
    echo "Wine's results differ from wine-results.txt" >&2
    exit 1
fi
