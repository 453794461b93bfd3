# A measuring session as a user runs it, from a fresh start without files:
# Ctrl+S and a Japanese comment, a battery that drains by several percent,
# the mains plugged in and pulled again, a change of the wall-clock minute
# on battery, a stop from the menu, a second start whose comment dialog is
# closed with its close box, and a close while measuring. Then pelmor.log
# and pelmor.ini byte for byte, and a restart that shows the time since the
# close and draws the saved history in dark red.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"

need_fake_battery
battery_set 77 0

check "no settings file before the first start" "$(ls "$T"/pelmor.ini 2>/dev/null)" ""
check "no log before the first start" "$(ls "$T"/pelmor.log 2>/dev/null)" ""

t_up0=$(now)
pelmor_start
t_up1=$(now)
w=$PELMOR_HWND
find_status_bar
wait_panel 1 "電池駆動  77%" || fail "panel 1 never showed 77 % on battery: [${PANELS[1]-}]"
check "panel 2 empty without a settings file" "${PANELS[2]-}" ""
check "starting the program writes no file" "$(cd "$T" && ls pelmor.* 2>/dev/null)" "pelmor.exe"

# ---- first measurement: Ctrl+S, a Japanese comment, Enter ----------------------
comment="電池テスト ﾊﾝｶｸｶﾅ ＡＢＣ 1回目"
pm_ok foreground "hwnd=$w"
pm_ok keys "hwnd=$w" ctrl+s
dlg=$(comment_dialog) || abort "Ctrl+S opened no comment dialog: $PM_ERROR"
pm_ok geometry "hwnd=$dlg"
check "comment dialog at its designed place" "$(pm_field geometry x),$(pm_field geometry y)" "259,77"
check "comment dialog client area" "$(pm_field geometry client_w)x$(pm_field geometry client_h)" "397x56"
edit=$(control_at 8 24 "$dlg") || abort "no comment edit at 8,24: $PM_ERROR"
edit=$(field "$edit" hwnd)
check "the comment edit starts empty" "$(pm text "hwnd=$edit" && pm_field text text)" ""
label=$(control_at 8 8 "$dlg") && check "label" "$(field "$label" text)" "ｺﾒﾝﾄ"
button=$(control_at 312 16 "$dlg") && check "button" "$(field "$button" text)" "測定開始"
pm_ok focus
check "the focus is in the comment edit" "$(pm_field focus focus)" "$edit"
pm_ok type "text=$comment"
check "comment typed" "$(pm text "hwnd=$edit" && pm_field text text)" "$comment"
# The header's date is the moment of the click; the measurement starts
# right after the dialog has closed.
t_ok0=$(now)
pm_ok keys "hwnd=$dlg" enter
pm gone "hwnd=$dlg" timeout=5000 || abort "Enter did not close the comment dialog"
t_ok1=$(now)
pm_ok find title=Pelmor "pid=$PELMOR_PID"
expect_header "$t_ok0" "$t_ok1" "$comment"

expect_sample 77 0 "$t_ok0" "$t_ok0" "$t_ok1" "the first tick of the measurement logs 77 % on battery"
panel_texts "$sb"
check_match "panel 0 shows the elapsed time" "${PANELS[0]-}" '^ +[0-9]+:[0-9]{2}:[0-9]{2}$'
drain 75 0 "$t_ok0" "$t_ok1" "battery drained to 75 %"
drain 73 0 "$t_ok0" "$t_ok1" "battery drained to 73 %"
drain 73 1 "$t_ok0" "$t_ok1" "mains plugged in at 73 %"
wait_panel 1 "ＡＣ駆動  73%" || fail "panel 1 did not show the mains: [${PANELS[1]-}]"
drain 73 0 "$t_ok0" "$t_ok1" "mains pulled at 73 %"
# A history sample on battery after the start-up one, for the dark red of
# the restart: stay until the minute changes.
wait_next_minute

# ---- stop from the menu bar (Alt+E chooses "計測終了(&E)") -------------------------
pm_ok keys "hwnd=$w" alt+e
wait_panel 0 "" || fail "panel 0 was not emptied by the stop: [${PANELS[0]-}]"
log_lines=$(log_line_count)
battery_set 72 0
sleep 2.5
check "no line is logged while idle" "$(log_line_count)" "$log_lines"

# ---- second measurement: Esc, then the close box ------------------------------
pm_ok keys "hwnd=$w" ctrl+s
dlg=$(comment_dialog) || abort "the second Ctrl+S opened no comment dialog: $PM_ERROR"
edit=$(control_at 8 24 "$dlg") && edit=$(field "$edit" hwnd)
check "a new dialog with an empty edit" "$(pm text "hwnd=$edit" && pm_field text text)" ""
pm_ok type "text=書かれないコメント"
# The key typed after Esc shows that the keys reach the dialog.
pm_ok keys "hwnd=$dlg" esc x
sleep 1
pm_ok windows "title=測定ﾛｸﾞのｺﾒﾝﾄ" "pid=$PELMOR_PID"
check "Esc leaves the comment dialog open" "${#PM_LINES[@]}" 1
check "keys after Esc still go to the edit" "$(pm text "hwnd=$edit" && pm_field text text)" "書かれないコメントx"
panel_texts "$sb"
check "not measuring while the dialog is open" "${PANELS[0]-}" ""
t_ok0=$(now)
pm_ok closebox "hwnd=$dlg"
pm gone "hwnd=$dlg" timeout=5000 || abort "the close box did not close the comment dialog"
t_ok1=$(now)
pm_ok find title=Pelmor "pid=$PELMOR_PID"
# 72 % differs from the last line logged (73 %): the first tick logs it.
expect_sample 72 0 "$t_ok0" "$t_ok0" "$t_ok1" "the close box started the measurement"

# ---- close while measuring -----------------------------------------------------
t_close0=$(now)
pm_ok closebox "hwnd=$w"
pelmor_wait_exit || fail "Pelmor did not end after its close box: $PM_ERROR"
t_close1=$(now)
check "exit code" "${PELMOR_EXIT-}" 0
expect_end_line

# ---- the log, byte for byte: no end line after the stop, one after the close -----
check_log

# ---- the settings file, byte for byte -------------------------------------------
check_history_file "$t_up0" "$t_up1" "$t_close0" "$t_close1" '^(77|75|73|72) [01]$'
check "history: the first sample is the start-up tick" "${HIST[0]-}" "77 0"

# ---- restart: time since the close, saved history in dark colours ---------------
endtime=$HIST_END
pelmor_start
t_back=$(now)
w=$PELMOR_HWND
find_status_bar
panel_texts "$sb"
d=${PANELS[2]-}
check_match "panel 2 shows the time since the close" "$d" '^ 前回の電源断から 0:00:[0-9]{2}経過$'
secs=$((10#${d:(-4):2}))
if [ "$secs" -lt $((t_back - 20 - endtime)) ] || [ "$secs" -gt $((t_back - endtime)) ]; then
    fail "panel 2 counts $secs s, but the close was $((t_back - endtime)) s before the window appeared"
fi
wait_panel 1 "電池駆動  72%" || fail "panel 1 after the restart: [${PANELS[1]-}]"
sleep 0.5
screenshot restart-history "$w"
shot=$ART/restart-history.png
if [ -f "$shot" ]; then
    colours=$(graph_colours "$shot")
    check "the saved battery samples are drawn in dark red" "$(grep -ci '#640000' <<<"$colours")" 1
    check "this run's first sample in bright red" "$(grep -ci '#FF0000' <<<"$colours")" 1
    # Dark green only where a minute changed during the seconds on the mains.
    mains=0
    for e in "${HIST[@]:1}"; do [ "${e#* }" = 1 ] && mains=1; done
    check "dark green exactly when a saved sample is on the mains" "$(grep -ci '#006400' <<<"$colours")" "$mains"
    check "no bright green" "$(grep -ci '#00FF00' <<<"$colours")" 0
else
    fail "no screenshot to look at"
fi

pm_ok close "hwnd=$w"
pelmor_wait_exit || fail "Pelmor did not end on WM_CLOSE: $PM_ERROR"
check "the idle close adds nothing to the log" "$(log_line_count)" "$LOG_LINES_AT_CHECK"
