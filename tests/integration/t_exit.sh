# Leaving Pelmor as a user does: the exit item of the file menu, reached by
# keyboard, and the close box clicked with the mouse. Either way the process
# ends with exit code 0 and the instance mutex is gone.
. "$(dirname "$0")/lib.sh"

exit_checks() {  # exit_checks HOW
    if pelmor_wait_exit "$PELMOR_PID" 10000; then
        check "$1: exit code" "$PELMOR_EXIT" 0
    else
        fail "$1: Pelmor did not end: $PM_ERROR"
        return
    fi
    pm gone "hwnd=$PELMOR_HWND" timeout=1000 || fail "$1: the main window outlived the process"
    pm_ok mutex name=ravoshu-pelmor
    check "$1: the mutex ravoshu-pelmor is gone" "$(pm_field mutex exists)" 0
}

# The menu: Alt+F drops the file menu down; Up wraps round to its last item,
# the exit item; Enter chooses it. (Its letter S is shared with the settings
# item, which Wine chooses at once on S.)
pelmor_start
pm_ok mutex name=ravoshu-pelmor
check "the mutex exists while Pelmor runs" "$(pm_field mutex exists)" 1
sleep 1.5  # a tick or two first
pm_ok keys "hwnd=$PELMOR_HWND" alt+f
pm popup "pid=$PELMOR_PID" || fail "Alt+F opened no drop-down: $PM_ERROR"
pm_ok keys up enter
exit_checks "exit item"

# The close box, clicked with the mouse on the frame Wine draws.
pelmor_start
sleep 1.5
pm_ok closebox "hwnd=$PELMOR_HWND"
note "close box at $(pm_field closebox x),$(pm_field closebox y), $(pm_field closebox clicks) click(s)"
exit_checks "close box"
