# Windows shuts down while a measurement runs: WM_QUERYENDSESSION and
# WM_ENDSESSION write the log's end line and save the history and the close
# time, and the program ends. The measurement is started with the comment
# dialog's button and an empty comment.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"

need_fake_battery
battery_set 91 1

t_up0=$(now)
pelmor_start
t_up1=$(now)
w=$PELMOR_HWND
find_status_bar
wait_panel 1 "ＡＣ駆動  91%" || fail "panel 1 never showed 91 % on the mains: [${PANELS[1]-}]"

pm_ok foreground "hwnd=$w"
pm_ok keys "hwnd=$w" ctrl+s
dlg=$(comment_dialog) || abort "Ctrl+S opened no comment dialog: $PM_ERROR"
button=$(control_at 312 16 "$dlg") || abort "no button in the comment dialog: $PM_ERROR"
t_ok0=$(now)
pm_ok click "hwnd=$(field "$button" hwnd)"
pm gone "hwnd=$dlg" timeout=5000 || abort "the button did not close the comment dialog"
t_ok1=$(now)
expect_header "$t_ok0" "$t_ok1" ""
expect_sample 91 1 "$t_ok0" "$t_ok0" "$t_ok1" "the first tick logs 91 % on the mains"
drain 90 0 "$t_ok0" "$t_ok1" "mains pulled at 90 %"

t_close0=$(now)
pm_ok endsession "hwnd=$w"
check "the session may end" "$(pm_field queryendsession result)" 1
pelmor_wait_exit "$PELMOR_PID" 10000 || fail "Pelmor still runs after WM_ENDSESSION: $PM_ERROR"
t_close1=$(now)
check "exit code" "${PELMOR_EXIT-}" 0
expect_end_line

check_log
check_history_file "$t_up0" "$t_up1" "$t_close0" "$t_close1" '^(91 1|90 0)$'
check "history: the first sample is the start-up tick" "${HIST[0]-}" "91 1"
