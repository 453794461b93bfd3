# Sourced first by every t_*.sh: a fresh folder $T with pelmor.exe, the driver (`pm`),
# checks, a fake battery where the machine allows it, and a summary at exit.

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

# shellcheck disable=SC1090
[ -f "${PELMOR_SESSION:-}" ] && . "$PELMOR_SESSION"
: "${DISPLAY:?no X display: run through scripts/test.sh or ctest in the integration build}"
: "${PELMOR_WINE:?}" "${WINEPREFIX:?}" "${PMDRIVE_EXE:?}"
. "$(dirname "$0")/../../scripts/wine-env.sh"
pelmor_wine_base_env
export WINEPREFIX DISPLAY

ART=${PELMOR_ARTIFACTS:-${TMPDIR:-/tmp}}/$PELMOR_SCENARIO
rm -rf "$ART"
mkdir -p "$ART"
T=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-$PELMOR_SCENARIO-XXXXXX")
PM_CHECKS=0 PM_FAILED=0 PM_SKIPPED=0 PM_T0=$SECONDS

note() { printf '  %s\n' "$*"; }


check() {  # check DESCRIPTION ACTUAL EXPECTED
    [ "$2" == "$3" ] && { PM_CHECKS=$((PM_CHECKS + 1)); printf 'ok    %s\n' "$1"; return; }
    fail "$1" && printf '        got:      [%s]\n        expected: [%s]\n' "$2" "$3"
}

check_match() {  # check_match DESCRIPTION ACTUAL EXTENDED-REGEX
    if [[ $2 =~ $3 ]]; then check "$1" 1 1; else check "$1" "$2" "/$3/"; fi
}

fail() { PM_CHECKS=$((PM_CHECKS + 1)) PM_FAILED=$((PM_FAILED + 1)) && printf 'FAIL  %s\n' "$*"; }
abort() { fail "$*"; exit 1; }  # a step the rest depends on failed
skip() { printf 'SKIP  %s\n' "$*"; PM_SKIPPED=1; exit 77; }

wait_until() {  # wait_until SECONDS COMMAND... (SECONDS times PELMOR_WAIT_SCALE, for slow machines)
    local end=$((SECONDS + $1 * ${PELMOR_WAIT_SCALE:-1})) && shift
    until "$@"; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.2
    done
}


coproc PMD { exec "$PELMOR_WINE" "$PMDRIVE_EXE" serve 2>>"$ART/pmdrive.stderr"; }
PM_DRIVER_PID=$PMD_PID
exec {PM_IN}>&"${PMD[1]}" {PM_OUT}<&"${PMD[0]}"

# pm COMMAND [key=value | word]...: data lines in PM_LINES; on failure 1 and PM_ERROR.
pm() {
    local IFS=$'\t'
    local line out="$*"
    PM_LINES=() PM_ERROR=
    printf '%s\n' "$out" >&"$PM_IN" || { PM_ERROR="driver gone"; return 1; }
    while IFS= read -r -t 60 -u "$PM_OUT" line; do
        case $line in
        ok) return 0 ;;
        error*) PM_ERROR=${line#error?}; return 1 ;;
        *) PM_LINES+=("$line") ;;
        esac
    done
    PM_ERROR="no answer from the driver to: $out"
    return 1
}

pm_ok() { pm "$@" || abort "driver: $* -> $PM_ERROR"; }

field() {  # field LINE KEY: the unescaped value of KEY in a driver line
    local IFS=$'\t' part
    local -a parts
    read -r -a parts <<<"$1"
    for part in "${parts[@]:1}"; do
        [ "${part%%=*}" = "$2" ] && { printf '%b' "${part#*=}"; return 0; }
    done
    return 1
}

pm_field() { field "${PM_LINES[${2:-0}]-}" "$1"; }  # pm_field KEY [N]: KEY of reply line N
pm_all() {  # ALL = KEY of every reply line
    local l
    ALL=()
    for l in "${PM_LINES[@]}"; do ALL+=("$(field "$l" "$1")"); done
}


[ -f "${PELMOR_EXE:-}" ] && cp "$PELMOR_EXE" "$T/pelmor.exe"
LOG=$T/pelmor.log INI=$T/pelmor.ini

# pelmor_start [DIR]: starts DIR/pelmor.exe and sets PELMOR_PID, W and SB (status bar).
pelmor_start() {
    local dir=${1:-$T}
    [ -f "${PELMOR_EXE:-}" ] || abort "pelmor.exe has not been built (PELMOR_EXE=${PELMOR_EXE:-})"
    [ -f "$dir/pelmor.exe" ] || cp "$PELMOR_EXE" "$dir/pelmor.exe"
    pm_ok start "path=$(pelmor_winpath "$dir/pelmor.exe")"
    PELMOR_PID=$(pm_field pid)
    pm find title=Pelmor "pid=$PELMOR_PID" timeout=20000 ||
        abort "the main window of pelmor.exe (pid $PELMOR_PID) did not appear: $PM_ERROR"
    W=$(pm_field hwnd)
    SB=$(ctl 0 227)
}

pelmor_exit() {  # pelmor_exit WHAT: waits for Pelmor to end with exit code 0
    pm wait-exit "pid=$PELMOR_PID" && check "$1: exit code" "$(pm_field signed)" 0 || fail "Pelmor did not end: $PM_ERROR"
}

ctl() { pm control "hwnd=${3:-$W}" "at=$1,$2" && pm_field hwnd; }  # ctl X Y [WINDOW]: control at X,Y

text_of() { pm text "hwnd=$1" && pm_field text; }

panels() { PANELS=() && pm status "hwnd=$SB" && pm_all text && PANELS=("${ALL[@]}"); }  # the status panels' texts

panel_is() { panels && [ "${PANELS[$1]-}" == "$2" ]; }
wait_panel() { wait_until 5 panel_is "$@"; }  # wait_panel N TEXT

write_ini() { printf '[setup]\r\n' >"$INI" && printf '%s\r\n' "$@" >>"$INI"; }

shot() { import -display "$DISPLAY" -window root "$ART/$1.png" 2>/dev/null; }
notepad() {  # OTHER = the window of a notepad started now
    pm_ok start 'path=C:\windows\system32\notepad.exe'
    pm find class=Notepad "pid=$(pm_field pid)" || abort "notepad did not open: $PM_ERROR"
    OTHER=$(pm_field hwnd)
}


comment_open() {  # Ctrl+S; DLG = the comment dialog
    pm_ok keys "hwnd=$W" ctrl+s
    pm find "title=測定ﾛｸﾞのｺﾒﾝﾄ" "pid=$PELMOR_PID" || abort "Ctrl+S opened no comment dialog: $PM_ERROR"
    DLG=$(pm_field hwnd)
}

start_measuring() {
    comment_open
    pm_ok click "hwnd=$(ctl 312 16 "$DLG")"
    pm gone "hwnd=$DLG" || abort "the comment dialog did not close: $PM_ERROR"
}


last_line() { [ -f "$LOG" ] && LC_ALL=C tail -n 1 "$LOG" | tr -d '\r'; }

wait_line() {  # wait_line LEVEL SOURCE: waits for that sample as the last log line
    local re="^ *-?[0-9]+, +$1, +$2\$"
    wait_until 6 eval '[[ $(last_line) =~ $re ]]' ||
        { fail "no log line '$1, $2' (last line: [$(last_line)])"; return 1; }
}


boxes() {  # BOXES = the handles of Pelmor's open message boxes
    BOXES=()
    pm find class=#32770 "pid=$PELMOR_PID" timeout=0 || [ "$PM_ERROR" = "no such window" ] || return 1
    pm_all hwnd && BOXES=("${ALL[@]}")
}

box_count() { boxes && printf '%s' "${#BOXES[@]}"; }
box_text() { pm control "hwnd=$1" class=Static && pm_all text && printf '%s' "${ALL[@]}"; }  # its static texts

box_ok() { pm control "hwnd=$1" text=OK && pm click "hwnd=$(pm_field hwnd)" && pm gone "hwnd=$1" timeout=5000; }

expect_log_box() {  # expect_log_box WHAT: the one error box about the log, in BOX
    BOX=
    wait_until 6 eval 'boxes && [ ${#BOXES[@]} -gt 0 ]' || { fail "$1: no message box appeared"; return 1; }
    BOX=${BOXES[0]}
    check "$1: one box, caption Pelmor, the log error" \
        "${#BOXES[@]} $(text_of "$BOX") $(box_text "$BOX")" "1 Pelmor ﾛｸﾞﾌｧｲﾙ保存失敗。"
}


PELMOR_POWER=$(mktemp -d "${TMPDIR:-/tmp}/pelmor-power-XXXXXX")
PELMOR_FAKE_BATTERY=0

# battery_set PERCENT AC_ONLINE: a 5 Ah BAT0 and the mains in AC, as Wine reads them.
battery_set() {
    [ "$PELMOR_FAKE_BATTERY" = 1 ] || abort "battery_set: no fake battery on this machine"
    local kv status=Discharging
    [ "$2" = 1 ] && status=Charging
    [ "$1" -ge 100 ] && status=Full
    mkdir -p "$PELMOR_POWER/BAT0"
    for kv in BAT0/type=Battery BAT0/present=1 BAT0/status=$status BAT0/charge_full=5000000 \
        BAT0/charge_full_design=5000000 BAT0/charge_now=$(($1 * 50000)) BAT0/voltage_now=11100000 \
        BAT0/current_now=1000000 BAT0/capacity=$1 AC/type=Mains AC/online=$2; do
        # renamed into place: a reader never sees a file emptied for its rewrite
        echo "${kv#*=}" >"$PELMOR_POWER/${kv%%=*}.new" && mv -f "$PELMOR_POWER/${kv%%=*}.new" "$PELMOR_POWER/${kv%%=*}"
    done
}

need_fake_battery() {
    [ "$PELMOR_FAKE_BATTERY" = 1 ] ||
        skip "no fake battery: needs root and a private mount namespace (unshare -m)"
}

if [ "$PELMOR_IN_NS" = 1 ]; then
    mkdir -p "$PELMOR_POWER/AC"
    if mount --bind "$PELMOR_POWER" /sys/class/power_supply 2>/dev/null; then
        PELMOR_FAKE_BATTERY=1
        battery_set 77 0
    fi
fi


pelmor_finish() {
    local rc=$?
    pm cleanup >/dev/null 2>&1 && [ ${#PM_LINES[@]} -gt 0 ] && note "ended still-running programs: ${PM_LINES[*]}"
    printf 'quit\n' >&"$PM_IN" 2>/dev/null
    exec {PM_IN}>&- {PM_OUT}<&-
    wait_until 5 eval '! kill -0 "$PM_DRIVER_PID" 2>/dev/null' || kill "$PM_DRIVER_PID" 2>/dev/null
    [ "$PELMOR_FAKE_BATTERY" = 1 ] && umount /sys/class/power_supply 2>/dev/null
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
