# The driver itself, on a small window of known contents: what the other
# scenarios rely on (controls, panels, list items, keys, menus by keyboard,
# closing, exit codes, named objects) works under this Wine.
. "$(dirname "$0")/lib.sh"

[ -f "${PMTESTWIN_EXE:-}" ] || abort "pmtestwin.exe has not been built"
cp "$PMTESTWIN_EXE" "$T/pmtestwin.exe"

pm_ok codepage
check "Wine runs in code page 932" "$(pm_field codepage acp)" 932

pm_ok start "path=$(winpath "$T/pmtestwin.exe")"
pid=$(pm_field process pid)
pm_ok find class=PmTestWin "pid=$pid"
check "window caption read back in Japanese" "$(pm_field window title)" "テスト窓"
pm_ok geometry
check "window at its requested place" "$(pm_field geometry x),$(pm_field geometry y)" "306,99"
check "client area" "$(pm_field geometry client_w)x$(pm_field geometry client_h)" "373x246"

box=$(control_at 8 8) || abort "no control at 8,8: $PM_ERROR"
check "check box caption in half-width katakana" "$(field "$box" text)" "ｷｰｽﾄﾛｰｸ出力"
check "check box starts clear" "$(field "$box" checked)" 0
pm_ok check "hwnd=$(field "$box" hwnd)" state=1
box=$(control_at 8 8)
check "check box ticked" "$(field "$box" checked)" 1

list=$(control_at 128 32) || abort "no list box"
pm_ok items "hwnd=$(field "$list" hwnd)"
check "list box count" "$(pm_field listbox count)" 2
check "list box item with Japanese text" "$(pm_field item text 1)" "日本語の項目"

bar=$(pm control class=msctls_statusbar32 && printf '%s' "${PM_LINES[0]}") || abort "no status bar"
sb=$(field "$bar" hwnd)
panel_texts "$sb"
check "three panels" "${#PANELS[@]}" 3
check "panel 1 text read through the other process's memory" "${PANELS[1]}" "AC 100%"
pm_ok status "hwnd=$sb"
check "panel widths" "$(pm_field panel width 0),$(pm_field panel width 1),$(pm_field panel width 2)" "90,90,50"

edit=$(control_at 8 32) || abort "no edit"
pm_ok settext "hwnd=$(field "$edit" hwnd)" "text=設定した 文字"
pm_ok text "hwnd=$(field "$edit" hwnd)"
check "edit text set and read back" "$(pm_field text text)" "設定した 文字"

# A click into the edit, then typing.
pm_ok geometry
cx=$(pm_field geometry client_x) cy=$(pm_field geometry client_y)
pm_ok settext "hwnd=$(field "$edit" hwnd)" text=
pm_ok foreground
pm_ok mouse "x=$((cx + 8 + 50))" "y=$((cy + 32 + 40))"
pm_ok type "text=abc 日本"
pm_ok text "hwnd=$(field "$edit" hwnd)"
check "clicked into the edit and typed" "$(pm_field text text)" "abc 日本"

# Keyboard: an accelerator, then the File menu opened with Alt+F.
pm_ok keys ctrl+g
panel_texts "$sb"
check "Ctrl+G reached the window" "${PANELS[0]}" "go"
pm_ok keys alt+f
pm popup "pid=$pid" || fail "Alt+F opened no drop-down: $PM_ERROR"
pm_ok keys o
panel_texts "$sb"
check "the item's accelerator letter chose it" "${PANELS[0]}" "open"

pm_ok endsession end=0
check "WM_QUERYENDSESSION answered" "$(pm_field queryendsession result)" 1

screenshot driver-window

# Exit through the menu: Alt+F, the last item (Up wraps to it), Enter.
pm_ok keys alt+f up enter
pelmor_wait_exit "$pid" 5000 || fail "window did not close from the menu: $PM_ERROR"
check "exit code passed through" "$PELMOR_EXIT" 7

# The close box, clicked with the mouse.
pm_ok start "path=$(winpath "$T/pmtestwin.exe")"
pid=$(pm_field process pid)
pm_ok find class=PmTestWin "pid=$pid"
pm_ok closebox
pelmor_wait_exit "$pid" 5000 || fail "close box did not close the window: $PM_ERROR"
check "closed by the close box" "$PELMOR_EXIT" 7

# Named objects.
pm_ok mutex name=pmdrive-no-such-object
check "absent mutex" "$(pm_field mutex exists)" 0
pm_ok event name=pmdrive-test-event
pm_ok mutex name=pmdrive-test-event
check "an event is not a mutex" "$(pm_field mutex exists)/$(pm_field mutex other_kind)" "0/1"

if [ "$PELMOR_FAKE_BATTERY" = 1 ]; then
    battery_set 42 0
    pm_ok power
    check "fake battery seen by GetSystemPowerStatus" "$(pm_field power ac) $(pm_field power percent)" "0 42"
    battery_set 100 1
    pm_ok power
    check "fake battery change seen at once" "$(pm_field power ac) $(pm_field power percent)" "1 100"
fi
