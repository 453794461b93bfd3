# A close sent by another program (WM_CLOSE, as a task manager's End Task
# sends it) while a dialog or the log's error box holds the main window
# disabled is not lost: Pelmor stays up while that window is open and ends,
# with exit code 0 and the history saved, once it has gone.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
. "$(dirname "$0")/faults_lib.sh"

# open_KIND leaves the modal window in MODAL; end_KIND closes it as a user.
open_about() {
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" alt+f a
    pm find class=TfrmAbout "pid=$PELMOR_PID" timeout=5000 || abort "no about box: $PM_ERROR"
    MODAL=$(pm_field window hwnd)
}
end_about() { pm_ok keys "hwnd=$MODAL" enter; }
open_setup() {
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" alt+f s
    pm find class=TfrmSetup "pid=$PELMOR_PID" timeout=5000 || abort "no settings dialog: $PM_ERROR"
    MODAL=$(pm_field window hwnd)
}
end_setup() { pm_ok keys "hwnd=$MODAL" esc; }
# A log that cannot be opened (a folder of that name): the box of the first
# sample line, owned by the main window.
open_logbox() {
    mkdir "$T/pelmor.log"
    start_unlogged
    expect_log_error_box "the first sample line" || abort "no error box"
    MODAL=$BOX
}
end_logbox() { box_ok "$MODAL" || fail "OK did not close the box: $PM_ERROR"; }

for kind in about setup logbox; do
    rm -rf "$T/pelmor.ini" "$T/pelmor.log"
    pelmor_start
    "open_$kind"
    pm_ok close "hwnd=$PELMOR_HWND"
    sleep 1.5
    pm_ok alive "pid=$PELMOR_PID"
    check "$kind: Pelmor is still up while it is open" "$(pm_field alive running)" 1
    "end_$kind"
    # The close of a measurement writes the end line: with the log still
    # unwritable, that brings the box once more.
    ended=0
    for ((i = 0; i < 20 && !ended; i++)); do
        if pelmor_wait_exit "$PELMOR_PID" 500; then ended=1; elif have_box; then box_ok "${BOXES[0]}"; fi
    done
    check "$kind: the close ran once it had gone" "$ended" 1
    [ "$ended" = 1 ] || { pm_ok closebox "hwnd=$PELMOR_HWND"; pelmor_wait_exit; continue; }
    check "$kind: exit code" "$PELMOR_EXIT" 0
    check "$kind: the history and the close time were saved" "$(grep -c '^endtime=' "$T/pelmor.ini")" 1
done
