#!/usr/bin/env bash
# What Pelmor costs the machine, under Wine, side by side with a floor:
#   floor    floor.exe, a plain window with a 1000 ms timer that does nothing;
#   idle     pelmor.exe, no measurement;
#   measure  pelmor.exe measuring with both loads ticked (keystroke every
#            second, a web page every 20 s handed over DDE to a recording
#            stand-in for the browser, ddeserver.exe).
# Each runs in its own copy of the Wine prefix, with its own Wine server and
# its own Xvfb display, so the server's and the X server's CPU can be put
# down to it. All three run at once for the same stretch of time.
#
# Per program it reads, at the start and the end of the stretch:
#   - utime+stime (/proc/PID/stat) of the program's Wine process and of its
#     Wine server, turned into CPU seconds per hour;
#   - voluntary + involuntary context switches summed over every thread
#     (/proc/PID/task/*/status) of the same two processes: wake-ups per second;
#   - VmHWM of the program's process at the end: the peak resident set;
#   - the time from "start" to its window being visible, as the driver sees
#     it (it polls every 50 ms), with the prefix warm: a first window has
#     already started Wine's desktop and services there.
# The X server's CPU and the browser stand-in's are shown apart and left out
# of the totals (the stand-in's requests do pass through the measuring
# program's Wine server).
#
# Usage: bench/overhead.sh [SECONDS]   (default 300; at least 300 for figures
# worth quoting). Environment: PELMOR_BUILD (default build/bench),
# PELMOR_WINE_BITS, PELMOR_JOBS (default 2), OVERHEAD_BOXES (the check boxes
# ticked before measuring, client positions; default "8,8 128,8": both loads).
# Not part of the test command.
set -uo pipefail
cd "$(dirname "$0")/.."
export PELMOR_BUILD=${PELMOR_BUILD:-build/bench}
. scripts/wine-env.sh
pelmor_wine_base_env
pelmor_pick_wine || exit 1

DURATION=${1:-300}
SETTLE=10
JOBS=${PELMOR_JOBS:-2}
B=$PELMOR_BUILD
bits=$PELMOR_WINE_BITS
if [ "$bits" = 32 ]; then tc=mingw-i686.cmake; else tc=mingw-x86_64.cmake; fi
BW=$B/win$bits

echo "overhead: building the $bits-bit programs in $BW"
mkdir -p "$B" || exit 1  # the logs go beside it, into a folder a fresh clone lacks
cmake -S . -B "$BW" -DCMAKE_TOOLCHAIN_FILE="cmake/$tc" >"$B.configure.log" 2>&1 &&
    cmake --build "$BW" -j"$JOBS" --target pelmor pmdrive ddeserver floor >"$B.build.log" 2>&1 ||
    { echo "overhead: build failed (see $B.build.log)" >&2; exit 1; }

R=$B/overhead
rm -rf "$R"
mkdir -p "$R"
R=$(cd "$R" && pwd)
NAMES=(floor idle measure)
declare -A XPID WSPID DRVPID FDIN FDOUT PFX DIR PID WINPID T_WIN

cleanup() {
    local n
    for n in "${NAMES[@]}"; do
        if [ -n "${FDIN[$n]:-}" ]; then
            printf 'cleanup\nquit\n' >&"${FDIN[$n]}" 2>/dev/null
        fi
    done
    touch "$R/measure/dde/stop" 2>/dev/null
    sleep 1
    for n in "${NAMES[@]}"; do
        if [ -n "${PFX[$n]:-}" ]; then
            WINEPREFIX=${PFX[$n]} "$PELMOR_WINESERVER" -k >/dev/null 2>&1
        fi
        [ -n "${DRVPID[$n]:-}" ] && kill "${DRVPID[$n]}" 2>/dev/null
        [ -n "${WSPID[$n]:-}" ] && kill "${WSPID[$n]}" 2>/dev/null
        [ -n "${XPID[$n]:-}" ] && kill "${XPID[$n]}" 2>/dev/null
    done
    wait 2>/dev/null
}
trap cleanup EXIT

# ---- the prefixes ---------------------------------------------------------------

base=$B/wine/prefix-$bits
case $base in /*) ;; *) base=$PWD/$base ;; esac
if [ ! -f "$base/.pelmor-ready" ]; then
    pelmor_xvfb_start || exit 1
    pelmor_prefix "$base" 1 || exit 1
    kill "$PELMOR_XVFB_PID"
    wait "$PELMOR_XVFB_PID" 2>/dev/null
fi
for n in "${NAMES[@]}"; do
    DIR[$n]=$R/$n
    PFX[$n]=$R/$n/prefix
    mkdir -p "${DIR[$n]}"
    cp -a "$base" "${PFX[$n]}"
done

# ---- one driver per program -------------------------------------------------------

# pm NAME COMMAND [ARG...]: one driver command for program NAME; reply lines
# in PM_LINES, error text in PM_ERROR.
pm() {
    local n=$1 out=$2 arg line
    shift 2
    for arg in "$@"; do out+=$'\t'$arg; done  # the driver's words are tab-separated
    PM_LINES=()
    PM_ERROR=
    printf '%s\n' "$out" >&"${FDIN[$n]}" || { PM_ERROR="driver gone"; return 1; }
    while :; do
        IFS= read -r -t 90 -u "${FDOUT[$n]}" line || { PM_ERROR="no answer to: $out"; return 1; }
        line=${line%$'\r'}
        case $line in
        ok) return 0 ;;
        error*) PM_ERROR=${line#error?}; return 1 ;;
        *) PM_LINES+=("$line") ;;
        esac
    done
}
pm_ok() { pm "$@" || { echo "overhead: $1: $2 failed: $PM_ERROR" >&2; exit 1; }; }
field() {  # field LINE KEY
    local IFS=$'\t' part
    local -a parts
    read -r -a parts <<<"$1"
    for part in "${parts[@]:1}"; do
        [ "${part%%=*}" = "$2" ] && { printf '%b' "${part#*=}"; return 0; }
    done
    return 1
}
first() { field "${PM_LINES[0]}" "$1"; }

# The Linux process whose command line names this Windows program and
# whose environment has this prefix.
linux_pid() {
    local exe=$1 prefix=$2 p
    for p in /proc/[0-9]*; do
        { tr "\0" "\n" <"$p/cmdline" | head -1; } 2>/dev/null | grep -qiF "$exe" || continue
        { tr "\0" "\n" <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" || continue
        printf '%s' "${p#/proc/}"
        return 0
    done
    return 1
}

start_env() {  # NAME: the display, the prefix and its server for NAME
    local n=$1
    pelmor_xvfb_start || exit 1
    XPID[$n]=$PELMOR_XVFB_PID
    export WINEPREFIX=${PFX[$n]}
    "$PELMOR_WINESERVER" -f -p >/dev/null 2>&1 </dev/null &
    WSPID[$n]=$!
    sleep 0.3
    mkfifo "${DIR[$n]}/drv.in" "${DIR[$n]}/drv.out"
    "$PELMOR_WINE" "$(pelmor_winpath "$BW/tests/driver/pmdrive.exe")" serve \
        <"${DIR[$n]}/drv.in" >"${DIR[$n]}/drv.out" 2>"${DIR[$n]}/drv.err" &
    DRVPID[$n]=$!
    local fi fo
    exec {fi}>"${DIR[$n]}/drv.in" {fo}<"${DIR[$n]}/drv.out"
    FDIN[$n]=$fi
    FDOUT[$n]=$fo
    # A first window of the prefix starts Wine's desktop and services: show
    # one and close it, so that every program's start is timed warm.
    mkdir -p "${DIR[$n]}/warm"
    cp "$BW/bench/floor/floor.exe" "${DIR[$n]}/warm/"
    pm_ok "$n" start "path=$(pelmor_winpath "${DIR[$n]}/warm/floor.exe")"
    local wpid
    wpid=$(first pid)
    pm_ok "$n" find title=Floor "pid=$wpid" timeout=60000
    pm_ok "$n" close "hwnd=$(first hwnd)"
    pm_ok "$n" wait-exit "pid=$wpid" timeout=10000
}

# launch NAME EXE TITLE: starts the program through the driver and waits for
# its window; notes the time that took.
launch() {
    local n=$1 exe=$2 title=$3 t0 t1
    t0=$(date +%s%N)
    pm_ok "$n" start "path=$(pelmor_winpath "$exe")"
    WINPID[$n]=$(first pid)
    pm_ok "$n" find "title=$title" "pid=${WINPID[$n]}" timeout=60000
    t1=$(date +%s%N)
    T_WIN[$n]=$(( (t1 - t0) / 1000000 ))
    HWND=$(first hwnd)
    PID[$n]=$(linux_pid "$(basename "$exe")" "${PFX[$n]}") ||
        { echo "overhead: no Linux process found for $n" >&2; exit 1; }
}

# floor
start_env floor
cp "$BW/bench/floor/floor.exe" "${DIR[floor]}/floor.exe"
launch floor "${DIR[floor]}/floor.exe" Floor

# idle
start_env idle
mkdir -p "${DIR[idle]}/app"
cp "$BW/pelmor.exe" "${DIR[idle]}/app/"
launch idle "${DIR[idle]}/app/pelmor.exe" Pelmor

# measure: the browser stand-in first, then Pelmor, then both loads ticked
# and the measurement started as a user would.
start_env measure
A=${DIR[measure]}/app
D=${DIR[measure]}/dde
mkdir -p "$A" "$D"
cp "$BW/pelmor.exe" "$A/"
printf '[setup]\r\nkey=1\r\nreload=20\r\niepath=C:\\no-browser-here\\iexplore.exe\r\n' >"$A/pelmor.ini"
printf 'http://127.0.0.1:9/a\r\nhttp://127.0.0.1:9/b\r\nhttp://127.0.0.1:9/c\r\nhttp://127.0.0.1:9/d\r\n' >"$A/url.lst"
cp "$BW/tests/ddeserver/ddeserver.exe" "$D/"
wd=$(pelmor_winpath "$D")
printf '%s ' "$wd\\rec" --ready "$wd\\ready" --stop "$wd\\stop" \
    --lifetime $((DURATION + SETTLE + 600)) >"$D/ddeserver.args"
pm_ok measure start "path=$(pelmor_winpath "$D/ddeserver.exe")"
dde_winpid=$(first pid)
for _ in $(seq 150); do [ -f "$D/ready" ] && break; sleep 0.2; done
[ -f "$D/ready" ] || { echo "overhead: the DDE stand-in did not register" >&2; exit 1; }
DDE_PID=$(linux_pid ddeserver.exe "${PFX[measure]}") || DDE_PID=
launch measure "$A/pelmor.exe" Pelmor
main=$HWND
for at in ${OVERHEAD_BOXES-8,8 128,8}; do
    pm_ok measure control "hwnd=$main" "at=$at" timeout=5000
    pm_ok measure check "hwnd=$(first hwnd)" state=1
done
pm_ok measure foreground "hwnd=$main"
pm_ok measure keys "hwnd=$main" ctrl+s
pm_ok measure find "title=測定ﾛｸﾞのｺﾒﾝﾄ" "pid=${WINPID[measure]}" timeout=10000
dlg=$(first hwnd)
pm_ok measure keys "hwnd=$dlg" enter
pm_ok measure gone "hwnd=$dlg" timeout=10000

# ---- the stretch ------------------------------------------------------------------

TCK=$(getconf CLK_TCK)
cpu_ticks() {  # PID -> utime+stime in clock ticks
    local s
    s=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    s=${s##*) }
    set -- $s
    echo $(( ${12} + ${13} ))
}
switches() {  # PID -> voluntary+involuntary switches of every thread
    awk '/^(voluntary|nonvoluntary)_ctxt_switches:/ {s += $2} END {print s + 0}' \
        /proc/"$1"/task/*/status 2>/dev/null
}
sample() {  # TAG: cpu and switches of every process of interest
    local n
    for n in "${NAMES[@]}"; do
        eval "${1}_pc_$n=$(cpu_ticks "${PID[$n]}") ${1}_ps_$n=$(switches "${PID[$n]}")"
        eval "${1}_sc_$n=$(cpu_ticks "${WSPID[$n]}") ${1}_ss_$n=$(switches "${WSPID[$n]}")"
        eval "${1}_xc_$n=$(cpu_ticks "${XPID[$n]}")"
    done
    if [ -n "$DDE_PID" ]; then eval "${1}_dde=$(cpu_ticks "$DDE_PID")"; else eval "${1}_dde=0"; fi
}

echo "overhead: all three running; settling ${SETTLE}s, then measuring ${DURATION}s"
sleep "$SETTLE"
rec0=$(cat "$D/rec" 2>/dev/null | wc -l)
t0=$(date +%s%N)
sample a
sleep "$DURATION"
sample b
t1=$(date +%s%N)
rec1=$(cat "$D/rec" 2>/dev/null | wc -l)
secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", (b - a) / 1e9}')

for n in "${NAMES[@]}"; do
    kill -0 "${PID[$n]}" 2>/dev/null || echo "overhead: WARNING: $n ended during the run" >&2
done
pm measure items "hwnd=$(pm measure control "hwnd=$main" at=128,32 && first hwnd)" >/dev/null 2>&1

# ---- the table --------------------------------------------------------------------

rows=$R/rows.txt
: >"$rows"
for n in "${NAMES[@]}"; do
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/${PID[$n]}/status" 2>/dev/null)
    threads=$(ls "/proc/${PID[$n]}/task" | wc -l)
    eval "pc=\$((b_pc_$n - a_pc_$n)) sc=\$((b_sc_$n - a_sc_$n)) xc=\$((b_xc_$n - a_xc_$n))"
    eval "ps=\$((b_ps_$n - a_ps_$n)) ss=\$((b_ss_$n - a_ss_$n))"
    echo "$n $pc $sc $xc $ps $ss ${hwm:-0} ${T_WIN[$n]} $threads" >>"$rows"
done
ddec=$((b_dde - a_dde))

awk -v secs="$secs" -v tck="$TCK" -v ddec="$ddec" -v pages=$((rec1 - rec0)) '
function cph(t) { return t / tck * 3600 / secs }
{
    name[NR] = $1
    cpu_p[NR] = cph($2); cpu_s[NR] = cph($3); cpu_x[NR] = cph($4)
    cpu[NR] = cpu_p[NR] + cpu_s[NR]
    wk_p[NR] = $5 / secs; wk_s[NR] = $6 / secs; wk[NR] = wk_p[NR] + wk_s[NR]
    hwm[NR] = $7 / 1024; win[NR] = $8; thr[NR] = $9
}
END {
    printf "\nOver %.0f s, CPU in seconds per hour, wake-ups (context switches of all threads) per second.\n", secs
    printf "%-8s %9s %9s %9s %8s %8s %8s %8s %9s %8s %8s\n", "program", "cpu/h", "process", "server", "Xvfb", "wake/s", "process", "server", "peakMiB", "window", "threads"
    for (i = 1; i <= NR; i++)
        printf "%-8s %9.2f %9.2f %9.2f %8.2f %8.2f %8.2f %8.2f %9.2f %6d ms %8d\n", name[i], cpu[i], cpu_p[i], cpu_s[i], cpu_x[i], wk[i], wk_p[i], wk_s[i], hwm[i], win[i], thr[i]
    printf "\nRatios to the floor (goals: idle cpu and wake-ups <= 1.2, measuring <= 2; working set <= floor + 2 MiB)\n"
    printf "%-8s %9s %9s %12s\n", "program", "cpu", "wake-ups", "peak - floor"
    for (i = 2; i <= NR; i++)
        printf "%-8s %9.2f %9.2f %8.2f MiB\n", name[i], cpu[i] / cpu[1], wk[i] / wk[1], hwm[i] - hwm[1]
    printf "\nBrowser stand-in (ddeserver.exe, left out above): %.2f cpu s/h; %d pages handed over in the stretch\n", cph(ddec), pages
}' "$rows" | tee "$R/table.txt"
echo "overhead: table saved to $R/table.txt"
