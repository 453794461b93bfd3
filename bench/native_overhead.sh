#!/usr/bin/env bash
# What the native Linux program costs the machine, side by side with floors:
#   floor    floor_qt: a Qt Widgets window with a 1000 ms timer that does nothing;
#   loaded   floor_qt --keys: the same typing the ten digits and Enter into its
#            own edit each second through XTEST, as the keystroke load does;
#   idle     pelmor, no measurement;
#   measure  pelmor measuring with both loads ticked: keystroke interval 1 s, a
#            web page every 20 s, four pages of a local HTTP server opened in
#            headless Chromium, which Pelmor starts and drives itself.
# Each has an Xvfb display of its own (typed keys go to a display's focus); all
# four run at once for the same stretch. As root, a fake battery (77 %, on
# battery) is bind-mounted over /sys/class/power_supply in a private mount
# namespace, so Pelmor reads a battery's files as on a notebook.
#
# Per program, at the start and the end of the stretch:
#   - the time on a CPU of all its threads (/proc/PID/task/*/schedstat, in
#     nanoseconds): CPU seconds per hour;
#   - voluntary + involuntary context switches of all its threads
#     (/proc/PID/task/*/status): wake-ups per second;
#   - VmHWM at the end: the peak resident set, shared library pages included;
#     and the pages of its own (Private_Clean + Private_Dirty of smaps_rollup).
# The browser (every process below the measuring Pelmor, with what they reaped),
# the HTTP server and each Xvfb are shown apart and left out of the totals.
#
# Usage: bench/native_overhead.sh [SECONDS]   (default 120). Environment:
# PELMOR_BUILD (default build/native), PELMOR_JOBS (default 2). Needs Xvfb,
# xdotool, chromium and python3. Not part of the test command.
set -uo pipefail
cd "$(dirname "$0")/.."
DURATION=${1:-120}
SETTLE=15
B=${PELMOR_BUILD:-build/native}

if [ -z "${PELMOR_BENCH_NS:-}" ]; then
    for c in Xvfb xdotool chromium python3; do
        command -v "$c" >/dev/null || { echo "native_overhead: $c is missing" >&2; exit 1; }
    done
    echo "native_overhead: building pelmor and floor_qt in $B"
    mkdir -p "$B" || exit 1  # the build log goes beside it, into a folder a fresh clone lacks
    { cmake -S . -B "$B" -DPELMOR_QT=ON && cmake --build "$B" -j"${PELMOR_JOBS:-2}" --target pelmor floor_qt; } \
        >"$B.bench-build.log" 2>&1 || { echo "native_overhead: build failed (see $B.bench-build.log)" >&2; exit 1; }
    if [ "$(id -u)" = 0 ] && unshare -m --propagation private true 2>/dev/null; then
        PELMOR_BENCH_NS=1 exec unshare -m --propagation private bash "$0" "$@"
    fi
    echo "native_overhead: not root: Pelmor reads this machine's own power supplies"
fi

R=$(mkdir -p "$B/native-overhead" && cd "$B/native-overhead" && pwd)
rm -rf "${R:?}"/*
NAMES=(floor loaded idle measure)
declare -A XPID PID DISP
pids=()
cleanup() {
    kill "${pids[@]}" 2>/dev/null
    wait 2>/dev/null
    [ -n "${PELMOR_BENCH_NS:-}" ] && umount /sys/class/power_supply 2>/dev/null
}
trap cleanup EXIT

if [ -n "${PELMOR_BENCH_NS:-}" ]; then
    mkdir -p "$R/power/BAT0" "$R/power/AC"
    for kv in type=Battery present=1 status=Discharging energy_full=50000000 energy_now=38500000 \
        power_now=8000000 voltage_now=11100000 capacity=77; do
        echo "${kv#*=}" >"$R/power/BAT0/${kv%%=*}"
    done
    echo Mains >"$R/power/AC/type"
    echo 0 >"$R/power/AC/online"
    mount --bind "$R/power" /sys/class/power_supply
fi

# ---- the web pages and their server ----------------------------------------------
mkdir -p "$R/site"
for p in a b c d; do
    {
        printf '<!DOCTYPE html><html lang="ja"><head><meta charset="utf-8"><title>page %s</title></head><body>\n' "$p"
        for i in $(seq 40); do printf '<p>%s-%d 電池の持ちを測るためのページです。The quick brown fox jumps over the lazy dog.</p>\n' "$p" "$i"; done
        printf '</body></html>\n'
    } >"$R/site/$p.html"
done
python3 -c '
import http.server, functools, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_port))
server.serve_forever()' "$R/site" "$R/port" 2>"$R/http.log" &
HTTP_PID=$!
pids+=("$HTTP_PID")
for _ in $(seq 50); do [ -s "$R/port" ] && break; sleep 0.1; done
PORT=$(cat "$R/port")

# ---- the displays and the programs -------------------------------------------------
xvfb() {  # NAME: a display of its own for NAME
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$R/$1.display" >/dev/null 2>&1 &
    XPID[$1]=$!
    pids+=($!)
    for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$(cat "$R/$1.display")" ] && break; sleep 0.1; done
    DISP[$1]=:$(cat "$R/$1.display")
}
start() {  # NAME PROGRAM [ARG]: starts it on its display, in its own folder
    xvfb "$1"
    mkdir -p "$R/$1"
    cp "$2" "$R/$1/"
    (cd "$R/$1" && exec env -u DBUS_SESSION_BUS_ADDRESS DISPLAY="${DISP[$1]}" LANG=ja_JP.UTF-8 \
        "./$(basename "$2")" "${@:3}" >"$R/$1.out" 2>&1) &
    PID[$1]=$!
    pids+=($!)
}
start floor "$B/bench/floor-qt/floor_qt"
start loaded "$B/bench/floor-qt/floor_qt" --keys
start idle "$B/pelmor"
mkdir -p "$R/measure"
printf '#!/bin/sh\nexec chromium --headless "$@"\n' >"$R/measure/chromium-headless"
chmod +x "$R/measure/chromium-headless"
printf '[setup]\r\niepath=%s\r\nreload=20\r\nkey=1\r\n' "$R/measure/chromium-headless" >"$R/measure/pelmor.ini"
for p in a b c d; do printf 'http://127.0.0.1:%s/%s.html\r\n' "$PORT" "$p"; done >"$R/measure/url.lst"
start measure "$B/pelmor"

# Both check boxes (client 8,8 and 128,8, below the menu bar), Ctrl+S, Enter.
export DISPLAY=${DISP[measure]}
w=$(xdotool search --sync --onlyvisible --name '^Pelmor$' | head -1)
h=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: [0-9]*x//p')
menu=$((h - 246))
for x in 20 140; do
    xdotool mousemove --window "$w" "$x" $((menu + 16)) click 1
    sleep 0.3
done
xdotool key ctrl+s
xdotool search --sync --onlyvisible --name '測定ﾛｸﾞのｺﾒﾝﾄ' >/dev/null
xdotool key Return
sleep 2
if ! LC_ALL=C grep -q "^' " "$R/measure/pelmor.log" 2>/dev/null; then
    echo "native_overhead: the measurement did not start (no log header)" >&2
    exit 1
fi
unset DISPLAY

# ---- the stretch ------------------------------------------------------------------
TCK=$(getconf CLK_TCK)
cpu() {  # PID [own|all|reaped]: its nanoseconds on a CPU (all threads), with or only of the
    # children it waited for (those in clock ticks, all the kernel keeps)
    local s f t ns=0
    if [ "${2:-own}" != reaped ]; then
        for t in /proc/"$1"/task/*/schedstat; do read -r s _ <"$t" 2>/dev/null && ns=$((ns + s)); done
    fi
    if [ "${2:-own}" != own ]; then
        s=$(cat "/proc/$1/stat" 2>/dev/null) && read -ra f <<<"${s##*) }" &&
            ns=$((ns + (f[13] + f[14]) * 1000000000 / TCK))
    fi
    echo "$ns"
}
switches() {  # PID...: voluntary+involuntary switches of all their threads, and the involuntary alone
    local p f=()
    for p in "$@"; do f+=(/proc/"$p"/task/*/status); done
    awk '/^voluntary_ctxt_switches:/ {v += $2} /^nonvoluntary_ctxt_switches:/ {n += $2}
         END {print v + n, n + 0}' "${f[@]}" 2>/dev/null
}
descendants() {  # PID: every process below it
    local c
    for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        echo "$c"
        descendants "$c"
    done
}
browser() {  # the browser's cpu ticks, switches and processes: everything below the measuring
    # Pelmor, with the children they waited for, and those Pelmor waited for (a browser started afresh)
    local -a d
    mapfile -t d < <(descendants "${PID[measure]}")
    local p t
    t=$(cpu "${PID[measure]}" reaped)
    for p in "${d[@]}"; do t=$((t + $(cpu "$p" all))); done
    echo "$t $(switches "${d[@]}" | cut -d' ' -f1) ${#d[@]}"
}
sample() {  # TAG
    local n
    for n in "${NAMES[@]}"; do
        eval "${1}_c_$n=$(cpu "${PID[$n]}") ${1}_x_$n=$(cpu "${XPID[$n]}")"
        read -r "${1}_s_$n" "${1}_i_$n" < <(switches "${PID[$n]}")
    done
    read -r "${1}_bc" "${1}_bs" "${1}_bn" < <(browser)
    eval "${1}_hc=$(cpu "$HTTP_PID")"
}

echo "native_overhead: all four running; settling ${SETTLE}s, then measuring ${DURATION}s"
sleep "$SETTLE"
load0=$(cut -d' ' -f1-3 /proc/loadavg)
req0=$(grep -c 'GET /[a-d].html' "$R/http.log")
t0=$(date +%s%N)
sample a
sleep "$DURATION"
sample b
t1=$(date +%s%N)
req1=$(grep -c 'GET /[a-d].html' "$R/http.log")
load1=$(cut -d' ' -f1-3 /proc/loadavg)
secs=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
for n in "${NAMES[@]}"; do
    kill -0 "${PID[$n]}" 2>/dev/null || echo "native_overhead: WARNING: $n ended during the run" >&2
done
DISPLAY=${DISP[measure]} import -window root "$R/measure.png" 2>/dev/null

# ---- the table --------------------------------------------------------------------
rows=$R/rows.txt
: >"$rows"
for n in "${NAMES[@]}"; do
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/${PID[$n]}/status")
    uss=$(awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s}' "/proc/${PID[$n]}/smaps_rollup")
    threads=$(ls "/proc/${PID[$n]}/task" | wc -l)
    eval "echo $n \$((b_c_$n - a_c_$n)) \$((b_s_$n - a_s_$n)) \$((b_x_$n - a_x_$n)) $hwm $threads \$((b_i_$n - a_i_$n)) $uss" >>"$rows"
    cp "/proc/${PID[$n]}/smaps" "$R/$n.smaps"  # what the memory is, mapping by mapping
done
echo "browser $((b_bc - a_bc)) $((b_bs - a_bs)) 0 0 $b_bn 0" >>"$rows"
echo "http $((b_hc - a_hc)) 0 0 0 0 0" >>"$rows"

awk -v secs="$secs" -v load="load average $load0 before, $load1 after, on $(nproc) cores" -v pages=$((req1 - req0)) '
function cph(t) { return t / 1e9 * 3600 / secs }
{ name[NR] = $1; cpu[NR] = cph($2); wk[NR] = $3 / secs; x[NR] = cph($4); hwm[NR] = $5 / 1024; thr[NR] = $6; inv[NR] = $7 / secs; uss[NR] = $8 / 1024 }
END {
    printf "\nOver %.0f s (%s): CPU in seconds per hour,\nwake-ups (context switches of all threads, the involuntary ones also alone) per second.\n", secs, load
    printf "%-8s %9s %9s %9s %9s %9s %9s %8s\n", "program", "cpu s/h", "wake/s", "(invol.)", "peak MiB", "own MiB", "Xvfb s/h", "threads"
    for (i = 1; i <= 4; i++)
        printf "%-8s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %8d\n", name[i], cpu[i], wk[i], inv[i], hwm[i], uss[i], x[i], thr[i]
    printf "\nApart: the browser (%d processes below the measuring Pelmor) %.2f cpu s/h, %.1f wake-ups/s;\n", thr[5], cpu[5], wk[5]
    printf "the HTTP server %.2f cpu s/h; %d page requests in the stretch.\n", cpu[6], pages
    printf "\nGoals: idle within 1.2x the floor, measuring within 1.5x the loaded floor, peak within 5 MiB of the floor.\n"
    printf "idle / floor:       cpu %.2fx, wake-ups %.2fx, peak %+.2f MiB\n", cpu[3] / cpu[1], wk[3] / wk[1], hwm[3] - hwm[1]
    printf "measure / loaded:   cpu %.2fx, wake-ups %.2fx, peak %+.2f MiB\n", cpu[4] / cpu[2], wk[4] / wk[2], hwm[4] - hwm[2]
    printf "loaded / floor:     cpu %.2fx, wake-ups %.2fx, peak %+.2f MiB\n", cpu[2] / cpu[1], wk[2] / wk[1], hwm[2] - hwm[1]
}' "$rows" | tee "$R/table.txt"
echo "native_overhead: table saved to $R/table.txt, the measuring display in $R/measure.png"
