# The Wine process of pelmor.exe killed with SIGKILL in the middle of a
# measurement while the battery drains: every line written before the kill
# is in pelmor.log whole, with CR LF; a restart and a new measurement append
# their header after the old last line, nothing lost or overwritten.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
. "$(dirname "$0")/faults_lib.sh"
need_fake_battery

battery_set 90 0
pelmor_start
find_status_bar
start_measuring
t0=$(now)
for level in 90 89 88 87; do
    since=$(now)
    [ "$level" = 90 ] || battery_set "$level" 0
    expect_sample "$level" 0 "$since" "$t0" "$t0" "$level % logged"
done
# The Linux process that runs this very pelmor.exe (its path is unique to
# this scenario).
linux_pid=
for p in /proc/[0-9]*; do
    tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qF "${T//\//\\}\\pelmor.exe" && linux_pid=${p#/proc/}
    [ -n "$linux_pid" ] && break
done
[ -n "$linux_pid" ] || abort "the Wine process of pelmor.exe was not found"
battery_set 86 0
sleep 0.5
kill -9 "$linux_pid"
pelmor_wait_exit "$PELMOR_PID" 10000 || fail "the killed program is still there: $PM_ERROR"
cp "$LOG" "$ART/killed.log"
bad=$(log_lines_ok "$LOG") && check "after the kill, every line whole with CR LF" 1 1 || fail "after the kill: $bad"
logged=$(tr -d '\r' <"$LOG" | sed -n 's/^ *[0-9]*, *\([0-9]*\), *0$/\1/p' | tr '\n' ' ')
check_match "the lines logged before the kill, in order" "$logged" '^90 89 88 87 (86 )?$'
size=$(wc -c <"$LOG")

# Restart, a new measurement with a comment.
battery_set 85 0
pelmor_start
find_status_bar
start_measuring
t1=$(now)
expect_sample 85 0 "$t1" "$t1" "$t1" "the new measurement's first line"
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
cp "$LOG" "$ART/pelmor.log"
check "the old lines are kept as they were" "$(head -c "$size" "$LOG" | cmp - "$ART/killed.log" && echo same)" same
check_match "after them, the new header and the new line" \
    "$(tail -c +$((size + 1)) "$LOG" | tr -d '\r' | tr '\n' '|')" \
    "^\\|' [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4}\\|' \\| +[0-9]+,  85,  0\\|$"
bad=$(log_lines_ok "$LOG") && check "every line whole with CR LF" 1 1 || fail "$bad"
