# The check programs of the Win32 side, run under this Wine: toolkit_check
# (forms, controls, menus, timers, modal loops, the session end),
# adapters_check (the platform adapters) and profilecheck (Wine's profile
# functions against the results the unit tests compare with). They are
# built with pelmor.exe; each ends non-zero when one of its checks failed.
. "$(dirname "$0")/lib.sh"

build=$(cd "$(dirname "${PELMOR_EXE:-.}")/../.." && pwd)
for exe in platform/win32/toolkit_check tests/adapters/adapters_check tests/profilecheck/profilecheck; do
    name=${exe##*/} exe=$build/$exe.exe
    [ -f "$exe" ] || { fail "$name has not been built ($exe)"; continue; }
    if [ "$name" = profilecheck ]; then
        out=$(WINE=$PELMOR_WINE timeout 120 sh "$(dirname "$0")/../profilecheck/run.sh" "$exe" 2>&1)
    else
        out=$(cp "$exe" "$T" && cd "$T" && timeout 120 "$PELMOR_WINE" "$name.exe" 2>&1)
    fi
    rc=$?
    printf '%s\n' "$out" | grep -vE '^(PASS|ok )' | tail -5 | sed "s/^/  $name | /"
    check "$name: ran, and every check passed" "$rc $([ -n "$out" ] && echo ran)" "0 ran"
done
