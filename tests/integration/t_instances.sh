# The instance mutex: a second copy started while the first runs opens a
# window of its own; a name already taken by an object of another kind
# stops start-up with exit code -1 and no window.
. "$(dirname "$0")/lib.sh"

pelmor_start
first_pid=$PELMOR_PID first_hwnd=$PELMOR_HWND
pelmor_start
second_pid=$PELMOR_PID second_hwnd=$PELMOR_HWND
check "the second copy is a process of its own" "$([ "$first_pid" != "$second_pid" ] && echo yes)" yes
check "the second copy has its own main window" "$([ "$first_hwnd" != "$second_hwnd" ] && echo yes)" yes
pm_ok windows title=Pelmor visible=1
check "two main windows on the screen" "${#PM_LINES[@]}" 2

pm_ok close "hwnd=$second_hwnd"
pelmor_wait_exit "$second_pid" || fail "the second copy did not end: $PM_ERROR"
check "second copy: exit code" "${PELMOR_EXIT-}" 0
pm_ok mutex name=ravoshu-pelmor
check "the first copy still holds the mutex" "$(pm_field mutex exists)" 1
pm_ok alive "pid=$first_pid"
check "the first copy runs on" "$(pm_field alive running)" 1

pm_ok close "hwnd=$first_hwnd"
pelmor_wait_exit "$first_pid" || fail "the first copy did not end: $PM_ERROR"
check "first copy: exit code" "${PELMOR_EXIT-}" 0
pm_ok mutex name=ravoshu-pelmor
check "the mutex is gone with the last copy" "$(pm_field mutex exists)" 0

# An event holds the name: CreateMutexA gets no handle.
pm_ok event name=ravoshu-pelmor
mkdir "$T/blocked"
cp "$PELMOR_EXE" "$T/blocked/pelmor.exe"
pm_ok start "path=$(winpath "$T/blocked/pelmor.exe")"
pid=$(pm_field process pid)
seen=0
for ((i = 0; i < 100; i++)); do
    pm windows "pid=$pid" visible=1 && [ ${#PM_LINES[@]} -gt 0 ] && seen=1
    pm_ok alive "pid=$pid"
    [ "$(pm_field alive running)" = 0 ] && break
    sleep 0.1
done
if pelmor_wait_exit "$pid" 10000; then
    pm_ok wait-exit "pid=$pid"
    # Wine reports the code as the unsigned 32-bit value 4294967295.
    note "exit code as reported: $(pm_field exit code)"
    check "name taken: exit code -1" "$PELMOR_EXIT" -1
else
    fail "with the name taken Pelmor did not end: $PM_ERROR"
fi
check "name taken: no window shown" "$seen" 0
check "name taken: no file written beside the exe" "$(ls "$T/blocked")" "pelmor.exe"
pm_ok release
