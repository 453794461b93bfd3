#!/usr/bin/env bash
# tests/win32/run.sh BUILD_DIR [GoogleTest options]: win32_test.exe of the Windows build
# that Wine runs here, on the Wine session of the scenarios (scripts/wine-env.sh); the exit
# code is the test's.
set -uo pipefail
exe=$(find "${1:?usage: tests/win32/run.sh BUILD_DIR [GoogleTest options]}" -name win32_test.exe -type f | head -1)
shift
[ -n "$exe" ] || { echo "win32_test.exe has not been built"; exit 1; }
# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/../../scripts/wine-env.sh"
pelmor_pick_wine || exit 1
export WINEPREFIX=${PELMOR_WINEPREFIX:-$PELMOR_BUILD/wine/prefix-$PELMOR_WINE_BITS}
session=$(mktemp) out=$(mktemp)
pelmor_session_start "$session" >/dev/null || exit 1
trap 'pelmor_session_stop "$session" >/dev/null; rm -f "$out"' EXIT
# Into a file: the Wine services this starts keep a pipe open after the test.
timeout 120 "$PELMOR_WINE" "$exe" "$@" >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
exit "$rc"
