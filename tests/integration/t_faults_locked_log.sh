# pelmor.log held open without sharing by another program (holdlog.exe,
# built here from holdlog.c): the next line shows the error box once and
# leaves the file unchanged. Once the other program lets go, logging goes
# on: a change logged by a tick while the box is still open, and the next
# change after it, each exactly once.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
. "$(dirname "$0")/faults_lib.sh"
need_fake_battery

if [ "${PELMOR_WINE_BITS:-64}" = 32 ]; then cc=i686-w64-mingw32-gcc; else cc=x86_64-w64-mingw32-gcc; fi
command -v "$cc" >/dev/null || skip "no $cc to build the helper that holds the file"
"$cc" -municode -O2 -o "$T/holdlog.exe" "$(dirname "$0")/holdlog.c" 2>"$ART/holdlog-build.txt" ||
    abort "holdlog.exe did not build: $(cat "$ART/holdlog-build.txt")"

battery_set 80 0
pelmor_start
find_status_bar
start_measuring
t0=$(now)
expect_sample 80 0 "$t0" "$t0" "$t0" "the first sample line"
cp "$LOG" "$ART/before-hold.log"
size=$(wc -c <"$LOG")

pm_ok start "path=$(winpath "$T/holdlog.exe")" "dir=$(winpath "$T")"
hold_pid=$(pm_field process pid)
wait_until 10 test -f "$T/held" || abort "holdlog.exe did not get the file (failed: $(ls "$T"/hold-failed 2>/dev/null))"

battery_set 79 0
expect_log_error_box "a line while the file is held" || abort "no error box"
cmp -s "$ART/before-hold.log" "$LOG" && check "the held file is unchanged" 1 1 ||
    fail "the held file changed: [$(tail -c +$((size + 1)) "$LOG" | od -An -c | tr -s ' ')]"
watch_boxes 2
check "one box while the ticks go on" "$MAX_BOXES" 1

# The other program lets go while the box is still open: the tick of the
# next change writes its line.
touch "$T/release"
pelmor_wait_exit "$hold_pid" 10000 || fail "holdlog.exe did not end: $PM_ERROR"
since=$(now)
battery_set 78 0
expect_sample 78 0 "$since" "$t0" "$t0" "a change while the box is open, after the file was let go"
box_ok "$BOX" || fail "OK did not close the box: $PM_ERROR"
sleep 2.5
check "no new box once the file is free" "$(box_count)" 0
since=$(now)
battery_set 77 0
expect_sample 77 0 "$since" "$t0" "$t0" "the next change"
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0

cp "$LOG" "$ART/pelmor.log"
bad=$(log_lines_ok "$LOG") && check "every line of the log whole, CR LF" 1 1 || fail "torn lines: $bad"
check "the lines from before the hold are kept" "$(head -c "$size" "$LOG" | cmp - "$ART/before-hold.log" && echo same)" same
# The 78 % line is written by a tick nested in the box's modal loop; when
# the outer call returns, the last-logged level must not fall back to 79 %,
# or the next tick writes 78 % a second time.
check "after them: 78 % once, then 77 %" \
    "$(tail -c +$((size + 1)) "$LOG" | sed 's/^ *[0-9]*,/E,/' | tr -d '\r' | tr '\n' '|')" \
    "E,  78,  0|E,  77,  0|"
