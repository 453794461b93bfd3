# The check programs of the Win32 side, run under this Wine: toolkit_check
# (forms, controls, menus, timers, modal loops, the session end),
# adapters_check (the platform adapters) and profilecheck (Wine's profile
# functions against the results the unit tests compare with). They are
# built with pelmor.exe; each ends non-zero when one of its checks failed.
. "$(dirname "$0")/lib.sh"

build=$(cd "$(dirname "${PELMOR_EXE:-.}")/../.." && pwd)
for run in "toolkit_check $build/platform/win32/toolkit_check.exe" \
    "adapters_check $build/tests/adapters/adapters_check.exe" \
    "profilecheck sh $(dirname "$0")/../profilecheck/run.sh $build/tests/profilecheck/profilecheck.exe"; do
    set -- $run
    name=$1
    shift
    [ "$1" = sh ] && exe=$3 || exe=$1
    if [ ! -f "$exe" ]; then
        fail "$name has not been built ($exe)"
        continue
    fi
    [ "$1" = sh ] || { cp "$exe" "$T/$name.exe" && set -- "$PELMOR_WINE" "$name.exe"; }
    out=$(cd "$T" && WINE=$PELMOR_WINE timeout 120 "$@" 2>&1)
    rc=$?
    printf "%s\n" "$out" | grep -vE '^(PASS|ok )' | tail -5 | sed "s/^/  $name | /"
    check "$name: ran, and every check passed" "$rc $([ -n "$out" ] && echo ran)" "0 ran"
done
