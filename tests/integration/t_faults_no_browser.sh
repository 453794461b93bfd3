# The browser path points at nothing: with the web tour ticked and a
# measurement running, the web-page tick fails quietly. Panel 0 (elapsed
# time) and panel 1 keep updating through it, the window answers, no box
# opens and nothing about it reaches the log.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/measure_lib.sh"
. "$(dirname "$0")/load_lib.sh"
. "$(dirname "$0")/faults_lib.sh"
need_fake_battery

printf 'http://127.0.0.1:9/a\r\nhttp://127.0.0.1:9/b\r\n' >"$T/url.lst"
write_ini 'iepath=C:\nothing\here.exe' reload=20 key=3600
battery_set 80 0
pelmor_start
find_status_bar
tick_box 128 8
start_measuring
t0=$(now)
expect_sample 80 0 "$t0" "$t0" "$t0" "the first sample line"
lines=$(log_line_count)

# From before the first web-page tick (20 s) to well after it: panel 0 must
# change at least every 2.5 s and every query must be answered at once.
stuck=0 slow=0 last= changed=$SECONDS panel1_ok=0
set_at=$((t0 + 21))
while [ "$(now)" -lt $((t0 + 28)) ]; do
    q0=${EPOCHREALTIME/./}
    panel_texts "$sb" || fail "the status bar did not answer: $PM_ERROR"
    q=$(((${EPOCHREALTIME/./} - q0) / 1000))
    [ "$q" -gt "$slow" ] && slow=$q
    if [ "${PANELS[0]-}" != "$last" ]; then
        last=${PANELS[0]-}
        changed=$SECONDS
    elif [ $((SECONDS - changed)) -gt 2 ]; then
        stuck=1
    fi
    if [ "$(now)" -ge "$set_at" ] && [ "$set_at" != 0 ]; then battery_set 79 0; set_at=0; fi
    [ "${PANELS[1]-}" = "電池駆動  79%" ] && panel1_ok=1
    sleep 0.4
done
check "panel 0 kept counting through the web-page tick" "$stuck" 0
check "panel 1 followed a change just after the tick" "$panel1_ok" 1
[ "$slow" -lt 1500 ] && check "the status bar answered every query within 1.5 s (slowest $slow ms)" 1 1 ||
    fail "a status-bar query took $slow ms"
check "no box" "$(box_count)" 0
pm_ok control "hwnd=$PELMOR_HWND" class=ListBox
pm_ok items "hwnd=$(pm_field control hwnd)"
check "no page was handed over: no entry of the list chosen" "$(pm_field listbox selected)" -1
pm_ok text "hwnd=$PELMOR_HWND"
check "the window answers" "$(pm_field text text)" Pelmor
check "the log: only the 79 % line was added" \
    "$(log_line_count) $(log_last_line | sed 's/^ *[0-9]*,/E,/' | tr -d '\r')" "$((lines + 1)) E,  79,  0"
stop_measuring
pm_ok close "hwnd=$PELMOR_HWND"
pelmor_wait_exit || fail "Pelmor did not end: $PM_ERROR"
check "exit code" "${PELMOR_EXIT-}" 0
