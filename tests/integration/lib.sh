# Shared by the integration scenarios (tests/integration/t_*.sh). A scenario
# sources this file first; it then has:
#   - a fresh folder $T holding a copy of pelmor.exe (the settings file, the
#     log and url.lst live beside the exe), removed at the end;
#   - the driver pmdrive running in serve mode, reached through `pm`;
#   - a fake battery (`battery_set`) where the machine allows it;
#   - checks (`check`, `check_match`, `wait_until`) and a summary at exit.
# Every Windows process the scenario started is ended when it finishes.
#
# Environment, from tests/integration/CMakeLists.txt: PELMOR_EXE, PMDRIVE_EXE,
# PMTESTWIN_EXE, PELMOR_WINE, PELMOR_WINESERVER, WINEPREFIX, PELMOR_SESSION
# (file with DISPLAY), PELMOR_ARTIFACTS (screenshots, and the files of failed
# scenarios).

PELMOR_SCENARIO=$(basename "$0" .sh)

# The fake battery needs a private mount namespace: run the scenario in one.
if [ -z "${PELMOR_IN_NS:-}" ]; then
    export PELMOR_IN_NS=0
    if [ "$(id -u)" = 0 ] && [ -d /sys/class/power_supply ] &&
        unshare -m --propagation private true 2>/dev/null; then
        PELMOR_IN_NS=1 exec unshare -m --propagation private bash "$0" "$@"
    fi
fi

set -uo pipefail

if [ -n "${PELMOR_SESSION:-}" ] && [ -f "$PELMOR_SESSION" ]; then
    # shellcheck disable=SC1090
    . "$PELMOR_SESSION"
fi
: "${DISPLAY:?no X display: run through scripts/test.sh or ctest in the integration build}"
: "${PELMOR_WINE:?}" "${WINEPREFIX:?}" "${PMDRIVE_EXE:?}"
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${PELMOR_WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEPREFIX DISPLAY

PELMOR_ARTIFACTS=${PELMOR_ARTIFACTS:-${TMPDIR:-/tmp}}
ART=$PELMOR_ARTIFACTS/$PELMOR_SCENARIO
rm -rf "$ART"
mkdir -p "$ART"
T=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-$PELMOR_SCENARIO-XXXXXX")
PM_CHECKS=0
PM_FAILED=0
PM_T0=$SECONDS

note() { printf '  %s\n' "$*"; }

# A Windows path for a file of this machine.
winpath() {
    local p
    p=$(readlink -f -- "$1" 2>/dev/null || echo "$1")
    printf 'Z:%s' "${p//\//\\}"
}

# ---- checks ------------------------------------------------------------------

check() {  # check DESCRIPTION ACTUAL EXPECTED
    PM_CHECKS=$((PM_CHECKS + 1))
    if [ "$2" == "$3" ]; then
        printf 'ok    %s\n' "$1"
    else
        PM_FAILED=$((PM_FAILED + 1))
        printf 'FAIL  %s\n        got:      [%s]\n        expected: [%s]\n' "$1" "$2" "$3"
    fi
}

check_match() {  # check_match DESCRIPTION ACTUAL EXTENDED-REGEX
    PM_CHECKS=$((PM_CHECKS + 1))
    if [[ $2 =~ $3 ]]; then
        printf 'ok    %s\n' "$1"
    else
        PM_FAILED=$((PM_FAILED + 1))
        printf 'FAIL  %s\n        got:      [%s]\n        expected: /%s/\n' "$1" "$2" "$3"
    fi
}

fail() {
    PM_CHECKS=$((PM_CHECKS + 1))
    PM_FAILED=$((PM_FAILED + 1))
    printf 'FAIL  %s\n' "$*"
}

# Ends the scenario at once: a step the rest depends on failed.
abort() {
    fail "$*"
    exit 1
}

# Ends the scenario as skipped (ctest shows it as "Not Run").
skip() {
    printf 'SKIP  %s\n' "$*"
    PM_SKIPPED=1
    exit 77
}

# wait_until SECONDS COMMAND...: polls until the command succeeds.
wait_until() {
    local limit=$1
    shift
    local end=$((SECONDS + limit))
    while :; do
        "$@" && return 0
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.2
    done
}

# ---- the driver ----------------------------------------------------------------

coproc PMD { exec "$PELMOR_WINE" "$PMDRIVE_EXE" serve 2>>"$ART/pmdrive.stderr"; }
PM_DRIVER_PID=$PMD_PID
exec {PM_IN}>&"${PMD[1]}" {PM_OUT}<&"${PMD[0]}"

PM_LINES=()
PM_ERROR=

# pm COMMAND [key=value | word]...: one driver command. The reply's data
# lines land in PM_LINES; on failure PM_ERROR holds the message and pm
# returns 1. Values need no quoting: pm quotes every argument.
pm() {
    local line arg out
    out=$1
    shift
    for arg in "$@"; do
        arg=${arg//\\/\\\\}
        out+=" \"${arg//\"/\\\"}\""
    done
    PM_LINES=()
    PM_ERROR=
    printf '%s\n' "$out" >&"$PM_IN" || { PM_ERROR="driver gone"; return 1; }
    while :; do
        if ! IFS= read -r -t 60 -u "$PM_OUT" line; then
            PM_ERROR="no answer from the driver to: $out"
            return 1
        fi
        line=${line%$'\r'}
        case $line in
        ok) return 0 ;;
        error*)
            PM_ERROR=${line#error?}
            return 1
            ;;
        *) PM_LINES+=("$line") ;;
        esac
    done
}

# pm_ok COMMAND...: pm, and abort the scenario when it fails.
pm_ok() {
    pm "$@" || abort "driver: $* -> $PM_ERROR"
}

# field LINE KEY: the unescaped value of KEY in a driver line.
field() {
    local IFS=$'\t' part
    local -a parts
    read -r -a parts <<<"$1"
    for part in "${parts[@]:1}"; do
        if [ "${part%%=*}" = "$2" ]; then
            printf '%b' "${part#*=}"
            return 0
        fi
    done
    return 1
}

# pm_field KIND KEY [N]: KEY of the Nth (default first) reply line of KIND.
pm_field() {
    local l n=${3:-0}
    for l in "${PM_LINES[@]}"; do
        if [ "${l%%$'\t'*}" = "$1" ]; then
            if [ "$n" = 0 ]; then
                field "$l" "$2"
                return
            fi
            n=$((n - 1))
        fi
    done
    return 1
}

# ---- the program -----------------------------------------------------------------

if [ -f "${PELMOR_EXE:-}" ]; then cp "$PELMOR_EXE" "$T/pelmor.exe"; fi

# pelmor_start [DIR]: starts pelmor.exe (from $T unless DIR is given) and
# waits for its main window. Sets PELMOR_PID and PELMOR_HWND.
pelmor_start() {
    local dir=${1:-$T}
    [ -f "${PELMOR_EXE:-}" ] || abort "pelmor.exe has not been built (PELMOR_EXE=${PELMOR_EXE:-})"
    [ -f "$dir/pelmor.exe" ] || cp "$PELMOR_EXE" "$dir/pelmor.exe"
    pm_ok start "path=$(winpath "$dir/pelmor.exe")"
    PELMOR_PID=$(pm_field process pid)
    pm find title=Pelmor "pid=$PELMOR_PID" timeout=20000 ||
        abort "the main window of pelmor.exe (pid $PELMOR_PID) did not appear: $PM_ERROR"
    PELMOR_HWND=$(pm_field window hwnd)
}

# pelmor_wait_exit [PID] [TIMEOUT_MS]: waits for the process to end; sets
# PELMOR_EXIT to its exit code as a signed number.
pelmor_wait_exit() {
    PELMOR_EXIT=
    pm wait-exit "pid=${1:-$PELMOR_PID}" "timeout=${2:-10000}" || return 1
    PELMOR_EXIT=$(pm_field exit signed)
}

# control_at X Y [HWND]: the control whose top-left corner is at X,Y of the
# window's client area (default: the last window found). Prints its line.
control_at() {
    pm control "at=$1,$2" ${3:+hwnd=$3} timeout=3000 || return 1
    printf '%s' "${PM_LINES[0]}"
}

# panel_texts STATUSBAR_HWND: fills PANELS with the panel texts.
panel_texts() {
    PANELS=()
    pm status "hwnd=$1" || return 1
    local l
    for l in "${PM_LINES[@]}"; do
        [ "${l%%$'\t'*}" = panel ] && PANELS+=("$(field "$l" text)")
    done
    return 0
}

# screenshot NAME [HWND]: saves NAME.png (the window, default the whole
# screen) among the scenario's artifacts.
screenshot() {
    local bmp="$ART/$1.bmp"
    pm screenshot "file=$(winpath "$ART")\\$1.bmp" ${2:+hwnd=$2} whole=1 || {
        fail "screenshot $1: $PM_ERROR"
        return 1
    }
    if command -v convert >/dev/null 2>&1; then
        convert "$bmp" "$ART/$1.png" && rm -f "$bmp"
    fi
    note "screenshot: $ART/$1.png"
}

# ---- the fake battery ----------------------------------------------------------

PELMOR_POWER=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-power-XXXXXX")
PELMOR_FAKE_BATTERY=0

# battery_set PERCENT AC_ONLINE [STATUS]: the state Wine reads from
# /sys/class/power_supply (a 5 Ah battery in BAT0, the mains in AC). STATUS
# defaults to Discharging on battery and Charging on AC (Full at 100 %).
battery_set() {
    [ "$PELMOR_FAKE_BATTERY" = 1 ] || abort "battery_set: no fake battery on this machine"
    local pct=$1 ac=$2 status=${3:-}
    if [ -z "$status" ]; then
        if [ "$pct" -ge 100 ]; then status=Full
        elif [ "$ac" = 1 ]; then status=Charging
        else status=Discharging; fi
    fi
    local b=$PELMOR_POWER/BAT0
    echo Battery >"$b/type"
    echo 1 >"$b/present"
    echo "$status" >"$b/status"
    echo 5000000 >"$b/charge_full"
    echo 5000000 >"$b/charge_full_design"
    echo $((pct * 50000)) >"$b/charge_now"
    echo 11100000 >"$b/voltage_now"
    echo 1000000 >"$b/current_now"
    echo "$pct" >"$b/capacity"
    echo Mains >"$PELMOR_POWER/AC/type"
    echo "$ac" >"$PELMOR_POWER/AC/online"
}

# battery_remove: a machine without a battery (mains only).
battery_remove() {
    [ "$PELMOR_FAKE_BATTERY" = 1 ] || abort "battery_remove: no fake battery on this machine"
    rm -rf "$PELMOR_POWER/BAT0"
    mkdir -p "$PELMOR_POWER/BAT0"
}

need_fake_battery() {
    [ "$PELMOR_FAKE_BATTERY" = 1 ] ||
        skip "no fake battery: needs root and a private mount namespace (unshare -m)"
}

if [ "$PELMOR_IN_NS" = 1 ]; then
    mkdir -p "$PELMOR_POWER/BAT0" "$PELMOR_POWER/AC"
    if mount --bind "$PELMOR_POWER" /sys/class/power_supply 2>/dev/null; then
        PELMOR_FAKE_BATTERY=1
        battery_set 77 0
    fi
fi

# ---- the end -------------------------------------------------------------------

PM_SKIPPED=0
pelmor_finish() {
    local rc=$?
    pm cleanup >/dev/null 2>&1 && [ ${#PM_LINES[@]} -gt 0 ] &&
        note "ended still-running programs: ${PM_LINES[*]}"
    printf 'quit\n' >&"$PM_IN" 2>/dev/null
    exec {PM_IN}>&- {PM_OUT}<&-
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$PM_DRIVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill "$PM_DRIVER_PID" 2>/dev/null
    if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then umount /sys/class/power_supply 2>/dev/null; fi
    if [ "$PM_FAILED" -gt 0 ] || { [ "$rc" != 0 ] && [ "$rc" != 77 ]; }; then
        cp -r "$T"/. "$ART/files" 2>/dev/null
        rm -f "$ART/files/pelmor.exe"
    fi
    rm -rf "$T" "$PELMOR_POWER"
    [ -s "$ART/pmdrive.stderr" ] || rm -f "$ART/pmdrive.stderr"
    [ "$PM_SKIPPED" = 1 ] && exit 77
    echo "$PELMOR_SCENARIO: $((PM_CHECKS - PM_FAILED)) of $PM_CHECKS checks passed in $((SECONDS - PM_T0)) s"
    if [ "$PM_FAILED" -gt 0 ] || [ "$rc" != 0 ]; then exit 1; fi
    exit 0
}
trap pelmor_finish EXIT
