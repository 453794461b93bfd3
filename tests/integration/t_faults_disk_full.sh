# The program's folder on a small tmpfs that fills up. The log is made to
# end a few bytes short of a page, so that the next sample line would need a
# new page: with the disk full, that line cannot be written, and it must be
# reported with the error box and leave the file as it was (no torn line).
# Once space is freed, the next change is logged after the last whole line.
. "$(dirname "$0")/faults_lib.sh"

# An earlier measurement in the log, 4034 bytes: with this run's header (34
# bytes with an empty comment) and first sample line (18) it ends 10 bytes
# before the end of its first 4096-byte page.
old_log() {
    printf "\r\n' Sun Dec  6 10:00:00 2026\r\n' old1\r\n"
    local i
    for ((i = 0; i < 222; i++)); do printf '%7d, %3d, %2d\r\n' $((i * 60)) $((100 - i / 3)) 0; done
}

full_setup() {
    D=$FAULTS_DIR/prog
    mkdir -p "$D" || return 1
    local size
    size=$(stat -c %s "$PELMOR_EXE") || return 1
    size=$(((size / 4096 + 32) * 4096))
    mount -t tmpfs -o "size=$size,mode=755" pelmor-full "$D" || return 1
    cp "$PELMOR_EXE" "$D/pelmor.exe" && old_log >"$D/pelmor.log"
}
full_teardown() { umount "$FAULTS_DIR/prog" 2>/dev/null; }
faults_outside full_setup full_teardown

. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
need_fake_battery
D=$FAULTS_DIR/prog
LOG=$D/pelmor.log
check "the old log" "$(wc -c <"$LOG")" 4034

battery_set 80 0
pelmor_start "$D"
find_status_bar
start_measuring
t0=$(now)
expect_sample 80 0 "$t0" "$t0" "$t0" "the first sample line, with room on the disk"
size=$(wc -c <"$LOG")
check "header and first line written (34 + 18 bytes)" "$size" 4086
cp "$LOG" "$ART/before-full.log"

# Fill the disk: whole pages, until nothing is left.
dd if=/dev/zero of="$D/filler" bs=4096 2>/dev/null
check "the disk is full" "$(LC_ALL=C dd if=/dev/zero of="$D/probe" bs=4096 count=1 2>&1 >/dev/null | grep -c 'No space')" 1
rm -f "$D/probe"
dd if=/dev/zero of="$D/filler" bs=4096 oflag=append conv=notrunc 2>/dev/null

battery_set 79 0
expect_log_error_box "a line that does not fit on the full disk"
cp "$LOG" "$ART/after-full.log"
if cmp -s "$ART/before-full.log" "$LOG"; then
    check "the log is unchanged by the failed line" 1 1
else
    fail "the failed line left the log changed: $(($(wc -c <"$LOG") - size)) bytes more, ending [$(tail -c 24 "$LOG" | od -An -c | tr -s ' ')]"
fi
watch_boxes 2
check "one box, while the ticks go on" "$MAX_BOXES" 1
[ -n "$BOX" ] && { box_ok "$BOX" || fail "OK did not close the box: $PM_ERROR"; }

# Room again: the next change is logged after the last whole line.
rm -f "$D/filler"
since=$(now)
battery_set 77 0
expect_sample 77 0 "$since" "$t0" "$t0" "the next change after space was freed"
sleep 1
boxes
check "no box once there is room" "${#BOXES[@]}" 0
[ ${#BOXES[@]} = 0 ] || { note "$(box_texts "${BOXES[0]}" | tr '\n' '|')"; screenshot extra-box; box_ok "${BOXES[0]}"; }
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0

cp "$LOG" "$ART/pelmor.log"
bad=$(log_lines_ok "$LOG") && check "every line of the log whole, CR LF" 1 1 ||
    fail "torn lines in the log: $bad"
check "the old lines and this run's first ones are kept" "$(head -c "$size" "$LOG" | cmp - "$ART/before-full.log" && echo same)" same
check "after them, exactly one line: 77 %" \
    "$(tail -c +$((size + 1)) "$LOG" | sed 's/^ *[0-9]*,/E,/' | od -An -c | tr -s ' ')" \
    "$(printf 'E,  77,  0\r\n' | od -An -c | tr -s ' ')"
