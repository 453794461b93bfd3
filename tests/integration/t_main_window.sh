# The main window as a user first sees it: caption, place and size, frame,
# controls and their texts, the empty status panels filling after a second,
# the menu reached by keyboard, and a screenshot.
. "$(dirname "$0")/lib.sh"

pelmor_start
t_shown=$EPOCHREALTIME
w=$PELMOR_HWND

# Status panels before the first one-second tick.
bar=$(pm control class=msctls_statusbar32 timeout=2000 && printf '%s' "${PM_LINES[0]}") ||
    abort "no status bar: $PM_ERROR"
sb=$(field "$bar" hwnd)
panel_texts "$sb" || fail "status panels unreadable: $PM_ERROR"
early=$(( (${EPOCHREALTIME/./} - ${t_shown/./}) / 1000 ))
check "three status panels" "${#PANELS[@]}" 3
check "panel 0 empty at start" "${PANELS[0]-}" ""
check "panel 2 empty without a settings file" "${PANELS[2]-}" ""
if [ "$early" -lt 600 ]; then
    check "panel 1 empty before the first tick (read ${early} ms after the window showed)" "${PANELS[1]-}" ""
else
    note "panel 1 read ${early} ms after the window showed: too late to see it empty"
fi
pm_ok status "hwnd=$sb"
check "panel widths 90 and 90" "$(pm_field panel width 0),$(pm_field panel width 1)" "90,90"
# The last panel is 50 wide or runs to the bar's right end.
check_match "last panel 50 wide or to the end" "$(pm_field panel width 2)" '^(50|-1)$'
check "status bar is not a simple bar" "$(pm_field statusbar simple)" 0

pm_ok mutex name=ravoshu-pelmor
check "the instance mutex exists while Pelmor runs" "$(pm_field mutex exists)" 1

# Caption, place, size and frame.
pm_ok geometry "hwnd=$w"
check "caption" "$(pm text "hwnd=$w" && pm_field text text)" "Pelmor"
check "window's top-left corner on the screen" "$(pm_field geometry x),$(pm_field geometry y)" "306,99"
check "client area" "$(pm_field geometry client_w)x$(pm_field geometry client_h)" "373x246"
note "client origin at $(pm_field geometry client_x),$(pm_field geometry client_y); window $(pm_field geometry w)x$(pm_field geometry h)"
style=$(pm_field geometry style)
check "system menu, minimise box" "$(( style & 0x00A0000 ))" "$(( 0x00A0000 ))"
check "no maximise box, not resizable" "$(( style & 0x0050000 ))" 0

# The controls: class, place, size, text and state.
expect_control() {  # NAME X Y W H CLASS-REGEX [TEXT [CHECKED]]
    local line
    if ! line=$(control_at "$2" "$3" "$w"); then
        fail "$1: no control at $2,$3"
        return
    fi
    check_match "$1: class" "$(field "$line" class)" "$6"
    check "$1: size at $2,$3" "$(field "$line" w)x$(field "$line" h)" "$4x$5"
    check "$1: visible and enabled" "$(field "$line" visible)$(field "$line" enabled)" 11
    [ $# -ge 7 ] && check "$1: text" "$(field "$line" text)" "$7"
    [ $# -ge 8 ] && check "$1: unchecked" "$(field "$line" checked)" "$8"
    CONTROL=$line
}
expect_control chkKey 8 8 113 17 '^Button$' "ｷｰｽﾄﾛｰｸ出力" 0
chk_key=$(field "$CONTROL" hwnd)
expect_control Memo1 8 32 113 89 '^Edit$' ""
memo=$(field "$CONTROL" hwnd)
check "Memo1 is multi-line" "$(( $(field "$CONTROL" style) & 0x4 ))" 4
expect_control chkURL 128 8 113 17 '^Button$' "Web巡回" 0
chk_url=$(field "$CONTROL" hwnd)
expect_control lstURL 128 32 233 89 '^ListBox$'
lst=$(field "$CONTROL" hwnd)
expect_control Image1 8 128 353 97 '.'
expect_control StatusBar 0 227 373 19 '^msctls_statusbar32$'
if line=$(control_at 0 0 "$w"); then
    note "Bevel1: $(field "$line" class) at 0,0, $(field "$line" w)x$(field "$line" h) (designed 373x9, drawn as a top line)"
else
    fail "Bevel1: nothing at 0,0"
fi
pm_ok items "hwnd=$lst"
check "URL list empty without url.lst" "$(pm_field listbox count)" 0

# Tab order: the focus starts on chkKey (tab order 0) and Tab moves it on to
# Memo1 (1). Beyond the memo nothing is checked: under Wine, Tab typed into
# a multi-line edit of a window that is not a dialog stays in the edit.
pm_ok foreground "hwnd=$w"
pm_ok focus
check "the focus starts on chkKey" "$(pm_field focus focus)" "$chk_key"
pm_ok keys "hwnd=$w" tab
pm_ok focus
check "Tab moves it to Memo1" "$(pm_field focus focus)" "$memo"
pm_ok keys "hwnd=$w" tab
pm_ok focus
note "after a second Tab the focus is on $(pm_field focus focus_class) $(pm_field focus focus) (chkURL $chk_url, lstURL $lst)"

# After the first tick panel 1 shows the power status.
panel1() { panel_texts "$sb" && [ -n "${PANELS[1]-}" ]; }
wait_until 5 panel1 || true
if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then
    check "panel 1 after the first tick (battery 77 %, on battery)" "${PANELS[1]-}" "電池駆動  77%"
else
    check_match "panel 1 after the first tick" "${PANELS[1]-}" '^(電池駆動|ＡＣ駆動|　不明　) ( *[0-9]+%|満充電)$'
fi
check "panel 0 still empty (not measuring)" "${PANELS[0]-}" ""
screenshot main-window "$w"

# The menu by keyboard: Alt+F drops the file menu down (separator and three
# items); its A item opens the about box and its first S item the settings.
pm_ok keys "hwnd=$w" alt+f
if pm popup "pid=$PELMOR_PID"; then
    note "file menu: $(pm_field window w)x$(pm_field window h) at $(pm_field window x),$(pm_field window y)"
    check_match "file menu drops down below the menu bar" "$(pm_field window y)" '^1[0-9][0-9]$'
    screenshot main-window-file-menu
else
    fail "Alt+F opened no drop-down: $PM_ERROR"
fi
pm_ok keys a
if pm find title="about Pelmor" "pid=$PELMOR_PID" timeout=5000; then
    check "Alt+F, A opens the about box" "$(pm_field window title)" "about Pelmor"
    about=$(pm_field window hwnd)
    pm_ok keys "hwnd=$about" esc
    if ! pm gone "hwnd=$about" timeout=5000; then
        fail "the about box did not close on Esc"
        pm_ok closebox "hwnd=$about"
        pm gone "hwnd=$about" timeout=5000 || abort "the about box did not close on its close box"
    fi
else
    fail "Alt+F, A opened no about box"
fi
pm_ok keys "hwnd=$w" alt+f s
if pm find title="設定" "pid=$PELMOR_PID" timeout=5000; then
    setup=$(pm_field window hwnd)
    check "Alt+F, S opens the settings dialog" "$(pm_field window title)" "設定"
    pm_ok keys "hwnd=$setup" esc
    if ! pm gone "hwnd=$setup" timeout=5000; then
        fail "the settings dialog did not close on Esc"
        pm_ok closebox "hwnd=$setup"
        pm gone "hwnd=$setup" timeout=5000 || abort "the settings dialog did not close on its close box"
    fi
else
    fail "Alt+F, S opened no settings dialog"
fi
pm_ok geometry "hwnd=$w"
check "main window usable again" "$(pm text "hwnd=$w" && pm_field text text)" "Pelmor"

pm_ok close "hwnd=$w"
pelmor_wait_exit || fail "Pelmor did not end on WM_CLOSE: $PM_ERROR"
check "exit code after WM_CLOSE" "${PELMOR_EXIT-}" 0
