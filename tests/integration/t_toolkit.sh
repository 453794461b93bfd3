# The Win32 toolkit against Wine's window system: toolkit_check.exe, built
# beside pelmor.exe, builds forms from layouts and checks frames, controls,
# menus and shortcuts, timers, the image bitmap, modal loops, the default
# exception display and the close query at a session end. Then the real
# program's windows are looked at from outside: the main window's designed
# places, and its three dialogs opened from the keyboard.
. "$(dirname "$0")/lib.sh"

checker=$(dirname "${PELMOR_EXE:-}")/toolkit_check.exe
[ -f "$checker" ] || abort "toolkit_check.exe has not been built beside pelmor.exe"
cp "$checker" "$T/toolkit_check.exe"

out=$(cd "$T" && timeout 120 "$PELMOR_WINE" toolkit_check.exe 2>/dev/null)
rc=$?
printf '%s\n' "$out" | sed 's/^/  | /'
check "toolkit_check.exe: every check passed" "$rc" 0
check_match "toolkit_check.exe ran to its summary" "$out" "[0-9]+ checks, 0 failed"

pelmor_start
sleep 1.5
pm_ok geometry "hwnd=$PELMOR_HWND"
check "main window at its designed place" "$(pm_field geometry x),$(pm_field geometry y)" "306,99"
check "main window client area" "$(pm_field geometry client_w)x$(pm_field geometry client_h)" "373x246"
declare -A want=(
    [8,128]="PelmorImage 353x97" [0,0]="Static 373x9" [8,32]="Edit 113x89"
    [8,8]="Button 113x17" [128,32]="ListBox 233x89" [128,8]="Button 113x17"
    [0,227]="msctls_statusbar32 373x19")
for at in "${!want[@]}"; do
    line=$(control_at "${at%,*}" "${at#*,}" "$PELMOR_HWND") || { fail "no control at $at"; continue; }
    check "control at $at" "$(field "$line" class) $(field "$line" w)x$(field "$line" h)" "${want[$at]}"
done
pm_ok status "hwnd=$(field "$(control_at 0 227 "$PELMOR_HWND")" hwnd)"
check "status panel edges" "$(pm_field panel right 0),$(pm_field panel right 1),$(pm_field panel right 2)" "90,180,-1"
pm_ok focus
check "the first control in tab order has the focus" "$(pm_field focus focus)" \
    "$(field "$(control_at 8 8 "$PELMOR_HWND")" hwnd)"
screenshot main

dialog() {  # dialog CLASS KEYS... : opens it from the main window, shoots it, closes it with Esc or the close box
    local class=$1
    shift
    pm_ok foreground "hwnd=$PELMOR_HWND"
    pm_ok keys "hwnd=$PELMOR_HWND" "$@"
    if ! pm find "class=$class" "pid=$PELMOR_PID" timeout=5000; then
        fail "$class did not open: $PM_ERROR"
        return
    fi
    local dlg
    dlg=$(pm_field window hwnd)
    pm_ok geometry "hwnd=$dlg"
    note "$class: client $(pm_field geometry client_w)x$(pm_field geometry client_h) at $(pm_field geometry client_x),$(pm_field geometry client_y)"
    pm_ok windows "pid=$PELMOR_PID" visible=1
    check "$class: the main window is disabled meanwhile" \
        "$(printf '%s\n' "${PM_LINES[@]}" | grep -c "hwnd=$PELMOR_HWND.*enabled=0")" 1
    screenshot "$class"
    pm_ok sysclose "hwnd=$dlg"
    pm gone "hwnd=$dlg" timeout=3000 || fail "$class: the close box did not close it"
    pm_ok focus
    check "$class: the main window is active again" "$(pm_field focus active)" "$PELMOR_HWND"
}
dialog TfrmAbout alt+f a
dialog TfrmSetup alt+f enter
dialog TfrmComment ctrl+s

# The comment dialog's close box started a measurement: the menu says so.
pm_ok control "hwnd=$PELMOR_HWND" class=msctls_statusbar32
sleep 1.2
panel_texts "$(pm_field control hwnd)"
check_match "the elapsed time runs in panel 0" "${PANELS[0]}" "^ +0:00:0[0-9]$"
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end"
check "exit code" "$PELMOR_EXIT" 0
