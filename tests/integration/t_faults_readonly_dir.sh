# The program's folder on a read-only mount: the log cannot be created. A
# measurement shows the error box once, and while it is open the one-second
# tick goes on (panel 1 follows the battery, panel 0 the elapsed time)
# without piling up more boxes. After OK the program goes on; the settings
# file cannot be written either, and the close goes through without a box.
. "$(dirname "$0")/faults_lib.sh"

ro_setup() {
    D=$FAULTS_DIR/prog
    mkdir -p "$D" && cp "$PELMOR_EXE" "$D/pelmor.exe" &&
        mount --bind "$D" "$D" && mount -o remount,ro,bind "$D" "$D" || return 1
    ! touch "$D/probe" 2>/dev/null
}
ro_teardown() { umount "$FAULTS_DIR/prog" 2>/dev/null; }
faults_outside ro_setup ro_teardown

. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
need_fake_battery
D=$FAULTS_DIR/prog
check "the folder is read-only" "$(touch "$D/probe" 2>/dev/null && echo writable || echo read-only)" read-only

battery_set 80 0
pelmor_start "$D"
find_status_bar
wait_panel 1 "電池駆動  80%" || fail "panel 1 at start-up: [${PANELS[1]-}]"
check "no box at start-up" "$(box_count)" 0

start_unlogged
expect_log_error_box "the first sample line" || abort "no error box"

# The box stays open: ticks go on, changes are met with silence.
panel_texts "$sb"
elapsed0=${PANELS[0]-}
battery_set 79 0
wait_panel 1 "電池駆動  79%" || fail "panel 1 did not follow the battery while the box is open: [${PANELS[1]-}]"
battery_set 78 1
wait_panel 1 "ＡＣ駆動  78%" || fail "panel 1 did not follow the mains while the box is open: [${PANELS[1]-}]"
watch_boxes 3
check "changes while the box is open add no box" "$MAX_BOXES" 1
panel_texts "$sb"
check_match "panel 0 counts on while the box is open" "${PANELS[0]-}" '^ +[0-9]+:[0-9]{2}:[0-9]{2}$'
[ "${PANELS[0]-}" != "$elapsed0" ] || fail "panel 0 stood still at [$elapsed0] while the box was open"
check "the box is still the same one" "${BOXES[0]-}" "$BOX"

box_ok "$BOX" || fail "OK did not close the box: $PM_ERROR"
check "no box after OK" "$(box_count)" 0

# The next change is another failed line: one box again, and the program
# still answers.
battery_set 77 1
expect_log_error_box "the next change after OK" && box_ok "$BOX"
battery_set 76 1
wait_panel 1 "ＡＣ駆動  76%" || fail "panel 1 after the second box: [${PANELS[1]-}]"
expect_log_error_box "the change after that" && box_ok "$BOX"
check "no file was created" "$(cd "$D" && ls)" "pelmor.exe"

# Stop, then close: the history cannot be saved, and that is not reported.
stop_measuring
wait_panel 0 "" || fail "the stop did not empty panel 0: [${PANELS[0]-}]"
sleep 1
check "no box after the stop" "$(box_count)" 0
pm_ok close "hwnd=$PELMOR_HWND"
sleep 1
check "no box at the close" "$(box_count 2>/dev/null || echo 0)" 0
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
check "still no file beside the program" "$(cd "$D" && ls)" "pelmor.exe"
