# pelmor.ini on a read-only mount (the file alone): start-up reads it as
# usual; the close can save nothing, shows nothing and ends with 0, and the
# file stays as it was.
. "$(dirname "$0")/faults_lib.sh"

ini_setup() {
    D=$FAULTS_DIR/prog
    mkdir -p "$D" && cp "$PELMOR_EXE" "$D/pelmor.exe" || return 1
    printf '[setup]\r\niepath=C:\\ie\\iexplore.exe\r\nreload=90\r\nkey=30\r\n[log]\r\n0=55 0\r\n1=54 0\r\n2=\r\nendtime=%s\r\n' \
        $(($(date +%s) - 3725)) >"$D/pelmor.ini" || return 1
    mount --bind "$D/pelmor.ini" "$D/pelmor.ini" && mount -o remount,ro,bind "$D/pelmor.ini" "$D/pelmor.ini" || return 1
    ! echo x 2>/dev/null >>"$D/pelmor.ini"
}
ini_teardown() { umount "$FAULTS_DIR/prog/pelmor.ini" 2>/dev/null; }
faults_outside ini_setup ini_teardown

. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
D=$FAULTS_DIR/prog
cp "$D/pelmor.ini" "$ART/pelmor.ini.before"
check "the settings file is read-only" "$( (echo x >>"$D/pelmor.ini") 2>/dev/null && echo writable || echo read-only)" read-only

pelmor_start "$D"
find_status_bar
panel_texts "$sb"
check_match "start-up read endtime: panel 2 counts from it" "${PANELS[2]-}" '^ 前回の電源断から 1:02:0[5-9]経過$'
sleep 1.5
pm_ok close "hwnd=$PELMOR_HWND"
sleep 1
boxes
check "no box at the close" "${#BOXES[@]}" 0
[ ${#BOXES[@]} = 0 ] || { note "box: $(box_texts "${BOXES[0]}" | tr '\n' '|')"; box_ok "${BOXES[0]}"; }
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
cmp -s "$ART/pelmor.ini.before" "$D/pelmor.ini" && check "pelmor.ini unchanged" 1 1 || fail "pelmor.ini changed"
check "no other file beside the program" "$(cd "$D" && ls | tr '\n' ' ')" "pelmor.exe pelmor.ini "
